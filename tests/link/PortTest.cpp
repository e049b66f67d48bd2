#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include "SimLink.h"
#include "TermiosSerial.h"
#include "TraceSerial.h"

namespace zov::testing {
namespace {

const CommTimeouts kStandard{30, 15, 60, 15, 15};

TEST(SelectPort, ChoosesOnlyValidPortsWhileClosed) {
    struct Case {
        int start;
        int requested;
        int expected;
    } cases[] = {
        {0, 1, 1},    // a valid port
        {0, 14, 14},  // the last index that passes the check
        {1, 15, 1},   // out of range keeps the current port
        {1, -1, 1},   //
        {2, 100, 2},  // USB without USB support keeps the current port
        {0, 3, 3},    //
    };
    for (const Case& c : cases) {
        SimLink s;
        s.link.portIndex = c.start;
        EXPECT_EQ(s.link.SelectPort(c.requested), c.expected) << c.requested;
        EXPECT_EQ(s.link.portIndex, c.expected);
        EXPECT_EQ(s.link.useUsb, 0);
    }
}

TEST(SelectPort, InvalidRequestFromAnInvalidCurrentPortGivesZero) {
    SimLink s;
    s.link.portIndex = 40;
    EXPECT_EQ(s.link.SelectPort(-3), 0);
    EXPECT_EQ(s.link.portIndex, 40);
}

TEST(SelectPort, ChangesNothingWhileOpen) {
    SimLink s;
    ASSERT_TRUE(s.link.OpenPort());
    EXPECT_EQ(s.link.SelectPort(1), 0);
    EXPECT_EQ(s.link.portIndex, 0);
}

TEST(OpenPort, ConfiguresTheLineAndSetsTheStandardTimeouts) {
    SimLink s;
    s.link.SetPortPath(0, "/dev/pts/7");
    ASSERT_TRUE(s.link.OpenPort());
    EXPECT_EQ(s.link.isOpen, 1);
    EXPECT_EQ(s.line.LastOpenedPath(), "/dev/pts/7");
    EXPECT_EQ(s.line.ConfiguredBaud(), 9600u);
    EXPECT_EQ(s.line.Timeouts(), kStandard);
    EXPECT_EQ(s.line.ReceiveQueueSize(), 1000u);
    EXPECT_EQ(s.line.TransmitQueueSize(), 1000u);
    EXPECT_EQ(s.link.portErrors, 0u);
}

TEST(OpenPort, RefusesInvalidIndicesWithoutOpeningAnything) {
    for (auto [port, baud] : {std::pair{15, 5}, {0, 1}, {0, 10}, {-1, 5}}) {
        SimLink s;
        s.link.portIndex = port;
        s.link.baudIndex = baud;
        EXPECT_FALSE(s.link.OpenPort());
        EXPECT_EQ(s.line.OpenCount(), 0);
        EXPECT_EQ(s.link.portErrors, 0u);
    }
}

TEST(OpenPort, FailuresSetTheStickyErrorBit) {
    SimLink missing;
    missing.line.SetOpenFails(true);
    EXPECT_FALSE(missing.link.OpenPort());
    EXPECT_EQ(missing.link.portErrors & 1u, 1u);
    missing.line.SetOpenFails(false);
    EXPECT_TRUE(missing.link.OpenPort());
    EXPECT_EQ(missing.link.portErrors & 1u, 1u) << "never cleared";

    SimLink unnamed;  // indices 4..14 have no device
    unnamed.link.SelectPort(7);
    EXPECT_FALSE(unnamed.link.OpenPort());
    EXPECT_EQ(unnamed.link.portErrors & 1u, 1u);

    SimLink badSettings;
    badSettings.line.SetConfigureFails(true);
    EXPECT_FALSE(badSettings.link.OpenPort());
    EXPECT_EQ(badSettings.link.portErrors & 1u, 1u);
    EXPECT_FALSE(badSettings.line.IsOpen()) << "the handle is closed again";
}

TEST(OpenPort, ReopensAnOpenChannel) {
    SimLink s;
    ASSERT_TRUE(s.link.OpenPort());
    ASSERT_TRUE(s.link.OpenPort());
    EXPECT_EQ(s.line.OpenCount(), 2);
    EXPECT_TRUE(s.line.IsOpen());
}

TEST(ClosePort, RestoresTheTimeoutsFoundAtOpening) {
    SimLink s;
    const CommTimeouts found{1, 2, 3, 4, 5};
    s.line.SetDriverTimeouts(found);
    ASSERT_TRUE(s.link.OpenPort());
    EXPECT_EQ(s.line.Timeouts(), kStandard);
    s.link.ClosePort();
    EXPECT_EQ(s.line.Timeouts(), found);
    EXPECT_FALSE(s.line.IsOpen());
    EXPECT_EQ(s.link.isOpen, 0);
    s.link.ClosePort();  // closing twice is harmless
}

TEST(Trace, LogsEveryByteWithDirectionAndTime) {
    SimLink s;
    std::FILE* sink = std::tmpfile();
    ASSERT_TRUE(sink);
    TraceOpener tracing(s.line, sink, s.clock);
    ComInj link(0, 5, tracing, s.clock, s.prompter);
    link.SetPortPath(0, "/dev/ttyS0");
    ASSERT_TRUE(link.Connect());
    s.ecu.MutableFaults().silent = true;
    link.SendByte(0x01);
    link.ReceiveByte(0);
    std::rewind(sink);
    std::string log;
    for (int c = std::fgetc(sink); c != EOF; c = std::fgetc(sink)) log += char(c);
    std::fclose(sink);
    EXPECT_EQ(log.rfind("OPEN /dev/ttyS0\n", 0), 0u) << log;
    EXPECT_NE(log.find("     0.000 TX 08\n     0.000 RX 08\n"), std::string::npos) << log;
    EXPECT_NE(log.find(" RX 82\n"), std::string::npos) << "the status byte";
    EXPECT_NE(log.find("    75.000 RX --\n"), std::string::npos) << "the timed-out read, 75 ms after opening";
}

// The termios device on a real pseudo-terminal.
class PtyTest : public ::testing::Test {
  protected:
    void SetUp() override {
        master_ = posix_openpt(O_RDWR | O_NOCTTY);
        ASSERT_GE(master_, 0);
        ASSERT_EQ(grantpt(master_), 0);
        ASSERT_EQ(unlockpt(master_), 0);
        path_ = ptsname(master_);
    }
    void TearDown() override { close(master_); }

    int master_ = -1;
    std::string path_;
};

TEST_F(PtyTest, ReadsWritesPurgesAndTimesOut) {
    TermiosOpener opener;
    auto device = opener.Open(path_);
    ASSERT_TRUE(device);
    ASSERT_TRUE(device->Configure(9600));
    ASSERT_TRUE(device->SetTimeouts({1, 0, 5, 1, 1}));

    const uint8_t out[] = {0x08, 0x00, 0x7C};
    ASSERT_TRUE(device->Write(out, sizeof out));
    uint8_t got[3] = {};
    ASSERT_EQ(read(master_, got, 3), 3);
    EXPECT_EQ(got[2], 0x7C);

    const uint8_t answer[] = {0x82, 0x82};
    ASSERT_EQ(write(master_, answer, 2), 2);
    EXPECT_EQ(device->ReadByte(), 0x82);
    EXPECT_EQ(device->ReadByte(), 0x82);
    EXPECT_EQ(device->ReadByte(), -1) << "nothing more within the timeout";

    // Both bytes travel in one write: once the first is read the second has arrived too.
    ASSERT_TRUE(device->SetTimeouts({1, 0, 1000, 1, 1}));
    ASSERT_EQ(write(master_, answer, 2), 2);
    EXPECT_EQ(device->ReadByte(), 0x82);
    device->PurgeReceive();
    ASSERT_TRUE(device->SetTimeouts({1, 0, 5, 1, 1}));
    EXPECT_EQ(device->ReadByte(), -1);
}

TEST_F(PtyTest, SecondOpenOfTheSamePortFailsAndMissingDevicesFail) {
    TermiosOpener opener;
    auto first = opener.Open(path_);
    ASSERT_TRUE(first);
    EXPECT_FALSE(opener.Open(path_)) << "the line is exclusive";
    first.reset();
    EXPECT_TRUE(opener.Open(path_));
    EXPECT_FALSE(opener.Open("/dev/zov-no-such-port"));
    EXPECT_FALSE(opener.Open("/dev/null")) << "not a tty";
}

}  // namespace
}  // namespace zov::testing
