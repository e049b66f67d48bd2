// The map chart window against the simulator: what it shows, its commands and its close.
#include <gtest/gtest.h>

#include <QAction>
#include <QCategoryAxis>
#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineSeries>
#include <QMenu>
#include <QPushButton>
#include <QValueAxis>
#include <cmath>

#include "ChartSupport.h"
#include "DictionaryMessages.h"
#include "QtText.h"

namespace zov::test {
namespace {

void Key(QWidget& w, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QKeyEvent press(QEvent::KeyPress, key, modifiers);
    QApplication::sendEvent(&w, &press);
    QKeyEvent release(QEvent::KeyRelease, key, modifiers);
    QApplication::sendEvent(&w, &release);
}

std::vector<int32_t> FlatCells(int32_t value) { return std::vector<int32_t>(320, value); }

// The map as the model holds it, row by row.
std::vector<int32_t> ModelCells(const ConfMap& map) {
    std::vector<int32_t> cells;
    for (int r = 0; r < 16; ++r)
        for (int c = 0; c < 20; ++c) cells.push_back(map.GetCell(r, c));
    return cells;
}

bool Marked(const QLineSeries* series, int col) { return !series->pointConfiguration(col).isEmpty(); }

// The three cells most tests move: +30 %, -25 % (not beyond a quarter) and -50 %.
const std::vector<CellValue> kFit = {{0, 0, 260}, {3, 4, 150}, {5, 6, 100}};

TEST(TFormGrafico, ShowsEveryRowAsACurveAgainstTheLogarithmOfTheSpeed) {
    ChartBench b(200);
    b.Fitted(kFit);
    auto form = b.Open();
    for (int i = 0; i < 16; ++i) {
        ASSERT_EQ(form->Series[size_t(i)]->count(), 20) << i;
        EXPECT_EQ(form->Series[size_t(i)]->objectName(), QStringLiteral("Series%1").arg(i + 1));
        EXPECT_TRUE(form->Series[size_t(i)]->isVisible());
        EXPECT_TRUE(form->Series[size_t(i)]->pointsVisible());
    }
    EXPECT_DOUBLE_EQ(form->Series[0]->at(0).x(), std::log10(450.0));
    // The ECU keeps periods: 6500 rpm travels as 1153 and comes back as 6504.
    EXPECT_DOUBLE_EQ(form->Series[0]->at(19).x(), std::log10(6504.0));
    EXPECT_EQ(form->Series[0]->at(0).y(), 260);
    EXPECT_EQ(form->Series[3]->at(4).y(), 150);
    EXPECT_EQ(form->Series[5]->at(6).y(), 100);
    EXPECT_EQ(form->Series[15]->at(19).y(), 200);
    // Row, then the pressure of the row in volts.
    EXPECT_EQ(form->Series[0]->name(), b.Dict("LabelRigaGrafico", 6) + QStringLiteral(" 1 - ") +
                                           b.Dict("LabelMap", 6).toLower() + QStringLiteral(" 0.18"));
    EXPECT_EQ(form->Series[15]->name(), QStringLiteral("Riga 16 - map 1.86"));
    EXPECT_EQ(form->RpmAxisLabels(), (std::vector<int32_t>{1000, 2000, 3000, 4000, 5000, 6000}));
    EXPECT_TRUE(form->MenuScalaLog->isChecked());
    EXPECT_FALSE(form->Zoomed());
}

TEST(TFormGrafico, TheTagChoosesTheCurvesShownWhenTheChartIsFilled) {
    ChartBench b(200);
    b.Fitted(kFit);
    auto form = b.Open(0x8005);
    for (int i = 0; i < 16; ++i) {
        const bool shown = i == 0 || i == 2 || i == 15;
        EXPECT_EQ(form->Series[size_t(i)]->isVisible(), shown) << i;
        EXPECT_EQ(form->BeforeSeries[size_t(i)]->isVisible(), shown) << i;
    }
}

TEST(TFormGrafico, TakesItsTextsFromTheDictionaryInEveryLanguage) {
    ChartBench b(200);
    b.Fitted(kFit);
    for (int language = 0; language < b.dictionary->LanguageCount(); ++language) {
        b.dictionary->SelectLanguage(language);
        TFormGrafico form(*b.context, *b.dictionary);
        EXPECT_TRUE(form.Localized()) << b.dictionary->LanguageKey(language).toStdString();
        EXPECT_EQ(form.windowTitle(), b.Dict("FinestraGraficoMappa", 70));
        EXPECT_EQ(form.MenuScaricaMappa->text(), b.Dict("MenuScaricaMappa", 30));
        EXPECT_EQ(form.Chart1->title(), b.Dict("LabelGraficoMappa", 70));
        EXPECT_EQ(form.AxisGiri->titleText(), b.Dict("LabelAsseGiri", 70));
        EXPECT_EQ(form.AxisValore->titleText(), b.Dict("LabelAsseAttuatore", 70));
        EXPECT_EQ(form.CheckMappaPrima->text(), b.Dict("CheckMappaPrima", 40));
        // A wrapped line never starts with "%": the sign is bound to its number.
        EXPECT_FALSE(form.LabelCelleSegnate->text().contains(QStringLiteral(" %")));
        EXPECT_TRUE(form.LabelCelleSegnate->text().contains(QString::fromUtf8("\u00A0%")));
        EXPECT_EQ(form.ButtonScaricaMappa->text(),
                  b.Dict("MenuScaricaMappa", 30).remove(QLatin1Char('&')) + QStringLiteral(" (F12)"));
        // The key's name as the language says it ("Rücktaste").
        EXPECT_EQ(form.ButtonAnnullaInterpola->text(),
                  b.Dict("MenuAnnullaInterpola", 30).remove(QLatin1Char('&')) + QStringLiteral(" (") +
                      QKeySequence(Qt::Key_Backspace).toString(QKeySequence::NativeText) +
                      QStringLiteral(")"));
    }
    EXPECT_TRUE(b.prompter.shown.empty());
}

TEST(TFormGrafico, WithoutTheDictionaryKeepsItsOwnTextsAndSaysSoOncePerRun) {
    QTemporaryDir empty;
    ChartBench b(200, false, empty.path());
    b.Fitted(kFit);
    {
        TFormGrafico first(*b.context, *b.dictionary);
        EXPECT_FALSE(first.Localized());
        EXPECT_EQ(first.windowTitle(), QStringLiteral("Grafico mappa"));
        EXPECT_EQ(first.MenuAnnullaInterpola->text(), QStringLiteral("Annulla &interpolazione"));
    }
    TFormGrafico second(*b.context, *b.dictionary);
    ASSERT_EQ(b.prompter.shown.size(), 1u);
    EXPECT_EQ(b.prompter.shown[0].text, "Impossibile connettersi al dizionario (codice 19)");
    EXPECT_EQ(b.prompter.shown[0].icon, PromptIcon::Error);
}

TEST(TFormGrafico, ThePopUpMenuHoldsTheCommandsWithTheirKeys) {
    ChartBench b(200);
    b.Fitted(kFit);
    auto form = b.Open();
    const std::pair<QAction*, QKeySequence> keys[] = {
        {form->MenuInsert, QKeySequence(Qt::Key_Insert)},
        {form->MenuDelete, QKeySequence(Qt::Key_Delete)},
        {form->MenuStampa, QKeySequence(Qt::CTRL | Qt::Key_P)},
        {form->MenuAnnullaZoom, QKeySequence(Qt::CTRL | Qt::Key_Z)},
        {form->MenuAnnullaInterpola, QKeySequence(Qt::Key_Backspace)},
        {form->MenuScaricaMappa, QKeySequence(Qt::Key_F12)},
    };
    for (const auto& [action, key] : keys) {
        EXPECT_EQ(action->shortcut(), key) << action->objectName().toStdString();
        EXPECT_TRUE(form->PopupMenu1->actions().contains(action));
    }
    // Nothing on the chart can be printed: the command is not offered.
    EXPECT_FALSE(form->MenuStampa->isEnabled());
    EXPECT_FALSE(form->MenuStampa->isVisible());
    EXPECT_TRUE(form->N3->isSeparator());
    for (QAction* a : {form->N3, form->MenuAnnullaInterpola, form->MenuScaricaMappa})
        EXPECT_TRUE(a->isVisible());
    EXPECT_TRUE(form->MenuAnnullaInterpola->isEnabled());
}

TEST(TFormGrafico, TheRightButtonOpensThePopUpMenu) {
    ChartBench b(200);
    b.Fitted(kFit);
    auto form = b.Open();
    QWidget* shown = nullptr;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (QWidget* popup = QApplication::activePopupWidget()) {
            shown = popup;
            popup->close();
        }
    });
    watch.start(5);
    const QPoint at(100, 100);
    QContextMenuEvent event(QContextMenuEvent::Mouse, at, form->ChartView1->viewport()->mapToGlobal(at));
    QApplication::sendEvent(form->ChartView1->viewport(), &event);
    EXPECT_EQ(shown, form->PopupMenu1);
    EXPECT_FALSE(form->Zoomed());
}

// --- the map before the fit ----------------------------------------------------------------------

TEST(TFormGrafico, TheMapBeforeTheFitIsDrawnDashedAndCanBeSwitchedOff) {
    ChartBench b(200);
    b.Fitted(kFit);
    auto form = b.Open();
    ASSERT_TRUE(form->CheckMappaPrima->isChecked());
    ASSERT_TRUE(form->CheckMappaPrima->isEnabled());
    for (int i = 0; i < 16; ++i) {
        ASSERT_EQ(form->BeforeSeries[size_t(i)]->count(), 20);
        EXPECT_TRUE(form->BeforeSeries[size_t(i)]->isVisible());
        EXPECT_EQ(form->BeforeSeries[size_t(i)]->pen().style(), Qt::DashLine);
    }
    EXPECT_EQ(form->BeforeSeries[0]->at(0).y(), 200);
    EXPECT_EQ(form->BeforeSeries[5]->at(6).y(), 200);
    EXPECT_EQ(form->BeforeSeries[5]->at(6).x(), form->Series[5]->at(6).x());

    form->CheckMappaPrima->click();
    for (int i = 0; i < 16; ++i) EXPECT_FALSE(form->BeforeSeries[size_t(i)]->isVisible());
    form->CheckMappaPrima->click();
    for (int i = 0; i < 16; ++i) EXPECT_TRUE(form->BeforeSeries[size_t(i)]->isVisible());
}

TEST(TFormGrafico, TheLineUnderTheChartSumsUpTheChangeAndMarksTheLargeOnes) {
    ChartBench b(200);
    b.Fitted(kFit);
    auto form = b.Open();
    EXPECT_EQ(form->LabelRiepilogo->text(),
              QString::fromUtf8("3 celle cambiate, la pi\u00F9 grande -50.0\u00A0% alla riga 6, colonna 7"));
    EXPECT_TRUE(Marked(form->Series[0], 0));
    EXPECT_FALSE(Marked(form->Series[3], 4));
    EXPECT_TRUE(Marked(form->Series[5], 6));
    EXPECT_FALSE(Marked(form->Series[5], 7));
    EXPECT_EQ(
        form->Series[5]->pointConfiguration(6).value(QXYSeries::PointConfiguration::Color).value<QColor>(),
        QColor(Qt::red));
}

TEST(TFormGrafico, TheSummaryNamesACellLeavingZeroByItsNewValue) {
    ChartBench b(0);
    b.Fitted({{2, 9, 45}, {1, 1, 30}});
    b.dictionary->SelectLanguage(1);
    auto form = b.Open();
    EXPECT_EQ(form->LabelRiepilogo->text(),
              QStringLiteral("2 cells changed, largest from 0 to 45 at row 3, column 10"));
}

TEST(TFormGrafico, WithoutAnUndoCopyThereIsNoEarlierMapToShow) {
    ChartBench b(200);
    b.Map().SetCell(1, 1, 300, false);
    auto form = b.Open();
    EXPECT_FALSE(form->CheckMappaPrima->isEnabled());
    EXPECT_FALSE(form->CheckMappaPrima->isChecked());
    EXPECT_FALSE(form->MenuAnnullaInterpola->isEnabled());
    EXPECT_EQ(form->BeforeSeries[1]->count(), 0);
    EXPECT_TRUE(form->LabelRiepilogo->text().isEmpty());
}

// --- hiding and showing curves -------------------------------------------------------------------

TEST(TFormGrafico, DeleteAsksForARowWhenNoneIsSelectedAndInsertShowsItAgain) {
    ChartBench b(200);
    b.Fitted(kFit);
    auto form = b.Open();
    {
        InputBoxAnswer answer("3");
        Key(*form, Qt::Key_Delete);
        ASSERT_TRUE(answer.shown);
        EXPECT_EQ(answer.caption, b.Dict("FinestraCancRiga", 20));
        EXPECT_EQ(answer.prompt, b.Dict("MessCancRiga", 30) + QStringLiteral(" (1-16)"));
    }
    EXPECT_FALSE(form->Series[2]->isVisible());
    EXPECT_FALSE(form->BeforeSeries[2]->isVisible());
    for (const char* refused : {"0", "17", "tre", ""}) {
        InputBoxAnswer answer(refused);
        Key(*form, Qt::Key_Delete);
        ASSERT_TRUE(answer.shown);
        for (int i = 0; i < 16; ++i)
            EXPECT_EQ(form->Series[size_t(i)]->isVisible(), i != 2) << refused << " " << i;
    }
    {
        InputBoxAnswer answer("3");
        Key(*form, Qt::Key_Insert);
        ASSERT_TRUE(answer.shown);
        EXPECT_EQ(answer.caption, b.Dict("FinestraInsRiga", 20));
        EXPECT_EQ(answer.prompt, b.Dict("MessInsRiga", 30) + QStringLiteral(" (1-16)"));
    }
    EXPECT_TRUE(form->Series[2]->isVisible());
    EXPECT_TRUE(form->BeforeSeries[2]->isVisible());
    // A cancelled box changes nothing.
    InputBoxAnswer cancel(nullptr);
    form->MenuDelete->trigger();
    EXPECT_TRUE(cancel.shown);
    for (int i = 0; i < 16; ++i) EXPECT_TRUE(form->Series[size_t(i)]->isVisible());
}

// --- undo, download, close -----------------------------------------------------------------------

TEST(TFormGrafico, BackspaceUndoesTheFitInTheModelOnly) {
    ChartBench b(200);
    b.Fitted(kFit);
    auto form = b.Open();
    Key(*form, Qt::Key_Backspace);
    EXPECT_EQ(ModelCells(b.Map()), FlatCells(200));
    EXPECT_EQ(form->Series[0]->at(0).y(), 200);
    EXPECT_EQ(form->Series[5]->at(6).y(), 200);
    EXPECT_FALSE(form->MenuAnnullaInterpola->isEnabled());
    EXPECT_TRUE(b.WrittenVars().empty());
    EXPECT_EQ(form->LabelRiepilogo->text(), b.Dict("MessNessunaCellaCambiata", 50));
    EXPECT_FALSE(Marked(form->Series[0], 0));
    // Decided: closing asks nothing.
    form->close();
    EXPECT_TRUE(b.prompter.shown.empty());
    EXPECT_FALSE(form->isVisible());
}

// The download, by key or button, first says how many cells it changes in the ECU.
TEST(TFormGrafico, TheDownloadButtonAsksWithTheCellsThatChangeAndNoSendsNothing) {
    ChartBench b(200);
    b.Fitted(kFit);
    auto form = b.Open();
    EXPECT_TRUE(form->ButtonScaricaMappa->isVisible());
    EXPECT_TRUE(form->ButtonAnnullaInterpola->isEnabled());
    b.prompter.answers = {PromptAnswer::No};
    form->ButtonScaricaMappa->click();
    ASSERT_EQ(b.prompter.shown.size(), 1u);
    EXPECT_EQ(b.prompter.shown[0].text, ToCp1252(b.Dict("MessCelleCambiano", 80).arg(3)));
    EXPECT_EQ(b.prompter.shown[0].buttons, PromptButtons::YesNo);
    EXPECT_EQ(b.ecu.Values(50), FlatCells(200));
    EXPECT_TRUE(b.WrittenVars().empty());

    b.prompter.answers = {PromptAnswer::Yes};
    form->ButtonScaricaMappa->click();
    EXPECT_EQ(b.ecu.Values(50), ModelCells(b.Map()));
    EXPECT_FALSE(form->ButtonAnnullaInterpola->isEnabled());
}

// Cells the cap on change held are drawn apart and counted under the chart; a locked cell is
// drawn apart too and does not follow a drag.
TEST(TFormGrafico, CappedAndLockedCellsAreMarked) {
    ChartBench b(200);
    b.Fitted({{2, 2, 250}, {5, 6, 100}});
    b.Map().cellLocks.Set(9, 9, true);
    MapFlags capped{};
    capped[2][2] = true;
    auto form = std::make_unique<TFormGrafico>(*b.context, *b.dictionary);
    form->SetCapped(capped);
    form->show();
    QApplication::processEvents();
    const auto colour = [&](int row, int col) {
        return form->Series[size_t(row)]->pointConfiguration(col).value(QXYSeries::PointConfiguration::Color);
    };
    EXPECT_EQ(colour(2, 2).value<QColor>(), QColor(0xFF, 0x8C, 0x00));
    EXPECT_EQ(colour(5, 6).value<QColor>(), QColor(0xFF, 0x00, 0x00));
    EXPECT_EQ(colour(9, 9).value<QColor>(), QColor(0x80, 0x80, 0x80));
    const QString summary = form->LabelRiepilogo->text();
    EXPECT_TRUE(summary.contains(b.Dict("MessCelleLimitateGrafico", 80).arg(1))) << summary.toStdString();
    EXPECT_TRUE(summary.endsWith(b.Dict("MessCelleBloccateGrafico", 80).arg(1))) << summary.toStdString();
}

TEST(TFormGrafico, F12DownloadsTheMapAndResetsTheSelfAdaptation) {
    ChartBench b(200);
    b.Fitted(kFit);
    auto form = b.Open();
    b.prompter.answers = {PromptAnswer::Yes};
    Key(*form, Qt::Key_F12);
    std::vector<int32_t> expected = FlatCells(200);
    expected[0] = 260;
    expected[3 * 20 + 4] = 150;
    expected[5 * 20 + 6] = 100;
    EXPECT_EQ(b.ecu.Values(50), expected);
    EXPECT_EQ(b.ecu.Values(114), std::vector<int32_t>(4, 0));
    EXPECT_EQ(b.ecu.Values(115), std::vector<int32_t>(4, 0));
    EXPECT_FALSE(form->MenuAnnullaInterpola->isEnabled());
    // The map before the fit is still there to compare with.
    EXPECT_TRUE(form->BeforeSeries[5]->isVisible());
    EXPECT_TRUE(Marked(form->Series[5], 6));
    form->close();
    EXPECT_EQ(b.prompter.shown.size(), 1u) << "the download's question only";
}

TEST(TFormGrafico, ClosingAtOnceAsksWhetherToDownloadAndNoRestoresTheMap) {
    struct Case {
        PromptAnswer answer;
        int32_t ecuCell00;
        int32_t modelCell00;
    };
    for (const Case& c : {Case{PromptAnswer::No, 200, 200}, Case{PromptAnswer::Yes, 260, 260}}) {
        ChartBench b(200);
        b.Fitted(kFit);
        auto form = b.Open();
        b.prompter.answers = {c.answer};
        form->close();
        ASSERT_EQ(b.prompter.shown.size(), 1u);
        EXPECT_EQ(b.prompter.shown[0].text, b.DictCp("MessScaricaMappa", 70));
        EXPECT_EQ(b.prompter.shown[0].caption, ToCp1252(form->windowTitle()));
        EXPECT_EQ(b.prompter.shown[0].icon, PromptIcon::Warning);
        EXPECT_EQ(b.prompter.shown[0].buttons, PromptButtons::YesNo);
        EXPECT_FALSE(form->isVisible());
        EXPECT_EQ(b.ecu.Value(50, 0), c.ecuCell00);
        EXPECT_EQ(b.Map().GetCell(0, 0), c.modelCell00);
        EXPECT_EQ(b.ecu.Value(115, 0), c.answer == PromptAnswer::Yes ? 0 : 4);
    }
}

TEST(TFormGrafico, EscapeFirstDropsTheSelectionThenCloses) {
    ChartBench b(200);
    b.LoadRows(100, 30);
    b.Fitted({{0, 0, 300}});
    auto form = b.Open();
    // A click on a point selects its curve.
    const QPoint at = form->PointPosition(7, 10);
    QMouseEvent press(QEvent::MouseButtonPress, at, form->ChartView1->viewport()->mapToGlobal(at),
                      Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(form->ChartView1->viewport(), &press);
    QMouseEvent release(QEvent::MouseButtonRelease, at, form->ChartView1->viewport()->mapToGlobal(at),
                        Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(form->ChartView1->viewport(), &release);
    ASSERT_TRUE(form->SeriesSelected(7));
    EXPECT_TRUE(form->Series[7]->pointLabelsVisible());
    EXPECT_EQ(form->Series[7]->pen().width(), 2);

    b.prompter.answers = {PromptAnswer::No};
    Key(*form, Qt::Key_Escape);
    EXPECT_FALSE(form->SeriesSelected(7));
    EXPECT_FALSE(form->Series[7]->pointLabelsVisible());
    EXPECT_EQ(form->Series[7]->pen().width(), 1);
    EXPECT_TRUE(form->isVisible());
    EXPECT_TRUE(b.prompter.shown.empty());

    Key(*form, Qt::Key_Escape);
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(b.prompter.shown.size(), 1u);
    EXPECT_EQ(b.Map().GetCell(0, 0), 100);
}

TEST(TFormGrafico, ADownloadThatFailsSaysSoAndKeepsTheWindowAndTheUndo) {
    ChartBench b(200);
    b.Fitted(kFit);
    auto form = b.Open();
    b.ecu.MutableFaults().deadLine = true;
    b.prompter.answers = {PromptAnswer::Yes};
    b.prompter.fallback = PromptAnswer::No;
    form->close();
    EXPECT_TRUE(form->isVisible());
    ASSERT_FALSE(b.prompter.shown.empty());
    // The line died while row 0 was out: the ECU may hold either map there, and says which.
    EXPECT_EQ(b.prompter.shown.back().text,
              b.DictCp("MessMappaNonScaricata", 70) + "\n" + b.DictCp("MessMappaMista", 70) + " - (0?)");
    EXPECT_EQ(b.prompter.shown.back().icon, PromptIcon::Error);
    EXPECT_TRUE(form->MenuAnnullaInterpola->isEnabled());
    EXPECT_EQ(b.Map().GetCell(0, 0), 260);

    // Asked again, No goes back to the map before the fit. The ECU may hold part of the map
    // that did not arrive whole, and the map before the fit cannot reach it either: said too.
    b.prompter.shown.clear();
    b.prompter.answers = {PromptAnswer::No};
    form->close();
    EXPECT_FALSE(form->isVisible());
    ASSERT_EQ(b.prompter.shown.size(), 2u);
    EXPECT_EQ(b.prompter.shown[1].text, b.DictCp("MessMappaNonRipristinata", 70));
    EXPECT_EQ(ModelCells(b.Map()), FlatCells(200));
}

}  // namespace
}  // namespace zov::test
