// The ECU session of the main window without the window: opening it with its retry after a 12 s
// countdown, the load with its progress, the checks on what was loaded, the keep-alive, closing
// it, and the diagnosis gate in front of remapping. Against the ECU simulator on the virtual clock,
// through the real link and model.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "EcuSession.h"
#include "MainWindowSupport.h"
#include "MappingJournal.h"
#include "TestFiles.h"

namespace zov::test {
namespace {

constexpr int64_t kSecondUs = 1000000;

// The window side, written down: every call with the virtual time it came at.
class RecordingHost : public SessionHost {
  public:
    explicit RecordingHost(Clock& clock) : clock_(clock) {}

    PromptAnswer Ask(const char* identifier, PromptIcon icon, PromptButtons buttons) override {
        Note(std::string("ask ") + identifier);
        icons.push_back(icon);
        this->buttons.push_back(buttons);
        return answer;
    }
    void Report(const char* identifier, PromptIcon icon, const std::string& detail) override {
        Note(std::string("report ") + identifier);
        icons.push_back(icon);
        details.push_back(detail);
    }
    void OpenProgress() override { Note("open"); }
    void AdvanceProgress(int step) override {
        steps.push_back(step);
        if (onStep) onStep();
    }
    void CloseProgress() override { Note("close"); }
    void ShowSessionState() override { Note("state"); }
    void SetBusy(bool busy) override { Note(busy ? "busy" : "idle"); }
    void CountdownTick(int secondsLeft) override {
        Note("tick " + std::to_string(secondsLeft));
        tickTimesUs.push_back(clock_.NowUs());
    }

    PromptAnswer answer = PromptAnswer::Yes;
    std::function<void()> onStep;
    std::vector<std::string> calls;
    std::vector<PromptIcon> icons;
    std::vector<PromptButtons> buttons;
    std::vector<std::string> details;
    std::vector<int> steps;
    std::vector<int64_t> tickTimesUs;

  private:
    void Note(std::string call) { calls.push_back(std::move(call)); }
    Clock& clock_;
};

// The link and the model as the program builds them, on the simulated ECU.
struct SessionBench {
    explicit SessionBench(sim::EcuConfig config = {})
        : ecu(std::move(config)),
          line(ecu, clock),
          opener(line, clock),
          link(0, 5, opener, clock, prompter),
          map(link, car, ConfigurationModel::kMapFile),
          car(link, ConfigurationModel::kCarFile, prompter),
          param(link, car, ConfigurationModel::kParamFile, prompter),
          model(link, map, car, param),
          host(clock),
          session(link, model, clock, host) {
        link.SetLinkMessages();
    }

    // Requests of any kind that named `variable`.
    int CountRequestsFor(int variable) const {
        int n = 0;
        for (const auto& f : ecu.Requests())
            if (f.request.size() >= 2 && f.request[1] == variable) ++n;
        return n;
    }
    int CountReads(int variable) const { return CountVariableReads(ecu, variable); }

    ProbeClock clock;
    sim::EcuSimulator ecu;
    sim::SimulatedLine line;
    RecordingOpener opener;
    ScriptedPrompter prompter;
    ComInj link;
    ConfMap map;
    ConfCar car;
    ConfParam param;
    ConfigurationModel model;
    RecordingHost host;
    EcuSession session;
};

std::vector<std::string> Countdown() {
    std::vector<std::string> calls = {"busy"};
    for (int left = 11; left >= 0; --left) calls.push_back("tick " + std::to_string(left));
    calls.push_back("idle");
    return calls;
}

std::vector<std::string> Join(std::vector<std::string> a, const std::vector<std::string>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

const std::vector<std::string> kLoad = {"state", "busy", "open", "close", "idle", "state"};

// --- opening -----------------------------------------------------------------------------------

TEST(EcuSessionOpen, DeadLineIsTriedOnceMoreAfterTwelveSecondsThenReported) {
    for (bool interactive : {true, false}) {
        SCOPED_TRACE(interactive ? "interactive" : "silent");
        sim::EcuConfig config;
        config.faults.deadLine = true;
        SessionBench b(config);
        const int64_t start = b.clock.NowUs();

        EXPECT_EQ(b.session.Open(interactive), EcuSession::Opened::Failed);

        EXPECT_FALSE(b.session.Connected());
        ASSERT_EQ(b.opener.opens.size(), 2u) << "one Connect, the countdown, one more Connect";
        ASSERT_EQ(b.host.tickTimesUs.size(), 12u);
        // One tick a second, the first a second after the first attempt gave up.
        const int64_t firstGaveUp = b.host.tickTimesUs[0] - kSecondUs;
        EXPECT_GT(firstGaveUp, start);
        for (size_t i = 1; i < 12; ++i)
            EXPECT_EQ(b.host.tickTimesUs[i] - b.host.tickTimesUs[i - 1], kSecondUs);
        EXPECT_EQ(b.opener.opens[1].timeUs, b.host.tickTimesUs[11]) << "the second attempt right after";
        std::vector<std::string> expected = Join(Countdown(), {"state"});
        if (interactive) expected.push_back("ask MessConnFallita");
        EXPECT_EQ(b.host.calls, expected);
        if (interactive) {
            EXPECT_EQ(b.host.icons, std::vector<PromptIcon>{PromptIcon::Error});
            EXPECT_EQ(b.host.buttons, std::vector<PromptButtons>{PromptButtons::Ok});
        }
        EXPECT_TRUE(b.host.steps.empty()) << "nothing was loaded";
        EXPECT_TRUE(b.ecu.Requests().empty());
    }
}

// A port that cannot be opened is reported with its own fault, never as a silent ECU; the
// countdown runs only where waiting can mend it (an adapter still to be plugged in).
TEST(EcuSessionOpen, APortThatCannotBeOpenedSaysWhy) {
    const struct {
        DeviceFault fault;
        size_t opens;
        size_t ticks;
        const char* says;
    } cases[] = {
        {DeviceFault::PermissionDenied, 1, 0, "'dialout' group"},
        {DeviceFault::NotSerial, 1, 0, "/dev/ttyS0"},
        {DeviceFault::NoSuchDevice, 2, 12, "/dev/ttyS0"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(int(c.fault));
        SessionBench b;
        b.line.SetOpenFails(true, c.fault);

        EXPECT_EQ(b.session.Open(true), EcuSession::Opened::Failed);

        EXPECT_EQ(b.opener.opens.size(), c.opens);
        EXPECT_EQ(b.host.tickTimesUs.size(), c.ticks);
        ASSERT_EQ(b.host.calls.back(), "report MessConnFallita");
        EXPECT_EQ(b.host.icons, std::vector<PromptIcon>{PromptIcon::Error});
        ASSERT_EQ(b.host.details.size(), 1u);
        EXPECT_NE(b.host.details[0].find(c.says), std::string::npos) << b.host.details[0];
        EXPECT_TRUE(b.ecu.Requests().empty());
    }
}

// Variables the ECU refuses during the load are named once, after it, whether or not the user
// asked for the session: the model does not hold the ECU's values for them.
TEST(EcuSessionOpen, RefusedVariablesAreNamedOnceAfterTheLoad) {
    for (bool interactive : {true, false}) {
        SCOPED_TRACE(interactive ? "interactive" : "silent");
        sim::EcuConfig config;
        config.faults.refused = {40, 105};
        SessionBench b(config);

        EXPECT_EQ(b.session.Open(interactive), EcuSession::Opened::Loaded);

        EXPECT_EQ(b.host.calls, Join(kLoad, {"report MessVariabiliRifiutate"}));
        EXPECT_EQ(b.host.icons, std::vector<PromptIcon>{PromptIcon::Warning});
        EXPECT_EQ(b.host.details, std::vector<std::string>{"40 (CILINDRATA)\n105 (CM)"});
    }
}

TEST(EcuSessionOpen, AnEcuThatWakesDuringTheCountdownIsLoaded) {
    sim::EcuConfig config;
    config.faults.deadLine = true;
    SessionBench b(config);
    b.clock.onSleep = [&](int64_t us) {
        if (us == kSecondUs && b.host.tickTimesUs.size() == 5) b.ecu.MutableFaults().deadLine = false;
    };

    EXPECT_EQ(b.session.Open(true), EcuSession::Opened::Loaded);

    EXPECT_TRUE(b.session.Connected());
    EXPECT_EQ(b.opener.opens.size(), 2u);
    EXPECT_EQ(b.host.calls, Join(Countdown(), kLoad)) << "the countdown runs to its end";
    EXPECT_EQ(b.car.NOME_PROGRAMMA, "PUNTO12.ZOV");
}

TEST(EcuSessionOpen, LoadsTheWholeEcuUnderTheProgressWindow) {
    sim::EcuConfig config;
    config.model = "OPEL ZAFIRA 1.6";
    config.programName = "ZAFIRA16.ZOV";
    SessionBench b(config);
    const int64_t start = b.clock.NowUs();

    EXPECT_EQ(b.session.Open(true), EcuSession::Opened::Loaded);

    EXPECT_EQ(b.host.calls, kLoad);
    EXPECT_EQ(b.opener.opens.size(), 1u);
    EXPECT_LT(b.clock.NowUs() - start, kSecondUs) << "no countdown";
    EXPECT_EQ(b.host.steps, (std::vector<int>{10, 10, 10, 20, 10, 10, 20, 10}));
    EXPECT_EQ(b.car.MODELLO, "OPEL ZAFIRA 1.6");
    EXPECT_EQ(b.car.NOME_PROGRAMMA, "ZAFIRA16.ZOV");
    EXPECT_EQ(b.CountRequestsFor(111), 1) << "the maps were read";
    EXPECT_EQ(b.CountRequestsFor(102), 1) << "the parameters were read";
}

TEST(EcuSessionOpen, APiaggioPorterGetsItsMapSensor) {
    struct Case {
        const char* model;
        int32_t personalization;  // variable 134: 8 is a ROVER sensor (type 2)
        int32_t sensorAfter;
    };
    const Case cases[] = {
        {"PIAGGIO PORTER E3", 0, 1},  {"piaggio porter e3 1.3 16V", 8, 1},
        {"Piaggio Porter E3", 0, 1},  {"PIAGGIO PORTER E2", 0, 0},  // another engine
        {"PIAGGIO  PORTER E3", 8, 2}, {"FIAT PUNTO 1.2 8V", 8, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.model);
        sim::EcuConfig config;
        config.model = c.model;
        SessionBench b(config);  // a version that keeps its map sensor in variable 134
        ASSERT_TRUE(b.ecu.SetValue(134, 0, c.personalization));
        ASSERT_EQ(b.session.Open(false), EcuSession::Opened::Loaded);
        EXPECT_EQ(b.car.TIPO_SENSORE_MAP, c.sensorAfter);
    }
}

TEST(EcuSessionOpen, ASessionLostDuringTheLoadIsNotAWholeEcu) {
    sim::EcuConfig config;
    config.model = "PIAGGIO PORTER E3";
    SessionBench b(config);
    // Half-way through the load the ECU goes silent; the user declines to reconnect.
    int done = 0;
    b.host.onStep = [&] {
        done += b.host.steps.back();
        if (done >= 50) b.ecu.MutableFaults().deadLine = true;
    };
    b.prompter.fallback = PromptAnswer::No;

    EXPECT_EQ(b.session.Open(true), EcuSession::Opened::Lost);

    EXPECT_FALSE(b.session.Connected());
    EXPECT_FALSE(b.prompter.shown.empty()) << "the link asked about the session";
    EXPECT_EQ(b.host.calls, kLoad) << "the load ran to its end; no message of the session's own";
    EXPECT_EQ(b.car.TIPO_SENSORE_MAP, 0) << "what was read is not checked as a loaded ECU";
}

// --- keep-alive and closing --------------------------------------------------------------------

TEST(EcuSessionKeepAlive, ReadsVariable72OnlyInAnIdleSession) {
    SessionBench b;
    EXPECT_TRUE(b.session.KeepAlive());
    EXPECT_TRUE(b.ecu.Requests().empty()) << "no session: nothing on the line";

    ASSERT_EQ(b.session.Open(false), EcuSession::Opened::Loaded);
    b.ecu.ClearRequests();
    EXPECT_TRUE(b.session.KeepAlive());
    ASSERT_EQ(b.ecu.Requests().size(), 1u);
    EXPECT_EQ(b.CountReads(EcuSession::kKeepAliveVariable), 1);

    // A tick that fires while the link waits inside an exchange leaves the link alone.
    b.ecu.ClearRequests();
    b.ecu.MutableFaults().latencyUs = 2000;
    int ticks = 0;
    int refused = 0;
    b.clock.onSleep = [&](int64_t) {
        if (b.link.IsBusy() && ticks < 5) {
            ++ticks;
            if (!b.session.KeepAlive()) ++refused;
        }
    };
    b.link.ReadVar(0, nullptr);
    b.clock.onSleep = nullptr;
    ASSERT_GT(ticks, 0);
    EXPECT_EQ(refused, ticks);
    EXPECT_EQ(b.CountReads(EcuSession::kKeepAliveVariable), 0);
}

TEST(EcuSessionClose, AsksAndClosesOnYesOnly) {
    for (PromptAnswer answer : {PromptAnswer::No, PromptAnswer::Yes}) {
        const bool yes = answer == PromptAnswer::Yes;
        SCOPED_TRACE(yes ? "Yes" : "No");
        SessionBench b;
        ASSERT_EQ(b.session.Open(false), EcuSession::Opened::Loaded);
        b.host.calls.clear();
        b.host.answer = answer;

        EXPECT_EQ(b.session.CloseAsked(), yes);

        EXPECT_EQ(b.host.calls, std::vector<std::string>{"ask MessDisconCpu"});
        EXPECT_EQ(b.host.icons, std::vector<PromptIcon>{PromptIcon::Question});
        EXPECT_EQ(b.host.buttons, std::vector<PromptButtons>{PromptButtons::YesNo});
        EXPECT_EQ(b.session.Connected(), !yes);
    }
}

// --- the remapping gate ------------------------------------------------------------------------

TEST(EcuSessionGate, ActiveDiagnosisChecksAmongTheLowTenBlockMapping) {
    struct Case {
        int32_t enabled;  // ABILITAZIONE, low word (variable 89)
        int32_t effect;   // EFFETTO, low word (variable 90)
        bool blocks;
    };
    const Case cases[] = {
        {0x0004, 0x0004, true},  {0x0201, 0x0200, true},
        {0x03FF, 0x0001, true},  {0x0400, 0x0400, false},  // beyond the ten checks
        {0x0003, 0x000C, false},                           // enabled, but without an effect
        {0x0000, 0x03FF, false}, {0x8200, 0x8200, true},   // a high bit beside a low one
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << std::hex << "enabled " << c.enabled << " effect " << c.effect);
        SessionBench b;
        ASSERT_TRUE(b.ecu.SetValue(89, 0, c.enabled));
        ASSERT_TRUE(b.ecu.SetValue(90, 0, c.effect));
        ASSERT_EQ(b.session.Open(false), EcuSession::Opened::Loaded);
        b.ecu.ClearRequests();

        EXPECT_EQ(b.session.DiagnosisBlocksMapping(), c.blocks);

        EXPECT_EQ(b.CountReads(89), 1) << "the words are read from the ECU, not taken from the model";
        EXPECT_EQ(b.CountReads(90), 1);
    }
}

TEST(EcuSessionGate, WithoutASessionNothingIsReadAndNothingBlocks) {
    SessionBench b;
    ASSERT_TRUE(b.ecu.SetValue(89, 0, 0x0004));
    ASSERT_TRUE(b.ecu.SetValue(90, 0, 0x0004));
    // Words the model still holds from an earlier session do not decide either.
    b.car.ABILITAZIONE_DIAGNOSI[0] = 0x0004;
    b.car.EFFETTO_DIAGNOSI[0] = 0x0004;
    EXPECT_FALSE(b.session.DiagnosisBlocksMapping());
    EXPECT_TRUE(b.ecu.Requests().empty());
}

// --- a mapping the program did not end ---------------------------------------------------------

TEST(EcuSessionMapping, AnEcuLeftInMappingModeIsTakenOutAtTheNextSession) {
    enum class Journal { Own, None, OtherEcu, OwnButNoMapping };
    struct Case {
        const char* what;
        Journal journal;
        bool normalValuesBack;  // the ECU gets its own values again, not the substitutes
        const char* report;     // nullptr: nothing said
        bool journalKept;
    } cases[] = {
        {"the journal of this ECU", Journal::Own, true, "report MessMappaturaRipristinata", false},
        {"no journal", Journal::None, false, "report MessMappaturaSenzaValori", false},
        {"the journal of another vehicle", Journal::OtherEcu, false, "report MessMappaturaSenzaValori", true},
        {"a journal left from a mapping that was ended", Journal::OwnButNoMapping, true, nullptr, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        zov::testing::ScratchDir dir;
        const std::string journal = MappingJournal::PathIn(dir.Path().string());
        SessionBench b;
        b.session.SetMappingJournal(journal);
        ASSERT_EQ(b.session.Open(true), EcuSession::Opened::Loaded);
        const int32_t cutoff = b.ecu.Value(22);
        const int32_t maxError = b.ecu.Value(18);
        const int32_t reg = b.ecu.Value(39);
        ASSERT_FALSE(reg & 0x04);
        // The mapping's substitutes differ from what the ECU holds.
        b.car.GIRI_CUTOFF_MAPPATURA = cutoff + 111;
        b.car.MAX_ERRORE_LAMBDA_MAPPATURA = maxError + 7;
        if (c.journal == Journal::OtherEcu) b.car.MODELLO = "ALTRA VETTURA";
        if (c.journal != Journal::None) {
            ASSERT_TRUE(MappingJournal(journal).Record(b.car));
        }
        if (c.journal != Journal::OwnButNoMapping) (void)b.car.EnterMapping();
        ASSERT_EQ(b.ecu.Value(39) & 0x04, c.journal == Journal::OwnButNoMapping ? 0 : 0x04);
        // The program ends here without leaving; the next one connects and loads the ECU as it is.
        b.link.Disconnect();
        b.host.calls.clear();

        ASSERT_EQ(b.session.Open(true), EcuSession::Opened::Loaded);
        EXPECT_EQ(b.ecu.Value(39), reg) << "out of mapping mode";
        EXPECT_EQ(b.car.DEFAULT_REGISTRO_CONFIGURAZIONE, reg);
        EXPECT_EQ(b.ecu.Value(22), c.normalValuesBack ? cutoff : cutoff + 111);
        EXPECT_EQ(b.ecu.Value(18), c.normalValuesBack ? maxError : maxError + 7);
        const bool reported =
            std::count(b.host.calls.begin(), b.host.calls.end(), std::string(c.report ? c.report : "-")) == 1;
        EXPECT_EQ(reported, c.report != nullptr);
        EXPECT_EQ(MappingJournal(journal).Held(), c.journalKept);
        EXPECT_FALSE(b.model.LeaveMappingPending());
    }
}

// --- an actuator test the program did not end -------------------------------------------------

TEST(EcuSessionDiagnosis, AnEcuLeftInDiagnosisModeIsTakenOutAtTheNextSession) {
    SessionBench b;
    ASSERT_EQ(b.session.Open(true), EcuSession::Opened::Loaded);
    // An actuator test whose program ended without leaving diagnosis mode.
    ASSERT_EQ(b.link.WriteVar(kDiagnosisModeVariable, kDiagnosisModeCode), WriteOutcome::Answered);
    ASSERT_TRUE(b.ecu.DiagnosisMode());
    b.link.Disconnect();
    b.host.calls.clear();

    ASSERT_EQ(b.session.Open(true), EcuSession::Opened::Loaded);
    EXPECT_FALSE(b.ecu.DiagnosisMode());
    EXPECT_EQ(std::count(b.host.calls.begin(), b.host.calls.end(), "report MessDiagnosiRipristinata"), 1);

    // Running normally: nothing to say, and variable 88 is only read.
    b.link.Disconnect();
    b.host.calls.clear();
    b.ecu.ClearRequests();
    ASSERT_EQ(b.session.Open(true), EcuSession::Opened::Loaded);
    EXPECT_EQ(b.host.calls, kLoad);
    EXPECT_EQ(b.CountRequestsFor(kDiagnosisModeVariable), 1);
}

}  // namespace
}  // namespace zov::test
