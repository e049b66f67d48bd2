// Recorded mapping drives: the acquisition over a datalog learns what the live map editor
// learnt on the same drive, and the small regression set of faulty drives in tests/data (made
// with the simulator's faults) learns nothing from its faulty stretch, for the right reason.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ConfigurationModel.h"
#include "LiveLog.h"
#include "LiveLogFormat.h"
#include "LiveLogWriter.h"
#include "MapEditorLive.h"
#include "MapReplay.h"
#include "MappingSession.h"
#include "ModelTestSupport.h"
#include "TestFiles.h"

namespace zov::test {
namespace {

using zov::testing::ModelBench;
using Point = FilteredAcquisition::Point;

constexpr int64_t kTickUs = 100'000;
constexpr int kRegister = 39;
// The drive cycle's second round: warm idle from 116 s, zone z from 126 + 6 z s.
constexpr double kRoundS = 116.0;
constexpr double kFaultFromS = 126.0;
constexpr double kFaultToS = 150.0;  // zones 0 to 3
constexpr double kFaultyDriveEndS = 156.0;
constexpr double kCleanDriveEndS = 174.0;

struct Drive {
    const char* file;
    std::vector<sim::EngineFault> faults;
    std::vector<MappingRefusal> reasons;
    double endS;
};

std::vector<Drive> Drives() {
    using K = sim::EngineFaultKind;
    return {
        {"mapping-clean.csv", {}, {}, kCleanDriveEndS},
        {"mapping-lambda-dead.csv",
         {{K::LambdaDead, kFaultFromS, kFaultToS}},
         {MappingRefusal::LambdaStill},
         kFaultyDriveEndS},
        {"mapping-fuel-cut.csv",
         {{K::FuelCut, kFaultFromS, kFaultToS}},
         {MappingRefusal::FuelCut},
         kFaultyDriveEndS},
        {"mapping-open-loop.csv",
         {{K::OpenLoop, kFaultFromS, kFaultToS}},
         {MappingRefusal::OpenLoop},
         kFaultyDriveEndS},
        {"mapping-cold-reducer.csv",
         {{K::ColdReducer, kFaultFromS, kFaultToS}},
         {MappingRefusal::ReducerCold},
         kFaultyDriveEndS},
        {"mapping-throttle-steps.csv",
         {{K::ThrottleSteps, kFaultFromS, kFaultToS}},
         {MappingRefusal::Transient, MappingRefusal::Enrichment},
         kFaultyDriveEndS},
    };
}

std::string DataPath(const char* file) { return std::string(ZOV_SOURCE_DIR) + "/tests/data/" + file; }

// The simulated car of a drive, read whole, with the ECU left in mapping mode by the remapping
// function, as the map editor opens on it.
struct DriveBench {
    explicit DriveBench(const std::vector<sim::EngineFault>& faults)
        : bench(Config(faults)), model(bench.link, bench.map, bench.car, bench.param) {
        model.ReadFromEcu();
        bench.car.DEFAULT_REGISTRO_CONFIGURAZIONE |= 0x04;
        EXPECT_EQ(bench.link.WriteVar(kRegister, bench.car.DEFAULT_REGISTRO_CONFIGURAZIONE),
                  WriteOutcome::Answered);
        bench.clock.AdvanceTo(int64_t(kRoundS * 1e6));
    }
    static sim::EcuConfig Config(const std::vector<sim::EngineFault>& faults) {
        sim::EcuConfig config;
        config.engine.mode = sim::DriveMode::DriveCycle;
        config.engine.faults = faults;
        return config;
    }

    // The map editor's ticks until `endS`, each record written to `logPath`; the points learnt.
    std::vector<Point> RunLive(double endS, const std::string& logPath) {
        MapEditorLive live(bench.link, bench.map, bench.car, bench.clock, true);
        LiveLogWriter log;
        EXPECT_TRUE(log.Open(logPath, LiveLogHeader(MapEditorLive::kMappingRecord))) << log.Error();
        live.RecordTo(&log);
        std::vector<Point> points;
        for (int64_t t = int64_t(kRoundS * 1e6) + kTickUs; t < int64_t(endS * 1e6); t += kTickUs) {
            bench.clock.AdvanceTo(t);
            const MapEditorLive::Tick tick = live.Step(GridGeometry{30, 20});
            if (tick.wait == MappingWait::Outcome::Start) {
                EXPECT_EQ(session.Start([](int) {}), WriteOutcome::Answered);
                live.MappingStarted();
            }
            if (tick.pointAdded) points.push_back(tick.point);
        }
        EXPECT_EQ(bench.car.MAPPATURA_ATTIVA, 1) << "the mapping started";
        EXPECT_TRUE(log.IsOpen()) << log.Error();
        return points;
    }
    // Without a live run: the configuration the drives were recorded with (the start re-grids
    // the map onto the default axes).
    void StartMapping() {
        EXPECT_EQ(session.Start([](int) {}), WriteOutcome::Answered);
    }

    MapReplayResult Replay(const std::string& path) {
        const LiveLogLoad load = ReadLiveLog(path);
        EXPECT_TRUE(load.ok) << load.error;
        return ReplayMapping(load.log, path, bench.map, bench.car, MappingOptions{});
    }

    ModelBench bench;
    ConfigurationModel model;
    MappingSession session{model};
};

std::string Describe(const std::vector<Point>& points) {
    std::string text;
    for (const Point& p : points)
        text += "zone " + std::to_string(p.zone) + " rpm " + std::to_string(p.rpm) + " map " +
                std::to_string(p.map) + " value " + std::to_string(p.value) + " at " + std::to_string(p.tMs) +
                " ms\n";
    return text;
}

TEST(MappingReplay, ACleanDriveLearnsTheSamePointsLiveAsInReplay) {
    zov::testing::ScratchDir dir;
    DriveBench drive({});
    const std::vector<Point> live = drive.RunLive(kCleanDriveEndS, dir.File("drive.csv"));
    std::vector<bool> zones(ConfMap::kZoneCount, false);
    for (const Point& p : live) zones[size_t(p.zone)] = true;
    EXPECT_EQ(zones, std::vector<bool>(ConfMap::kZoneCount, true)) << "a point in every zone of the tour";
    const MapReplayResult replay = drive.Replay(dir.File("drive.csv"));
    ASSERT_TRUE(replay.ok) << replay.error;
    EXPECT_EQ(Describe(live), Describe(replay.points));
}

TEST(MappingReplay, EachRecordedFaultyDriveLearnsNothingFromItsFaultyStretch) {
    for (const Drive& d : Drives()) {
        SCOPED_TRACE(d.file);
        DriveBench drive({});
        drive.StartMapping();
        const MapReplayResult replay = drive.Replay(DataPath(d.file));
        ASSERT_TRUE(replay.ok) << replay.error;
        for (const MappingRefusal reason : d.reasons)
            EXPECT_GT(replay.refused[size_t(reason)], 20) << MappingRefusalName(reason);
        int clean = 0;
        for (const Point& p : replay.points) {
            const double atS = kRoundS + p.tMs / 1000.0;
            if (d.reasons.empty() || atS < kFaultFromS || atS >= kFaultToS)
                ++clean;
            else
                ADD_FAILURE() << "learnt zone " << p.zone << " at " << atS << " s, in the faulty stretch";
        }
        EXPECT_GT(clean, 0) << "the clean part of the drive still learns";
    }
}

TEST(MappingReplay, ALogWithoutTheColumnsItNeedsIsRefusedByName) {
    zov::testing::ScratchDir dir;
    LiveLogWriter old;
    ASSERT_TRUE(old.Open(dir.File("old.csv"), {"t_ms", "rpm", "lambda_v", "tps_v", "map_bar", "status"}));
    ASSERT_TRUE(old.WriteRow(0, {"900", "0.45", "0.50", "0.33", "2058"}));
    old.Close();
    DriveBench drive({});
    const MapReplayResult replay = drive.Replay(dir.File("old.csv"));
    EXPECT_FALSE(replay.ok);
    EXPECT_NE(replay.error.find("map_v"), std::string::npos) << replay.error;
    EXPECT_NE(replay.error.find("cell_deviation"), std::string::npos) << replay.error;
    EXPECT_TRUE(replay.points.empty());
}

// Writes the regression set into the source tree; run by hand after a change of the simulator
// or of the datalog format (--gtest_also_run_disabled_tests --gtest_filter=*Regenerate*).
TEST(MappingReplay, DISABLED_RegenerateTheRecordedDrives) {
    for (const Drive& d : Drives()) {
        const std::string path = DataPath(d.file);
        std::remove(path.c_str());
        DriveBench drive(d.faults);
        drive.RunLive(d.endS, path);
    }
}

}  // namespace
}  // namespace zov::test
