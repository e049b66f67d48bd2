// Injected faults, seen at the PC end of the line.

#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "SimTestSupport.h"

namespace zov::sim {
namespace {

using testing::kOpenSession;
using testing::kTimedOut;
using testing::LineFixture;
using testing::ReadOne;
using testing::WithChecksum;
using Bytes = std::vector<uint8_t>;

const Bytes kReadVar0 = WithChecksum({0x01, 0x00});
const Bytes kVar0Answer{0x82, 0xC8, 0x00, 0x4A};

TEST(Faults, ASilentEcuStillEchoes) {
    EcuConfig config;
    config.faults.silent = true;
    LineFixture f(config);
    EXPECT_EQ(f.Transact(kOpenSession), kOpenSession);
    EXPECT_FALSE(f.ecu.SessionOpen());
    ASSERT_EQ(f.ecu.Requests().size(), 1u);
    EXPECT_TRUE(f.ecu.Requests()[0].answer.empty());
}

TEST(Faults, ADeadLineGivesNothingBackAndCostsTheWholeTimeout) {
    EcuConfig config;
    config.faults.deadLine = true;
    LineFixture f(config);
    f.device->Write(kOpenSession.data(), kOpenSession.size());
    const int64_t before = f.clock.NowUs();
    EXPECT_EQ(ReadOne(*f.device), kTimedOut);
    EXPECT_EQ(f.clock.NowUs(), before + 75000);
    EXPECT_TRUE(f.ecu.Requests().empty());
    EXPECT_FALSE(f.ecu.InFrame());
}

TEST(Faults, BusyAndRejectedAnswerTheNextRequestsWithoutExecutingThem) {
    const struct {
        const char* what;
        int Faults::*count;
        uint8_t status;
    } cases[] = {{"busy", &Faults::busy, kStatusBusy}, {"rejected", &Faults::rejected, kStatusRejected}};
    const Bytes write1 = WithChecksum({0x06, 1, 9});
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        LineFixture f;
        f.OpenSession();
        f.ecu.MutableFaults().*c.count = 2;
        EXPECT_EQ(f.Answer(write1), (Bytes{c.status, c.status}));
        EXPECT_EQ(f.Answer(write1), (Bytes{c.status, c.status}));
        EXPECT_EQ(f.ecu.Value(1), 0);
        EXPECT_EQ(f.Answer(write1), (Bytes{0x82, 0x82}));
        EXPECT_EQ(f.ecu.Value(1), 9);

        f.ecu.MutableFaults().*c.count = kAlways;
        for (int i = 0; i < 5; ++i) EXPECT_EQ(f.Answer(kReadVar0), (Bytes{c.status, c.status}));
        // The session frame is answered the same way: a busy ECU is busy for everything.
        EXPECT_EQ(f.Answer(kOpenSession), (Bytes{c.status, c.status}));
    }
}

TEST(Faults, WrongAnswerChecksums) {
    LineFixture f;
    f.OpenSession();
    f.ecu.MutableFaults().badChecksum = 1;
    Bytes answer = f.Answer(kReadVar0);
    ASSERT_EQ(answer.size(), 4u);
    EXPECT_EQ(Bytes(answer.begin(), answer.end() - 1), (Bytes{0x82, 0xC8, 0x00}));
    EXPECT_NE(answer.back(), 0x4A);
    EXPECT_EQ(f.Answer(kReadVar0), kVar0Answer);

    f.ecu.MutableFaults().badChecksum = kAlways;
    for (int i = 0; i < 3; ++i) EXPECT_NE(f.Answer(kReadVar0).back(), 0x4A);
    // Refusals carry a checksum too, and it is spoilt as well.
    f.ecu.MutableFaults().refused = {0};
    EXPECT_EQ(f.Answer(kReadVar0).front(), kStatusRefused);
    EXPECT_NE(f.Answer(kReadVar0).back(), kStatusRefused);
}

TEST(Faults, ACorruptedEchoStillLeavesTheEcuWithTheRightBytes) {
    LineFixture f;
    f.OpenSession();
    f.ecu.MutableFaults().corruptEcho = 2;
    const Bytes got = f.Transact(kReadVar0);
    ASSERT_EQ(got.size(), 7u);
    EXPECT_NE(got[0], kReadVar0[0]);
    EXPECT_NE(got[1], kReadVar0[1]);
    EXPECT_EQ(got[2], kReadVar0[2]);
    EXPECT_EQ(Bytes(got.begin() + 3, got.end()), kVar0Answer);
    EXPECT_EQ(f.Transact(kReadVar0), (Bytes{0x01, 0x00, 0x01, 0x82, 0xC8, 0x00, 0x4A}));
}

TEST(Faults, RefusedIndicesCoverVariablesAndRecords) {
    EcuConfig config;
    config.faults.refused = {0, 150};
    LineFixture f(config);
    f.OpenSession();
    EXPECT_EQ(f.Answer(kReadVar0), (Bytes{0x7F, 0x7F}));
    EXPECT_EQ(f.Answer(WithChecksum({0x0A, 0, 1, 0})), (Bytes{0x7F, 0x7F}));
    EXPECT_EQ(f.ecu.Value(0), 200);
    EXPECT_EQ(f.Answer(WithChecksum({0x41, 150})), (Bytes{0x7F, 0x7F}));
    EXPECT_EQ(f.Answer(WithChecksum({0x41, 151})).front(), kStatusAccepted);
    EXPECT_EQ(f.Answer(WithChecksum({0x01, 1})).front(), kStatusAccepted);
}

TEST(Faults, FaultsCanBeSwitchedDuringASession) {
    LineFixture f;
    f.OpenSession();
    f.ecu.MutableFaults().silent = true;
    EXPECT_EQ(f.Transact(kReadVar0), kReadVar0);
    f.ecu.MutableFaults().silent = false;
    EXPECT_EQ(f.Answer(kReadVar0), kVar0Answer);
    f.ecu.MutableFaults().deadLine = true;
    EXPECT_TRUE(f.Transact(kReadVar0).empty());
    f.ecu.MutableFaults().deadLine = false;
    EXPECT_EQ(f.Answer(kReadVar0), kVar0Answer);
}

}  // namespace
}  // namespace zov::sim
