// The live data window's rules, without the window.
#include <gtest/gtest.h>

#include "LiveViewRules.h"

namespace zov {
namespace {

// The map's speed axis as the ECU ships it: 1000 to 6500 rpm.
constexpr std::array<int32_t, 20> kAxis = {1000, 1300, 1600, 1900, 2200, 2500, 2800, 3100, 3400, 3700,
                                           4000, 4300, 4600, 4900, 5200, 5500, 5800, 6100, 6300, 6500};

TEST(LiveViewRules, ScalesSetWhenTheWindowOpens) {
    const struct {
        int32_t type;
        std::string top, bottom;
        int32_t low, high;
    } lambdas[] = {{0, "+1v", "0v", 0, 100},
                   {1, "1.6v", "0.8v", 80, 160},
                   {2, "+5v", "0v", 0, 500},
                   {7, "+5v", "0v", 0, 500}};
    for (const auto& c : lambdas) {
        const LambdaScale s = LambdaScaleOf(c.type);
        EXPECT_EQ(s.topText, c.top) << c.type;
        EXPECT_EQ(s.bottomText, c.bottom) << c.type;
        EXPECT_EQ(s.low, c.low) << c.type;
        EXPECT_EQ(s.high, c.high) << c.type;
    }
    EXPECT_EQ(FullScaleRpm(6500), 7500);
    EXPECT_EQ(FullScaleRpm(6505), 7500);  // whole tens
    EXPECT_EQ(FullScaleRpm(6519), 7510);

    // Top row 450 (4.50 V): 225 + 10 - 90 = 145, shown with two digits; row 151: -4.5 truncated.
    EXPECT_EQ(MapBarTop(450), 145);
    EXPECT_EQ(MapBarTopText(145), "1.4");
    EXPECT_EQ(MapBarTopText(99), "1");
    EXPECT_EQ(MapBarTopText(100), "1");
    EXPECT_EQ(MapBarTopText(160), "1.6");
    EXPECT_EQ(MapBarTop(151), -4);
    // 90 / (90 + 110) of a 200 pixel bar at 20.
    EXPECT_EQ(ZeroMarkLeft(110, 200, 20), 110);

    EXPECT_EQ(PressureWindowOf(0).low, 89);
    EXPECT_EQ(PressureWindowOf(0).high, 99);
    EXPECT_EQ(PressureWindowOf(1).low, 103);
    EXPECT_EQ(PressureWindowOf(1).high, 115);
    EXPECT_EQ(PressureWindowOf(2).low, 89);
}

TEST(LiveViewRules, LambdaReferenceColumnOfTheSpeed) {
    const struct {
        int32_t rpm;
        int column;
    } cases[] = {
        {0, 0},     {1149, 0},  {1150, 1},  {3250, 8},  {6199, 17}, {6200, 18}, {6399, 18},
        {6400, 19}, {6300, 18}, {7501, 19}, {7500, 19}, {-1, 19},  // a negative speed compares as a huge one
    };
    for (const auto& c : cases) EXPECT_EQ(MapColumnOf(c.rpm, kAxis), c.column) << c.rpm;

    // With the two last columns close together 6300 rpm is past the last midpoint: no column
    // beyond 19 exists, so it stays there.
    std::array<int32_t, 20> tight = kAxis;
    tight[18] = 6000;
    EXPECT_EQ(MapColumnOf(6300, tight), 19);
    // Beyond the last column plus 1000 rpm, whatever the axis says.
    std::array<int32_t, 20> odd = kAxis;
    odd[0] = odd[1] = 9000;
    EXPECT_EQ(MapColumnOf(7501, odd), 19);
    EXPECT_EQ(MapColumnOf(7500, odd), 0);
}

TEST(LiveViewRules, TpsSegmentsRepaintOnlyWhatChanged) {
    EXPECT_EQ(TpsLevel(0), 0);
    EXPECT_EQ(TpsLevel(47), 0);
    EXPECT_EQ(TpsLevel(48), 1);
    EXPECT_EQ(TpsLevel(247), 4);
    EXPECT_EQ(TpsLevel(500), 10);

    EXPECT_FALSE(TpsRepaint(3, 3));
    const auto up = TpsRepaint(0, 10);
    ASSERT_TRUE(up);
    EXPECT_EQ(up->first, 0);
    EXPECT_EQ(up->last, 10);
    EXPECT_TRUE(up->lit);
    const auto down = TpsRepaint(10, 4);
    ASSERT_TRUE(down);
    EXPECT_EQ(down->first, 4);
    EXPECT_EQ(down->last, 10);
    EXPECT_FALSE(down->lit);
    const auto rise = TpsRepaint(2, 5);
    ASSERT_TRUE(rise);
    EXPECT_EQ(rise->first, 2);
    EXPECT_EQ(rise->last, 5);

    for (int s = 0; s < 7; ++s) EXPECT_FALSE(TpsSegmentIsRed(s)) << s;
    for (int s = 7; s < 10; ++s) EXPECT_TRUE(TpsSegmentIsRed(s)) << s;
}

TEST(LiveViewRules, BarsAndNeedle) {
    // Manifold bar from -90 to 145: absolute 100 (0 bar relative) is at 90 / 235.
    EXPECT_EQ(MapBarPosition(100, 145), 38);
    EXPECT_EQ(MapBarPosition(0, 145), 0);
    EXPECT_EQ(MapBarPosition(5, 145), 0);  // below the bottom: held at 0
    EXPECT_EQ(MapBarPosition(245, 145), 100);
    EXPECT_EQ(MapBarPosition(400, 145), 100);  // above the top: held at 100

    const LambdaScale wide = LambdaScaleOf(2);
    const LambdaScale narrow = LambdaScaleOf(1);
    EXPECT_EQ(LambdaBarWidth(0, wide), 0);
    EXPECT_EQ(LambdaBarWidth(250, wide), 73);
    EXPECT_EQ(LambdaBarWidth(500, wide), 146);
    EXPECT_EQ(LambdaBarWidth(79, narrow), 0);
    EXPECT_EQ(LambdaBarWidth(120, narrow), 73);

    EXPECT_DOUBLE_EQ(NeedleDegrees(0, 7500), 225.0);
    EXPECT_DOUBLE_EQ(NeedleDegrees(3750, 7500), 90.0);
    EXPECT_DOUBLE_EQ(NeedleDegrees(7500, 7500), -45.0);
}

TEST(LiveViewRules, PressureCheckOnAWarmReducerOnly) {
    const PressureWindow gpl = PressureWindowOf(0);
    const PressureWindow cng = PressureWindowOf(1);
    const struct {
        std::optional<double> celsius;
        int32_t filtered;
        PressureWindow window;
        PressureCheck expected;
    } cases[] = {
        {60.0, 95, gpl, PressureCheck::Ok},          {60.0, 100, gpl, PressureCheck::High},
        {60.0, 80, gpl, PressureCheck::Low},         {60.0, 89, gpl, PressureCheck::Ok},
        {60.0, 99, gpl, PressureCheck::Ok},          {60.0, 95, cng, PressureCheck::Low},
        {60.0, 110, cng, PressureCheck::Ok},         {60.0, 116, cng, PressureCheck::High},
        {40.9, 80, gpl, PressureCheck::Off},         {41.0, 80, gpl, PressureCheck::Low},
        {std::nullopt, 80, gpl, PressureCheck::Off}, {-1000.0, 80, gpl, PressureCheck::Off},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CheckPressure(c.celsius, c.filtered, c.window), c.expected)
            << c.celsius.value_or(-1) << " " << c.filtered;
}

TEST(LiveViewRules, SignificantDigitsAsPercentG) {
    EXPECT_EQ(Significant(0.47, 4), "0.47");
    EXPECT_EQ(Significant(5.0, 4), "5");
    EXPECT_EQ(Significant(-0.35, 4), "-0.35");
    EXPECT_EQ(Significant(78.4321, 4), "78.43");
    EXPECT_EQ(Significant(1.45, 2), "1.4");
}

}  // namespace
}  // namespace zov
