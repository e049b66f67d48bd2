#include <gtest/gtest.h>

#include "SimLink.h"

namespace zov::testing {
namespace {

using Bytes = std::vector<uint8_t>;

const Bytes kOpen{0x08, 0x00, 0x7C, 0x83, 0x07};
const Bytes kClose{0x00, 0x01, 0x01};
const Bytes kRead0{0x01, 0x00, 0x01};

const std::string kNotResponding = "La centralina non comunica correttamente";
const std::string kRetry = "Vuoi provare a riconnettere?";
const std::string kConnectFailed = "Connessione fallita: controllare il collegamento";
const std::string kTooMany = "La centralina \xE8 stata sconnessa per troppi errori di comunicazione";
const std::string kDeviceLost = "Linea seriale non pi\xF9 disponibile: l'adattatore \xE8 stato scollegato.";

// A status that never comes costs the 500 ms status wait plus one byte timeout, then the 600 ms pause.
constexpr int64_t kSilentAttemptMs = 530 + 600;

int64_t ElapsedMs(SimLink& s, int64_t startUs) { return (s.clock.NowUs() - startUs) / 1000; }

size_t CountOf(const std::vector<Bytes>& requests, const Bytes& frame) {
    return size_t(std::count(requests.begin(), requests.end(), frame));
}

TEST(Session, ConnectSendsTheOpenFrameAndDisconnectTheCloseFrame) {
    SimLink s;
    ASSERT_TRUE(s.Open());
    EXPECT_TRUE(s.link.IsConnected());
    EXPECT_EQ(s.link.ConnectCount(), 1);
    s.link.Disconnect();
    EXPECT_EQ(s.SentBytes(), (Bytes{0x08, 0x00, 0x7C, 0x83, 0x07, 0x00, 0x01, 0x01}));
    EXPECT_FALSE(s.link.IsConnected());
    EXPECT_EQ(s.link.isOpen, 0);
    EXPECT_EQ(s.link.ConnectCount(), 0);
}

TEST(Session, CloseFrameOnlyWhenASessionIsOpen) {
    SimLink s;
    ASSERT_TRUE(s.link.OpenPort());
    s.link.Disconnect();
    EXPECT_TRUE(s.SentBytes().empty());
    EXPECT_EQ(s.link.isOpen, 0) << "the port is closed in any case";
}

TEST(Session, ConnectToASilentEcuGivesUpAfterFourAttemptsAndClosesThePort) {
    SimLink s;
    s.ecu.MutableFaults().silent = true;
    const int64_t start = s.clock.NowUs();
    EXPECT_FALSE(s.Open());
    EXPECT_EQ(ElapsedMs(s, start), 4 * kSilentAttemptMs);
    EXPECT_EQ(CountOf(s.Requests(), kOpen), 4u);
    EXPECT_EQ(s.link.isOpen, 0);
    EXPECT_TRUE(s.prompter.shown.empty()) << "Connect itself shows nothing";
}

TEST(Session, BusyAnswerOpensTheSession) {
    SimLink s;
    s.ecu.MutableFaults().busy = 1;
    ASSERT_TRUE(s.Open());
    EXPECT_EQ(CountOf(s.Requests(), kOpen), 1u);
}

TEST(Session, ConnectOnAPortThatCannotOpenFails) {
    SimLink s;
    s.line.SetOpenFails(true);
    EXPECT_FALSE(s.link.Connect());
    EXPECT_EQ(s.link.ConnectCount(), 0);
}

TEST(Recovery, EcuThatStopsAnsweringReconnectsOnceThenReportsTheFailure) {
    SimLink s;
    ASSERT_TRUE(s.Open());
    s.ecu.ClearRequests();
    s.ecu.MutableFaults().silent = true;
    const int64_t start = s.clock.NowUs();

    EXPECT_EQ(s.link.ReadVar(0, nullptr), 0);

    // Four attempts of the request, the 1 s pause, four attempts of the open frame.
    EXPECT_EQ(ElapsedMs(s, start), 4 * kSilentAttemptMs + 1000 + 4 * kSilentAttemptMs);
    const auto requests = s.Requests();
    ASSERT_EQ(requests.size(), 8u);
    EXPECT_EQ(CountOf({requests.begin(), requests.begin() + 4}, kRead0), 4u);
    EXPECT_EQ(CountOf({requests.begin() + 4, requests.end()}, kOpen), 4u);
    ASSERT_EQ(s.prompter.shown.size(), 1u);
    EXPECT_EQ(s.prompter.shown[0].text, kNotResponding + " (35)\n" + kConnectFailed);
    EXPECT_EQ(s.prompter.shown[0].caption, "ZOV Qbr");
    EXPECT_FALSE(s.link.IsConnected());
    EXPECT_EQ(s.link.isOpen, 0);
    EXPECT_EQ(s.link.ErrorFlags(), 0);
}

// The ECU opens sessions but answers every request "busy": the link reconnects silently three
// times, then asks.
TEST(Recovery, SilentReconnectionsThenTheQuestion) {
    SimLink s;
    ASSERT_TRUE(s.Open());
    s.ecu.MutableFaults().busy = sim::kAlways;
    s.prompter.answers = {PromptAnswer::Yes, PromptAnswer::No};

    EXPECT_EQ(s.link.ReadVar(0, nullptr), 0);

    const auto requests = s.Requests();
    EXPECT_EQ(CountOf(requests, kOpen), 1u + 3u + 1u + 3u) << "3 silent, the user's Yes, 3 silent again";
    EXPECT_EQ(CountOf(requests, kRead0), 8u * 4u);
    ASSERT_EQ(s.prompter.shown.size(), 2u);
    for (const auto& box : s.prompter.shown) {
        EXPECT_EQ(box.text, kNotResponding + " (32)\n" + kRetry);
        EXPECT_EQ(box.buttons, PromptButtons::YesNo);
    }
    EXPECT_EQ(s.link.isOpen, 0) << "No closes the port";
    EXPECT_FALSE(s.link.IsConnected());
}

TEST(Recovery, ReconnectionSucceedsAndTheRequestGoesThrough) {
    SimLink s;
    ASSERT_TRUE(s.Open());
    s.ecu.MutableFaults().busy = 4;  // one whole request fails, the reconnection and the retry work
    s.ecu.SetValue(0, 0, 321);
    EXPECT_EQ(s.link.ReadVar(0, nullptr), 321);
    EXPECT_TRUE(s.link.IsConnected());
    EXPECT_EQ(s.link.ConnectCount(), 2);
    EXPECT_TRUE(s.prompter.shown.empty());
}

TEST(Recovery, WrongAnswerChecksumRepeatsTheRequest) {
    SimLink s;
    ASSERT_TRUE(s.Open());
    s.ecu.ClearRequests();
    s.ecu.SetValue(0, 0, 200);
    s.ecu.MutableFaults().badChecksum = 1;
    EXPECT_EQ(s.link.ReadVar(0, nullptr), 200);
    EXPECT_EQ(s.Requests(), (std::vector<Bytes>{kRead0, kRead0}));
    EXPECT_EQ(s.link.ChecksumErrorCount(), 0) << "the good answer pays the error back";
    EXPECT_TRUE(s.link.IsConnected());
}

TEST(Recovery, ChecksumErrorsBalancedByGoodAnswersNeverCloseTheSession) {
    SimLink s;
    ASSERT_TRUE(s.Open());
    for (int i = 0; i < 30; ++i) {
        s.ecu.MutableFaults().badChecksum = 1;
        s.link.ReadVar(0, nullptr);
    }
    EXPECT_TRUE(s.link.IsConnected());
    EXPECT_TRUE(s.prompter.shown.empty());
}

TEST(Recovery, ThirteenthNetChecksumErrorClosesTheSession) {
    SimLink s;
    ASSERT_TRUE(s.Open());
    s.ecu.ClearRequests();
    s.ecu.MutableFaults().badChecksum = sim::kAlways;

    EXPECT_EQ(s.link.ReadVar(0, nullptr), 0);

    const auto requests = s.Requests();
    EXPECT_EQ(CountOf(requests, kRead0), 13u);
    EXPECT_EQ(requests.back(), kClose);
    ASSERT_EQ(s.prompter.shown.size(), 1u);
    EXPECT_EQ(s.prompter.shown[0].text, kTooMany + " (16)");
    EXPECT_EQ(s.link.ChecksumErrorCount(), 0);
    EXPECT_EQ(s.link.isOpen, 0);
}

TEST(Recovery, EchoMismatchDoesNotStopTheRequest) {
    SimLink s;
    ASSERT_TRUE(s.Open());
    s.ecu.ClearRequests();
    s.ecu.SetValue(0, 0, 77);
    s.ecu.MutableFaults().corruptEcho = 1;
    EXPECT_EQ(s.link.ReadVar(0, nullptr), 77);
    EXPECT_EQ(s.Requests().size(), 1u);
    EXPECT_TRUE(s.link.ErrorFlags() & ERR_ECHO);
}

TEST(Recovery, BusyAndRejectedStatusesPauseAndRepeat) {
    struct Case {
        const char* name;
        void (*arm)(sim::Faults&);
        int64_t pauseMs;
    } cases[] = {
        {"busy", [](sim::Faults& f) { f.busy = 1; }, 250},
        {"rejected", [](sim::Faults& f) { f.rejected = 1; }, 600},
    };
    for (const Case& c : cases) {
        SimLink s;
        ASSERT_TRUE(s.Open());
        s.ecu.ClearRequests();
        s.ecu.SetValue(0, 0, 150);
        c.arm(s.ecu.MutableFaults());
        const int64_t start = s.clock.NowUs();
        EXPECT_EQ(s.link.ReadVar(0, nullptr), 150) << c.name;
        EXPECT_EQ(ElapsedMs(s, start), c.pauseMs) << c.name;
        EXPECT_EQ(s.Requests(), (std::vector<Bytes>{kRead0, kRead0})) << c.name;
        EXPECT_EQ(s.link.ConnectCount(), 1) << c.name;
    }
}

// The adapter pulled out mid-session, in byte mode and in block mode: the first byte of the next
// request is the last thing on the line; no wait, no repetition, no reconnection, one message.
TEST(DeviceLost, MidSessionClosesTheSessionAtOnceWithItsOwnMessage) {
    for (const bool block : {false, true}) {
        SCOPED_TRACE(block ? "block mode" : "byte mode");
        SimLink s;
        ASSERT_TRUE(s.Open());
        if (block) s.link.SetBlockMode();
        s.line.LoseDevice(1);
        const int64_t start = s.clock.NowUs();

        EXPECT_EQ(s.link.ReadVar(0, nullptr), 0);

        EXPECT_EQ(s.SentBytes(), (Bytes{0x08, 0x00, 0x7C, 0x83, 0x07, 0x01}));
        EXPECT_EQ(s.clock.NowUs(), start) << "nothing waited for";
        ASSERT_EQ(s.prompter.shown.size(), 1u);
        EXPECT_EQ(s.prompter.shown[0].text, kDeviceLost);
        EXPECT_EQ(s.prompter.shown[0].icon, PromptIcon::Error);
        EXPECT_EQ(s.prompter.shown[0].buttons, PromptButtons::Ok);
        EXPECT_FALSE(s.link.IsConnected());
        EXPECT_EQ(s.link.isOpen, 0);
        EXPECT_FALSE(s.line.IsOpen()) << "the handle is closed";
        EXPECT_EQ(s.line.OpenCount(), 1) << "no reopening";
        EXPECT_EQ(s.link.LastDeviceError(), (DeviceError{DeviceFault::Lost, "/dev/ttyS0", 0}));

        EXPECT_EQ(s.link.ReadVar(0, nullptr), 0) << "later commands find no session";
        EXPECT_EQ(s.prompter.shown.size(), 1u);
        EXPECT_EQ(s.SentBytes().size(), 6u);
    }
}

TEST(DeviceLost, WhileReadingAnAnswerEndsTheSessionWithoutCountingRetries) {
    SimLink s;
    ASSERT_TRUE(s.Open());
    s.ecu.ClearRequests();
    s.line.LoseDevice(3);  // the whole request goes out; the answer never arrives
    EXPECT_EQ(s.link.ReadVar(0, nullptr), 0);
    EXPECT_EQ(s.Requests(), (std::vector<Bytes>{kRead0}));
    ASSERT_EQ(s.prompter.shown.size(), 1u);
    EXPECT_EQ(s.prompter.shown[0].text, kDeviceLost);
    EXPECT_FALSE(s.link.IsConnected());
}

// The ECU falls silent, and the adapter goes while the link reconnects: the message names the
// adapter, not the ECU.
TEST(DeviceLost, DuringTheReconnectionReportsTheAdapter) {
    SimLink s;
    ASSERT_TRUE(s.Open());
    s.ecu.MutableFaults().silent = true;
    s.line.LoseDevice(4 * 3 + 1);  // the four attempts of the read, then the first byte of the open frame
    EXPECT_EQ(s.link.ReadVar(0, nullptr), 0);
    ASSERT_EQ(s.prompter.shown.size(), 1u);
    EXPECT_EQ(s.prompter.shown[0].text, kDeviceLost);
    EXPECT_EQ(s.link.isOpen, 0);
    const Bytes sent = s.SentBytes();
    EXPECT_EQ(Bytes(sent.end() - 2, sent.end()), (Bytes{0x01, 0x08})) << "one open attempt, cut short";
}

TEST(DeviceLost, ConnectAndDisconnectGiveUpAtOnceAndShowNothing) {
    SimLink s;
    ASSERT_TRUE(s.link.OpenPort());
    s.line.LoseDevice(1);
    EXPECT_FALSE(s.link.Connect());
    EXPECT_EQ(s.SentBytes(), Bytes{0x08}) << "no further attempts";
    EXPECT_EQ(s.link.LastDeviceError().fault, DeviceFault::Lost);
    EXPECT_EQ(s.link.isOpen, 0);
    EXPECT_TRUE(s.prompter.shown.empty()) << "Connect leaves the telling to its caller";

    SimLink d;
    ASSERT_TRUE(d.Open());
    d.line.LoseDevice(0);
    d.link.Disconnect();
    EXPECT_EQ(d.SentBytes(), kOpen);
    EXPECT_EQ(d.link.isOpen, 0);
    EXPECT_FALSE(d.link.IsConnected());
    EXPECT_TRUE(d.prompter.shown.empty());
}

TEST(Primitives, TimeoutPoisonsTheRestOfTheExchange) {
    SimLink s;
    ASSERT_TRUE(s.Open());
    s.line.ClearTraffic();
    s.ecu.MutableFaults().deadLine = true;

    int64_t start = s.clock.NowUs();
    EXPECT_EQ(s.link.SendByte(0x01), 0);
    EXPECT_EQ(s.link.ErrorFlags(), ERR_TIMEOUT);
    EXPECT_EQ(ElapsedMs(s, start), 75) << "one standard byte timeout";

    start = s.clock.NowUs();
    EXPECT_EQ(s.link.SendByte(0x02), kSendFailed);
    EXPECT_EQ(s.link.SendWord(0x0304), kSendFailed);
    EXPECT_EQ(s.link.ReceiveByte(500), kNoByte);
    EXPECT_EQ(s.link.LastReceived(), kNoByte);
    EXPECT_EQ(s.clock.NowUs(), start) << "poisoned primitives return at once";
    EXPECT_EQ(s.SentBytes(), Bytes{0x01});
}

TEST(Primitives, RequestAfterATimeoutSendsOnlyTheFirstByteOfEachAttempt) {
    SimLink s;
    ASSERT_TRUE(s.Open());
    s.line.ClearTraffic();
    s.ecu.MutableFaults().deadLine = true;
    s.link.ReadVar(0, nullptr);
    const Bytes sent = s.SentBytes();
    ASSERT_GE(sent.size(), 4u);
    EXPECT_EQ(Bytes(sent.begin(), sent.begin() + 4), (Bytes{0x01, 0x01, 0x01, 0x01}));
    EXPECT_EQ(Bytes(sent.begin() + 4, sent.end()), (Bytes{0x08, 0x08, 0x08, 0x08}))
        << "then the silent reconnection, cut short the same way";
}

TEST(Primitives, ReceiveByteFailingToSetTheLongerWaitWarnsAndStillReads) {
    SimLink s;
    ASSERT_TRUE(s.Open());
    s.ecu.SetValue(0, 0, 99);
    s.line.SetTimeoutsFail(true);
    EXPECT_EQ(s.link.ReadVar(0, nullptr), 99);
    ASSERT_EQ(s.prompter.shown.size(), 1u);
    EXPECT_EQ(s.prompter.shown[0].text, "Errore di settaggio dei parametri seriali");
    EXPECT_EQ(s.prompter.shown[0].icon, PromptIcon::Error);
}

TEST(Primitives, BlockModeSendsTheRequestInOnePieceAndChecksTheEcho) {
    SimLink s;
    ASSERT_TRUE(s.Open());
    s.ecu.SetValue(0, 0, 1234);
    s.link.SetBlockMode();
    EXPECT_EQ(s.link.ReadVar(0, nullptr), 1234);
    EXPECT_EQ(s.link.ErrorFlags() & ERR_ECHO, 0);

    s.ecu.MutableFaults().corruptEcho = 1;
    EXPECT_EQ(s.link.ReadVar(0, nullptr), 1234) << "a bad echo alone does not stop the request";
    EXPECT_TRUE(s.link.ErrorFlags() & ERR_ECHO);
    EXPECT_EQ(s.link.TxLength(), 0u);
    s.link.SetByteMode();
    EXPECT_FALSE(s.link.InBlockMode());
}

TEST(Messages, FiveTextsReplaceTheBuiltInOnesAnythingElseRestoresThem) {
    SimLink s;
    s.link.SetLinkMessages({"a", "b", "c", "d", "e"});
    EXPECT_EQ(s.link.LinkMessage(LinkText::SerialSetup), "a");
    EXPECT_EQ(s.link.LinkMessage(LinkText::TooManyErrors), "e");
    EXPECT_EQ(s.link.LinkMessage(LinkText::DeviceLost), kDeviceLost) << "five texts keep the built-in sixth";
    s.link.SetLinkMessages({"a", "b", "c", "d", "e", "f"});
    EXPECT_EQ(s.link.LinkMessage(LinkText::TooManyErrors), "e");
    EXPECT_EQ(s.link.LinkMessage(LinkText::DeviceLost), "f");
    s.link.SetLinkMessages({"a", "b", "c", "d", "e", "f", "g"});
    EXPECT_EQ(s.link.LinkMessage(LinkText::SerialSetup), "Errore di settaggio dei parametri seriali");
    EXPECT_EQ(s.link.LinkMessage(LinkText::DeviceLost), kDeviceLost);
    s.link.SetLinkMessages({"a", "b", "c", "d"});
    EXPECT_EQ(s.link.LinkMessage(LinkText::NotResponding), kNotResponding);
    EXPECT_EQ(s.link.LinkMessage(LinkText::RetryQuestion), kRetry);
    EXPECT_EQ(s.link.LinkMessage(LinkText::ConnectFailed), kConnectFailed);
    EXPECT_EQ(s.link.LinkMessage(LinkText::TooManyErrors), kTooMany);
    EXPECT_TRUE(s.link.MessagesSet());
}

TEST(Messages, HandleLinkErrorUsesTheBuiltInTextsWhenNoneWereSet) {
    VirtualClock clock;
    sim::EcuSimulator ecu;
    sim::SimulatedLine line(ecu, clock);
    ScriptedPrompter prompter;
    ComInj link(0, 5, line, clock, prompter);
    EXPECT_FALSE(link.MessagesSet());
    ASSERT_TRUE(link.Connect());
    ecu.MutableFaults().silent = true;
    link.ReadVar(0, nullptr);
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].text, kNotResponding + " (35)\n" + kConnectFailed);
}

// A window timer firing while the link waits (here: during the question) must find it busy.
class ReentrantPrompter : public ScriptedPrompter {
  public:
    PromptAnswer Ask(const std::string& text, const std::string& caption, PromptIcon icon,
                     PromptButtons buttons) override {
        if (link) {
            const size_t before = ecu->Requests().size();
            nestedResult = link->ReadVar(0, nullptr);
            nestedSent = ecu->Requests().size() != before;
            busyDuringQuestion = link->IsBusy();
        }
        return ScriptedPrompter::Ask(text, caption, icon, buttons);
    }
    ComInj* link = nullptr;
    sim::EcuSimulator* ecu = nullptr;
    int32_t nestedResult = -1;
    bool nestedSent = true;
    bool busyDuringQuestion = false;
};

TEST(Reentrancy, CommandDuringAnExchangeFindsTheLinkBusy) {
    VirtualClock clock;
    sim::EcuSimulator ecu;
    sim::SimulatedLine line(ecu, clock);
    ReentrantPrompter prompter;
    ComInj link(0, 5, line, clock, prompter);
    prompter.link = &link;
    prompter.ecu = &ecu;
    ASSERT_TRUE(link.Connect());
    ecu.MutableFaults().busy = sim::kAlways;
    link.ReadVar(0, nullptr);
    EXPECT_TRUE(prompter.busyDuringQuestion);
    EXPECT_EQ(prompter.nestedResult, 0);
    EXPECT_FALSE(prompter.nestedSent);
    EXPECT_FALSE(link.IsBusy());
}

}  // namespace
}  // namespace zov::testing
