// The map chart's small rules: accepted values, hints, the row box, axis labels, the arrow keys.
#include <gtest/gtest.h>

#include <limits>
#include <optional>
#include <tuple>
#include <utility>
#include <vector>

#include "ArrowKeyStepper.h"
#include "ChartRules.h"

namespace zov {
namespace {

TEST(ChartRules, DraggedValuesAreTruncatedAndRefusedOutsideTheCellRange) {
    struct Case {
        double axis;
        std::optional<int32_t> value;
    };
    const Case cases[] = {
        {0, 0},
        {312.99, 312},
        {720, 720},
        {720.7, 720},  // truncated first, so still a cell value
        {721, std::nullopt},
        {-0.6, 0},  // truncation goes toward zero
        {-1, std::nullopt},
        {-35.2, std::nullopt},
        {std::numeric_limits<double>::quiet_NaN(), std::nullopt},
        {std::numeric_limits<double>::infinity(), std::nullopt},
    };
    for (const Case& c : cases) EXPECT_EQ(ChartRules::AcceptedValue(c.axis), c.value) << c.axis;
}

TEST(ChartRules, HintsRoundTheSpeedDownToFiftyRpm) {
    const std::pair<int32_t, int32_t> cases[] = {{450, 450}, {1873, 1850}, {1899, 1850}, {1900, 1900},
                                                 {49, 0},    {0, 0},       {-120, 0}};
    for (const auto& [rpm, shown] : cases) EXPECT_EQ(ChartRules::HintRpm(rpm), shown) << rpm;
}

TEST(ChartRules, TheRowBoxTakesOneToSixteenAndNothingElse) {
    struct Case {
        const char* text;
        std::optional<int> row;
    };
    const Case cases[] = {
        {"1", 0},
        {"16", 15},
        {"7", 6},
        {" 3 ", 2},
        {"+4", 3},
        {"0", std::nullopt},
        {"17", std::nullopt},
        {"-2", std::nullopt},
        {"", std::nullopt},
        {"  ", std::nullopt},
        {"abc", std::nullopt},
        {"3a", std::nullopt},
        {"2.0", std::nullopt},
        {"1 6", std::nullopt},
        {"99999999999", std::nullopt},
        {"++3", std::nullopt},
    };
    for (const Case& c : cases) EXPECT_EQ(ChartRules::ParseRowNumber(c.text), c.row) << '"' << c.text << '"';
}

TEST(ChartRules, TheTagShowsTheRowsWhoseBitIsSet) {
    EXPECT_TRUE(ChartRules::RowVisible(0xFFFF, 0));
    EXPECT_TRUE(ChartRules::RowVisible(0xFFFF, 15));
    EXPECT_TRUE(ChartRules::RowVisible(0x0005, 2));
    EXPECT_FALSE(ChartRules::RowVisible(0x0005, 1));
    EXPECT_FALSE(ChartRules::RowVisible(0x8000, 14));
    EXPECT_TRUE(ChartRules::RowVisible(0x8000, 15));
    EXPECT_FALSE(ChartRules::RowVisible(0xFFFF, 16));
    EXPECT_FALSE(ChartRules::RowVisible(0xFFFF, -1));
}

TEST(ChartRules, SpeedLabelsFollowTheIncrementOrAStepForTheRange) {
    struct Case {
        double from, to;
        int32_t increment;
        std::vector<int32_t> labels;
    };
    const Case cases[] = {
        // The whole logarithmic axis: every thousand.
        {420, 6700, 1000, {1000, 2000, 3000, 4000, 5000, 6000}},
        // Automatic over the same range: ten labels at most.
        {300, 6650, 0, {1000, 2000, 3000, 4000, 5000, 6000}},
        // Zoomed in: a finer step.
        {1480, 2620, 0, {1600, 1800, 2000, 2200, 2400, 2600}},
        {1480, 2420, 0, {1500, 1600, 1700, 1800, 1900, 2000, 2100, 2200, 2300, 2400}},
        {2000, 2900, 0, {2000, 2100, 2200, 2300, 2400, 2500, 2600, 2700, 2800, 2900}},
        {2000, 3000, 0, {2000, 2200, 2400, 2600, 2800, 3000}},
        {3010, 3090, 0, {3010, 3020, 3030, 3040, 3050, 3060, 3070, 3080, 3090}},
        // Reversed bounds are the same range.
        {6700, 420, 1000, {1000, 2000, 3000, 4000, 5000, 6000}},
        // Narrower than a few rpm: whole speeds only.
        {1000.2, 1000.8, 0, {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ChartRules::RpmLabels(c.from, c.to, c.increment), c.labels) << c.from << ".." << c.to;
}

TEST(ChartRules, AutomaticStepsAreOneTwoOrFiveTimesAPowerOfTen) {
    const std::tuple<double, double, double> cases[] = {
        {-20, 740, 100}, {0, 9, 1}, {0, 10, 2}, {100, 300, 50}, {250, 330, 10}, {0, 0, 1},
    };
    for (const auto& [from, to, step] : cases)
        EXPECT_EQ(ChartRules::AutomaticStep(from, to), step) << from << ".." << to;
}

// --- arrow keys ----------------------------------------------------------------------------------

using Direction = ArrowKeyStepper::Direction;
using Point = ArrowKeyStepper::Point;

TEST(ArrowKeyStepper, AHeldKeyGoesOnePixelFurtherEachTime) {
    ArrowKeyStepper stepper;
    Point p{100, 100};
    const std::pair<Direction, Point> moves[] = {
        {Direction::Up, {100, 99}},  {Direction::Up, {100, 97}},    {Direction::Up, {100, 94}},
        {Direction::Left, {96, 94}}, {Direction::Right, {101, 94}}, {Direction::Down, {101, 100}},
    };
    for (const auto& [direction, expected] : moves) {
        p = stepper.Move(p, direction, 400, 300);
        EXPECT_EQ(p, expected);
    }
    EXPECT_EQ(stepper.Step(), 7);
    stepper.KeyReleased();
    EXPECT_EQ(stepper.Step(), 1);
    EXPECT_EQ(stepper.Move(p, Direction::Down, 400, 300), (Point{101, 101}));
}

TEST(ArrowKeyStepper, ThePointerStaysInsideTheArea) {
    ArrowKeyStepper stepper;
    EXPECT_EQ(stepper.Move({0, 0}, Direction::Left, 400, 300), (Point{0, 0}));
    EXPECT_EQ(stepper.Move({0, 1}, Direction::Up, 400, 300), (Point{0, 0}));
    EXPECT_EQ(stepper.Move({397, 10}, Direction::Right, 400, 300), (Point{399, 10}));
    EXPECT_EQ(stepper.Move({5, 295}, Direction::Down, 400, 300), (Point{5, 299}));
    // Clamping does not stop the acceleration: the key is still held.
    EXPECT_EQ(stepper.Step(), 5);
}

}  // namespace
}  // namespace zov
