// Variables 86 to 88 of the actuator test: diagnosis mode, the actuator mask and the reducer
// pressure, as the PC sees them on the line.
#include <gtest/gtest.h>

#include "EcuVariables.h"
#include "SimTestSupport.h"

namespace zov::sim {
namespace {

using testing::LineFixture;
using testing::WithChecksum;
using Bytes = std::vector<uint8_t>;

const Bytes kAccepted{0x82, 0x82};
const Bytes kRefused{0x7F, 0x7F};

Bytes WriteMask(int mask) { return WithChecksum({0x0A, 87, uint8_t(mask), uint8_t(mask >> 8)}); }
Bytes WriteMode(int code) { return WithChecksum({0x06, 88, uint8_t(code)}); }

TEST(DiagnosisMode, OnlyDiagnosisModeTakesAMaskOtherThanZero) {
    LineFixture f;
    f.OpenSession();
    EXPECT_EQ(f.Answer(WriteMask(0x04)), kRefused);
    EXPECT_EQ(f.Answer(WriteMask(0)), kAccepted);
    EXPECT_FALSE(f.ecu.DiagnosisMode());

    EXPECT_EQ(f.Answer(WriteMode(kDiagnosisModeCode)), kAccepted);
    EXPECT_TRUE(f.ecu.DiagnosisMode());
    EXPECT_EQ(f.Answer(WriteMask(0x0D)), kAccepted);
    EXPECT_EQ(f.ecu.ActuatorMask(), 0x0D);
    EXPECT_EQ(f.Answer(WithChecksum({0x01, 87})), WithChecksum({0x82, 0x0D, 0x00}));

    // Leaving diagnosis mode switches everything off.
    EXPECT_EQ(f.Answer(WriteMode(0)), kAccepted);
    EXPECT_FALSE(f.ecu.DiagnosisMode());
    EXPECT_EQ(f.ecu.ActuatorMask(), 0);
}

TEST(DiagnosisMode, APowerCycleEndsItWithTheActuatorsOff) {
    LineFixture f;
    f.OpenSession();
    f.Answer(WriteMode(kDiagnosisModeCode));
    f.Answer(WriteMask(0x04));
    ASSERT_EQ(f.ecu.ActuatorMask(), 0x04);
    f.ecu.PowerCycle();
    EXPECT_FALSE(f.ecu.DiagnosisMode());
    EXPECT_EQ(f.ecu.ActuatorMask(), 0);
}

TEST(DiagnosisMode, Variable86IsTheReducerPressureOfTheEngine) {
    auto held = std::make_shared<HeldSensors>();
    held->reducerPressure = 117;
    EcuConfig config;
    config.engine.held = held;
    LineFixture f(config);
    f.OpenSession();
    EXPECT_EQ(f.Answer(WithChecksum({0x01, 86})), WithChecksum({0x82, 117}));
    held->reducerPressure = 0;
    EXPECT_EQ(f.Answer(WithChecksum({0x01, 86})), WithChecksum({0x82, 0}));
}

TEST(DiagnosisMode, ActuatorsByName) {
    const struct {
        int32_t mask;
        const char* text;
    } cases[] = {{0, "all off"},
                 {0x01, "large motor"},
                 {0x06, "small motor, gas valve"},
                 {0x0F, "large motor, small motor, gas valve, indicator"}};
    for (const auto& c : cases) EXPECT_EQ(DescribeActuators(c.mask), c.text) << c.mask;
}

}  // namespace
}  // namespace zov::sim
