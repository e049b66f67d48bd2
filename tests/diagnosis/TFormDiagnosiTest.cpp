// The actuator test window offscreen against the simulated ECU: its start, the buttons and their
// captions, the pressure, the five-minute switch-off, the close question, and the two safety
// rules: the actuators go off however the window closes, and nothing starts on a running engine.
#include <gtest/gtest.h>

#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <stdexcept>

#include "DiagnosisSupport.h"
#include "DictionaryMessages.h"
#include "TFormDiagnosi.h"

namespace zov::test {
namespace {

constexpr int64_t kFiveMinutesMs = 300000;

// The window shown as its opener shows it, after its first-show exchanges have run.
std::unique_ptr<TFormDiagnosi> Open(DiagnosisBench& b, TModuloLingua* dictionary = nullptr) {
    auto form = std::make_unique<TFormDiagnosi>(*b.context, dictionary ? *dictionary : *b.dictionary);
    form->show();
    QApplication::processEvents();
    return form;
}

std::string ConnectionProblem(DiagnosisBench& b) {
    return b.DictCp("MessProbConn1", 70) + "\n" + b.DictCp("MessProbConn2", 70);
}

std::string StillOn(DiagnosisBench& b) {
    return b.DictCp("MessAttuatoriAccesi", 70) + "\n" + b.DictCp("MessSpegniQuadro", 70);
}

TEST(TFormDiagnosi, TextsComeFromTheDictionary) {
    DiagnosisBench b;
    b.EnterDiagnosisMode();
    auto form = Open(b);
    EXPECT_TRUE(form->Localized());
    EXPECT_EQ(form->windowTitle(), b.Dict("FinestraVerAtt", 70));
    EXPECT_EQ(form->LabelVerAtt->text(), b.Dict("LabelVerAtt", 50));
    EXPECT_EQ(form->GroupPressRid->title(), b.Dict("GroupPressRid", 30));
    EXPECT_EQ(form->ButtonFineVerAtt->text(), b.Dict("ButtonFineVerAtt", 35));
    EXPECT_EQ(form->ButtonSGrosso->text(), b.Dict("ButtonAttivaTest", 30));
    EXPECT_EQ(form->ButtonGas->text(), b.Dict("ButtonApriEVGas", 30));
    EXPECT_EQ(form->ButtonIndic->text(), b.Dict("ButtonIndicatoreOn", 30));
    EXPECT_FALSE(form->ButtonRGialli->isVisible());
    EXPECT_FALSE(form->Label2->isVisible());
    EXPECT_TRUE(b.prompter.shown.empty());

    QTemporaryDir empty;
    TModuloLingua broken(empty.path());
    for (int run = 0; run < 2; ++run) {
        auto plain = std::make_unique<TFormDiagnosi>(*b.context, broken);
        EXPECT_FALSE(plain->Localized());
        EXPECT_EQ(plain->ButtonGas->text(), QStringLiteral("Apri Elettrovalvola Gas"));
    }
    ASSERT_EQ(b.prompter.shown.size(), 1u);
    EXPECT_EQ(b.prompter.shown[0].text, dictionary_messages::kDiagnosis);
}

TEST(TFormDiagnosi, StartsWithMaskZeroAndTheFirstPressureScaled) {
    DiagnosisBench b;
    b.EnterDiagnosisMode();
    b.held->reducerPressure = 102;
    auto form = Open(b);
    // The engine is checked first, then the mask and the pressure.
    std::vector<std::vector<uint8_t>> heads;
    for (const sim::FrameRecord& f : b.ecu.Requests()) heads.push_back({f.request[0], f.request[1]});
    EXPECT_EQ(heads, (std::vector<std::vector<uint8_t>>{{0x41, 150}, {0x0A, 87}, {0x01, 86}}));
    EXPECT_EQ(b.Writes(87), std::vector<int32_t>{0});
    EXPECT_EQ(form->Label5->text(), QStringLiteral("OK"));
    EXPECT_EQ(form->PressureReading(), 100);
    EXPECT_EQ(form->LabPress->text(), QStringLiteral("1 bar"));
    EXPECT_TRUE(form->Timer()->isActive());
    EXPECT_EQ(form->Timer()->interval(), 500);
    EXPECT_EQ(form->focusWidget(), form->ButtonSGrosso);

    // The ticks show the byte as it comes, without the opening's scaling.
    form->Timer1Timer();
    EXPECT_EQ(form->PressureReading(), 102);
    EXPECT_EQ(form->LabPress->text(), QStringLiteral("1.02 bar"));
    b.held->reducerPressure = 0;
    form->Timer1Timer();
    EXPECT_EQ(form->LabPress->text(), b.Dict("MessNonDisp", 15));
}

TEST(TFormDiagnosi, ButtonsSwitchTheirActuatorAndTheirCaption) {
    DiagnosisBench b;
    b.EnterDiagnosisMode();
    auto form = Open(b);
    const struct {
        QPushButton* button;
        int32_t mask;
        const char* off;
        const char* on;
    } buttons[] = {{form->ButtonSGrosso, 0x01, "ButtonAttivaTest", "ButtonFineTest"},
                   {form->ButtonSPiccolo, 0x02, "ButtonAttivaTest", "ButtonFineTest"},
                   {form->ButtonGas, 0x04, "ButtonApriEVGas", "ButtonChiudiEVGas"},
                   {form->ButtonIndic, 0x08, "ButtonIndicatoreOn", "ButtonIndicatoreOff"}};
    int32_t all = 0;
    for (const auto& k : buttons) {
        k.button->click();
        all |= k.mask;
        EXPECT_EQ(k.button->text(), b.Dict(k.on, 30));
        EXPECT_EQ(b.ecu.ActuatorMask(), all);
        EXPECT_EQ(form->Label2->text(), QString::number(all));
    }
    for (const auto& k : buttons) {
        k.button->click();
        all &= ~k.mask;
        EXPECT_EQ(k.button->text(), b.Dict(k.off, 30));
        EXPECT_EQ(b.ecu.ActuatorMask(), all);
    }
    EXPECT_EQ(form->Label5->text(), QStringLiteral("OK"));
    EXPECT_TRUE(b.prompter.shown.empty());
}

TEST(TFormDiagnosi, TwoActuatorsGoOffFiveMinutesAfterEachWentOn) {
    DiagnosisBench b;
    b.EnterDiagnosisMode();
    auto form = Open(b);
    const int64_t start = b.clock.NowMs();
    form->ButtonSGrosso->click();
    b.clock.AdvanceTo((start + 90000) * 1000);
    const int64_t gasOn = b.clock.NowMs();
    form->ButtonGas->click();
    // Pressing the large motor's neighbour does not restart its five minutes.
    form->ButtonIndic->click();
    form->ButtonIndic->click();
    EXPECT_EQ(b.ecu.ActuatorMask(), 0x05);

    b.clock.AdvanceTo((start + kFiveMinutesMs) * 1000);
    form->Timer1Timer();
    EXPECT_EQ(b.ecu.ActuatorMask(), 0x05);
    b.clock.Advance(1000);
    form->Timer1Timer();
    EXPECT_EQ(b.ecu.ActuatorMask(), 0x04);
    EXPECT_EQ(form->ButtonSGrosso->text(), b.Dict("ButtonAttivaTest", 30));
    EXPECT_EQ(form->ButtonGas->text(), b.Dict("ButtonChiudiEVGas", 30));
    EXPECT_EQ(form->Label2->text(), QStringLiteral("4"));

    b.clock.AdvanceTo((gasOn + kFiveMinutesMs + 1) * 1000);
    form->Timer1Timer();
    EXPECT_EQ(b.ecu.ActuatorMask(), 0);
    EXPECT_EQ(form->ButtonGas->text(), b.Dict("ButtonApriEVGas", 30));
    EXPECT_EQ(form->Label2->text(), QStringLiteral("0"));
    EXPECT_TRUE(b.prompter.shown.empty());
}

TEST(TFormDiagnosi, AFailedWriteStillTogglesAndTheNextWriteSendsIt) {
    DiagnosisBench b;
    b.EnterDiagnosisMode();
    auto form = Open(b);
    b.ecu.MutableFaults().refused.insert(87);
    form->ButtonGas->click();
    EXPECT_EQ(b.LastMessage(), ConnectionProblem(b));
    EXPECT_EQ(b.prompter.shown.back().icon, PromptIcon::Error);
    EXPECT_EQ(b.prompter.shown.back().caption, form->windowTitle().toStdString());
    EXPECT_EQ(form->Label5->text(), QStringLiteral("ERRORE"));
    EXPECT_EQ(form->ButtonGas->text(), b.Dict("ButtonChiudiEVGas", 30));
    EXPECT_EQ(form->Label2->text(), QStringLiteral("4"));
    EXPECT_EQ(b.ecu.ActuatorMask(), 0);
    EXPECT_TRUE(form->isVisible());

    b.ecu.MutableFaults().refused.erase(87);
    form->ButtonSPiccolo->click();
    EXPECT_EQ(form->Label5->text(), QStringLiteral("OK"));
    EXPECT_EQ(b.ecu.ActuatorMask(), 0x06);
}

TEST(TFormDiagnosi, ClosingAsksAndStaysOpenOnNo) {
    DiagnosisBench b;
    b.EnterDiagnosisMode();
    auto form = Open(b);
    form->ButtonGas->click();
    b.prompter.answers = {PromptAnswer::No};
    form->ButtonFineVerAtt->click();
    ASSERT_EQ(b.prompter.shown.size(), 1u);
    EXPECT_EQ(b.prompter.shown[0].text, b.DictCp("MessFineVerAtt1", 70) + b.DictCp("MessFineVerAtt2", 70));
    EXPECT_EQ(b.prompter.shown[0].buttons, PromptButtons::YesNo);
    EXPECT_EQ(b.prompter.shown[0].icon, PromptIcon::Information);
    EXPECT_TRUE(form->isVisible());
    EXPECT_TRUE(form->Timer()->isActive());
    EXPECT_EQ(b.ecu.ActuatorMask(), 0x04);
}

// Every way out of the window takes the actuators off first.
TEST(TFormDiagnosi, EveryWayOfClosingSwitchesTheActuatorsOff) {
    const struct {
        const char* path;
        std::function<void(DiagnosisBench&, TFormDiagnosi&)> close;
    } paths[] = {
        {"the button", [](DiagnosisBench&, TFormDiagnosi& f) { f.ButtonFineVerAtt->click(); }},
        {"Escape", [](DiagnosisBench&, TFormDiagnosi& f) { QTest::keyClick(&f, Qt::Key_Escape); }},
        {"the close box", [](DiagnosisBench&, TFormDiagnosi& f) { f.close(); }},
        {"the opener ending it", [](DiagnosisBench&, TFormDiagnosi& f) { f.accept(); }},
        {"a failure inside a handler",
         [](DiagnosisBench& b, TFormDiagnosi& f) {
             b.ecu.MutableFaults().refused.insert(87);
             b.prompter.onAsk = [&b](const ScriptedPrompter::Shown&) {
                 b.prompter.onAsk = nullptr;
                 b.ecu.MutableFaults().refused.erase(87);
                 throw std::runtime_error("box failed");
             };
             f.ButtonIndic->click();
         }},
    };
    for (const auto& p : paths) {
        SCOPED_TRACE(p.path);
        DiagnosisBench b;
        b.EnterDiagnosisMode();
        auto form = Open(b);
        form->ButtonGas->click();
        form->ButtonSGrosso->click();
        ASSERT_EQ(b.ecu.ActuatorMask(), 0x05);
        b.prompter.fallback = PromptAnswer::Yes;
        p.close(b, *form);
        QApplication::processEvents();
        EXPECT_FALSE(form->isVisible());
        EXPECT_EQ(b.ecu.ActuatorMask(), 0);
        EXPECT_EQ(b.Writes(87).back(), 0);
        EXPECT_FALSE(form->Timer()->isActive());
        EXPECT_EQ(form->ButtonGas->text(), b.Dict("ButtonApriEVGas", 30));
    }
}

TEST(TFormDiagnosi, DestroyingTheWindowSwitchesTheActuatorsOff) {
    DiagnosisBench b;
    b.EnterDiagnosisMode();
    auto form = Open(b);
    form->ButtonGas->click();
    ASSERT_EQ(b.ecu.ActuatorMask(), 0x04);
    form.reset();
    EXPECT_EQ(b.ecu.ActuatorMask(), 0);
    EXPECT_TRUE(b.prompter.shown.empty());
}

TEST(TFormDiagnosi, ALostSessionClosesTheWindowAndSaysTheActuatorsMayBeOn) {
    const struct {
        const char* by;
        std::function<void(TFormDiagnosi&)> act;
    } findings[] = {
        {"the timer", [](TFormDiagnosi& f) { f.Timer1Timer(); }},
        {"a button", [](TFormDiagnosi& f) { f.ButtonIndic->click(); }},
    };
    for (const auto& finding : findings) {
        SCOPED_TRACE(finding.by);
        DiagnosisBench b;
        b.EnterDiagnosisMode();
        auto form = Open(b);
        form->ButtonGas->click();
        // The line goes dead: the link gives up on its reconnections and the user answers No.
        b.ecu.MutableFaults().deadLine = true;
        b.prompter.fallback = PromptAnswer::No;
        finding.act(*form);
        EXPECT_FALSE(b.Link().IsConnected());
        EXPECT_FALSE(form->isVisible());
        EXPECT_EQ(b.LastMessage(), StillOn(b));
        EXPECT_EQ(b.prompter.shown.back().icon, PromptIcon::Error);
    }
}

TEST(TFormDiagnosi, AFailedSwitchOffIsSaidOnlyWhenAnActuatorMayBeOn) {
    DiagnosisBench b;
    b.EnterDiagnosisMode();
    auto form = Open(b);
    form->ButtonIndic->click();
    form->ButtonIndic->click();
    // On and off again: nothing is on. Then a switch-on the ECU refuses may have reached it.
    b.ecu.MutableFaults().refused.insert(87);
    form->ButtonIndic->click();
    b.prompter.shown.clear();
    b.prompter.fallback = PromptAnswer::Yes;
    form->ButtonFineVerAtt->click();
    EXPECT_FALSE(form->isVisible());
    ASSERT_EQ(b.prompter.shown.size(), 2u);
    EXPECT_EQ(b.prompter.shown[1].text, StillOn(b));

    // Nothing was ever on: a failed last write is not worth a box.
    DiagnosisBench quiet;
    quiet.EnterDiagnosisMode();
    auto idle = Open(quiet);
    quiet.ecu.MutableFaults().refused.insert(87);
    quiet.prompter.fallback = PromptAnswer::Yes;
    idle->ButtonFineVerAtt->click();
    EXPECT_FALSE(idle->isVisible());
    EXPECT_EQ(quiet.prompter.shown.size(), 1u);
}

TEST(TFormDiagnosi, ClosedBeforeItsFirstShowCameRoundItStartsNothing) {
    DiagnosisBench b;
    b.EnterDiagnosisMode();
    TFormDiagnosi form(*b.context, *b.dictionary);
    form.show();
    form.accept();
    QApplication::processEvents();
    EXPECT_FALSE(form.Timer()->isActive());
    ASSERT_EQ(b.ecu.Requests().size(), 1u);
    EXPECT_EQ(b.Writes(87), std::vector<int32_t>{0});
}

TEST(TFormDiagnosi, RefusesToStartWhileTheEngineTurns) {
    DiagnosisBench b;
    b.EnterDiagnosisMode();
    b.RunEngine(true);
    auto form = Open(b);
    EXPECT_FALSE(form->isVisible());
    ASSERT_EQ(b.prompter.shown.size(), 1u);
    EXPECT_EQ(b.prompter.shown[0].text,
              b.DictCp("MessMotoreAcceso", 70) + "\n" + b.DictCp("MessSpegniMotore", 70));
    EXPECT_EQ(b.prompter.shown[0].icon, PromptIcon::Error);
    // Nothing was switched on; the closing still sent mask 0.
    EXPECT_EQ(b.Writes(87), std::vector<int32_t>{0});
    EXPECT_FALSE(form->Timer()->isActive());
}

TEST(TFormDiagnosi, AStartWithoutAnAnswerClosesWithTheConnectionMessage) {
    DiagnosisBench b;
    // Not in diagnosis mode is fine for mask 0; a refused mask is not.
    b.ecu.MutableFaults().refused.insert(87);
    auto form = Open(b);
    EXPECT_FALSE(form->isVisible());
    ASSERT_EQ(b.prompter.shown.size(), 1u);
    EXPECT_EQ(b.prompter.shown[0].text, ConnectionProblem(b));
    EXPECT_EQ(form->Label5->text(), QStringLiteral("ERRORE"));
}

}  // namespace
}  // namespace zov::test
