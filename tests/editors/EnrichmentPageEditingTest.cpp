// The enrichment page: editing cells through the value entry dialog, its timer around boxes, its
// texts, and the minimum accumulation.
#include <gtest/gtest.h>

#include <QGroupBox>
#include <QGuiApplication>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <ostream>
#include <set>
#include <string>
#include <vector>

#include "EnrichmentPage.h"
#include "EnrichmentPageBench.h"
#include "TFormSet.h"

namespace zov {
namespace {

using test::enrichment::CellWrite;
using test::enrichment::EnrichmentBench;
using test::enrichment::kCellHeight;
using test::enrichment::kCellWidth;
using test::enrichment::Left;
using test::enrichment::PageBench;
using test::enrichment::Top;

// --- editing ---------------------------------------------------------------------------------

TEST(EnrichmentEditing, ADoubleClickEditsTheSelectionAndWritesTheEcu) {
    PageBench b;
    b.Ctx().param.SetEnrichment(3, 1, 10);
    b.Ctx().param.SetEnrichment(3, 2, -20);
    b.Ctx().param.SetEnrichment(4, 1, 100);
    b.Ctx().param.SetEnrichment(4, 2, 0);
    b.ecu.ClearRequests();
    b.page->PageEntered();
    EnrichmentGrid& grid = b.page->Grid();
    QTest::mouseClick(&grid, Qt::LeftButton, {}, QPoint(Left(2) + 5, Top(4) + 5));
    QTest::mouseClick(&grid, Qt::LeftButton, Qt::ShiftModifier, QPoint(Left(3) + 5, Top(5) + 5));

    bool timerStopped = false;
    QString title;
    QString startText;
    test::ModalWatcher watcher([&](QWidget& modal) {
        auto* dialog = qobject_cast<TFormSet*>(&modal);
        ASSERT_NE(dialog, nullptr);
        timerStopped = !b.page->LiveTimerActive();
        title = dialog->windowTitle();
        startText = dialog->Edit1->text();
        QTest::keyClicks(dialog->Edit1, QStringLiteral("30"));
        QTest::keyClick(dialog->Edit1, Qt::Key_Return);
    });
    // With Shift held, as a click, the double click keeps the range.
    QTest::mouseDClick(&grid, Qt::LeftButton, Qt::ShiftModifier, QPoint(Left(3) + 5, Top(5) + 5));
    EXPECT_EQ(watcher.seen, QStringLiteral("FormSet"));
    EXPECT_TRUE(timerStopped) << "nothing talks to the ECU while the dialog is open";
    EXPECT_TRUE(b.page->LiveTimerActive()) << "and the timer runs again afterwards";
    EXPECT_EQ(title, b.DictText("FinestraModificaMappa", 20));
    EXPECT_EQ(startText, QStringLiteral("0"));
    EXPECT_EQ(b.Ctx().param.GetEnrichment(3, 1), 40);
    EXPECT_EQ(b.Ctx().param.GetEnrichment(4, 1), 127);
    EXPECT_EQ(b.Ctx().param.GetEnrichment(3, 2), 10);
    EXPECT_EQ(b.Ctx().param.GetEnrichment(4, 2), 30);
    EXPECT_EQ(b.CellWrites(51), (std::vector<CellWrite>{{3, 1, 40}, {4, 1, 127}, {3, 2, 10}, {4, 2, 30}}));
    EXPECT_EQ(b.EcuCell(51, 4, 1), 127);
    EXPECT_EQ(b.page->CellText(2, 5), QStringLiteral("127"));
    b.page->StopLiveTimer();
}

TEST(EnrichmentEditing, EnterOnOneCellShowsItsValueBesideTheScreensThirds) {
    PageBench b;
    b.Ctx().param.SetEnrichment(7, 7, -33);
    b.ecu.ClearRequests();
    b.page->PageEntered();
    b.page->Grid().SetSelection(8, 8, 8, 8);
    QPoint position;
    QString shown;
    bool proportional = true;
    test::ModalWatcher watcher([&](QWidget& modal) {
        auto* dialog = qobject_cast<TFormSet*>(&modal);
        ASSERT_NE(dialog, nullptr);
        position = dialog->pos();
        shown = dialog->Edit1->selectedText();
        proportional = dialog->RadioButtonProp->isEnabled();
        QTest::keyClicks(dialog->Edit1, QStringLiteral("-7"));
        QTest::keyClick(dialog->Edit1, Qt::Key_Enter);
    });
    QTest::keyClick(&b.page->Grid(), Qt::Key_Return);
    EXPECT_EQ(shown, QStringLiteral("-33"));
    EXPECT_FALSE(proportional);
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    EXPECT_EQ(position, QPoint(screen.x() + screen.width() * 2 / 3, screen.y() + screen.height() / 3));
    EXPECT_EQ(b.CellWrites(51), (std::vector<CellWrite>{{7, 7, uint8_t(-7)}}));
    EXPECT_EQ(b.page->CellText(8, 8), QStringLiteral("-7"));
    b.page->StopLiveTimer();
}

TEST(EnrichmentEditing, EscapeChangesNothing) {
    PageBench b;
    b.page->PageEntered();
    b.page->Grid().SetSelection(1, 1, 4, 4);
    test::ModalWatcher watcher([&](QWidget& modal) {
        auto* dialog = qobject_cast<TFormSet*>(&modal);
        ASSERT_NE(dialog, nullptr);
        QTest::keyClicks(dialog->Edit1, QStringLiteral("9"));
        QTest::keyClick(dialog->Edit1, Qt::Key_Escape);
    });
    b.ecu.ClearRequests();
    b.page->EditSelection();
    EXPECT_EQ(watcher.seen, QStringLiteral("FormSet"));
    EXPECT_TRUE(b.CellWrites(51).empty());
    b.page->StopLiveTimer();
}

// --- timer and texts ---------------------------------------------------------------------------

TEST(EnrichmentTimer, RunsFromCreationFollowsThePageAndPausesAroundBoxes) {
    PageBench b;
    auto* timer = b.page->findChild<QTimer*>(QStringLiteral("Timer1"));
    ASSERT_NE(timer, nullptr);
    EXPECT_EQ(timer->interval(), 80);
    EXPECT_TRUE(b.page->LiveTimerActive()) << "from creation";
    b.page->PageLeft();
    EXPECT_FALSE(b.page->LiveTimerActive());
    b.page->PageEntered();
    EXPECT_TRUE(b.page->LiveTimerActive());

    // Around boxes: nested pairs restore what ran before the first.
    b.page->StopLiveTimer();
    b.page->StopLiveTimer();
    EXPECT_FALSE(b.page->LiveTimerActive());
    b.page->StartLiveTimer();
    EXPECT_FALSE(b.page->LiveTimerActive()) << "an outer box is still open";
    b.page->StartLiveTimer();
    EXPECT_TRUE(b.page->LiveTimerActive());

    // Stopped before the box: stays stopped after it.
    b.page->PageLeft();
    b.page->StopLiveTimer();
    b.page->StartLiveTimer();
    EXPECT_FALSE(b.page->LiveTimerActive());

    // The page left while a box was open: the box's end does not restart it.
    b.page->PageEntered();
    b.page->StopLiveTimer();
    b.page->PageLeft();
    b.page->StartLiveTimer();
    EXPECT_FALSE(b.page->LiveTimerActive());
}

TEST(EnrichmentTexts, ComeFromTheDictionaryInEveryLanguage) {
    PageBench b;
    for (int language = 0; language < b.dictionary.LanguageCount(); ++language) {
        SCOPED_TRACE(b.dictionary.LanguageKey(language).toStdString());
        b.dictionary.SelectLanguage(language);
        ASSERT_TRUE(b.page->Localize());
        const struct {
            const char* control;
            const char* identifier;
            int length;
        } captions[] = {{"LabGiriMot", "LabGiriMot", 15},
                        {"LabelCumulo", "LabelCumulo", 15},
                        {"LabelLambda", "LabelLambda", 15},
                        {"LabPressRid", "LabPressRid", 25},
                        {"LabelMinCum", "LabelMinCum", 30}};
        for (const auto& c : captions)
            EXPECT_EQ(b.Label(c.control), b.DictText(c.identifier, c.length)) << c.control;
        EXPECT_EQ(b.page->findChild<QGroupBox*>(QStringLiteral("GroupRid"))->title(),
                  b.DictText("GroupRid", 15));
        EXPECT_EQ(b.page->CellText(0, 0), b.DictText("LabelOrigine", 12));
        EXPECT_TRUE(b.Label("LabGiri").endsWith(QStringLiteral(" ") + b.DictText("LabelRpm", 30)));
        EXPECT_TRUE(b.Label("LabelP").endsWith(QStringLiteral(" ") + b.DictText("LabelBar", 5)));
        TFormSet& dialog = b.page->ValueDialog();
        EXPECT_EQ(dialog.windowTitle(), b.DictText("FinestraModificaMappa", 20));
        EXPECT_EQ(dialog.Button1->text(), b.DictText("ButtonScarica", 40));
        EXPECT_EQ(dialog.RadioButtonLinear->text(), b.DictText("LabelLineare", 10));
        EXPECT_EQ(dialog.RadioButtonProp->text(), b.DictText("LabelProporz", 15));
    }
}

TEST(EnrichmentTexts, WithoutADictionaryTheBuiltInTextsStay) {
    PageBench b;
    TModuloLingua unusable(test::DistDir());  // no language chosen: every lookup fails
    EnrichmentPage page(b.Ctx(), unusable);
    page.StopLiveTimer();
    EXPECT_FALSE(page.Localize());
    EXPECT_EQ(page.findChild<QGroupBox*>(QStringLiteral("GroupRid"))->title(), QStringLiteral("Riduttore"));
    EXPECT_EQ(page.findChild<QLabel*>(QStringLiteral("LabGiriMot"))->text(), QStringLiteral("Giri Motore"));
    EXPECT_EQ(page.findChild<QLabel*>(QStringLiteral("LabelMinCum"))->text(),
              QStringLiteral("Minimo cumulo per arricchire"));
    EXPECT_EQ(page.ValueDialog().windowTitle(), QStringLiteral("Setta"));
    EXPECT_EQ(page.ValueDialog().Button1->text(), QStringLiteral("&Modifica"));
}

TEST(EnrichmentMinimumAccumulation, TheEditShowsTheModelAndReportsChanges) {
    PageBench b;
    b.Ctx().car.SetValue(12, 37);
    int changes = 0;
    QObject::connect(b.page.get(), &EnrichmentPage::valuesChanged, [&] { ++changes; });
    b.page->FillFromModel();
    auto* edit = b.page->findChild<QLineEdit*>(QStringLiteral("EditMinCumulo"));
    ASSERT_NE(edit, nullptr);
    EXPECT_EQ(edit->text(), QStringLiteral("37"));
    EXPECT_EQ(changes, 1);
    QTest::keyClicks(edit, QStringLiteral("5"));
    EXPECT_EQ(changes, 2);
}

}  // namespace
}  // namespace zov
