// The simulated port: timing on the virtual clock, timeouts, purge, and the port's own life.

#include <gtest/gtest.h>

#include <vector>

#include "SimTestSupport.h"

namespace zov::sim {
namespace {

using testing::kLost;
using testing::kOpenSession;
using testing::kTimedOut;
using testing::LineFixture;
using testing::ReadOne;
using testing::WithChecksum;
using Bytes = std::vector<uint8_t>;

// Arrival of the k-th byte of a burst at 9600 baud: 10 bits each, counted from the burst's start.
int64_t ByteTimes(int64_t k) { return k * 10'000'000 / 9600; }

EcuConfig Paced(int64_t latencyUs = 0) {
    EcuConfig config;
    config.baud = 9600;
    config.faults.latencyUs = latencyUs;
    return config;
}

TEST(LinePacing, EchoAndAnswerStreamAtTheBaudRate) {
    LineFixture f(Paced());
    f.clock.AdvanceTo(1000);
    const int64_t t0 = f.clock.NowUs();
    f.device->Write(kOpenSession.data(), kOpenSession.size());
    for (int k = 1; k <= 5; ++k) {
        EXPECT_EQ(ReadOne(*f.device), kOpenSession[k - 1]);
        EXPECT_EQ(f.clock.NowUs(), t0 + ByteTimes(k)) << k;
    }
    const int64_t lastEcho = f.clock.NowUs();
    for (int j = 1; j <= 2; ++j) {
        EXPECT_EQ(ReadOne(*f.device), 0x82);
        EXPECT_EQ(f.clock.NowUs(), lastEcho + ByteTimes(j)) << j;
    }
}

TEST(LinePacing, ByteByByteEachEchoTakesOneByteTime) {
    LineFixture f(Paced());
    for (uint8_t b : kOpenSession) {
        const int64_t sent = f.clock.NowUs();
        f.device->Write(&b, 1);
        EXPECT_EQ(ReadOne(*f.device), b);
        EXPECT_EQ(f.clock.NowUs(), sent + ByteTimes(1));
    }
}

TEST(LinePacing, ALongAnswerDoesNotDrift) {
    LineFixture f(Paced());
    f.OpenSession();
    const Bytes request = WithChecksum({0x61, 50});
    f.device->Write(request.data(), request.size());
    for (uint8_t b : request) EXPECT_EQ(ReadOne(*f.device), b);
    const int64_t lastEcho = f.clock.NowUs();
    int count = 0;
    while (count < 642 && ReadOne(*f.device) >= 0) ++count;
    EXPECT_EQ(count, 642);
    // 642 bytes at 1041.67 us each: rounding each byte would lose 427 us.
    EXPECT_EQ(f.clock.NowUs(), lastEcho + ByteTimes(642));
}

TEST(LinePacing, LatencyDelaysTheStatusByte) {
    LineFixture f(Paced(5000));
    const int64_t t0 = f.clock.NowUs();
    f.device->Write(kOpenSession.data(), kOpenSession.size());
    for (int k = 0; k < 5; ++k) ReadOne(*f.device);
    EXPECT_EQ(f.clock.NowUs(), t0 + ByteTimes(5));
    EXPECT_EQ(ReadOne(*f.device), 0x82);
    EXPECT_EQ(f.clock.NowUs(), t0 + ByteTimes(5) + 5000 + ByteTimes(1));
}

TEST(LineReads, AnEmptyLineCostsExactlyTheTimeout) {
    const struct {
        CommTimeouts timeouts;
        int64_t waitUs;
    } cases[] = {
        {{30, 15, 60, 15, 15}, 75000},
        {{30, 15, 515, 15, 15}, 530000},  // a status byte's extra wait of 500 ms
        {{0, 0, 0, 0, 0}, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.waitUs);
        LineFixture f;
        f.device->SetTimeouts(c.timeouts);
        const int64_t before = f.clock.NowUs();
        EXPECT_EQ(ReadOne(*f.device), kTimedOut);
        EXPECT_EQ(f.clock.NowUs(), before + c.waitUs);
    }
}

TEST(LineReads, AByteDueExactlyAtTheDeadlineIsInTime) {
    const Bytes request = WithChecksum({0x01, 0x00});
    for (int64_t extra : {0, 1}) {
        SCOPED_TRACE(extra);
        EcuConfig config;
        config.outOfSession = OutOfSession::Serve;
        config.faults.latencyUs = 75000 + extra;
        LineFixture f(config);
        f.device->Write(request.data(), request.size());
        for (size_t k = 0; k < request.size(); ++k) ReadOne(*f.device);
        const int64_t t = f.clock.NowUs();
        if (extra == 0) {
            EXPECT_EQ(ReadOne(*f.device), 0x82);
            EXPECT_EQ(f.clock.NowUs(), t + 75000);
        } else {
            EXPECT_EQ(ReadOne(*f.device), kTimedOut);
            EXPECT_EQ(f.clock.NowUs(), t + 75000);
            EXPECT_EQ(ReadOne(*f.device), 0x82);
            EXPECT_EQ(f.clock.NowUs(), t + 75001);
        }
    }
}

TEST(LineReads, PurgeDropsOnlyWhatHasArrived) {
    LineFixture f(Paced());
    const int64_t t0 = f.clock.NowUs();
    f.device->Write(kOpenSession.data(), kOpenSession.size());
    f.clock.AdvanceTo(t0 + ByteTimes(2));
    f.device->PurgeReceive();
    EXPECT_EQ(f.ReadAll(), (Bytes{0x7C, 0x83, 0x07, 0x82, 0x82}));
    EXPECT_EQ(f.line.PurgeCount(), 1);
}

TEST(LinePort, TimeoutsSurviveReopening) {
    VirtualClock clock;
    EcuSimulator ecu;
    SimulatedLine line(ecu, clock);
    const CommTimeouts found{1, 2, 3, 4, 5};
    const CommTimeouts link{30, 15, 60, 15, 15};
    line.SetDriverTimeouts(found);
    auto device = line.Open("/dev/ttyS0").device;
    ASSERT_TRUE(device);
    CommTimeouts got;
    ASSERT_TRUE(device->GetTimeouts(got));
    EXPECT_EQ(got, found);
    ASSERT_TRUE(device->SetTimeouts(link));
    device.reset();
    device = line.Open("/dev/ttyS0").device;
    ASSERT_TRUE(device->GetTimeouts(got));
    EXPECT_EQ(got, link);
    EXPECT_EQ(line.Timeouts(), link);
}

TEST(LinePort, OneDeviceAtATimeAndItsFailures) {
    VirtualClock clock;
    EcuSimulator ecu;
    SimulatedLine line(ecu, clock);
    auto first = line.Open("/dev/ttyS0").device;
    ASSERT_TRUE(first);
    EXPECT_TRUE(line.IsOpen());
    const OpenResult second = line.Open("/dev/ttyS0");
    EXPECT_FALSE(second.device) << "the port is not shared";
    EXPECT_EQ(second.error, (DeviceError{DeviceFault::Busy, "/dev/ttyS0", 0}));
    first.reset();
    EXPECT_FALSE(line.IsOpen());

    line.SetOpenFails(true);
    const OpenResult missing = line.Open("/dev/ttyS0");
    EXPECT_FALSE(missing.device);
    EXPECT_EQ(missing.error.fault, DeviceFault::NoSuchDevice);
    line.SetOpenFails(true, DeviceFault::PermissionDenied);
    EXPECT_EQ(line.Open("/dev/ttyS0").error, (DeviceError{DeviceFault::PermissionDenied, "/dev/ttyS0", 0}));
    line.SetOpenFails(false);

    line.SetDevicePath("/dev/pts/7");
    const OpenResult elsewhere = line.Open("/dev/ttyS0");
    EXPECT_FALSE(elsewhere.device);
    EXPECT_EQ(elsewhere.error.fault, DeviceFault::NoSuchDevice);
    auto device = line.Open("/dev/pts/7").device;
    ASSERT_TRUE(device);
    EXPECT_EQ(line.LastOpenedPath(), "/dev/pts/7");
    EXPECT_EQ(line.OpenCount(), 2);

    EXPECT_FALSE(device->Configure(12345));
    EXPECT_TRUE(device->Configure(9600));
    EXPECT_EQ(line.ConfiguredBaud(), 9600u);
    line.SetConfigureFails(true);
    EXPECT_FALSE(device->Configure(9600));

    const CommTimeouts before = line.Timeouts();
    line.SetTimeoutsFail(true);
    EXPECT_FALSE(device->SetTimeouts(CommTimeouts{9, 9, 9, 9, 9}));
    EXPECT_EQ(line.Timeouts(), before);

    EXPECT_TRUE(device->SetQueueSizes(1000, 1000));
    EXPECT_EQ(line.ReceiveQueueSize(), 1000u);
    EXPECT_EQ(device->Write(nullptr, 3), SerialStatus::Timeout) << "nothing to write from";
}

TEST(LinePort, ClosingDropsWhatWasNotRead) {
    LineFixture f;
    f.device->Write(kOpenSession.data(), kOpenSession.size());
    EXPECT_GT(f.line.PendingBytes(), 0u);
    f.device.reset();
    f.device = f.line.Open("/dev/ttyS0").device;
    EXPECT_EQ(ReadOne(*f.device), kTimedOut);
}

TEST(LinePort, ADeviceOutlivingItsLineFailsQuietly) {
    VirtualClock clock;
    EcuSimulator ecu;
    std::unique_ptr<SerialDevice> device;
    {
        SimulatedLine line(ecu, clock);
        device = line.Open("/dev/ttyS0").device;
    }
    ASSERT_TRUE(device);
    EXPECT_EQ(device->Write(kOpenSession.data(), kOpenSession.size()), SerialStatus::DeviceLost);
    EXPECT_EQ(ReadOne(*device), kLost);
    CommTimeouts t;
    EXPECT_FALSE(device->GetTimeouts(t));
    EXPECT_FALSE(device->Configure(9600));
    device->PurgeReceive();
}

// An adapter pulled out: the bytes written before it went are on the line, what was on its way
// back is gone, every later transfer fails at once (no timeout waited), and it cannot be reopened.
TEST(LinePort, ALostDeviceFailsEveryTransferAtOnceAndCannotBeReopened) {
    LineFixture f;
    f.line.LoseDevice(2);
    EXPECT_EQ(f.device->Write(kOpenSession.data(), kOpenSession.size()), SerialStatus::DeviceLost);
    EXPECT_TRUE(f.line.DeviceLost());
    EXPECT_EQ(f.line.PendingBytes(), 0u);
    const int64_t start = f.clock.NowUs();
    EXPECT_EQ(ReadOne(*f.device), kLost);
    EXPECT_EQ(f.device->Write(kOpenSession.data(), 1), SerialStatus::DeviceLost);
    EXPECT_EQ(f.clock.NowUs(), start);
    std::vector<uint8_t> sent;
    for (const TrafficEntry& t : f.line.Traffic())
        if (t.direction == LineDirection::PcToEcu) sent.push_back(t.byte);
    EXPECT_EQ(sent, (std::vector<uint8_t>{0x08, 0x00}));

    f.device.reset();
    const OpenResult again = f.line.Open("/dev/ttyS0");
    EXPECT_FALSE(again.device);
    EXPECT_EQ(again.error.fault, DeviceFault::NoSuchDevice);
}

TEST(LinePort, ADeviceLostAfterAWholeWriteKeepsThatWriteButNothingComesBack) {
    LineFixture f;
    f.line.LoseDevice(kOpenSession.size());
    EXPECT_EQ(f.device->Write(kOpenSession.data(), kOpenSession.size()), SerialStatus::Ok);
    EXPECT_EQ(ReadOne(*f.device), kLost);
    EXPECT_EQ(f.ecu.Requests().size(), 1u) << "the ECU got the whole frame";
}

TEST(LineTraffic, EveryByteIsRecordedWithDirectionAndTime) {
    LineFixture f(Paced());
    f.Transact(kOpenSession);
    const auto traffic = f.line.Traffic();
    ASSERT_EQ(traffic.size(), 12u);
    for (int k = 0; k < 5; ++k) {
        EXPECT_EQ(traffic[k].direction, LineDirection::PcToEcu);
        EXPECT_EQ(traffic[k].byte, kOpenSession[k]);
        EXPECT_EQ(traffic[k].timeUs, 0);
        EXPECT_EQ(traffic[5 + k].direction, LineDirection::EcuToPc);
        EXPECT_TRUE(traffic[5 + k].echo);
        EXPECT_EQ(traffic[5 + k].byte, kOpenSession[k]);
        EXPECT_EQ(traffic[5 + k].timeUs, ByteTimes(k + 1));
    }
    for (int j = 0; j < 2; ++j) {
        EXPECT_EQ(traffic[10 + j].direction, LineDirection::EcuToPc);
        EXPECT_FALSE(traffic[10 + j].echo);
        EXPECT_EQ(traffic[10 + j].byte, 0x82);
        EXPECT_EQ(traffic[10 + j].timeUs, ByteTimes(5) + ByteTimes(j + 1));
    }
}

}  // namespace
}  // namespace zov::sim
