// The actuator test's rules against the simulated ECU: the mask in variable 87, the five-minute
// switch-off on the virtual clock, the pressure of variable 86 and the engine guard.
#include <gtest/gtest.h>

#include "ActuatorTest.h"
#include "ActuatorTestGuard.h"
#include "DiagnosisSupport.h"

namespace zov::test {
namespace {

constexpr int64_t kMinute = 60000;

TEST(ActuatorTest, EachActuatorGoesOffFiveMinutesAfterItWentOn) {
    DiagnosisBench b;
    b.EnterDiagnosisMode();
    ActuatorTest test(b.Link(), b.clock);
    const int64_t start = b.clock.NowMs();
    ASSERT_TRUE(test.Toggle(ActuatorTest::kLargeMotor));
    b.clock.AdvanceTo((start + 2 * kMinute) * 1000);
    const int64_t gasOn = b.clock.NowMs();
    ASSERT_TRUE(test.Toggle(ActuatorTest::kGasValve));
    EXPECT_EQ(test.Mask(), 0x05);
    EXPECT_EQ(b.ecu.ActuatorMask(), 0x05);

    // Exactly five minutes is not yet past them.
    b.clock.AdvanceTo((start + 5 * kMinute) * 1000);
    EXPECT_TRUE(test.SwitchOffExpired().empty());
    b.clock.Advance(1000);
    EXPECT_EQ(test.SwitchOffExpired(), std::vector<int>{ActuatorTest::kLargeMotor});
    EXPECT_EQ(b.ecu.ActuatorMask(), 0x04);

    // The gas valve keeps its own five minutes, counted from when it went on.
    b.clock.AdvanceTo((gasOn + 5 * kMinute) * 1000);
    EXPECT_TRUE(test.SwitchOffExpired().empty());
    b.clock.Advance(1000);
    EXPECT_EQ(test.SwitchOffExpired(), std::vector<int>{ActuatorTest::kGasValve});
    EXPECT_EQ(test.Mask(), 0);
    EXPECT_EQ(b.ecu.ActuatorMask(), 0);
}

TEST(ActuatorTest, TwoActuatorsDueAtOnceGoOffOneWriteEach) {
    DiagnosisBench b;
    b.EnterDiagnosisMode();
    ActuatorTest test(b.Link(), b.clock);
    ASSERT_TRUE(test.Toggle(ActuatorTest::kSmallMotor));
    ASSERT_TRUE(test.Toggle(ActuatorTest::kIndicator));
    b.ecu.ClearRequests();
    b.clock.Advance((5 * kMinute + 1000) * 1000);
    EXPECT_EQ(test.SwitchOffExpired(),
              (std::vector<int>{ActuatorTest::kSmallMotor, ActuatorTest::kIndicator}));
    EXPECT_EQ(b.Writes(87), (std::vector<int32_t>{0x08, 0x00}));
}

TEST(ActuatorTest, AFailedWriteKeepsTheToggleForTheNextWrite) {
    DiagnosisBench b;
    // Outside diagnosis mode the ECU refuses any mask but 0.
    ActuatorTest test(b.Link(), b.clock);
    EXPECT_FALSE(test.Toggle(ActuatorTest::kGasValve));
    EXPECT_TRUE(test.IsOn(ActuatorTest::kGasValve));
    EXPECT_EQ(b.ecu.ActuatorMask(), 0);
    EXPECT_TRUE(b.Link().IsConnected());

    b.EnterDiagnosisMode();
    EXPECT_TRUE(test.Toggle(ActuatorTest::kIndicator));
    EXPECT_EQ(b.ecu.ActuatorMask(), 0x0C);
}

TEST(ActuatorTest, SwitchingAllOffSaysWhetherAnActuatorMayStillBeOn) {
    DiagnosisBench b;
    b.EnterDiagnosisMode();
    ActuatorTest test(b.Link(), b.clock);
    EXPECT_TRUE(test.SwitchAllOff());
    EXPECT_FALSE(test.ActuatorsMayBeOn());

    ASSERT_TRUE(test.Toggle(ActuatorTest::kGasValve));
    EXPECT_TRUE(test.ActuatorsMayBeOn());
    EXPECT_TRUE(test.SwitchAllOff());
    EXPECT_FALSE(test.ActuatorsMayBeOn());
    EXPECT_EQ(b.ecu.ActuatorMask(), 0);

    ASSERT_TRUE(test.Toggle(ActuatorTest::kGasValve));
    b.ecu.MutableFaults().refused.insert(87);
    EXPECT_FALSE(test.SwitchAllOff());
    EXPECT_TRUE(test.ActuatorsMayBeOn());
    EXPECT_EQ(test.Mask(), 0);
    EXPECT_EQ(b.ecu.ActuatorMask(), 0x04);
}

TEST(ActuatorTest, PressureIsTheByteOfVariable86AndZeroWithoutAnAnswer) {
    DiagnosisBench b;
    b.held->reducerPressure = 153;
    ActuatorTest test(b.Link(), b.clock);
    EXPECT_EQ(test.ReadPressure(), 153);
    b.ecu.MutableFaults().refused.insert(86);
    EXPECT_EQ(test.ReadPressure(), 0);
}

TEST(ActuatorTestGuard, TheEngineTurnsWhenTheRecordShowsASpeed) {
    const struct {
        int32_t period;
        bool turning;
    } cases[] = {{0, false}, {1, true}, {9375, true}, {65535, true}};
    for (const auto& c : cases) {
        LiveRecord record;
        record.period = c.period;
        EXPECT_EQ(ActuatorTestGuard::EngineTurning(record), c.turning) << c.period;
    }
}

TEST(ActuatorTestGuard, ReadsTheLiveRecordOfTheEcu) {
    DiagnosisBench b;
    EXPECT_EQ(ActuatorTestGuard::ReadEngine(b.Link()), ActuatorTestGuard::Engine::Stopped);
    b.RunEngine(true);
    EXPECT_EQ(ActuatorTestGuard::ReadEngine(b.Link()), ActuatorTestGuard::Engine::Turning);
    b.Link().Disconnect();
    EXPECT_EQ(ActuatorTestGuard::ReadEngine(b.Link()), ActuatorTestGuard::Engine::Unknown);
}

}  // namespace
}  // namespace zov::test
