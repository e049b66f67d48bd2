#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <thread>

#include "../sim/SimTestSupport.h"
#include "SimLink.h"
#include "TermiosSerial.h"
#include "TraceSerial.h"
#include "Wire.h"

namespace zov::testing {
namespace {

using sim::testing::kLost;
using sim::testing::kTimedOut;
using sim::testing::ReadOne;

const std::string kPermissionText =
    "Permission denied on /dev/ttyUSB0: add your user to the 'dialout' group (sudo usermod -aG dialout "
    "$USER) and log in again";
const std::string kDeviceLostMessage =
    "Linea seriale non pi\xF9 disponibile: l'adattatore \xE8 stato scollegato.";

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

TEST(Trace, MarksALostDevice) {
    SimLink s;
    std::FILE* sink = std::tmpfile();
    ASSERT_TRUE(sink);
    TraceOpener tracing(s.line, sink, s.clock);
    auto device = tracing.Open("/dev/ttyS0").device;
    ASSERT_TRUE(device);
    s.line.LoseDevice();
    const uint8_t b = 0x01;
    EXPECT_EQ(device->Write(&b, 1), SerialStatus::DeviceLost);
    EXPECT_EQ(ReadOne(*device), kLost);
    std::rewind(sink);
    std::string log;
    for (int c = std::fgetc(sink); c != EOF; c = std::fgetc(sink)) log += char(c);
    std::fclose(sink);
    EXPECT_EQ(log, "OPEN /dev/ttyS0\n     0.000 TX 01\n     0.000 TX-LOST\n     0.000 RX LOST\n");
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
    void TearDown() override {
        if (master_ >= 0) close(master_);
    }

    int master_ = -1;
    std::string path_;
};

TEST_F(PtyTest, ReadsWritesPurgesAndTimesOut) {
    TermiosOpener opener;
    auto device = opener.Open(path_).device;
    ASSERT_TRUE(device);
    ASSERT_TRUE(device->Configure(9600));
    ASSERT_TRUE(device->SetTimeouts({1, 0, 5, 1, 1}));

    const uint8_t out[] = {0x08, 0x00, 0x7C};
    ASSERT_EQ(device->Write(out, sizeof out), SerialStatus::Ok);
    uint8_t got[3] = {};
    ASSERT_EQ(read(master_, got, 3), 3);
    EXPECT_EQ(got[2], 0x7C);

    const uint8_t answer[] = {0x82, 0x82};
    ASSERT_EQ(write(master_, answer, 2), 2);
    EXPECT_EQ(ReadOne(*device), 0x82);
    EXPECT_EQ(ReadOne(*device), 0x82);
    EXPECT_EQ(ReadOne(*device), kTimedOut) << "nothing more within the timeout";

    // Both bytes travel in one write: once the first is read the second has arrived too.
    ASSERT_TRUE(device->SetTimeouts({1, 0, 1000, 1, 1}));
    ASSERT_EQ(write(master_, answer, 2), 2);
    EXPECT_EQ(ReadOne(*device), 0x82);
    device->PurgeReceive();
    ASSERT_TRUE(device->SetTimeouts({1, 0, 5, 1, 1}));
    EXPECT_EQ(ReadOne(*device), kTimedOut);
}

TEST_F(PtyTest, SecondOpenOfTheSamePortFailsAndMissingDevicesFail) {
    TermiosOpener opener;
    auto first = opener.Open(path_).device;
    ASSERT_TRUE(first);
    const OpenResult second = opener.Open(path_);
    EXPECT_FALSE(second.device) << "the line is exclusive";
    EXPECT_EQ(second.error.fault, DeviceFault::Busy);
    EXPECT_EQ(second.error.Text(), path_ + " is busy: another program is using the port");
    first.reset();
    EXPECT_TRUE(opener.Open(path_).device);
}

// Paths that are no usable serial port, on the real opener: each gives its own reason.
TEST(TermiosOpen, SaysWhyAPathCannotBeUsed) {
    const std::string dir = ::testing::TempDir() + "zov-open-" + std::to_string(getpid());
    ASSERT_EQ(mkdir(dir.c_str(), 0700), 0);
    const std::string fifo = dir + "/fifo";
    const std::string file = dir + "/file";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const int fd = open(file.c_str(), O_CREAT | O_WRONLY, 0600);
    ASSERT_GE(fd, 0);
    close(fd);

    const struct {
        std::string path;
        DeviceFault fault;
        std::string text;
    } cases[] = {
        {dir + "/ttyUSB9", DeviceFault::NoSuchDevice,
         "No such device " + dir + "/ttyUSB9: plug the adapter in or choose another port"},
        {fifo, DeviceFault::NotSerial, fifo + " is not a serial port"},
        {file, DeviceFault::NotSerial, file + " is not a serial port"},
        {"/dev/null", DeviceFault::NotSerial, "/dev/null is not a serial port"},
        {dir, DeviceFault::Other, "Cannot open " + dir + ": Is a directory"},
    };
    TermiosOpener opener;
    for (const auto& c : cases) {
        const OpenResult r = opener.Open(c.path);
        EXPECT_FALSE(r.device) << c.path;
        EXPECT_EQ(r.error.fault, c.fault) << c.path;
        EXPECT_EQ(r.error.path, c.path);
        EXPECT_EQ(r.error.Text(), c.text);
    }
    unlink(fifo.c_str());
    unlink(file.c_str());
    rmdir(dir.c_str());
}

TEST(DeviceError, SystemErrorsMapToTheFaultAUserCanActOn) {
    const struct {
        int error;
        DeviceFault fault;
    } cases[] = {
        {EACCES, DeviceFault::PermissionDenied},
        {EPERM, DeviceFault::PermissionDenied},
        {ENOENT, DeviceFault::NoSuchDevice},
        {ENODEV, DeviceFault::NoSuchDevice},
        {ENXIO, DeviceFault::NoSuchDevice},
        {EBUSY, DeviceFault::Busy},
        {EWOULDBLOCK, DeviceFault::Busy},
        {ENOTTY, DeviceFault::NotSerial},
        {EIO, DeviceFault::Other},
    };
    for (const auto& c : cases) {
        const DeviceError e = DeviceError::FromErrno("/dev/ttyUSB0", c.error);
        EXPECT_EQ(e.fault, c.fault) << c.error;
        EXPECT_EQ(e.systemError, c.error);
    }
    EXPECT_EQ(DeviceError::FromErrno("/dev/ttyUSB0", EACCES).Text(), kPermissionText);
    EXPECT_EQ(DeviceError::FromErrno("/dev/ttyUSB0", EIO).Text(),
              "Cannot open /dev/ttyUSB0: Input/output error");
    EXPECT_EQ((DeviceError{DeviceFault::Lost, "/dev/ttyUSB0", 0}).Text(),
              "/dev/ttyUSB0 is no longer available: the adapter was disconnected");
    EXPECT_EQ((DeviceError{DeviceFault::SetupRefused, "/dev/ttyS0", 0}).Text(),
              "/dev/ttyS0 does not accept the serial line settings");
    EXPECT_FALSE(DeviceError{});
    EXPECT_EQ(DeviceError{}.Text(), "");
}

TEST(DeviceError, ATranslatedLineTakesThePathAndKeepsTheSystemsReason) {
    const DeviceError busy{DeviceFault::Busy, "/dev/ttyS1", EBUSY};
    EXPECT_STREQ(busy.Line().identifier, "MessPortOccupato");
    EXPECT_EQ(busy.Text("Porta %1 occupata (%1)"), "Porta /dev/ttyS1 occupata (/dev/ttyS1)");
    EXPECT_EQ(busy.Text(""), busy.Text()) << "no translation: the English line";
    const DeviceError other = DeviceError::FromErrno("/dev/ttyS1", EIO);
    EXPECT_EQ(other.Text("Impossibile aprire %1"), "Impossibile aprire /dev/ttyS1: Input/output error");
    EXPECT_STREQ((DeviceError{DeviceFault::PermissionDenied, "/dev/hidraw3", EACCES}).Line().identifier,
                 "MessPortNegatoUsb");
}

// An opener refusing as the system does for a port the user may not open.
class RefusingOpener : public SerialOpener {
  public:
    explicit RefusingOpener(int error) : error_(error) {}
    OpenResult Open(const std::string& path) override {
        return {nullptr, DeviceError::FromErrno(path, error_)};
    }

  private:
    int error_;
};

TEST(OpenPort, TheLinkKeepsWhyTheDeviceCouldNotBeOpenedUntilAGoodOpening) {
    VirtualClock clock;
    ScriptedPrompter prompter;
    RefusingOpener refusing(EACCES);
    ComInj link(0, 5, refusing, clock, prompter);
    link.SetPortPath(0, "/dev/ttyUSB0");
    EXPECT_FALSE(link.OpenPort());
    EXPECT_EQ(link.LastDeviceError().Text(), kPermissionText);
    EXPECT_FALSE(link.Connect());
    EXPECT_EQ(link.LastDeviceError().fault, DeviceFault::PermissionDenied) << "Connect keeps it too";
    EXPECT_TRUE(prompter.shown.empty());

    TermiosOpener termios;  // a real path that does not exist
    ComInj missing(0, 5, termios, clock, prompter);
    missing.SetPortPath(0, "/dev/zov-no-such-port");
    EXPECT_FALSE(missing.Connect());
    EXPECT_EQ(missing.LastDeviceError(),
              (DeviceError{DeviceFault::NoSuchDevice, "/dev/zov-no-such-port", ENOENT}));

    SimLink s;
    s.line.SetConfigureFails(true);
    EXPECT_FALSE(s.link.OpenPort());
    EXPECT_EQ(s.link.LastDeviceError(), (DeviceError{DeviceFault::SetupRefused, "/dev/ttyS0", 0}));
    s.line.SetConfigureFails(false);
    ASSERT_TRUE(s.link.OpenPort());
    EXPECT_FALSE(s.link.LastDeviceError()) << "a good opening clears it";

    SimLink unnamed;
    unnamed.link.SelectPort(7);
    EXPECT_FALSE(unnamed.link.OpenPort());
    EXPECT_EQ(unnamed.link.LastDeviceError(), (DeviceError{DeviceFault::NoSuchDevice, "COM8", 0}));
}

// The other end of the terminal closed (what an unplugged USB adapter looks like): reads and
// writes report a lost device, not a timeout.
TEST_F(PtyTest, OtherEndClosedReportsTheDeviceLost) {
    TermiosOpener opener;
    auto device = opener.Open(path_).device;
    ASSERT_TRUE(device);
    ASSERT_TRUE(device->Configure(9600));
    ASSERT_TRUE(device->SetTimeouts({1, 0, 5000, 1, 1}));
    close(master_);
    master_ = -1;
    EXPECT_EQ(ReadOne(*device), kLost);
    const uint8_t b = 0x08;
    EXPECT_EQ(device->Write(&b, 1), SerialStatus::DeviceLost);
}

// Plays the ECU behind the master side of a pseudo-terminal from a thread: every byte is echoed
// and answered through the simulator, until the adapter is pulled out.
class PtyEcu {
  public:
    explicit PtyEcu(int master) : master_(master), wire_(ecu_), thread_([this] { Serve(); }) {}
    ~PtyEcu() { Unplug(); }

    // Stops serving and closes the master: the PC's end hangs up.
    void Unplug() {
        if (!thread_.joinable()) return;
        stop_ = true;
        thread_.join();
        close(master_);
    }

  private:
    void Serve() {
        std::vector<sim::TimedByte> back;
        while (!stop_) {
            pollfd p{master_, POLLIN, 0};
            if (poll(&p, 1, 10) <= 0) continue;
            uint8_t buffer[256];
            const ssize_t n = read(master_, buffer, sizeof buffer);
            const int64_t now = std::chrono::duration_cast<std::chrono::microseconds>(
                                    std::chrono::steady_clock::now().time_since_epoch())
                                    .count();
            back.clear();
            for (ssize_t i = 0; i < n; ++i) wire_.Send(buffer[i], now, back);
            for (const sim::TimedByte& b : back)
                if (write(master_, &b.byte, 1) != 1) return;
        }
    }

    int master_;
    sim::EcuSimulator ecu_;
    sim::Wire wire_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

TEST_F(PtyTest, AdapterPulledOutMidSessionClosesTheSessionWithOneMessage) {
    SteadyClock clock;
    ScriptedPrompter prompter;
    TermiosOpener opener;
    ComInj link(0, 5, opener, clock, prompter);
    link.SetLinkMessages();
    link.SetPortPath(0, path_);
    PtyEcu ecu(master_);
    master_ = -1;  // closed by the unplugging
    ASSERT_TRUE(link.Connect());
    EXPECT_EQ(link.ReadVar(40, nullptr), 1600) << "the session works";

    ecu.Unplug();
    EXPECT_EQ(link.ReadVar(40, nullptr), 0);

    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].text, kDeviceLostMessage);
    EXPECT_EQ(prompter.shown[0].buttons, PromptButtons::Ok);
    EXPECT_FALSE(link.IsConnected());
    EXPECT_EQ(link.isOpen, 0);
    EXPECT_EQ(link.LastDeviceError(), (DeviceError{DeviceFault::Lost, path_, 0}));
}

}  // namespace
}  // namespace zov::testing
