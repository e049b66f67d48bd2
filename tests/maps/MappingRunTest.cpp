// A whole automatic mapping against the simulated car's drive cycle, on the virtual clock: the
// wait for a ready engine, the start, a point in every zone, the fit and its download.

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <set>

#include "ConfigurationModel.h"
#include "DetachedConfiguration.h"
#include "MapChangeLimit.h"
#include "MapEditorLive.h"
#include "MapFit.h"
#include "MappingSession.h"
#include "ModelTestSupport.h"
#include "TestFiles.h"

namespace zov::test {
namespace {

using zov::testing::ModelBench;

constexpr int64_t kTickUs = 100'000;
constexpr int kMainMap = 50;
constexpr int kRegister = 39;
// The drive cycle's second round starts here, warm, at idle: 2 x (10 s idle + 8 zones x 6 s).
constexpr int64_t kSecondRoundUs = 116'000'000;

sim::EcuConfig DriveCycle() {
    sim::EcuConfig config;
    config.engine.mode = sim::DriveMode::DriveCycle;
    return config;
}

struct MappingRun : ::testing::Test {
    MappingRun() : bench(DriveCycle()), model(bench.link, bench.map, bench.car, bench.param) {
        model.ReadFromEcu();
        // The remapping function leaves the ECU in mapping mode before the editor opens.
        bench.car.DEFAULT_REGISTRO_CONFIGURAZIONE |= 0x04;
        EXPECT_EQ(bench.link.WriteVar(kRegister, bench.car.DEFAULT_REGISTRO_CONFIGURAZIONE),
                  WriteOutcome::Answered);
        bench.clock.AdvanceTo(kSecondRoundUs);
    }

    // Ticks every 100 ms until `done` or `limit` ticks; the start runs as the window runs it.
    int Run(MapEditorLive& live, int limit, const std::function<bool()>& done) {
        for (int tick = 1; tick <= limit; ++tick) {
            bench.clock.AdvanceTo(kSecondRoundUs + tick * kTickUs);
            const MapEditorLive::Tick t = live.Step(GridGeometry{30, 20});
            if (t.wait == MappingWait::Outcome::Start) {
                startedAt = tick;
                EXPECT_EQ(session.Start([this](int percent) { progress.push_back(percent); }),
                          WriteOutcome::Answered);
                live.MappingStarted();
            }
            if (t.wait == MappingWait::Outcome::TimeOut) timedOut = true;
            if (t.pointAdded) ++points;
            if (t.mapComplete) ++completeAnnouncements;
            if (done()) return tick;
        }
        return 0;
    }

    ModelBench bench;
    ConfigurationModel model;
    MappingSession session{model};
    int startedAt = 0;
    bool timedOut = false;
    int points = 0;
    int completeAnnouncements = 0;
    std::vector<int> progress;
};

TEST_F(MappingRun, FromTheWaitToTheFittedMapInTheEcu) {
    MapEditorLive live(bench.link, bench.map, bench.car, bench.clock, true);
    ConfMap& map = bench.map;
    const int finished = Run(live, 800, [&] { return map.mappingPhase == 3 && map.AllZonesAcquired(); });

    // Waiting: the smoothed pressure climbs from 0 into the window in 19 ticks, stays there for
    // more than 20, and the mapping starts.
    EXPECT_EQ(startedAt, 39);
    EXPECT_FALSE(timedOut);
    EXPECT_EQ(progress, (std::vector<int>{25, 50, 75, 100}));
    EXPECT_EQ(map.mappingPhase, 3);
    EXPECT_EQ(bench.car.MAPPATURA_ATTIVA, 1);
    // Mapping: every zone of the tour has its point (a later point of a zone replaces its first).
    ASSERT_GT(finished, 0) << "zones acquired after the tour: " << map.mappingPoints.size();
    std::set<int> zones;
    for (const ConfMap::MappingPoint& p : map.mappingPoints) zones.insert(p.zone);
    EXPECT_EQ(zones, (std::set<int>{0, 1, 2, 3, 4, 5, 6, 7}));
    EXPECT_EQ(map.mappingPoints.size(), 8u);
    EXPECT_GE(points, 8);
    EXPECT_EQ(completeAnnouncements, 1);

    // The end with the fit: out of mapping mode first, then the fit, then the chart's download.
    const std::vector<ConfMap::MappingPoint> collected = map.mappingPoints;
    ASSERT_TRUE(session.Leave());
    EXPECT_EQ(bench.ecu.Value(kRegister) & 0x04, 0);
    ASSERT_TRUE(session.FitMap(0));  // no cap: the map is the spline's own
    EXPECT_EQ(session.Download(), WriteOutcome::Answered);

    ModelBench reference({}, false);
    ASSERT_TRUE(FitMapToPoints(reference.map, collected));
    bool changed = false;
    for (int r = 0; r < ConfMap::kRows; ++r) {
        for (int c = 0; c < ConfMap::kCols; ++c) {
            EXPECT_EQ(map.GetCell(r, c), reference.map.GetCell(r, c)) << r << "," << c;
            EXPECT_EQ(bench.ecu.Value(kMainMap, r * ConfMap::kCols + c), map.GetCell(r, c)) << r << "," << c;
            changed |= map.backup[r][c] != map.GetCell(r, c);
        }
    }
    EXPECT_TRUE(changed);
    EXPECT_EQ(bench.ecu.Values(114), (std::vector<int32_t>{0, 0, 0, 0}));
    EXPECT_EQ(bench.ecu.Values(115), (std::vector<int32_t>{0, 0, 0, 0}));
    EXPECT_EQ(bench.ecu.Value(kRegister) & 0x04, 0);
    EXPECT_EQ(bench.car.MAPPATURA_ATTIVA, 0);
}

TEST_F(MappingRun, NoPointIsTakenBeforeTheStartNorWithoutTheReadyBit) {
    MapEditorLive live(bench.link, bench.map, bench.car, bench.clock, true);
    // The ECU sets its ready bit only in mapping mode: without it the wait never ends.
    bench.car.DEFAULT_REGISTRO_CONFIGURAZIONE &= ~0x04;
    EXPECT_EQ(bench.link.WriteVar(kRegister, bench.car.DEFAULT_REGISTRO_CONFIGURAZIONE),
              WriteOutcome::Answered);
    Run(live, 201, [] { return false; });
    EXPECT_EQ(startedAt, 0);
    EXPECT_TRUE(timedOut);
    EXPECT_EQ(points, 0);
    EXPECT_TRUE(bench.map.mappingPoints.empty());
}

TEST_F(MappingRun, ALeaveThatCannotReachTheEcuStaysPendingUntilTheNextSession) {
    MapEditorLive live(bench.link, bench.map, bench.car, bench.clock, true);
    Run(live, 50, [&] { return startedAt > 0; });
    ASSERT_GT(startedAt, 0);
    EXPECT_EQ(bench.ecu.Value(kRegister) & 0x04, 0x04);
    bench.link.Disconnect();
    EXPECT_FALSE(session.EnsureLeft());
    EXPECT_TRUE(model.LeaveMappingPending());
    EXPECT_EQ(bench.ecu.Value(kRegister) & 0x04, 0x04);
    ASSERT_TRUE(bench.link.Connect());
    EXPECT_TRUE(model.LeaveMapping());
    EXPECT_FALSE(model.LeaveMappingPending());
    EXPECT_EQ(bench.ecu.Value(kRegister) & 0x04, 0);
    // The normal cutoff speed is back in place of the mapping substitute.
    EXPECT_EQ(bench.ecu.Value(22), bench.car.DEF_GIRI_PER_CUTOFF);
}

TEST_F(MappingRun, TheJournalHoldsTheNormalValuesForAsLongAsTheEcuIsInMappingMode) {
    zov::testing::ScratchDir dir;
    const std::string path = MappingJournal::PathIn(dir.Path().string());
    MappingSession journaled{model, path};
    const int32_t cutoff = bench.ecu.Value(22);
    bench.car.GIRI_CUTOFF_MAPPATURA = cutoff + 111;
    ASSERT_EQ(journaled.Start([](int) {}), WriteOutcome::Answered);
    ASSERT_EQ(bench.ecu.Value(22), cutoff + 111) << "the substitute went out";
    ASSERT_TRUE(MappingJournal(path).Held());
    DetachedConfiguration::NeverUpgrade prompter;
    const auto written = std::make_unique<ConfCar>(bench.link, path, prompter);
    const IoBaseData::LoadResult read = written->ReadDefinitionFile();
    ASSERT_TRUE(read.opened && !read.rejected) << read.error;
    EXPECT_EQ(written->DEF_GIRI_PER_CUTOFF, cutoff) << "written before the substitute";

    bench.link.Disconnect();
    EXPECT_FALSE(journaled.EnsureLeft());
    EXPECT_TRUE(MappingJournal(path).Held()) << "the ECU is still in mapping mode";
    ASSERT_TRUE(bench.link.Connect());
    ASSERT_TRUE(model.LeaveMapping());
    EXPECT_TRUE(journaled.EnsureLeft());
    EXPECT_FALSE(MappingJournal(path).Held());
}

TEST(MapChangeLimitRules, ACellMovesAtMostTheCapFromTheStartAndLockedCellsStay) {
    ModelBench bench({}, false);
    ConfMap& map = bench.map;
    struct Case {
        int32_t start, fitted, bound;
        bool capped, locked;
    };
    const Case cases[] = {
        {100, 160, 125, true, false},   // +60 % becomes +25 %
        {100, 40, 75, true, false},     // -60 % becomes -25 %
        {100, 110, 110, false, false},  // within the cap
        {0, 50, 0, true, false},        // no room around 0
        {100, 160, 100, false, true},   // locked: back to its start, whatever the cap
    };
    MapCells start = CellsOfMap(map);
    MapLocks locks;
    for (size_t i = 0; i < std::size(cases); ++i) {
        start[0][i] = cases[i].start;
        map.SetCell(0, int(i), cases[i].fitted, false);
        locks.Set(0, int(i), cases[i].locked);
    }
    const MapChangeLimit limit = LimitMapChange(map, start, 25, locks);
    for (size_t i = 0; i < std::size(cases); ++i) {
        EXPECT_EQ(map.GetCell(0, int(i)), cases[i].bound) << i;
        EXPECT_EQ(limit.Capped(0, int(i)), cases[i].capped) << i;
    }
    EXPECT_EQ(limit.cappedCount, 3);
    EXPECT_EQ(limit.lockedKept, 1);
}

// Three passes of a mapping whose points all ask for 60 % more: the ECU's map never leaves 25 %
// of the session's starting map, and a locked cell of it never changes in table 50.
TEST_F(MappingRun, RepeatedPassesStayWithinTheCapOfTheStartAndNeverTouchALockedCell) {
    MapEditorLive live(bench.link, bench.map, bench.car, bench.clock, true);
    ConfMap& map = bench.map;
    Run(live, 800, [&] { return map.mappingPhase == 3 && map.AllZonesAcquired(); });
    ASSERT_TRUE(map.AllZonesAcquired());
    const MapCells start = session.StartMap();
    constexpr int kLockedRow = 5, kLockedCol = 2;  // zone 0's operating point
    map.cellLocks.Set(kLockedRow, kLockedCol, true);
    const int32_t locked = bench.ecu.Value(kMainMap, kLockedRow * ConfMap::kCols + kLockedCol);
    for (int pass = 0; pass < 3; ++pass) {
        SCOPED_TRACE(pass);
        for (ConfMap::MappingPoint& p : map.mappingPoints) p.value = p.value * 160 / 100;
        ASSERT_TRUE(session.FitMap(25));
        EXPECT_GT(session.Limit().cappedCount, 0);
        ASSERT_EQ(session.Download(), WriteOutcome::Answered);
        for (int r = 0; r < ConfMap::kRows; ++r)
            for (int c = 0; c < ConfMap::kCols; ++c) {
                const int32_t from = start[size_t(r)][size_t(c)];
                const int32_t now = bench.ecu.Value(kMainMap, r * ConfMap::kCols + c);
                EXPECT_LE(std::abs(now - from), from / 4) << r << "," << c;
            }
        EXPECT_EQ(bench.ecu.Value(kMainMap, kLockedRow * ConfMap::kCols + kLockedCol), locked);
    }
}

}  // namespace
}  // namespace zov::test
