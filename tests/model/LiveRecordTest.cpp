#include <gtest/gtest.h>

#include "LiveRecord.h"

namespace zov {
namespace {

TEST(LiveRecordTest, NamesTheLiveElementsInLinkOrder) {
    const int32_t v[kLiveRecordValues] = {10, 11, 12, -3, 4, 500, 200, 1000, 40, 3750, 0x48, 90, 100, 7};
    const LiveRecord r = LiveRecordFromValues(v);
    EXPECT_EQ(r.lambda, 10);
    EXPECT_EQ(r.integrator1, -3);
    EXPECT_EQ(r.target, 500);
    EXPECT_EQ(r.cumulus, 200);
    EXPECT_EQ(r.enrichment, 40);
    EXPECT_EQ(r.period, 3750);
    EXPECT_EQ(r.status, 0x48);
    EXPECT_EQ(r.reducerPressure, 100);
    EXPECT_EQ(r.level, 7);
}

TEST(LiveRecordTest, SplitsTheMappingStatusWordIntoSignedDeviationAndFlags) {
    const int32_t v[kMappingRecordValues] = {1, 2, 3, 2500, 360, 80, 0x08FE, 99};
    const MappingRecord r = MappingRecordFromValues(v);
    EXPECT_EQ(r.period, 2500);
    EXPECT_EQ(r.cellValue, 360);
    EXPECT_EQ(r.cellDeviation, -2);
    EXPECT_EQ(r.status, 0x08);
    EXPECT_EQ(r.reducerPressure, 99);
}

TEST(LiveRecordTest, ConversionsRoundAndTruncateAsTheEcuScales) {
    EXPECT_EQ(VoltFromByte(0), 0);
    EXPECT_EQ(VoltFromByte(255), 500);
    EXPECT_EQ(VoltFromByte(24), 47);  // 47.06 rounds down
    EXPECT_EQ(VoltFromByte(1), 2);    // 1.96 rounds up
    EXPECT_EQ(RpmFromPeriod(0), 0);
    EXPECT_EQ(RpmFromPeriod(1000), 7500);
    EXPECT_EQ(ManifoldPressure(153, 1), 80);  // 100 - 20
    EXPECT_EQ(ManifoldPressure(0, 1), -20);
    EXPECT_EQ(ManifoldPressure(100, 2), 49);   // 37.8 + 12 truncated
    EXPECT_EQ(ManifoldPressure(102, 0), 110);  // 100 + 10
}

TEST(LiveRecordTest, ReducerPressureIsAboveTheManifoldByTheSensorType) {
    EXPECT_EQ(ReducerPressureDifference(0, 100, 0), 0);
    // (102 + 51) * 1000 / 1020 + 10 = 160 against 51 * 1000 / 1020 + 10 = 60.
    EXPECT_EQ(ReducerPressureDifference(102, 51, 0), 100);
    // Type 1: (10 + 153) * 1000 / 1020 + 10 = 169 against 153 * 500 / 765 - 20 = 80.
    EXPECT_EQ(ReducerPressureDifference(0, 153, 1), 0);
    EXPECT_EQ(ReducerPressureDifference(10, 153, 1), 169 - 80);
}

TEST(LiveRecordTest, FilterMovesAnEighthPlusOneAndNeverOvershoots) {
    EXPECT_EQ(FilterPressureStep(0, 100), 13);
    EXPECT_EQ(FilterPressureStep(100, 0), 87);
    EXPECT_EQ(FilterPressureStep(99, 100), 100);
    EXPECT_EQ(FilterPressureStep(101, 100), 100);
    EXPECT_EQ(FilterPressureStep(50, 50), 50);
    int f = 0;
    for (int i = 0; i < 100; ++i) f = FilterPressureStep(f, 95);
    EXPECT_EQ(f, 95);
}

}  // namespace
}  // namespace zov
