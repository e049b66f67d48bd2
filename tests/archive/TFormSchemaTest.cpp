// The instruction viewer on a sheet written with the sample archive's writer: pages, zoom and the
// text search, and the rules behind its controls.
#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QPdfView>
#include <QPushButton>
#include <QTest>

#include "ArchiveSample.h"
#include "SchemaView.h"
#include "TFormSchema.h"
#include "TestFiles.h"

namespace zov::test {
namespace {

TEST(SchemaView, ZoomPagesAndResultsStayInRange) {
    EXPECT_DOUBLE_EQ(SchemaView::Zoomed(1.0, true), 1.25);
    EXPECT_DOUBLE_EQ(SchemaView::Zoomed(1.0, false), 0.8);
    EXPECT_DOUBLE_EQ(SchemaView::Zoomed(3.9, true), 4.0);
    EXPECT_DOUBLE_EQ(SchemaView::Zoomed(0.26, false), 0.25);
    const struct {
        int page, count, clamped;
        const char* text;
    } pages[] = {
        {0, 3, 0, "1 / 3"}, {2, 3, 2, "3 / 3"}, {7, 3, 2, "3 / 3"}, {-1, 3, 0, "1 / 3"}, {0, 0, 0, ""}};
    for (const auto& p : pages) {
        EXPECT_EQ(SchemaView::ClampedPage(p.page, p.count), p.clamped) << p.page << "/" << p.count;
        EXPECT_EQ(SchemaView::PageText(p.page, p.count), QString::fromLatin1(p.text))
            << p.page << "/" << p.count;
    }
    const struct {
        int current, count, next;
    } results[] = {{-1, 3, 0}, {0, 3, 1}, {2, 3, 0}, {-1, 0, -1}, {1, 0, -1}};
    for (const auto& r : results) EXPECT_EQ(SchemaView::NextResult(r.current, r.count), r.next) << r.current;
    EXPECT_EQ(SchemaView::ResultText(1, 4, true), "2 / 4");
    EXPECT_EQ(SchemaView::ResultText(-1, 0, true), "0 / 0");
    EXPECT_EQ(SchemaView::ResultText(-1, 0, false), "");
}

struct Sheet {
    Sheet() {
        std::string error;
        ok = WriteInstructionSheet(
            dir.File("sheet.pdf"), "Test",
            {{"Primo", {"Scollegare la batteria."}},
             {"Secondo", {"Collegare la batteria alla fine.", "Controllare la batteria."}},
             {"Terzo", {"Nessun riferimento."}}},
            error);
        EXPECT_TRUE(ok) << error;
    }
    QString Path() const { return QString::fromStdString(dir.File("sheet.pdf")); }
    zov::testing::ScratchDir dir;
    bool ok = false;
};

TEST(TFormSchema, PagesAndZoomOfASheet) {
    Sheet sheet;
    TFormSchema s;
    ASSERT_TRUE(s.Open(sheet.Path()));
    s.show();
    EXPECT_EQ(s.PageCount(), 3);
    EXPECT_EQ(s.LabelPagina->text(), "1 / 3");
    s.ButtonPaginaSucc->click();
    EXPECT_EQ(s.CurrentPage(), 1);
    EXPECT_EQ(s.LabelPagina->text(), "2 / 3");
    s.GoToPage(9);
    EXPECT_EQ(s.CurrentPage(), 2);
    s.ButtonPaginaPrec->click();
    EXPECT_EQ(s.CurrentPage(), 1);

    s.PdfSchema->setZoomMode(QPdfView::ZoomMode::Custom);
    s.PdfSchema->setZoomFactor(1.0);
    s.ButtonZoomPiu->click();
    EXPECT_DOUBLE_EQ(s.PdfSchema->zoomFactor(), 1.25);
    s.ButtonZoomMeno->click();
    s.ButtonZoomMeno->click();
    EXPECT_DOUBLE_EQ(s.PdfSchema->zoomFactor(), 0.8);
    s.ButtonAdatta->click();
    EXPECT_EQ(s.PdfSchema->zoomMode(), QPdfView::ZoomMode::FitToWidth);
}

TEST(TFormSchema, SearchShowsEachResultInTurnAndSaysWhenThereIsNone) {
    Sheet sheet;
    TFormSchema s;
    ASSERT_TRUE(s.Open(sheet.Path()));
    s.show();
    s.EditCerca->setText(QStringLiteral("batteria"));
    s.ButtonCerca->click();
    // The search runs page by page while events are processed.
    QTRY_COMPARE_WITH_TIMEOUT(s.ResultCount(), 3, 10000);
    EXPECT_EQ(s.CurrentResult(), 0);
    EXPECT_EQ(s.CurrentPage(), 0);
    EXPECT_EQ(s.LabelRisultati->text(), "1 / 3");
    s.ButtonCerca->click();
    EXPECT_EQ(s.CurrentResult(), 1);
    EXPECT_EQ(s.CurrentPage(), 1);
    s.ButtonCerca->click();
    s.ButtonCerca->click();
    EXPECT_EQ(s.CurrentResult(), 0) << "after the last, the first again";
    EXPECT_EQ(s.CurrentPage(), 0);

    s.EditCerca->setText(QStringLiteral("carburatore"));
    s.ButtonCerca->click();
    QTest::qWait(200);
    EXPECT_EQ(s.ResultCount(), 0);
    EXPECT_EQ(s.CurrentResult(), -1);
    EXPECT_EQ(s.LabelRisultati->text(), "0 / 0");
}

TEST(TFormSchema, AFileThatIsNoPdfIsRefused) {
    zov::testing::ScratchDir dir;
    for (const std::string& content : {std::string("not a pdf"), std::string()}) {
        std::ofstream(dir.File("bad.pdf"), std::ios::binary) << content;
        TFormSchema s;
        EXPECT_FALSE(s.Open(QString::fromStdString(dir.File("bad.pdf"))));
        EXPECT_EQ(s.PageCount(), 0);
        EXPECT_EQ(s.LabelPagina->text(), "");
    }
    TFormSchema s;
    EXPECT_FALSE(s.Open(QString::fromStdString(dir.File("missing.pdf"))));
}

}  // namespace
}  // namespace zov::test
