// The two aids of the parameter editor for a vehicle outside the archive: the base fuel map it
// writes after the first store, and the kit's installation instructions.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <functional>
#include <memory>
#include <string>

#include "BaseMapLibrary.h"
#include "DetachedConfiguration.h"
#include "EditorSupport.h"
#include "QtText.h"
#include "TFormAttesaFile.h"
#include "TFormSchema.h"

namespace zov::test {
namespace {

constexpr int kMainMap = 50;  // the cells, as the ECU numbers its tables
constexpr int kMapAxis = 105;
constexpr int kRpmAxis = 111;

// A runtime folder of the test's own, so that it can take files out or spoil them.
struct RuntimeCopy {
    explicit RuntimeCopy(const QStringList& leaveOut) { CopyRuntime(dir.path(), leaveOut); }
    QString File(const char* relative) const { return dir.filePath(QString::fromLatin1(relative)); }
    void Put(const char* relative, const QByteArray& content) const {
        QDir(dir.path()).mkpath(QFileInfo(File(relative)).path());
        QFile file(File(relative));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(content);
    }
    QTemporaryDir dir;
};

// The editor of a vehicle outside the archive on a runtime folder of its own.
struct OutOfArchiveBench : RuntimeCopy, EditorBench {
    explicit OutOfArchiveBench(const QStringList& leaveOut = {})
        : RuntimeCopy(leaveOut), EditorBench({}, true, dir.path()), editor(Open(true)) {}
    std::unique_ptr<TFormModifica> editor;
};

bool ProgressWindowShown() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (qobject_cast<TFormAttesaFile*>(w) && w->isVisible()) return true;
    return false;
}

TEST(BaseMapInEditor, TheLibraryFileOfTheDisplacementGoesIntoTheEcuAfterTheStore) {
    OutOfArchiveBench b;
    TFormModifica& f = *b.editor;
    Choose(f.ComboAlim, 0);
    f.EditCilindrata->setText(QStringLiteral("1600"));
    b.Store(f);

    EXPECT_TRUE(b.prompter.shown.empty()) << b.LastMessage();
    EXPECT_FALSE(ProgressWindowShown());
    EXPECT_EQ(f.focusWidget(), f.ButtonEsci);

    // The file's values as the ECU holds them: the axes go through the link's units.
    DetachedConfiguration expected(b.context->link);
    BaseMapLibrary::Map file;
    ASSERT_TRUE(expected.map.ReadMapFile(QFile::encodeName(b.File("Map/GPL/automap_1600n.map")).toStdString(),
                                         file.cells, file.rpm, file.map));
    for (int r = 0; r < ConfMap::kRows; ++r) expected.map.SetMap(r, file.map[size_t(r)]);
    for (int c = 0; c < ConfMap::kCols; ++c) expected.map.SetRpm(c, file.rpm[size_t(c)]);
    DetachedConfiguration ecu(b.context->link);
    ecu.model.ReadFromEcu();
    for (int r = 0; r < ConfMap::kRows; ++r) {
        EXPECT_EQ(ecu.map.GetMap(r), expected.map.GetMap(r)) << r;
        for (int c = 0; c < ConfMap::kCols; ++c)
            EXPECT_EQ(ecu.map.GetCell(r, c), file.cells[size_t(r * ConfMap::kCols + c)]) << r << "," << c;
    }
    for (int c = 0; c < ConfMap::kCols; ++c) EXPECT_EQ(ecu.map.GetRpm(c), expected.map.GetRpm(c)) << c;
}

TEST(BaseMapInEditor, EachFailureSaysWhyWritesNoCellAndLeavesTheFocus) {
    const QStringList wholeLibrary{"Map/GPL/automap_1000n.map", "Map/GPL/automap_1400n.map",
                                   "Map/GPL/automap_1600n.map", "Map/GPL/automap_2000n.map"};
    // A displacement the library refuses (MessNoCil) never gets past the editor's own limits.
    // Beyond the shipped library (1000..2000 cc) every cell would be 0 from 3600 cc up, a map
    // no engine runs on: refused with the library's range.
    const struct {
        const char* name;
        QStringList leaveOut;
        bool spoilFile;
        const char* displacement;
        const char* message;
    } cases[] = {
        {"empty library", wholeLibrary, false, "1600", "MessNoFile"},
        {"unreadable file", {}, true, "1600", "MessCorruptedFile"},
        {"cells driven to 0 beyond the library", {}, false, "3600", "MessMappaBaseLimiti"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        OutOfArchiveBench b(c.leaveOut);
        TFormModifica& f = *b.editor;
        if (c.spoilFile) b.Put("Map/GPL/automap_1600n.map", "[MAPPA]\nnot a map\n");
        Choose(f.ComboAlim, 0);
        f.EditCilindrata->setText(QString::fromLatin1(c.displacement));
        f.EditCilindrata->setFocus();
        b.ecu.ClearRequests();
        bool progressWhileAsking = false;
        b.prompter.onAsk = [&] { progressWhileAsking = ProgressWindowShown(); };
        b.Store(f);

        ASSERT_EQ(b.prompter.shown.size(), 1u);
        EXPECT_EQ(b.prompter.shown[0].text, BaseMapLibrary::RangeText(b.DictCp(c.message, 70), {1000, 2000}));
        EXPECT_EQ(b.prompter.shown[0].caption, ToCp1252(f.windowTitle()));
        EXPECT_EQ(b.prompter.shown[0].icon, PromptIcon::Error);
        // The progress window is never left behind the box.
        EXPECT_FALSE(progressWhileAsking);
        for (const int var : WrittenVars(b.ecu)) {
            EXPECT_NE(var, kMainMap);
            EXPECT_NE(var, kMapAxis);
            EXPECT_NE(var, kRpmAxis);
        }
        EXPECT_NE(f.focusWidget(), f.ButtonEsci);
    }
}

// What the kit button opened: the language choice's window and offers, the viewer's caption.
struct KitRun {
    explicit KitRun(TFormModifica& f, std::function<int(QDialog&)> answer = {}) {
        f.languageRunner = [this, answer](QDialog& d) {
            choiceTitle = d.windowTitle();
            warning = d.findChild<QLabel*>(QStringLiteral("LabelWarning"))->text();
            for (QRadioButton* r : d.findChildren<QRadioButton*>())
                offered << r->text() + (r->isChecked() ? QStringLiteral("*") : QString());
            if (answer) return answer(d);
            d.accept();
            return int(QDialog::Accepted);
        };
        f.schemaRunner = [this](TFormSchema& s) {
            viewerCaptions << s.windowTitle();
            okText = s.Button1->text();
            pages = s.PageCount();
            return 1;
        };
        f.ButtonIstruzioniKit->click();
    }
    QString choiceTitle;
    QString warning;
    QStringList offered;
    QStringList viewerCaptions;
    QString okText;
    int pages = 0;
};

TEST(KitInstructions, InTheCurrentLanguageTheViewerOpensAtOnce) {
    OutOfArchiveBench b;
    ASSERT_TRUE(b.editor->ButtonIstruzioniKit->isVisible());
    ASSERT_TRUE(b.editor->ButtonIstruzioniKit->isEnabled());
    const KitRun run(*b.editor);
    EXPECT_TRUE(run.offered.isEmpty());
    EXPECT_EQ(run.viewerCaptions,
              QStringList{b.Dict("FinestraIstruzioni", 70) + QStringLiteral("  -  (001)")});
    EXPECT_EQ(run.okText, b.Dict("ButtonOK", 15));
    EXPECT_GT(run.pages, 0);
    EXPECT_TRUE(b.prompter.shown.empty()) << b.LastMessage();
}

TEST(KitInstructions, OnlyInOtherLanguagesTheInstallerPicksOneOfThose) {
    OutOfArchiveBench b({QStringLiteral("Schede/ITALIANO/IstruzioniKit_001.pdf")});
    QFile english(b.File("Schede/ENGLISH/IstruzioniKit_001.pdf"));
    ASSERT_TRUE(english.open(QIODevice::ReadOnly));
    b.Put("Schede/DEUTSCH/IstruzioniKit_002.pdf", english.readAll());

    const KitRun run(*b.editor, [](QDialog& d) {
        d.findChildren<QRadioButton*>().at(1)->setChecked(true);
        d.accept();
        return int(QDialog::Accepted);
    });
    EXPECT_EQ(run.offered, (QStringList{b.Dictionary().LanguageCaption(1) + QStringLiteral("*"),
                                        b.Dictionary().LanguageCaption(2)}));
    EXPECT_EQ(run.choiceTitle, b.editor->windowTitle());
    EXPECT_EQ(run.warning,
              b.Dict("MessNoIstrLingua1", 70) + QStringLiteral("\n") + b.Dict("MessNoIstrLingua2", 70));
    EXPECT_EQ(run.viewerCaptions,
              QStringList{b.Dict("FinestraIstruzioni", 70) + QStringLiteral("  -  (002)")});
    EXPECT_TRUE(b.prompter.shown.empty()) << b.LastMessage();
}

TEST(KitInstructions, NoneCancelledOrUnreadableOpensNoViewer) {
    const QStringList noKit{"Schede/ITALIANO/IstruzioniKit_001.pdf", "Schede/ENGLISH/IstruzioniKit_001.pdf"};
    const auto cancel = [](QDialog& d) {
        d.reject();
        return int(QDialog::Rejected);
    };
    const struct {
        const char* name;
        QStringList leaveOut;
        bool spoilItalian;
        std::function<int(QDialog&)> answer;
        const char* message;  // null: no box
    } cases[] = {
        {"in no language", noKit, false, {}, "MessNoIstruzioni"},
        {"choice cancelled", {noKit[0]}, false, cancel, nullptr},
        {"not a document", {}, true, {}, "MessIstrIlleggibili"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        OutOfArchiveBench b(c.leaveOut);
        if (c.spoilItalian) b.Put("Schede/ITALIANO/IstruzioniKit_001.pdf", "not a pdf");
        const KitRun run(*b.editor, c.answer);
        EXPECT_TRUE(run.viewerCaptions.isEmpty());
        if (c.message == nullptr) {
            EXPECT_TRUE(b.prompter.shown.empty()) << b.LastMessage();
            continue;
        }
        ASSERT_EQ(b.prompter.shown.size(), 1u);
        EXPECT_EQ(b.prompter.shown[0].text.rfind(b.DictCp(c.message, 70), 0), 0u) << b.LastMessage();
        EXPECT_EQ(b.prompter.shown[0].caption, ToCp1252(b.editor->windowTitle()));
        EXPECT_EQ(b.prompter.shown[0].icon, PromptIcon::Error);
    }
}

}  // namespace
}  // namespace zov::test
