// The live data window on the simulated ECU: what it shows of the live record, what it redraws,
// and the way into the actuator test.
#include <QGroupBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>

#include "ConfCar.h"
#include "DictionaryMessages.h"
#include "EcuVariables.h"
#include "LiveLog.h"
#include "LiveLogFormat.h"
#include "LiveSupport.h"

namespace zov::test {
namespace {

constexpr uint16_t kPeriodOf7500 = 1000;  // 7500000 / 1000

TEST(LiveWindow, OpensWithTheDictionaryAndTheModelsScales) {
    LiveBench b;
    auto w = b.Open();
    EXPECT_TRUE(w->Localized());
    EXPECT_EQ(w->windowTitle(), b.Dict("FinestraVerifica", 70));
    EXPECT_EQ(w->ButtonAtt->text(), b.Dict("ButtonAtt", 25));
    EXPECT_EQ(w->GroupSensori->title(), b.Dict("GroupSensori", 20));
    EXPECT_EQ(w->LabVerPress->text(), b.Dict("LabVerPress", 25));
    // The ECU's last map column is 6504 rpm (period 1153): the full scale is 7500.
    EXPECT_EQ(b.context->map.GetRpm(19), 6504);
    EXPECT_EQ(w->LabMaxGiri->text(), QStringLiteral("7500"));
    EXPECT_EQ(w->FullScale(), 7500);
    EXPECT_EQ(w->LabelMinMap->text(), QStringLiteral("-0.9 ") + b.Dict("LabelBar", 5));
    const int32_t top = int32_t(b.context->map.GetMap(15) * 0.5 + 10 - 90);
    EXPECT_EQ(w->ShapeZeroMap->x(),
              int(90.0 / (90 + top) * w->ProgressBarMap->width() + w->ProgressBarMap->x()));
    // A recent ECU reports the operating fuel.
    EXPECT_TRUE(w->LabFunz->isVisibleTo(w.get()));
    EXPECT_TRUE(b.prompter.shown.empty());

    // An ECU of version 9 does not: its line stays hidden.
    LiveBench old(0, 9);
    auto o = old.Open();
    EXPECT_FALSE(o->LabFunz->isVisibleTo(o.get()));
    EXPECT_FALSE(o->LabelFunz->isVisibleTo(o.get()));
}

TEST(LiveWindow, SpeedOnTheDialAndTheLambdaColumn) {
    LiveBench b;
    auto w = b.Open();
    // The whole unit: cut at five characters, "giri/min" read "giri/".
    const QString unit = QLatin1Char(' ') + b.Dict("LabelRpm", 30);
    EXPECT_TRUE(unit.endsWith(QStringLiteral("giri/min")));

    b.held->period = 0;
    Tick(*w);
    EXPECT_EQ(w->Values().rpm, 0);
    EXPECT_EQ(w->LabGiri->text(), QStringLiteral("0") + unit);
    EXPECT_EQ(w->LambdaColumn(), 0);
    const int draws = w->NeedleDraws();

    // Full scale: the needle goes to the lower right; the same speed again draws nothing.
    b.held->period = kPeriodOf7500;
    Tick(*w);
    EXPECT_EQ(w->LabGiri->text(), QStringLiteral("7500") + unit);
    EXPECT_EQ(w->NeedleDraws(), draws + 1);
    Tick(*w, 3);
    EXPECT_EQ(w->NeedleDraws(), draws + 1);
    EXPECT_EQ(b.RecordReads(), 5);

    // 7500000 / 999 = 7507 rpm, past 6500 + 1000: column 19. 7500000 / 1190 = 6302 rpm is past the
    // midpoint of the last two columns: column 19 as well.
    const struct {
        uint16_t period;
        int32_t rpm;
        int column;
    } speeds[] = {{999, 7507, 19}, {1190, 6302, 19}};
    for (const auto& s : speeds) {
        b.held->period = s.period;
        Tick(*w);
        EXPECT_EQ(w->Values().rpm, s.rpm);
        EXPECT_EQ(w->LambdaColumn(), s.column) << s.rpm;
    }

    // The lambda bar is green below the column's reference, red from it on.
    const int32_t reference = b.context->car.GetLambdaRef(19);
    ASSERT_GT(reference, 0);
    ASSERT_LE(reference, 500);
    b.held->lambda = 0;
    Tick(*w);
    EXPECT_EQ(FillOf(w->ShapeLambda), QColor(Qt::green));
    EXPECT_EQ(w->ShapeLambda->width(), 0);
    b.held->lambda = 255;
    Tick(*w);
    EXPECT_EQ(w->LabLambda->text(), QStringLiteral("5 v"));
    EXPECT_EQ(FillOf(w->ShapeLambda), QColor(Qt::red));
    EXPECT_EQ(w->ShapeLambda->width(), 146);
}

TEST(LiveWindow, TpsSegmentsLightAndGoOutTogether) {
    LiveBench b;
    auto w = b.Open();
    const QColor neutral = QApplication::palette().color(QPalette::Button);
    b.held->tps = 0;
    b.held->status = 0;
    Tick(*w);
    const int paints = w->SegmentPaints();
    for (QFrame* s : w->Shape) EXPECT_EQ(FillOf(s), neutral);

    b.held->tps = 255;  // 5.00 V, level 10
    b.held->status = kLiveTpsIdle;
    Tick(*w);
    EXPECT_EQ(w->TpsLevelShown(), 10);
    EXPECT_EQ(w->LabTps->text(), QStringLiteral("5 v"));
    EXPECT_EQ(w->LabTps->palette().color(QPalette::WindowText), QColor(Qt::red));
    for (int s = 0; s < 10; ++s)
        EXPECT_EQ(FillOf(w->Shape[size_t(s)]), s < 7 ? QColor(Qt::yellow) : QColor(Qt::red)) << s;
    EXPECT_EQ(w->SegmentPaints(), paints + 1);
    Tick(*w, 2);
    EXPECT_EQ(w->SegmentPaints(), paints + 1);

    b.held->tps = 24;  // 0.47 V, level 0
    b.held->status = 0;
    Tick(*w);
    EXPECT_EQ(w->TpsLevelShown(), 0);
    EXPECT_EQ(w->LabTps->text(), QStringLiteral("0.47 v"));
    EXPECT_EQ(w->LabTps->palette().color(QPalette::WindowText), QColor(Qt::black));
    for (QFrame* s : w->Shape) EXPECT_EQ(FillOf(s), neutral);
    EXPECT_EQ(w->SegmentPaints(), paints + 2);
}

TEST(LiveWindow, ManifoldAndStatusTexts) {
    LiveBench b;
    auto w = b.Open();
    const QString bar = QLatin1Char(' ') + b.Dict("LabelBar", 5);
    b.held->map = 153;  // 153000 / 1020 + 10 = 160: 0.6 bar above the air
    b.held->status = kLiveCutoff | kLiveSwitchGas;
    Tick(*w);
    EXPECT_EQ(w->LabMap->text(), QStringLiteral("0.6") + bar);
    EXPECT_GT(w->ProgressBarMap->value(), 0);
    EXPECT_TRUE(w->LabCutoff->isVisibleTo(w.get()));
    EXPECT_EQ(w->LabComm->text(), b.Dict("LabCommG", 10));
    EXPECT_EQ(w->LabFunz->text(), b.Dict("LabCommB", 10));

    b.held->map = 0;
    b.held->status = kLiveOnGas;
    Tick(*w);
    EXPECT_EQ(w->LabMap->text(), QString());
    EXPECT_EQ(w->ProgressBarMap->value(), 0);
    EXPECT_FALSE(w->LabCutoff->isVisibleTo(w.get()));
    EXPECT_EQ(w->LabComm->text(), b.Dict("LabCommB", 10));
    EXPECT_EQ(w->LabFunz->text(), b.Dict("LabCommG", 10));
}

// The filter reaches the held pressure after enough ticks; the shapes judge the filtered value.
TEST(LiveWindow, ReducerPressureCheckByFuel) {
    const uint8_t warm = uint8_t(ConfCar::CelsiusToRaw(60));
    const struct {
        int fuel;
        uint8_t pressureByte;  // over a manifold byte of 51 (0.60 bar absolute)
        int32_t filtered;
        const char* lit;
    } cases[] = {
        {0, 97, 95, "ShapeOK"},    {0, 102, 100, "ShapeAlta"}, {0, 82, 80, "ShapeBassa"},
        {1, 97, 95, "ShapeBassa"}, {1, 113, 110, "ShapeOK"},   {1, 123, 120, "ShapeAlta"},
    };
    const std::pair<const char*, QColor> colours[] = {
        {"ShapeBassa", Qt::blue}, {"ShapeOK", Qt::green}, {"ShapeAlta", Qt::red}};
    for (const auto& c : cases) {
        LiveBench b(c.fuel);
        auto w = b.Open();
        b.held->map = 51;
        b.held->reducerPressure = c.pressureByte;
        b.held->reducerTemp = warm;
        Tick(*w, 60);
        EXPECT_EQ(w->Values().reducerPressure, c.filtered);
        EXPECT_EQ(w->FilteredPressure(), c.filtered);
        for (const auto& [name, colour] : colours) {
            const auto* shape = w->findChild<QFrame*>(QString::fromLatin1(name));
            const QColor expected = QLatin1String(name) == QLatin1String(c.lit)
                                        ? colour
                                        : QApplication::palette().color(QPalette::ToolTipBase);
            EXPECT_EQ(FillOf(shape), expected) << c.fuel << " " << c.filtered << " " << name;
        }
    }
}

TEST(LiveWindow, MissingSensorsShowNotAvailable) {
    LiveBench b;
    auto w = b.Open();
    const QString notAvailable = b.Dict("MessNonDisp", 20);
    b.held->map = 51;
    b.held->reducerPressure = 102;
    b.held->reducerTemp = 0;
    Tick(*w, 60);
    EXPECT_EQ(w->LabTemp->text(), notAvailable);
    EXPECT_EQ(w->LabPressione->text(), QStringLiteral("1 ") + b.Dict("LabelBar", 5));
    EXPECT_EQ(w->PressureShown(), PressureCheck::Off);
    for (const QFrame* s : {w->ShapeBassa, w->ShapeOK, w->ShapeAlta})
        EXPECT_EQ(FillOf(s), QApplication::palette().color(QPalette::ToolTipBase));

    // No pressure reading: the filter holds where it was.
    const int32_t filtered = w->FilteredPressure();
    b.held->reducerPressure = 0;
    Tick(*w, 3);
    EXPECT_EQ(w->LabPressione->text(), notAvailable);
    EXPECT_EQ(w->FilteredPressure(), filtered);
}

TEST(LiveWindow, ALostSessionKeepsTheLastValues) {
    LiveBench b;
    auto w = b.Open();
    b.held->period = 1500;
    b.held->tps = 100;
    Tick(*w);
    const LiveValues shown = w->Values();
    const QString speed = w->LabGiri->text();
    b.context->link.Disconnect();
    ASSERT_FALSE(b.context->link.IsConnected());
    b.ecu.ClearRequests();
    Tick(*w, 3);
    EXPECT_EQ(b.RecordReads(), 0);
    EXPECT_EQ(w->Values(), shown);
    EXPECT_EQ(w->LabGiri->text(), speed);
}

TEST(LiveWindow, ActuatorTestNeedsASessionAndAStoppedEngine) {
    LiveBench b;
    auto w = b.Open();
    w->Timer1->start();
    const auto writesOf88 = [&b] {
        int n = 0;
        for (const auto& f : b.ecu.Requests())
            if (f.request.size() >= 3 && (f.request[0] & 0x03) == 0x02 &&
                f.request[1] == kDiagnosisModeVariable)
                ++n;
        return n;
    };

    // The engine turns: refused before any question, nothing written.
    b.held->period = 3000;
    w->ButtonAttClick();
    ASSERT_EQ(b.prompter.shown.size(), 1u);
    EXPECT_EQ(b.prompter.shown[0].text, b.DictCp("MessMotoreInMoto", 100));
    EXPECT_EQ(b.prompter.shown[0].icon, PromptIcon::Error);
    EXPECT_EQ(b.prompter.shown[0].caption, b.DictCp("FinestraVerifica", 70));
    EXPECT_EQ(writesOf88(), 0);
    EXPECT_TRUE(w->Timer1->isActive());

    // Stopped, the installer says No: nothing written either.
    b.held->period = 0;
    b.prompter.shown.clear();
    b.prompter.answers = {PromptAnswer::No};
    w->ButtonAttClick();
    ASSERT_EQ(b.prompter.shown.size(), 1u);
    EXPECT_EQ(b.prompter.shown[0].text, b.DictCp("MessInVerAtt1", 70) + " " + b.DictCp("MessInVerAtt2", 70));
    EXPECT_EQ(b.prompter.shown[0].icon, PromptIcon::Information);
    EXPECT_EQ(b.prompter.shown[0].buttons, PromptButtons::YesNo);
    EXPECT_EQ(writesOf88(), 0);

    // Yes: the diagnosis-mode code reaches variable 88, the actuator test runs (closing it asks
    // once more), the ECU is taken out of diagnosis mode as it closes, and the refresh runs again
    // afterwards.
    b.prompter.shown.clear();
    b.prompter.answers = {PromptAnswer::Yes, PromptAnswer::Yes};
    QString opened;
    ModalWatcher watcher([&](QWidget& test) {
        opened = test.objectName();
        test.close();
    });
    w->ButtonAttClick();
    EXPECT_EQ(opened, QStringLiteral("FormDiagnosi"));
    EXPECT_EQ(b.prompter.shown.size(), 2u);
    EXPECT_EQ(b.ecu.ActuatorMask(), 0);
    EXPECT_EQ(writesOf88(), 2);
    EXPECT_EQ(b.ecu.Value(kDiagnosisModeVariable), 0);
    EXPECT_FALSE(b.ecu.DiagnosisMode());
    EXPECT_TRUE(w->Timer1->isActive());

    // An ECU that refuses the mode: the installer is told, the window stays.
    b.ecu.MutableFaults().refused = {kDiagnosisModeVariable};
    b.prompter.shown.clear();
    b.prompter.answers = {PromptAnswer::Yes};
    w->ButtonAttClick();
    ASSERT_EQ(b.prompter.shown.size(), 2u);
    EXPECT_EQ(b.prompter.shown[1].text, b.DictCp("MessNoDiagn", 70));
    EXPECT_TRUE(w->isVisible());

    // No session: the first message, nothing else.
    b.context->link.Disconnect();
    b.prompter.shown.clear();
    w->ButtonAttClick();
    ASSERT_EQ(b.prompter.shown.size(), 1u);
    EXPECT_EQ(b.prompter.shown[0].text, b.DictCp("MessNoConn", 70));
}

// A session lost during the actuator test leaves the ECU in diagnosis mode: the installer is told,
// and the next connection takes it out.
TEST(LiveWindow, DiagnosisModeLostWithTheSessionEndsAtTheNextConnection) {
    LiveBench b;
    b.held->period = 0;  // the engine at rest
    auto w = b.Open();
    // Yes to the test, Yes to ending it; No to the link's offer to try the dead line again.
    b.prompter.answers = {PromptAnswer::Yes, PromptAnswer::Yes};
    b.prompter.fallback = PromptAnswer::No;
    ModalWatcher watcher([&](QWidget& test) {
        b.ecu.MutableFaults().deadLine = true;
        test.close();
    });
    w->ButtonAttClick();
    EXPECT_EQ(watcher.seen, QStringLiteral("FormDiagnosi"));
    EXPECT_FALSE(b.context->link.IsConnected());
    EXPECT_TRUE(b.ecu.DiagnosisMode());
    ASSERT_FALSE(b.prompter.shown.empty());
    EXPECT_EQ(b.prompter.shown.back().text,
              b.DictCp("MessDiagnosiSospesa1", 70) + "\n" + b.DictCp("MessDiagnosiSospesa2", 70));
    w->close();

    b.ecu.MutableFaults().deadLine = false;
    b.prompter.shown.clear();
    b.form->interactive = false;  // no identification dialog
    b.form->MenuConnettiClick();
    EXPECT_TRUE(b.context->link.IsConnected());
    EXPECT_FALSE(b.ecu.DiagnosisMode());
    ASSERT_FALSE(b.prompter.shown.empty());
    EXPECT_EQ(b.prompter.shown.back().text, b.DictCp("MessDiagnosiRipristinata", 70) + "\n");
    EXPECT_EQ(b.prompter.shown.back().icon, PromptIcon::Information);
}

// A replay shows in the title while it runs; at its end the window is the ECU's again — the record
// read at the next tick, "Registra" and the actuator test back — instead of frozen on the last row.
TEST(LiveWindow, AtTheEndOfAReplayTheWindowGoesBackToTheEcu) {
    LiveBench b;
    auto w = b.Open();
    const QString liveTitle = w->windowTitle();
    LiveLog log;
    log.SetColumns(LiveLogHeader(kRecordLive));
    for (int i = 0; i < 4; ++i) {
        LiveValues v;
        v.rpm = 2000 + 100 * i;
        std::vector<float> row;
        for (const std::string& cell : LiveLogCells(v)) row.push_back(cell.empty() ? 0.0f : std::stof(cell));
        log.AppendRow(150 * i, row);
    }
    ASSERT_TRUE(w->StartReplay(log, 1));
    EXPECT_EQ(w->windowTitle(),
              liveTitle + " - " + b.Dict("LabelRiproduzione", 40) + QStringLiteral(" 1\u00D7"));
    EXPECT_FALSE(w->ButtonRegistra->isEnabled());
    EXPECT_FALSE(w->ButtonAtt->isEnabled());
    b.ecu.ClearRequests();
    Tick(*w, 3);
    EXPECT_EQ(w->ReplayedRows(), 4);
    EXPECT_EQ(w->Values().rpm, 2300) << "the last row on view for its tick";
    Tick(*w);
    EXPECT_FALSE(w->Replaying());
    EXPECT_EQ(w->windowTitle(), liveTitle);
    EXPECT_TRUE(w->ButtonRegistra->isEnabled());
    EXPECT_TRUE(w->ButtonAtt->isEnabled());
    EXPECT_EQ(b.RecordReads(), 0) << "the replay itself reads nothing";
    Tick(*w);
    EXPECT_EQ(b.RecordReads(), 1);
    EXPECT_NE(w->Values().rpm, 2300) << "the ECU's engine speed, not the log's";
}

}  // namespace
}  // namespace zov::test
