// The USB path of the link against the simulated adapter: finding and locking the adapter, its
// configuration reports, how a request is cut into reports, and recovery from lost, repeated and
// late reports and from acknowledgements that never come.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <thread>

#include "AdapterLock.h"
#include "TraceHid.h"
#include "UsbLink.h"

namespace zov::testing {
namespace {

using Bytes = std::vector<uint8_t>;

const Bytes kByteModeConfiguration = {0x00, 0x00, 0xC1, 0x9B, 0x09, 0x00, 0x1E, 0x00, 0x00};
const Bytes kBlockModeConfiguration = {0x00, 0x00, 0x80, 0x9B, 0x09, 0x00, 0x00, 0x00, 0x00};
const Bytes kStateQuery = {0x00, 0x04, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};

// The requests the ECU received whole.
std::vector<Bytes> CompleteRequests(const sim::EcuSimulator& ecu) {
    std::vector<Bytes> out;
    for (const auto& f : ecu.Requests())
        if (f.complete) out.push_back(f.request);
    return out;
}

Bytes WithSum(Bytes bytes) {
    uint8_t sum = 0;
    for (uint8_t b : bytes) sum = uint8_t(sum + b);
    bytes.push_back(sum);
    return bytes;
}

// Waits (in real time: a hand-over between threads, not a timed behaviour) until the USB thread
// has put `n` notice bytes in the ring.
void AwaitNotices(const ComInj& link, size_t n) {
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (link.noticeRing.Count() < n) {
        ASSERT_LT(std::chrono::steady_clock::now(), giveUp) << "the USB thread never delivered the notice";
        std::this_thread::yield();
    }
}

TEST(UsbAdapterChoice, IsOfferedOnlyWithHidSupport) {
    UsbLink u;
    EXPECT_EQ(u.link.usbAvailable, 1);
    EXPECT_EQ(u.link.portIndex, CPort::kUsbPort);
    EXPECT_EQ(u.link.useUsb, 1);

    UsbLink none;
    none.adapter.SetAvailable(false);
    none.link.UseHidBus(&none.adapter);
    EXPECT_EQ(none.link.usbAvailable, 0);
    EXPECT_EQ(none.link.useUsb, 0);
    EXPECT_EQ(none.link.SelectPort(1), 1);
    EXPECT_EQ(none.link.SelectPort(CPort::kUsbPort), 1) << "the serial port stays selected";
    EXPECT_EQ(none.link.useUsb, 0);
}

TEST(UsbAdapterChoice, OnlyTheAdapterIsTaken) {
    struct Case {
        const char* what;
        uint16_t vendor, product;
        const char* productString;
        bool foreignFirst;
        bool opens;
    } cases[] = {
        {"the adapter", 0x0F84, 0x0013, "USB Interface", false, true},
        {"the adapter behind another device with its numbers", 0x0F84, 0x0013, "USB Interface", true, true},
        {"another product string", 0x0F84, 0x0013, "USB Interface 2", false, false},
        {"another product", 0x0F84, 0x0014, "USB Interface", false, false},
        {"another vendor", 0x0F85, 0x0013, "USB Interface", false, false},
    };
    for (const Case& c : cases) {
        UsbLink u;
        u.adapter.SetIdentity(c.vendor, c.product, c.productString);
        if (c.foreignFirst) u.adapter.AddForeignDevice({"/dev/hidraw-other", 0x0F84, 0x0013, "Keypad", ""});
        EXPECT_EQ(u.link.OpenPort(), c.opens) << c.what;
        EXPECT_EQ(u.link.isOpen, c.opens ? 1 : 0) << c.what;
        if (c.opens) {
            EXPECT_EQ(u.link.usbDevice.path, u.adapter.Path()) << c.what;
            EXPECT_EQ(u.link.usbDevice.manufacturer, "ZOV simulator") << c.what;
            EXPECT_EQ(u.link.usbPayload, 7u) << c.what;
        } else {
            EXPECT_EQ(u.link.LastDeviceError().fault, DeviceFault::NoSuchDevice) << c.what;
            EXPECT_EQ(u.adapter.OpenHandles(), 0) << c.what;
        }
    }
}

TEST(UsbAdapterChoice, AnAdapterAnotherProcessUsesIsRefused) {
    UsbLink u;
    int ready[2], release[2];
    ASSERT_EQ(pipe(ready), 0);
    ASSERT_EQ(pipe(release), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // The other program: takes the adapter and keeps it until told to let go.
        AdapterLock lock;
        const char taken = lock.Acquire(u.adapter.Path()) ? 'y' : 'n';
        if (write(ready[1], &taken, 1) != 1) _exit(2);
        char c;
        if (read(release[0], &c, 1) != 1) _exit(3);
        _exit(0);
    }
    char taken = 0;
    ASSERT_EQ(read(ready[0], &taken, 1), 1);
    ASSERT_EQ(taken, 'y');

    EXPECT_FALSE(u.link.OpenPort());
    EXPECT_FALSE(u.link.Connect());
    EXPECT_EQ(u.link.LastDeviceError().fault, DeviceFault::Busy);
    EXPECT_EQ(u.adapter.OpenHandles(), 0) << "the refused adapter is closed again";
    EXPECT_TRUE(u.adapter.FeatureReports().empty()) << "nothing was sent to it";

    ASSERT_EQ(write(release[1], "x", 1), 1);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_TRUE(u.Open()) << "free again once the other program let go";
    for (int fd : {ready[0], ready[1], release[0], release[1]}) close(fd);
}

TEST(UsbConfiguration, FollowsTheLinkMode) {
    UsbLink u;
    ASSERT_TRUE(u.Open());
    EXPECT_EQ(u.adapter.FeatureReports(), std::vector<Bytes>{kByteModeConfiguration})
        << "echo mode 1 with per-byte echo, 9600 baud, parameter 9, 30 ms between bytes";
    u.link.SetBlockMode();
    u.link.SetByteMode();
    EXPECT_EQ(u.adapter.FeatureReports(),
              (std::vector<Bytes>{kByteModeConfiguration, kBlockModeConfiguration, kByteModeConfiguration}));

    // Settings given while closed are sent with the next opening.
    u.link.Disconnect();
    u.link.SetBlockMode();
    ASSERT_TRUE(u.link.OpenPort());
    EXPECT_EQ(u.adapter.FeatureReports().back(), kBlockModeConfiguration);
}

TEST(UsbConfiguration, AnAdapterThatDoesNotAnswerIsClosed) {
    UsbLink u;
    sim::UsbFaults faults;
    faults.ignoreFeature = true;
    u.adapter.SetFaults(faults);
    const int64_t start = u.clock.NowMs();
    EXPECT_FALSE(u.link.OpenPort());
    EXPECT_EQ(u.clock.NowMs() - start, 60) << "twice the byte timeout for the answer";
    EXPECT_EQ(u.link.LastDeviceError().fault, DeviceFault::SetupRefused);
    EXPECT_EQ(u.adapter.OpenHandles(), 0);
    AdapterLock lock;
    EXPECT_TRUE(lock.Acquire(u.adapter.Path())) << "the adapter is released";
}

// A write of eight words is 20 bytes: three reports.
const Bytes kArrayWrite = WithSum({0x3E, 17, 110, 1, 0, 2, 0, 3, 0, 4, 0, 5, 0, 6, 0, 7, 0, 8, 0});
const std::vector<int32_t> kWords = {1, 2, 3, 4, 5, 6, 7, 8};

TEST(UsbRequests, TwentyBytesGoOutAsSevenSevenAndSix) {
    UsbLink u;
    ASSERT_TRUE(u.Open());
    ASSERT_TRUE(u.Settle());
    u.adapter.ClearRecords();
    EXPECT_EQ(u.link.WriteArray(110, kWords.data()), WriteOutcome::Answered);
    const Bytes& request = kArrayWrite;

    // An acknowledgement that arrives while later reports are out sends those again; the adapter
    // passes over the repeats, so only the accepted reports reach the line.
    std::vector<sim::UsbOutputRecord> reports;
    for (const auto& r : u.adapter.OutputReports())
        if (r.accepted) reports.push_back(r);
    ASSERT_EQ(reports.size(), 3u);
    Bytes carried;
    for (size_t i = 0; i < reports.size(); ++i) {
        EXPECT_EQ(reports[i].sequence, (reports[0].sequence + int(i)) % 8) << "consecutive sequence numbers";
        carried.insert(carried.end(), reports[i].payload.begin(), reports[i].payload.end());
    }
    EXPECT_EQ(u.AcceptedSizes(), (std::vector<size_t>{7, 7, 6}));
    EXPECT_EQ(carried, request);
    EXPECT_EQ(u.link.ErrorFlags(), 0) << "the echo came back whole";
    EXPECT_EQ(u.ecu.Values(110), kWords);
}

TEST(UsbRecovery, LostAndRepeatedReportsAreMadeGood) {
    // A failed attempt of this write costs its echo wait (20 x 60 ms) and the 600 ms pause.
    struct Case {
        const char* what;
        sim::UsbFaults faults;
        int64_t minMs, maxMs;  // virtual time the write took
    } cases[] = {
        {"a lost report is sent again when the next one is acknowledged", {.dropOutput = 1}, 0, 50},
        {"a repeated report is ignored by its sequence number", {.duplicateOutput = 3}, 0, 50},
        {"no acknowledgement at all: nothing needed sending again", {.refuseAck = sim::kAlways}, 0, 50},
        {"late input within the waits", {.delayInputUs = 120'000}, 120, 170},
    };
    for (const Case& c : cases) {
        UsbLink u;
        ASSERT_TRUE(u.Open()) << c.what;
        ASSERT_TRUE(u.Settle());
        ASSERT_TRUE(u.ecu.Available(110));
        u.ecu.ClearRequests();
        u.adapter.ClearRecords();
        u.adapter.SetFaults(c.faults);
        const int64_t start = u.clock.NowMs();
        EXPECT_EQ(u.link.WriteArray(110, kWords.data()), WriteOutcome::Answered) << c.what;
        const int64_t took = u.clock.NowMs() - start;
        EXPECT_GE(took, c.minMs) << c.what;
        EXPECT_LT(took, c.maxMs) << c.what;
        EXPECT_EQ(u.link.ErrorFlags(), 0) << c.what;
        EXPECT_TRUE(u.link.IsConnected()) << c.what;
        EXPECT_TRUE(u.prompter.shown.empty()) << c.what;
        EXPECT_EQ(CompleteRequests(u.ecu), std::vector<Bytes>{kArrayWrite}) << c.what << ": once, whole";
        EXPECT_EQ(u.ecu.Values(110), kWords) << c.what;
        u.adapter.SetFaults({});
        int32_t value = 0;
        EXPECT_EQ(u.link.ReadVar(46, &value), 200) << c.what << ": the next request goes through";
    }
}

// A lone report that is lost leaves the adapter expecting its number: the next attempt's report
// is passed over, and only the acknowledgement naming the lost number puts both ends in step again.
TEST(UsbRecovery, ALostReportIsMadeGoodByTheAcknowledgementsThatFollow) {
    // A failed attempt of a 3-byte read: its echo wait (3 x 60 ms) and the 600 ms pause.
    struct Case {
        const char* what;
        sim::UsbFaults faults;
        int failedAttempts;
    } cases[] = {
        {"the next report's acknowledgement names the lost one", {.dropOutput = 1}, 2},
        {"that acknowledgement lost too: one more attempt", {.dropOutput = 1, .refuseAck = 1}, 3},
    };
    for (const Case& c : cases) {
        UsbLink u;
        ASSERT_TRUE(u.Open()) << c.what;
        ASSERT_TRUE(u.Settle());
        u.ecu.ClearRequests();
        u.adapter.SetFaults(c.faults);
        const int64_t start = u.clock.NowMs();
        int32_t value = 0;
        EXPECT_EQ(u.link.ReadVar(46, &value), 200) << c.what;
        EXPECT_EQ(u.clock.NowMs() - start, c.failedAttempts * 780) << c.what;
        EXPECT_TRUE(u.link.IsConnected()) << c.what;
        EXPECT_TRUE(u.prompter.shown.empty()) << c.what;
        EXPECT_EQ(CompleteRequests(u.ecu), std::vector<Bytes>{WithSum({0x01, 46})}) << c.what;
    }
}

TEST(UsbRecovery, AnAdapterThatTakesNoReportIsAskedWhereItStands) {
    UsbLink u;
    ASSERT_TRUE(u.Open());
    u.adapter.ClearRecords();
    sim::UsbFaults stalled;
    stalled.stall = true;
    u.adapter.SetFaults(stalled);
    int32_t value = 0;
    u.link.ReadVar(46, &value);
    EXPECT_FALSE(u.link.IsConnected());
    size_t queries = 0;
    for (const Bytes& f : u.adapter.FeatureReports()) queries += f == kStateQuery;
    EXPECT_GE(queries, 4u) << "each attempt whose reports stayed unsent asked the adapter";
    EXPECT_EQ(u.link.outputQueue.SendSlot(), u.adapter.Expected())
        << "the queue goes on where the adapter is";

    u.adapter.SetFaults({});
    u.prompter.shown.clear();
    ASSERT_TRUE(u.Open());
    EXPECT_EQ(u.link.ReadVar(46, &value), 200);
}

TEST(UsbNotices, AdapterNoticesLandInTheFlags) {
    struct Case {
        Bytes notice;
        int32_t flag;
    } cases[] = {
        {{0xCA, 0x02, 0x80, 0x01}, ERR_ECHO},
        {{0xCA, 0x01, 0x10}, ERR_NOT_AVAILABLE},
    };
    for (const Case& c : cases) {
        UsbLink u;
        ASSERT_TRUE(u.Open());
        // Without the echo the adapter checks it itself and tells by a notice.
        ASSERT_TRUE(u.link.UsbConfigure(1, -1, -1, -1, 1));
        EXPECT_EQ(u.adapter.FeatureReports().back()[2], 0x81);
        u.adapter.SendNotice(c.notice);
        AwaitNotices(u.link, c.notice.size());
        int32_t value = 0;
        EXPECT_EQ(u.link.ReadVar(46, &value), 200) << "the answer itself still counts";
        EXPECT_EQ(u.link.ErrorFlags(), c.flag);
        EXPECT_EQ(u.link.noticeRing.Count(), 0u) << "the notice was taken";
    }
}

TEST(UsbRecovery, AnUnpluggedAdapterEndsTheSession) {
    UsbLink u;
    ASSERT_TRUE(u.Open());
    u.adapter.Unplug();
    int32_t value = 0;
    EXPECT_EQ(u.link.ReadVar(46, &value), 0);
    EXPECT_FALSE(u.link.IsConnected());
    EXPECT_EQ(u.link.isOpen, 0);
    ASSERT_FALSE(u.prompter.shown.empty());
    EXPECT_NE(u.prompter.shown.back().text.find(u.link.LinkMessage(LinkText::ConnectFailed)),
              std::string::npos);
    EXPECT_EQ(u.adapter.OpenHandles(), 0);
}

TEST(UsbTrace, EveryReportIsLoggedWhole) {
    UsbLink u;
    std::FILE* sink = std::tmpfile();
    ASSERT_NE(sink, nullptr);
    TraceHidBus traced(u.adapter, sink, u.clock);
    u.link.UseHidBus(&traced);
    u.link.SelectPort(CPort::kUsbPort);
    ASSERT_TRUE(u.Open());
    u.link.Disconnect();

    std::rewind(sink);
    std::string trace;
    for (int c; (c = std::fgetc(sink)) != EOF;) trace += char(c);
    std::fclose(sink);
    EXPECT_NE(trace.find("OPEN " + u.adapter.Path() + "\n"), std::string::npos) << trace;
    EXPECT_NE(trace.find(" FEATURE 00 00 C1 9B 09 00 1E 00 00\n"), std::string::npos) << trace;
    EXPECT_NE(trace.find(" OUT 00 05 08 00 7C 83 07 00 00\n"), std::string::npos) << "the open-session frame";
    EXPECT_NE(trace.find(" IN 00 83 53 03 00"), std::string::npos) << "the adapter's answer";
    EXPECT_NE(trace.find(" IN 00 07 08 00 7C 83 07 82 82"), std::string::npos) << "echo, status and checksum";
}

}  // namespace
}  // namespace zov::testing
