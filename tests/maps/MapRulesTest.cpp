// The map editor's rules without its window: boundaries and cursor, redraw thinning, the reducer
// pressure's smoothing and held peaks, the sample filters and zone points, the wait for the start.

#include <gtest/gtest.h>

#include <functional>

#include "ConfCar.h"
#include "FilteredAcquisition.h"
#include "MapBounds.h"
#include "MapCursor.h"
#include "MapLocks.h"
#include "MappingWait.h"
#include "ModelTestSupport.h"
#include "PressurePeaks.h"

namespace zov::test {
namespace {

using zov::testing::ModelBench;

// Default axes: column boundaries 0, 500, 600, 725, ..., 5625, 6200 and 7200 beyond the last;
// the last row boundary is (186 + 178) / 2 + 100 = 282.
struct Axes : ::testing::Test {
    Axes() : bench({}, false) { bounds.Compute(bench.map); }
    ModelBench bench;
    MapBounds bounds;
};

TEST_F(Axes, BoundariesLieHalfWayWithOneMoreStepBeyondTheLast) {
    EXPECT_EQ(bounds.Column(0), 0);
    EXPECT_EQ(bounds.Column(1), 500);
    EXPECT_EQ(bounds.Column(3), 725);
    EXPECT_EQ(bounds.Column(19), 6200);
    EXPECT_EQ(bounds.Column(20), 7200);
    EXPECT_EQ(bounds.Row(0), 0);
    EXPECT_EQ(bounds.Row(16), 282);
}

TEST_F(Axes, ColumnAndRowOfAValue) {
    struct Case {
        int32_t rpm;
        int column;
    };
    // A value on a boundary belongs to the column above it; beyond the last, the last column.
    for (const Case c : {Case{0, 0}, Case{499, 0}, Case{500, 1}, Case{6199, 18}, Case{6200, 19},
                         Case{7200, 19}, Case{7201, 19}, Case{-1, 19}})
        EXPECT_EQ(bounds.ColumnOf(c.rpm), c.column) << c.rpm;
    EXPECT_EQ(bounds.RowOf(0), 0);
    EXPECT_EQ(bounds.RowOf(283), 15);
    EXPECT_EQ(bounds.RowOf(22), 0);  // first row boundary (29 + 18) / 2 = 23
    EXPECT_EQ(bounds.RowOf(23), 1);
}

TEST_F(Axes, CursorRunsFromTheLowerBoundaryThroughTheBreakpointToTheUpperOne) {
    const GridGeometry grid{30, 20};  // cell (c, r) starts at 31 c, 21 r and is 30 x 20
    struct Case {
        int32_t rpm, map;
        int column, row, x, y;
    };
    const Case cases[] = {
        {0, 0, 0, 0, 31, 21},           // the cells' left and top edges
        {450, 18, 0, 0, 46, 31},        // on the first breakpoints: the cell's centre
        {5000, 18, 16, 0, 551, 31},     // past breakpoint 4850 towards boundary 5100: 15 + 15 x 150 / 250
        {6850, 18, 19, 0, 642, 31},     // between 6500 and the last boundary 7200
        {7200, 283, 19, 15, 650, 356},  // on the last boundary, and beyond the last row
        {9000, 283, 19, 15, 650, 356},  // beyond the last boundary: the right edge of column 19
    };
    for (const Case& c : cases) {
        MapCursor cursor;
        cursor.Place(c.rpm, c.map, bounds, bench.map, grid);
        EXPECT_EQ(cursor.Column(), c.column) << c.rpm;
        EXPECT_EQ(cursor.Row(), c.row) << c.map;
        EXPECT_EQ(cursor.X(), c.x) << c.rpm;
        EXPECT_EQ(cursor.Y(), c.y) << c.map;
        EXPECT_EQ(cursor.Box(), (PixelBox{c.x - 10, c.y - 10, c.x + 10, c.y + 10}));
    }
}

TEST_F(Axes, EqualBreakpointsPutTheCursorOnTheBreakpointWithoutDividingByZero) {
    bench.map.SetRpm(5, 950);  // columns 4 and 5 both at 950 rpm
    bench.map.SetMap(3, bench.map.GetMap(2));
    bounds.Compute(bench.map);
    MapCursor cursor;
    cursor.Place(950, bench.map.GetMap(2), bounds, bench.map, GridGeometry{30, 20});
    EXPECT_EQ(cursor.Column(), 5);
    EXPECT_EQ(cursor.X(), 6 * 31 + 15);
    EXPECT_EQ(cursor.Row(), 3);
    EXPECT_EQ(cursor.Y(), 4 * 21 + 10);
    // A value outside its interval (axes that do not increase) stays inside its cell, and a
    // breakpoint below its lower boundary puts the cursor on the centre.
    EXPECT_EQ(MapBounds::Offset(100, 200, 250, 300, 15), 0);
    EXPECT_EQ(MapBounds::Offset(900, 200, 250, 300, 15), 30);
    EXPECT_EQ(MapBounds::Offset(100, 200, 150, 300, 15), 15);
}

TEST(MapLocksRules, ToggleLocksARangeUnlessAllOfItIsLockedAndRowsTravelAsBits) {
    MapLocks locks;
    struct Case {
        int rowFrom, rowTo, colFrom, colTo;
        bool lockedAfter;
        int count;
    } cases[] = {
        {2, 3, 4, 5, true, 4},     // all free: locked
        {3, 2, 5, 4, false, 0},    // the same cells, corners swapped: all locked, so unlocked
        {0, 0, 0, 0, true, 1},     // one cell
        {0, 1, 0, 0, true, 2},     // partly locked: all locked
        {0, 1, 0, 0, false, 0},    // all locked: all unlocked
        {15, 16, 19, 20, true, 1}  // beyond the map: only the map's cell counts
    };
    for (const Case& c : cases) {
        EXPECT_EQ(locks.Toggle(c.rowFrom, c.rowTo, c.colFrom, c.colTo), c.lockedAfter);
        EXPECT_EQ(locks.Count(), c.count);
    }
    EXPECT_EQ(locks.RowMask(15), uint32_t(1) << 19);
    MapLocks copy;
    copy.SetRowMask(7, 0xFFFFFFFFu);  // bits beyond the columns mean nothing
    EXPECT_EQ(copy.RowMask(7), MapLocks::kRowMaskMax);
    EXPECT_EQ(copy.Count(), 20);
}

TEST(MapCursorThinning, AnUnchangedPointIsRedrawnOnEveryNinthTickOnly) {
    MapCursor cursor;
    std::vector<bool> due;
    due.push_back(cursor.Due(1000, 50));
    for (int i = 0; i < 18; ++i) due.push_back(cursor.Due(1000, 50));
    due.push_back(cursor.Due(1001, 50));
    const std::vector<bool> expected = {true,  false, false, false, false, false, false, false, false, true,
                                        false, false, false, false, false, false, false, false, true,  true};
    EXPECT_EQ(due, expected);
}

TEST(PressurePeaksRules, SmoothingMovesAnEighthPlusOneAndZeroResetsIt) {
    PressurePeaks p;
    const int32_t readings[] = {100, 100, 100, 0, 50, 49};
    const int32_t filtered[] = {13, 24, 34, 0, 7, 13};
    for (size_t i = 0; i < std::size(readings); ++i) {
        p.Take(readings[i]);
        EXPECT_EQ(p.Filtered(), filtered[i]) << i;
    }
    PressurePeaks near;
    for (int i = 0; i < 40; ++i) near.Take(100);
    EXPECT_EQ(near.Filtered(), 100);  // reached, never passed
}

TEST(PressurePeaksRules, APeakIsHeldTwentyStepsUnlessExceeded) {
    PressurePeaks p;
    p.Take(90);
    PressurePeaks::Refreshed first = p.Show();
    EXPECT_TRUE(first.max && first.min);
    EXPECT_EQ(p.Max(), 90);
    int refreshedAt = -1;
    for (int step = 1; step <= 25 && refreshedAt < 0; ++step) {
        p.Take(85);
        if (p.Show().max) refreshedAt = step;
    }
    EXPECT_EQ(refreshedAt, 20);
    EXPECT_EQ(p.Max(), 85);
    EXPECT_EQ(p.Min(), 85);  // a lower value is a new low at once
    p.Take(95);
    EXPECT_TRUE(p.Show().max);
    EXPECT_EQ(p.Max(), 95);
}

// A drive in the middle of zone 0 with a switching probe: every filter passes unless a case
// spoils one thing.
struct Acquisition : ::testing::Test {
    Acquisition() : bench({}, false) {}
    MappingTick Steady(int64_t tMs) const {
        MappingTick t;
        t.tMs = tMs;
        t.rpm = bench.map.GetRpm(2);
        t.map = bench.map.GetMap(5);
        t.tps = 100;
        t.lambdaGreen = (tMs / 300) % 2 == 0;  // a crossing every 300 ms
        t.status = FilteredAcquisition::kClosedLoopBit | FilteredAcquisition::kReadyBit;
        t.deviation = 3;
        t.cellValue = 200 + int32_t(tMs / 100 % 3);
        t.reducerC = 60.0;
        return t;
    }
    // Ticks every 100 ms from `fromMs` to `toMs`, spoiled by `spoil`; the points taken.
    std::vector<FilteredAcquisition::Point> Drive(FilteredAcquisition& a, int64_t fromMs, int64_t toMs,
                                                  const std::function<void(MappingTick&)>& spoil = {}) {
        std::vector<FilteredAcquisition::Point> points;
        for (int64_t t = fromMs; t < toMs; t += 100) {
            MappingTick tick = Steady(t);
            if (spoil) spoil(tick);
            const FilteredAcquisition::Outcome o = a.Take(tick, bench.map, true);
            if (o.point) points.push_back(*o.point);
        }
        return points;
    }
    ModelBench bench;
};

TEST_F(Acquisition, APointNeedsTheMinimumSamplesOverTheMinimumTimeAndIsTheirMean) {
    MappingOptions options;
    options.minSamples = 5;
    options.minSpanMs = 1500;
    FilteredAcquisition a(options);
    Drive(a, 0, 500);  // the probe's first crossings: samples before one are refused
    const int before = a.Accepted();
    // Five samples would be enough, but they span less than 1.5 s.
    EXPECT_TRUE(Drive(a, 500, 1000).empty());
    EXPECT_EQ(a.Accepted(), before + 5);
    const auto points = Drive(a, 1000, 3000);
    ASSERT_EQ(points.size(), 1u);
    EXPECT_EQ(points[0].zone, 0);
    EXPECT_EQ(points[0].rpm, bench.map.GetRpm(2));
    EXPECT_EQ(points[0].map, bench.map.GetMap(5));
    EXPECT_GE(points[0].value, 200);
    EXPECT_LE(points[0].value, 202);
    // Refused samples never enter the mean: a stretch of cut-off with absurd cells changes nothing.
    FilteredAcquisition b(options);
    Drive(b, 0, 500);
    const auto mixed = Drive(b, 500, 4000, [](MappingTick& t) {
        if (t.tMs % 200 == 0) {
            t.status |= FilteredAcquisition::kCutoffBit;
            t.cellValue = 700;
        }
    });
    ASSERT_FALSE(mixed.empty());
    EXPECT_LE(mixed[0].value, 202);
    EXPECT_GT(b.TotalRefused(MappingRefusal::FuelCut), 0);
}

TEST_F(Acquisition, EachFilterRefusesItsFaultAndCountsIt) {
    struct Case {
        MappingRefusal reason;
        std::function<void(MappingTick&)> spoil;
    };
    const Case cases[] = {
        {MappingRefusal::ReducerCold, [](MappingTick& t) { t.reducerC = 35.0; }},
        {MappingRefusal::ReducerCold, [](MappingTick& t) { t.reducerC.reset(); }},
        {MappingRefusal::OpenLoop, [](MappingTick& t) { t.status &= ~FilteredAcquisition::kClosedLoopBit; }},
        {MappingRefusal::FuelCut, [](MappingTick& t) { t.status |= FilteredAcquisition::kCutoffBit; }},
        {MappingRefusal::LambdaStill, [](MappingTick& t) { t.lambdaGreen = false; }},
        {MappingRefusal::IntegratorLimit, [](MappingTick& t) { t.deviation = -40; }},
        {MappingRefusal::Transient, [](MappingTick& t) { t.map += t.tMs % 200 == 0 ? 0 : 12; }},
        {MappingRefusal::Enrichment, [](MappingTick& t) { t.tps += t.tMs % 1000 == 0 ? 30 : 0; }},
        {MappingRefusal::ZoneEdge, [this](MappingTick& t) { t.rpm = bench.map.ColumnBoundary(1) + 10; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(MappingRefusalName(c.reason));
        FilteredAcquisition a;
        Drive(a, 0, 500);
        EXPECT_TRUE(Drive(a, 500, 20000, c.spoil).empty()) << "no point from a faulty stretch";
        EXPECT_GT(a.TotalRefused(c.reason), 40);
        EXPECT_EQ(a.ZoneReasons().front().first, c.reason) << "the largest count comes first";
        // The same drive without the fault learns.
        FilteredAcquisition clean;
        EXPECT_FALSE(Drive(clean, 0, 20000).empty());
        EXPECT_LT(clean.TotalRefused(c.reason), 5);  // the probe's first crossing at most
    }
}

TEST_F(Acquisition, NothingIsJudgedOutsideTheZonesOrBeforeTheMappingRuns) {
    FilteredAcquisition a;
    MappingTick outside = Steady(0);
    outside.rpm = bench.map.GetRpm(5);  // column 5 is in no zone at row 5
    outside.status = 0;
    EXPECT_FALSE(a.Take(outside, bench.map, true).inZone);
    MappingTick waiting = Steady(100);
    waiting.status = 0;
    EXPECT_EQ(a.Take(waiting, bench.map, false).refused, 0u);
    for (int r = 0; r < kMappingRefusalCount; ++r) EXPECT_EQ(a.TotalRefused(MappingRefusal(r)), 0);
}

// The wait for the start, tick by tick: warm (raw byte of 60 °C) or cold (30 °C), ready bit or
// not, and the smoothed pressure.
TEST(MappingWaitRules, StartsAfterMoreThanTwentyTicksInsideTheFuelsWindow) {
    const int32_t warm = ConfCar::CelsiusToRaw(60);
    const int32_t cold = ConfCar::CelsiusToRaw(30);
    struct Case {
        int32_t fuel, temp, status, pressure;
        int startsAt;  // tick of the start, 0 for never (then the time-out comes at tick 201)
    };
    const Case cases[] = {
        {0, warm, 0x08, 95, 21},  {0, warm, 0x08, 89, 21},  {0, warm, 0x08, 99, 21}, {0, warm, 0x08, 100, 0},
        {0, warm, 0x08, 88, 0},   {0, cold, 0x08, 95, 0},   {0, warm, 0x07, 95, 0},  {1, warm, 0x08, 95, 0},
        {1, warm, 0x08, 110, 21}, {1, warm, 0x08, 115, 21}, {1, warm, 0x08, 116, 0},
    };
    for (const Case& c : cases) {
        MappingWait wait(c.fuel);
        int startedAt = 0;
        int timedOutAt = 0;
        for (int tick = 1; tick <= 210 && startedAt == 0 && timedOutAt == 0; ++tick) {
            const MappingWait::Outcome o = wait.Step(false, c.temp, c.status, c.pressure);
            if (o == MappingWait::Outcome::Start) startedAt = tick;
            if (o == MappingWait::Outcome::TimeOut) timedOutAt = tick;
        }
        EXPECT_EQ(startedAt, c.startsAt) << c.fuel << " " << c.pressure << " " << c.status;
        EXPECT_EQ(timedOutAt, c.startsAt ? 0 : 201) << c.fuel << " " << c.pressure;
    }
}

TEST(MappingWaitRules, APressureOutsideTheWindowStartsTheCountAgainAndARunningMappingNeverTimesOut) {
    const int32_t warm = ConfCar::CelsiusToRaw(60);
    MappingWait wait(0);
    for (int tick = 0; tick < 15; ++tick) wait.Step(false, warm, 0x08, 95);
    wait.Step(false, warm, 0x08, 120);
    EXPECT_EQ(wait.StableCount(), 0);
    int ticks = 0;
    while (wait.Step(false, warm, 0x08, 95) != MappingWait::Outcome::Start) ++ticks;
    EXPECT_EQ(ticks, 20);

    MappingWait running(0);
    for (int tick = 0; tick < 500; ++tick)
        ASSERT_EQ(running.Step(true, 0, 0, 0), MappingWait::Outcome::Wait) << tick;
}

}  // namespace
}  // namespace zov::test
