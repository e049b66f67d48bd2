// The map editor's window on the program's objects and the simulated car: the keys, the editing
// of cells, and every way out of an automatic mapping ending with the ECU out of mapping mode.

#include <gtest/gtest.h>

#include <QAction>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "EditorSupport.h"
#include "MapGrid.h"
#include "ScreenFit.h"
#include "TFormMappa.h"
#include "TFormOpzioniMappatura.h"
#include "TFormSet.h"
#include "TestFiles.h"

namespace zov::test {
namespace {

constexpr int kRegister = 39;
constexpr int64_t kTickUs = 100'000;
constexpr int64_t kSecondRoundUs = 116'000'000;  // warm, at idle, in the drive cycle
// The smoothed pressure reaches the window in 19 ticks, then holds there for 21.
constexpr int kStartTicks = 39;

sim::EcuConfig DriveCycle(std::vector<sim::EngineFault> faults = {}) {
    sim::EcuConfig config;
    config.engine.mode = sim::DriveMode::DriveCycle;
    config.engine.faults = std::move(faults);
    return config;
}

struct MapBench : EditorBench {
    explicit MapBench(std::vector<sim::EngineFault> faults = {})
        : EditorBench(DriveCycle(std::move(faults))) {}

    // F6 after the programming: the register's mapping bit, then the window in mapping mode, its
    // timer left to the test.
    std::unique_ptr<TFormMappa> OpenMapping() {
        Car().DEFAULT_REGISTRO_CONFIGURAZIONE |= 0x04;
        EXPECT_EQ(context->link.WriteVar(kRegister, Car().DEFAULT_REGISTRO_CONFIGURAZIONE),
                  WriteOutcome::Answered);
        auto editor = std::make_unique<TFormMappa>(*context, Dictionary(), true);
        editor->Timer1->stop();
        editor->show();
        return editor;
    }
    std::unique_ptr<TFormMappa> OpenStarted() {
        clock.AdvanceTo(kSecondRoundUs);
        auto editor = OpenMapping();
        Ticks(*editor, kStartTicks);
        EXPECT_EQ(Car().MAPPATURA_ATTIVA, 1);
        prompter.shown.clear();
        return editor;
    }
    void Ticks(TFormMappa& editor, int n) {
        for (int i = 0; i < n && !editor.isHidden(); ++i) {
            clock.Advance(kTickUs);
            editor.Timer1Timer();
        }
    }
    bool MappingBit() const { return (ecu.Value(kRegister) & 0x04) != 0; }
    std::string Pair(const char* a, const char* b) { return DictCp(a, 70) + "\n" + DictCp(b, 70); }
};

TEST(MapEditorMapping, TheStartShowsTheStateAndEnablesTheCheck) {
    MapBench b;
    b.clock.AdvanceTo(kSecondRoundUs);
    auto editor = b.OpenMapping();
    EXPECT_EQ(editor->windowTitle(), b.Dict("FinestraMappatura", 70));
    EXPECT_TRUE(editor->ButtonEsci->isHidden());
    EXPECT_FALSE(editor->ButtonEsci2->isHidden());
    EXPECT_FALSE(editor->GroupAutoMap->isHidden());
    EXPECT_TRUE(editor->GroupValori->isHidden());
    EXPECT_FALSE(editor->ButtonControllaMappa->isEnabled());
    EXPECT_EQ(editor->LabelStatoMappatura->text(), b.Dict("MessMappaturaOff", 30));
    b.Ticks(*editor, kStartTicks - 1);
    EXPECT_EQ(b.Car().MAPPATURA_ATTIVA, 0);
    b.Ticks(*editor, 1);
    EXPECT_EQ(b.Car().MAPPATURA_ATTIVA, 1);
    EXPECT_TRUE(editor->ButtonControllaMappa->isEnabled());
    EXPECT_EQ(editor->LabelStatoMappatura->text(), b.Dict("MessMappaturaOn", 30));
    EXPECT_TRUE(b.MappingBit());
    EXPECT_TRUE(b.prompter.shown.empty());
    // The reducer is warm: its temperature is shown, not "n.d.".
    EXPECT_TRUE(editor->LabelT->text().endsWith(b.Dict("LabelC", 3))) << editor->LabelT->text().toStdString();
    // Space takes the point where the engine runs, whatever the zones.
    const size_t before = b.context->map.mappingPoints.size();
    QTest::keyClick(&editor->Grid(), Qt::Key_Space);
    EXPECT_EQ(b.context->map.mappingPoints.size(), before + 1);
    editor->close();
}

// While waiting the state says what holds the start back and the time left; during the mapping
// the current zone's accepted samples and refusals, the largest first. A fuel cut from 126 s on
// (zone 0 of the tour) is refused and counted. The window's picture goes to ZOV_SCREENSHOT_DIR
// when it is set.
TEST(MapEditorMapping, TheWindowSaysWhyItWaitsAndWhySamplesAreRefused) {
    MapBench b({{sim::EngineFaultKind::FuelCut, 126.0, 150.0}});
    b.clock.AdvanceTo(kSecondRoundUs);
    auto editor = b.OpenMapping();
    // The ECU not in mapping mode yet: it does not say it is ready.
    ASSERT_EQ(b.context->link.WriteVar(kRegister, b.Car().DEFAULT_REGISTRO_CONFIGURAZIONE & ~0x04),
              WriteOutcome::Answered);
    b.Ticks(*editor, 1);
    const QString waiting = editor->LabelStatoMappatura->text();
    EXPECT_TRUE(waiting.startsWith(b.Dict("MessMappaturaOff", 30))) << waiting.toStdString();
    EXPECT_TRUE(waiting.contains(b.Dict("MessAttesaCentralina", 40))) << waiting.toStdString();
    EXPECT_TRUE(waiting.contains(b.Dict("MessTempoRimasto", 20) + QStringLiteral(" 19 s")))
        << waiting.toStdString();

    ASSERT_EQ(b.context->link.WriteVar(kRegister, b.Car().DEFAULT_REGISTRO_CONFIGURAZIONE | 0x04),
              WriteOutcome::Answered);
    b.Ticks(*editor, kStartTicks);
    ASSERT_EQ(b.Car().MAPPATURA_ATTIVA, 1);
    b.clock.AdvanceTo(128'000'000);  // two seconds into zone 0 and its fuel cut
    b.Ticks(*editor, 20);
    const QString refusals = editor->LabelRifiuti->text();
    EXPECT_TRUE(refusals.startsWith(b.Dict("LabelCampioni", 20) + QStringLiteral(": ")))
        << refusals.toStdString();
    EXPECT_TRUE(refusals.contains(b.Dict("MessRifiutoCutoff", 30) + QStringLiteral(": 20")))
        << refusals.toStdString();
    EXPECT_TRUE(editor->LabelContPalleggio->text().endsWith(QStringLiteral("/10")));
    EXPECT_FALSE(editor->ButtonOpzioni->isHidden());
    if (const char* dir = std::getenv("ZOV_SCREENSHOT_DIR")) {
        EXPECT_TRUE(
            editor->grab().save(QString::fromLocal8Bit(dir) + QStringLiteral("/map-window-mapping.png")));
    }
    editor->close();
}

// The options dialog holds one field per threshold within its limits; what it keeps is read back,
// and a damaged or missing file gives the defaults (bad pairs only lose themselves).
TEST(MapEditorMapping, TheOptionsAreEditedKeptAndReadBack) {
    MapBench b;
    MappingOptions options;
    options.minSamples = 6;
    TFormOpzioniMappatura dialog(options, b.Dictionary());
    EXPECT_EQ(dialog.windowTitle(), b.Dict("FinestraOpzioniMappatura", 40));
    EXPECT_EQ(dialog.Field(0)->value(), 6);
    EXPECT_EQ(dialog.Field(0)->maximum(), 200);
    dialog.Field(9)->setValue(10);  // max-change
    const MappingOptions edited = dialog.Options();
    EXPECT_EQ(edited.minSamples, 6);
    EXPECT_EQ(edited.maxChangePct, 10);

    zov::testing::ScratchDir dir;
    std::filesystem::create_directories(dir.File("Config"));
    EXPECT_EQ(TFormOpzioniMappatura::Load(dir.Path().string()), MappingOptions{}) << "no file: the defaults";
    ASSERT_EQ(TFormOpzioniMappatura::Save(dir.Path().string(), edited), "");
    EXPECT_EQ(TFormOpzioniMappatura::Load(dir.Path().string()), edited);
    std::ofstream(TFormOpzioniMappatura::PathIn(dir.Path().string()))
        << "min-samples=0;max-change=30;nonsense;edge-percent=x;lambda-still-ms=5000\n";
    const MappingOptions damaged = TFormOpzioniMappatura::Load(dir.Path().string());
    EXPECT_EQ(damaged.minSamples, MappingOptions{}.minSamples) << "0 is below its limit";
    EXPECT_EQ(damaged.maxChangePct, 30);
    EXPECT_EQ(damaged.edgePercent, MappingOptions{}.edgePercent);
    EXPECT_EQ(damaged.lambdaStillMs, 5000);
}

// Each way out ends with the ECU out of mapping mode and the window closed.
TEST(MapEditorMapping, EveryWayOutLeavesMappingMode) {
    struct Case {
        const char* name;
        bool started;
        std::function<void(MapBench&, TFormMappa&)> act;
        const char* first;  // the message of the last box, none when null
        const char* second;
    };
    const Case cases[] = {
        {"exit while waiting", false, [](MapBench&, TFormMappa& e) { e.ButtonEsci2->click(); }, nullptr,
         nullptr},
        {"close box while waiting", false, [](MapBench&, TFormMappa& e) { e.close(); }, nullptr, nullptr},
        {"escape while waiting", false, [](MapBench&, TFormMappa& e) { QTest::keyClick(&e, Qt::Key_Escape); },
         nullptr, nullptr},
        {"exit answered No", true,
         [](MapBench& b, TFormMappa& e) {
             b.prompter.answers = {PromptAnswer::No};
             e.ButtonEsci2->click();
         },
         "MessDatiIncompleti", "MessCreaMappa"},
        {"close box answered Yes, the fit fails", true,
         [](MapBench& b, TFormMappa& e) {
             b.prompter.answers = {PromptAnswer::Yes};
             e.close();
         },
         "MessNoOttimizza", "MessRiprovaOttimizza"},
        {"window destroyed without an exit", true, [](MapBench&, TFormMappa&) {}, nullptr, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MapBench b;
        auto editor = c.started ? b.OpenStarted() : b.OpenMapping();
        ASSERT_TRUE(b.MappingBit());
        c.act(b, *editor);
        if (std::string(c.name) == "window destroyed without an exit") editor.reset();
        EXPECT_FALSE(b.MappingBit());
        EXPECT_EQ(b.Car().MAPPATURA_ATTIVA, 0);
        EXPECT_FALSE(b.context->model.LeaveMappingPending());
        EXPECT_TRUE(b.context->map.mappingPoints.empty());
        if (editor) {
            EXPECT_TRUE(editor->isHidden());
        }
        if (c.first)
            EXPECT_EQ(b.LastMessage(), b.Pair(c.first, c.second));
        else
            EXPECT_TRUE(b.prompter.shown.empty()) << b.LastMessage();
    }
}

TEST(MapEditorMapping, CancelStaysAndMappingGoesOn) {
    MapBench b;
    auto editor = b.OpenStarted();
    b.prompter.answers = {PromptAnswer::Cancel};
    editor->ButtonEsci2->click();
    ASSERT_EQ(b.prompter.shown.size(), 1u);
    EXPECT_EQ(b.prompter.shown[0].buttons, PromptButtons::YesNoCancel);
    EXPECT_FALSE(editor->isHidden());
    EXPECT_TRUE(b.MappingBit());
    EXPECT_TRUE(editor->TimerActive());
    b.prompter.answers = {PromptAnswer::No};
    editor->close();
    EXPECT_FALSE(b.MappingBit());
}

TEST(MapEditorMapping, CheckMapFitsThePointsAndKeepsThemOrSaysWhyNot) {
    MapBench b;
    auto editor = b.OpenStarted();
    ConfMap& map = b.context->map;
    map.ClearMappingPoints();
    const int32_t before = map.GetCell(8, 8);

    editor->ButtonControllaMappa->click();  // no points: no surface
    EXPECT_EQ(b.LastMessage(), b.Pair("MessNoOttimizza", "MessContinuaOttimizza"));
    EXPECT_EQ(map.GetCell(8, 8), before);
    EXPECT_TRUE(editor->TimerActive());

    b.prompter.shown.clear();
    map.AddMappingPoint(800, 41, 200, 0);
    map.AddMappingPoint(2750, 90, 400, 0);
    map.AddMappingPoint(4850, 159, 600, 0);
    // The fitted map goes to the chart; closing it asks, and Yes sends the map.
    QString chart;
    ModalWatcher watcher([&](QWidget& w) {
        chart = w.objectName();
        w.close();
    });
    // The points ask for far more than the cap allows: the installer lifts it for this download,
    // then closing the chart asks, and Yes sends the map.
    b.prompter.answers = {PromptAnswer::Yes, PromptAnswer::Yes};
    editor->ButtonControllaMappa->click();
    EXPECT_EQ(chart, QStringLiteral("FormGrafico"));
    ASSERT_EQ(b.prompter.shown.size(), 2u) << b.LastMessage();
    EXPECT_EQ(b.prompter.shown[0].text.rfind(b.DictCp("MessCelleLimitate", 70), 0), 0u)
        << b.prompter.shown[0].text;
    EXPECT_EQ(b.LastMessage(), b.DictCp("MessScaricaMappa", 70));
    EXPECT_EQ(map.GetCell(2, 3), 200);  // the surface passes through the points' cells
    EXPECT_EQ(b.ecu.Value(50, 2 * 20 + 3), 200);
    EXPECT_EQ(map.backupValid, 0);  // downloaded: there is no going back to the map before the fit
    EXPECT_EQ(map.mappingPoints.size(), 3u) << "the points stay for more acquisition";
    EXPECT_TRUE(editor->TimerActive());
    EXPECT_TRUE(b.MappingBit()) << "checking is no way out";
    b.prompter.answers = {PromptAnswer::No};
    editor->close();
    EXPECT_FALSE(b.MappingBit());
}

TEST(MapEditorMapping, TheTimeOutSaysSoAndLeavesMappingMode) {
    MapBench b;
    auto editor = b.OpenMapping();  // a cold engine: the reducer is not warm yet
    b.Ticks(*editor, 200);
    EXPECT_FALSE(editor->isHidden());
    b.Ticks(*editor, 1);
    EXPECT_TRUE(editor->isHidden());
    EXPECT_EQ(b.LastMessage(), b.Pair("MessParamOut", "MessNoMappatura"));
    EXPECT_EQ(b.prompter.shown.back().icon, PromptIcon::Error);
    EXPECT_FALSE(b.MappingBit());
}

TEST(MapEditorMapping, ALostSessionIsSaidPlainlyAndPutRightAtTheNextConnection) {
    MapBench b;
    auto editor = b.OpenStarted();
    b.ecu.MutableFaults().deadLine = true;
    b.prompter.fallback = PromptAnswer::No;  // no more reconnection attempts
    b.Ticks(*editor, 5);
    EXPECT_TRUE(editor->isHidden());
    EXPECT_FALSE(b.context->link.IsConnected());
    EXPECT_EQ(b.LastMessage(), b.Pair("MessMappaturaSospesa1", "MessMappaturaSospesa2"));
    EXPECT_TRUE(b.context->model.LeaveMappingPending());
    EXPECT_TRUE(b.MappingBit());

    b.ecu.MutableFaults().deadLine = false;
    b.form->interactive = false;
    b.form->MenuConnettiClick();
    ASSERT_TRUE(b.context->link.IsConnected());
    EXPECT_FALSE(b.MappingBit());
    EXPECT_FALSE(b.context->model.LeaveMappingPending());
    EXPECT_EQ(b.ecu.Value(22), b.Car().DEF_GIRI_PER_CUTOFF);
}

TEST(MapEditorEditing, TheQuestionComesFirstAndTheDialogWritesTheCell) {
    MapBench b;
    TFormMappa editor(*b.context, b.Dictionary());
    editor.show();
    EXPECT_EQ(editor.windowTitle(), b.Dict("FinestraMappa", 70));
    EXPECT_TRUE(editor.GroupAutoMap->isHidden());
    EXPECT_TRUE(editor.LabelRifiuti->isHidden()) << "the mapping's counters belong to mapping mode";
    editor.Grid().SetSelection(3, 2, 3, 2);  // map row 1, column 2
    const int32_t before = b.context->map.GetCell(1, 2);

    b.prompter.answers = {PromptAnswer::No};
    QTest::keyClick(&editor.Grid(), Qt::Key_Return);
    EXPECT_EQ(b.LastMessage(), b.Pair("MessModMappa1", "MessModMappa2"));
    EXPECT_TRUE(WrittenVars(b.ecu).empty());
    EXPECT_TRUE(editor.TimerActive());

    b.prompter.answers = {PromptAnswer::Yes};
    bool timerStopped = false;
    ModalWatcher watcher([&](QWidget& modal) {
        timerStopped = !editor.TimerActive();
        auto* dialog = qobject_cast<TFormSet*>(&modal);
        ASSERT_NE(dialog, nullptr);
        QTest::keyClicks(dialog->Edit1, QStringLiteral("321"));
        QTest::keyClick(dialog->Edit1, Qt::Key_Return);
    });
    QTest::keyClick(&editor.Grid(), Qt::Key_Return);
    EXPECT_TRUE(timerStopped);
    EXPECT_EQ(b.ecu.Value(50, 1 * 20 + 2), 321);
    EXPECT_EQ(editor.CellText(3, 2), QStringLiteral("321"));
    EXPECT_TRUE(editor.TimerActive());
    editor.close();

    // The edit can be undone: the cell goes back to what the ECU held before.
    ASSERT_TRUE(b.context->lastWrite.Available(b.context->model));
    ASSERT_FALSE(b.context->lastWrite.Undo(b.context->model));
    EXPECT_EQ(b.ecu.Value(50, 1 * 20 + 2), before);
    EXPECT_EQ(b.context->map.GetCell(1, 2), before);
}

TEST(MapEditorEditing, TheParameterEditorsMapPageOpensItAndLeadsBack) {
    MapBench b;
    auto editor = b.Open();
    editor->PageControl1->setCurrentWidget(editor->PageCambio);
    bool editMode = false;
    bool enrichmentTimerStopped = false;
    ModalWatcher watcher([&](QWidget& modal) {
        auto* map = qobject_cast<TFormMappa*>(&modal);
        ASSERT_NE(map, nullptr);
        editMode = !map->AutoMapping() && !map->ButtonEsci->isHidden();
        enrichmentTimerStopped = !editor->EnrichmentMap()->LiveTimerActive();
        map->ButtonEsci->click();
    });
    editor->PageControl1->setCurrentWidget(editor->PageMappa);
    EXPECT_EQ(watcher.seen, QStringLiteral("TFormMappa"));
    EXPECT_TRUE(editMode);
    EXPECT_TRUE(enrichmentTimerStopped);
    EXPECT_EQ(editor->PageControl1->currentWidget(), editor->PageCambio);
    EXPECT_TRUE(b.prompter.shown.empty());
}

TEST(MapEditorEditing, F1FreezesAndF2ResumesTheLiveDisplay) {
    MapBench b;
    TFormMappa editor(*b.context, b.Dictionary());
    editor.show();
    QTest::keyClick(&editor.Grid(), Qt::Key_F1);
    EXPECT_FALSE(editor.TimerActive());
    EXPECT_FALSE(editor.LiveEnabled());
    QTest::keyClick(&editor.Grid(), Qt::Key_F2);
    EXPECT_TRUE(editor.TimerActive());
    // Space edits nothing and takes no point in edit mode.
    QTest::keyClick(&editor.Grid(), Qt::Key_Space);
    EXPECT_TRUE(b.context->map.mappingPoints.empty());
    editor.close();
    EXPECT_TRUE(b.prompter.shown.empty());
}

// Ctrl+B and the grid's menu lock the selection, or unlock it when all of it was locked; the
// locks are the model's, so the fit and the download see them, and locked cells are drawn apart.
TEST(MapEditorEditing, CtrlBAndTheMenuLockAndUnlockTheSelection) {
    MapBench b;
    TFormMappa editor(*b.context, b.Dictionary());
    editor.show();
    const MapLocks& locks = b.context->map.cellLocks;
    EXPECT_EQ(editor.MenuBloccaCelle->text(), b.Dict("MenuBloccaCelle", 30));
    EXPECT_EQ(editor.MenuBloccaCelle->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_B));
    const QImage unlocked = editor.Grid().grab().toImage();

    editor.Grid().SetSelection(3, 2, 4, 3);  // map rows 1-2, columns 2-3
    QTest::keyClick(&editor.Grid(), Qt::Key_B, Qt::ControlModifier);
    EXPECT_EQ(locks.Count(), 4);
    EXPECT_TRUE(locks.Locked(1, 2));
    EXPECT_TRUE(locks.Locked(2, 3));
    EXPECT_NE(editor.Grid().grab().toImage(), unlocked);

    // A wider selection holding unlocked cells locks them all; all locked, it unlocks them.
    editor.Grid().SetSelection(3, 2, 5, 3);
    editor.MenuBloccaCelle->trigger();
    EXPECT_EQ(locks.Count(), 6);
    editor.MenuBloccaCelle->trigger();
    EXPECT_TRUE(locks.Empty());
    // B alone is no command.
    QTest::keyClick(&editor.Grid(), Qt::Key_B);
    EXPECT_TRUE(locks.Empty());
    editor.close();
    EXPECT_TRUE(WrittenVars(b.ecu).empty()) << "a lock is no write to the ECU";
}

// In every language, on the screen the test runs on (the mapping panel is not yet checked).
TEST(MapEditorEditing, TheWindowFitsTheScreenWithItsTextsWhole) {
    MapBench b;
    for (int language = 0; language < b.Dictionary().LanguageCount(); ++language) {
        ASSERT_TRUE(b.Dictionary().SelectLanguage(language));
        SCOPED_TRACE(b.Dictionary().LanguageKey(language).toStdString());
        TFormMappa editor(*b.context, b.Dictionary());
        editor.show();
        QApplication::processEvents();
        EXPECT_EQ(Overflow(editor), QString());
        EXPECT_EQ(CutTexts(editor), QStringList());
    }
}

TEST(MapEditorEditing, HeadersAndCellsShowTheModel) {
    MapBench b;
    TFormMappa editor(*b.context, b.Dictionary());
    ConfMap& map = b.context->map;
    map.SetRpm(3, 805);
    EXPECT_EQ(editor.CellText(4, 0), QStringLiteral("800"));  // rounded down to tens
    EXPECT_EQ(editor.CellText(0, 1), QStringLiteral("0.18"));
    EXPECT_EQ(editor.CellText(0, 0), b.Dict("LabelOrigine2", 8));
    map.SetCell(15, 19, 700, false);
    EXPECT_EQ(editor.CellText(20, 16), QStringLiteral("700"));
    EXPECT_EQ(TFormMappa::FormatHundredths(150), QStringLiteral("1.5"));
    EXPECT_EQ(TFormMappa::FormatHundredths(100), QStringLiteral("1"));
    EXPECT_EQ(TFormMappa::FormatHundredths(29), QStringLiteral("0.29"));
}

}  // namespace
}  // namespace zov::test
