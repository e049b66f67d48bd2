// The parameter editor's limits table and the check of a typed value against it.
#include <gtest/gtest.h>

#include "FieldLimits.h"

namespace zov::test {
namespace {

TEST(FieldLimits, TheTableHoldsEveryRowInFieldOrder) {
    const int32_t steps[4] = {15, 9, 0, 127};
    const FieldLimits::Table table = FieldLimits::Build(steps);
    // maximum, minimum by row.
    const int32_t expected[FieldLimits::kCount][2] = {
        {5000, 500}, {5, 0},       {10000, 0},   {255, 0},  {40, 15},  {5000, 0}, {4000, 200}, {8000, 3000},
        {254, 1},    {5000, 0},    {5000, 0},    {1300, 0}, {5, 0},    {254, 1},  {254, 1},    {254, 1},
        {254, 1},    {7000, 1300}, {7000, 1300}, {2000, 0}, {15, -15}, {9, -9},   {0, 0},      {127, -127},
        {100, 0},    {4, 1},       {4, 1},       {50, 0},   {0, -50},  {50, 0},   {0, -50},    {50, 0},
    };
    for (int row = 0; row < FieldLimits::kCount; ++row) {
        SCOPED_TRACE(row);
        EXPECT_EQ(table[size_t(row)].field, row);
        EXPECT_EQ(table[size_t(row)].maximum, expected[row][0]);
        EXPECT_EQ(table[size_t(row)].minimum, expected[row][1]);
    }
}

TEST(FieldLimits, ATypedValueIsAcceptedInsideTheLimitsOrWhenItIsTheModels) {
    const FieldLimits displacement{5000, 500, 0};
    struct Case {
        int32_t typed;
        int32_t model;
        bool accepted;
        int32_t restored;  // what a refusal puts back
    };
    const Case cases[] = {
        {500, 1600, true, 1600},   {5000, 1600, true, 1600}, {499, 1600, false, 1600},
        {5001, 1600, false, 1600}, {0, 1600, false, 1600},  // an empty edit reads 0
        {100, 100, true, 500},                              // the model's own value outside the limits stays
        {6000, 100, false, 500},  // refused: the model's value is no better, the minimum comes back
        {-1, 9000, false, 500},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.typed << " over " << c.model);
        EXPECT_EQ(displacement.Accepts(c.typed, c.model), c.accepted);
        EXPECT_EQ(displacement.Restored(c.model), c.restored);
    }
    const FieldLimits hysteresis{5, 0, 1};
    EXPECT_TRUE(hysteresis.Accepts(4.99, 0.14));
    EXPECT_FALSE(hysteresis.Accepts(5.01, 0.14));
    EXPECT_TRUE(hysteresis.Accepts(7.5, 7.5));
    EXPECT_FALSE(hysteresis.Accepts(-0.01, 0.0));
}

TEST(FieldLimits, TheRefusalEndsWithTheLimitsAsTheEditorWritesThem) {
    EXPECT_EQ((FieldLimits{5000, 500, 0}.RangeText(false)), " (500 , 5000)");
    EXPECT_EQ((FieldLimits{0, -50, 28}.RangeText(false)), " (-50 , 0)");
    EXPECT_EQ((FieldLimits{1300, 0, 11}.RangeText(true)), " (0 - 1300)");
}

}  // namespace
}  // namespace zov::test
