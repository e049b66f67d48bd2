// "Stampa" and "Anteprima" of the main window on the simulated ECU: the print dialog's range,
// copies and collation decide the pages of the PDF written, a PDF with no name from the dialog
// goes to a file the user chooses, and a failed write is shown.
#include <gtest/gtest.h>

#include <QAction>
#include <QFileDialog>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>

#include "../../report/PdfTools.h"
#include "ShellFunctionSupport.h"

namespace zov::test {
namespace {

using testing::PdfPageInfo;
using testing::PdfText;

std::string Path(const QString& path) { return QFile::encodeName(path).toStdString(); }

// Answers the print dialog with PDF output into `file` (empty: no name given).
TFormMainInst::PrintDialogRunner PrintInto(const QString& file, bool all, int from, int to, int copies,
                                           bool collate) {
    return [=](QPrintDialog& dialog) {
        QPrinter* printer = dialog.printer();
        EXPECT_EQ(dialog.objectName(), QStringLiteral("PrintDialog1"));
        EXPECT_FALSE(printer->collateCopies()) << "collation is preset off";
        printer->setOutputFormat(QPrinter::PdfFormat);
        printer->setOutputFileName(file);
        printer->setPrintRange(all ? QPrinter::AllPages : QPrinter::PageRange);
        printer->setFromTo(from, to);
        printer->setCopyCount(copies);
        printer->setCollateCopies(collate);
        return int(QDialog::Accepted);
    };
}

TEST(Stampa, RangeCopiesAndCollationDecideThePages) {
    PrivateTemp temp;
    QTemporaryDir files;
    Bench b;
    TFormMainInst& f = *b.form;
    StartConnected(b);
    ASSERT_TRUE(f.MenuStampa->isEnabled());

    const struct {
        bool collate;
        std::vector<std::string> titles;
        std::vector<std::string> footers;
    } cases[] = {
        {false,
         {"Mappatura della vettura:", "Mappatura della vettura:", "Tabella guadagni", "Tabella guadagni"},
         {"Pag. 1/2", "Pag. 1/2", "Pag. 2/2", "Pag. 2/2"}},
        {true,
         {"Mappatura della vettura:", "Tabella guadagni", "Mappatura della vettura:", "Tabella guadagni"},
         {"Pag. 1/2", "Pag. 2/2", "Pag. 1/2", "Pag. 2/2"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.collate);
        const QString pdf =
            files.filePath(c.collate ? QStringLiteral("collated.pdf") : QStringLiteral("copies.pdf"));
        f.SetPrintDialogRunner(PrintInto(pdf, false, 2, 3, 2, c.collate));
        f.MenuStampa->trigger();
        const testing::PdfPages info = PdfPageInfo(Path(pdf), 4);
        ASSERT_EQ(info.count, 4);
        EXPECT_EQ(info.landscape, (std::vector<bool>{true, true, true, true}));
        for (int page = 1; page <= 4; ++page) {
            const std::string text = PdfText(Path(pdf), page, page);
            EXPECT_NE(text.find(c.titles[size_t(page - 1)]), std::string::npos) << page << text;
            EXPECT_NE(text.find(c.footers[size_t(page - 1)]), std::string::npos) << page << text;
        }
    }
}

TEST(Stampa, WithoutAFileNameTheUserChoosesOneAndAFailureIsShown) {
    PrivateTemp temp;
    QTemporaryDir files;
    Bench b;
    TFormMainInst& f = *b.form;
    StartConnected(b);
    const QString chosen = files.filePath(QStringLiteral("chosen.pdf"));
    int asked = 0;
    f.SetFileChooser([&](QFileDialog& dialog) {
        ++asked;
        EXPECT_EQ(dialog.objectName(), QStringLiteral("ReportFileDialog"));
        return chosen;
    });
    f.SetPrintDialogRunner(PrintInto(QString(), true, 1, 3, 1, false));
    f.MenuStampa->trigger();
    EXPECT_EQ(asked, 1);
    const testing::PdfPages info = PdfPageInfo(Path(chosen), 5);
    EXPECT_EQ(info.count, 5);
    EXPECT_EQ(info.landscape, (std::vector<bool>{false, true, false, true, true}));
    EXPECT_NE(PdfText(Path(chosen), 1, 1).find("FIAT PUNTO 1.2 8V"), std::string::npos);
    EXPECT_NE(PdfText(Path(chosen), 4, 4).find("Pag. 4/5"), std::string::npos);

    // A cancelled dialog prints nothing and asks nothing.
    f.SetPrintDialogRunner([](QPrintDialog&) { return int(QDialog::Rejected); });
    f.MenuStampa->trigger();
    EXPECT_EQ(asked, 1);

    const std::string before = testing::ReadFile(Path(chosen));
    const size_t messages = b.prompter.shown.size();
    f.SetPrintDialogRunner(PrintInto(chosen, true, 1, 3, 1, false));
    {
        const testing::FileSizeLimit fullDisk(4096);
        f.MenuStampa->trigger();
    }
    ASSERT_EQ(b.prompter.shown.size(), messages + 1);
    EXPECT_EQ(b.prompter.shown.back().text.rfind(b.DictCp("MessErrStampa", 70) + "\n", 0), 0u)
        << b.prompter.shown.back().text;
    EXPECT_EQ(testing::ReadFile(Path(chosen)), before) << "the earlier report is kept whole";
}

TEST(Anteprima, ShowsTheFivePages) {
    PrivateTemp temp;
    Bench b;
    TFormMainInst& f = *b.form;
    StartConnected(b);
    int pages = 0;
    f.SetPreviewRunner([&](QPrintPreviewDialog& dialog) {
        auto* widget = dialog.findChild<QPrintPreviewWidget*>();
        EXPECT_NE(widget, nullptr);
        if (widget != nullptr) {
            widget->updatePreview();
            pages = widget->pageCount();
        }
        return int(QDialog::Rejected);
    });
    f.MenuAnteprima->trigger();
    EXPECT_EQ(pages, 5);
}

}  // namespace
}  // namespace zov::test
