// zovctl fit end to end: the real program fits the map of zovsim over a pseudo-terminal.
#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "CliSupport.h"

namespace zov {
namespace {

using clitest::Result;
using clitest::RunProgram;

struct Sim : clitest::Zovsim {
    explicit Sim(std::vector<std::string> options = {})
        : Zovsim(ZOVSIM_PATH, WithoutPacing(std::move(options))) {}
    static std::vector<std::string> WithoutPacing(std::vector<std::string> options) {
        options.insert(options.begin(), "--no-pacing");
        return options;
    }
};

Result Zovctl(const std::string& port, std::vector<std::string> args) {
    args.insert(args.begin(), {ZOVCTL_PATH, "--port", port});
    return RunProgram(args);
}

// What the ECU holds in a variable, as zovctl get prints it.
std::string Get(const Sim& sim, const std::string& var) {
    const Result r = Zovctl(sim.device, {"get", var});
    EXPECT_EQ(r.status, 0) << "get " << var << ": " << r.err;
    return r.out;
}

class PointsFile {
  public:
    explicit PointsFile(const std::string& text) {
        EXPECT_TRUE(dir_.isValid());
        std::ofstream(path) << text;
    }
    QTemporaryDir dir_;
    std::string path = dir_.path().toStdString() + "/points.csv";
};

int Cell(const std::string& map, int row, int col) {
    std::istringstream in(map);
    std::string line;
    for (int r = 0; r <= row; ++r) std::getline(in, line);
    std::istringstream words(line);
    int value = -1;
    for (int c = 0; c <= col; ++c) words >> value;
    return value;
}

// On the simulator's axes (the default ones) these three points, with a header and a blank
// line, lie on the plane 100 + 200 (rpm - 650) / 2450 + 400 (map - 29) / 130.
const char* const kPlanePoints = "rpm,map,value\r\n650,29,100\r\n\r\n 3100 , 29 , 300\r\n650,159,500\r\n";

TEST(ZovctlFit, PrintsTheFittedMapAndLeavesTheEcuAlone) {
    Sim sim;
    const std::string map = Get(sim, "50");
    const std::string counters = Get(sim, "115");
    PointsFile points(kPlanePoints);

    const Result r = Zovctl(sim.device, {"fit", points.path});

    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    std::istringstream lines(r.out);
    int count = 0;
    for (std::string line; std::getline(lines, line); ++count) {
        std::istringstream words(line);
        int n = 0;
        for (int v; words >> v;) ++n;
        EXPECT_EQ(n, 20) << "line " << count + 1 << ": " << line;
    }
    EXPECT_EQ(count, 16);
    const struct {
        int row, col, value;
    } cells[] = {{1, 2, 100}, {1, 12, 300}, {12, 2, 500}, {12, 12, 700},
                 {0, 0, 50},  {5, 7, 328},  {15, 19, 720}};
    for (const auto& c : cells)
        EXPECT_EQ(Cell(r.out, c.row, c.col), c.value) << "row " << c.row << ", col " << c.col;
    EXPECT_EQ(Get(sim, "50"), map);
    EXPECT_EQ(Get(sim, "115"), counters);
}

TEST(ZovctlFit, DownloadSendsTheMapAndZeroesTheAdaptation) {
    const struct {
        const char* kind;
        std::vector<std::string> options;
        std::vector<std::string> counters;  // the self-adaptation step counters of this kind
    } kinds[] = {
        {"four zones", {}, {"114", "115"}},
        {"eight zones", {"--eight-zone"}, {"129"}},
    };
    PointsFile points(kPlanePoints);
    for (const auto& k : kinds) {
        Sim sim(k.options);
        for (const std::string& var : k.counters)
            ASSERT_NE(Get(sim, var).find_first_not_of("0 \n"), std::string::npos) << k.kind << ": " << var;

        const Result r = Zovctl(sim.device, {"fit", points.path, "--download"});

        ASSERT_EQ(r.status, 0) << k.kind << ": " << r.err;
        EXPECT_EQ(Cell(r.out, 12, 12), 700) << k.kind;
        EXPECT_EQ(Get(sim, "50"), r.out) << k.kind;
        for (const std::string& var : k.counters)
            EXPECT_EQ(Get(sim, var).find_first_not_of("0 \n"), std::string::npos) << k.kind << ": " << var;
    }
}

TEST(ZovctlFit, BadFilesAndImpossibleFitsChangeNothing) {
    const struct {
        const char* text;  // nullptr: no file at all
        int status;
        const char* says;
    } cases[] = {
        {"1200,30,100\n1300,x,5\n", 2, "line 2: expected rpm,map,value"},
        {"rpm,map,value\n650,29,100\n650,29\n", 2, "line 3: expected rpm,map,value"},
        {"650,29,100\n3100,29,300,4\n", 2, "line 2: expected rpm,map,value"},
        {"650,29,721\n", 2, "line 1: value outside 0..720"},
        {"650,29,100\n-5,29,100\n", 2, "line 2: rpm outside"},
        {"650,29,100\n3100,501,100\n", 2, "line 2: map outside"},
        {nullptr, 4, "cannot read"},
        {"", 5, "impossible with this data"},
        {"rpm,map,value\n", 5, "impossible with this data"},
        {"650,29,100\n660,30,90\n3100,29,300\n", 5, "impossible with this data"},    // two cells
        {"650,29,100\n1600,29,200\n3100,29,300\n", 5, "impossible with this data"},  // one row
    };
    Sim sim;
    const std::string map = Get(sim, "50");
    const std::string counters = Get(sim, "115");
    for (const auto& c : cases) {
        const std::string label = c.text ? c.text : "(missing file)";
        PointsFile points(c.text ? c.text : "");
        const std::string path = c.text ? points.path : points.path + ".missing";

        const Result r = Zovctl(sim.device, {"fit", path, "--download"});

        EXPECT_EQ(r.status, c.status) << label;
        EXPECT_EQ(r.out, "") << label;
        EXPECT_NE(r.err.find(c.says), std::string::npos) << label << " said: " << r.err;
        EXPECT_EQ(r.err.rfind("zovctl: ", 0), 0u) << label;
        EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << label << ": one line, said: " << r.err;
        EXPECT_EQ(Get(sim, "50"), map) << label;
        EXPECT_EQ(Get(sim, "115"), counters) << label;
    }
    EXPECT_EQ(Zovctl(sim.device, {"fit", "a.csv", "--upload"}).status, 2);
    PointsFile bad("650,29,100\n650;29;100\n");
    const Result noEcu = Zovctl("/nonexistent/tty", {"fit", bad.path});
    EXPECT_EQ(noEcu.status, 2) << "the file is checked before the ECU is reached: " << noEcu.err;
}

TEST(ZovctlFit, MaxChangeAndLocksBindTheFitToTheEcusMap) {
    Sim sim;
    const std::string before = Get(sim, "50");
    PointsFile points(kPlanePoints);
    const std::string locks = points.dir_.path().toStdString() + "/locks.csv";
    std::ofstream(locks) << "row,col\n12,12\n";

    const Result r = Zovctl(sim.device, {"fit", points.path, "--max-change", "25", "--locks", locks});

    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("cells capped at 25 %"), std::string::npos) << r.err;
    EXPECT_EQ(Cell(r.out, 12, 12), Cell(before, 12, 12)) << "the locked cell keeps the ECU's value";
    for (int row = 0; row < 16; ++row)
        for (int col = 0; col < 20; ++col) {
            const int from = Cell(before, row, col);
            EXPECT_LE(std::abs(Cell(r.out, row, col) - from), from / 4) << row << "," << col;
        }
    const Result bad = Zovctl(sim.device, {"fit", points.path, "--max-change", "0"});
    EXPECT_EQ(bad.status, 2);
    EXPECT_NE(bad.err.find("--max-change"), std::string::npos) << bad.err;
}

std::string Drive(const char* file) { return std::string(ZOV_SOURCE_DIR) + "/tests/data/" + file; }

TEST(ZovctlMapReplay, PrintsThePointsAndEveryFiltersCount) {
    Sim sim;
    QTemporaryDir dir;
    const std::string fitted = dir.path().toStdString() + "/fitted.csv";

    const Result r = Zovctl(sim.device, {"map-replay", Drive("mapping-fuel-cut.csv")});

    ASSERT_EQ(r.status, 0) << r.err;
    std::istringstream lines(r.out);
    std::vector<std::string> reasons;
    int points = 0, fuelCut = -1, said = -1;
    for (std::string line; std::getline(lines, line);) {
        int zone = 0, rpm = 0, map = 0, value = 0, count = 0;
        char name[64] = {};
        if (std::sscanf(line.c_str(), "POINT zone=%d rpm=%d map=%d value=%d", &zone, &rpm, &map, &value) ==
            4) {
            ++points;
            EXPECT_GE(zone, 0);
            EXPECT_LT(zone, 8);
        } else if (std::sscanf(line.c_str(), "REJECTED reason=%63s count=%d", name, &count) == 2) {
            // sscanf's %s takes "fuel-cut" whole and stops at the blank before count.
            reasons.push_back(name);
            if (reasons.back() == "fuel-cut") fuelCut = count;
        } else {
            std::sscanf(line.c_str(), "POINTS=%d", &said);
        }
    }
    EXPECT_EQ(reasons,
              (std::vector<std::string>{"reducer-cold", "open-loop", "fuel-cut", "lambda-not-switching",
                                        "integrator-limit", "transient", "enrichment", "zone-edge"}));
    EXPECT_GT(fuelCut, 20);
    EXPECT_GT(points, 0);
    EXPECT_EQ(said, points);

    // The clean drive has points in every zone: the fitted map, bound by the cap, goes to a file.
    const Result fit = Zovctl(sim.device, {"map-replay", Drive("mapping-clean.csv"), "--fit", fitted});
    ASSERT_EQ(fit.status, 0) << fit.err;
    EXPECT_NE(fit.out.find("CAPPED="), std::string::npos) << fit.out;
    std::ifstream in(fitted);
    int rows = 0;
    for (std::string line; std::getline(in, line);) ++rows;
    EXPECT_EQ(rows, 16);

    // A zone visit of six seconds never holds a hundred samples.
    const Result strict =
        Zovctl(sim.device, {"map-replay", Drive("mapping-fuel-cut.csv"), "--min-samples", "100"});
    ASSERT_EQ(strict.status, 0) << strict.err;
    EXPECT_NE(strict.out.find("POINTS=0"), std::string::npos) << strict.out;
}

// The fitted map file's cell, comma-separated rows.
int CsvCell(const std::string& path, int row, int col) {
    std::ifstream in(path);
    std::string line;
    for (int r = 0; r <= row; ++r) std::getline(in, line);
    std::istringstream cells(line);
    std::string cell;
    for (int c = 0; c <= col; ++c) std::getline(cells, cell, ',');
    return std::atoi(cell.c_str());
}

// With --config the replay needs no ECU: a saved configuration gives the same points as the ECU
// it was saved from, and its locked cells (the map file's lock section) stay in the fitted map.
TEST(ZovctlMapReplay, ASavedConfigurationReplaysWithoutTheEcuAndKeepsItsLocks) {
    QTemporaryDir dir;
    const std::string root = dir.path().toStdString();
    const std::string saved = root + "/saved.zvf", locked = root + "/locked.zvf";
    const std::vector<std::string> replay{"map-replay", Drive("mapping-fuel-cut.csv")};
    Result fromEcu;
    {
        Sim sim;
        ASSERT_EQ(Zovctl(sim.device, {"save-config", saved}).status, 0);
        fromEcu = Zovctl(sim.device, replay);
        ASSERT_EQ(fromEcu.status, 0) << fromEcu.err;
    }
    auto offline = [](std::vector<std::string> args) {
        args.insert(args.begin(), ZOVCTL_PATH);
        return RunProgram(args);
    };
    std::vector<std::string> withConfig = replay;
    withConfig.insert(withConfig.end(), {"--config", saved});
    const Result fromFile = offline(withConfig);
    ASSERT_EQ(fromFile.status, 0) << fromFile.err;
    EXPECT_EQ(fromFile.out, fromEcu.out);
    EXPECT_NE(fromFile.out.find("POINT zone="), std::string::npos) << fromFile.out;
    EXPECT_NE(fromFile.out.find("REJECTED reason=fuel-cut count="), std::string::npos);
    EXPECT_EQ(fromFile.out.find("REJECTED reason=fuel-cut count=0\n"), std::string::npos);
    EXPECT_NE(fromFile.out.find("POINTS="), std::string::npos);

    // A cell the clean drive's fit moves (252 to 244); locked in the configuration, it stays.
    constexpr int kRow = 1, kCol = 18;
    const std::string unpacked = root + "/unpacked", mapFile = unpacked + "/filemap0.map";
    ASSERT_EQ(offline({"unpack-config", saved, unpacked}).status, 0);
    std::ifstream original(mapFile);
    const std::string cellKey = "#define CL_" + std::to_string(kCol) + "_" + std::to_string(kRow) + "  ";
    int before = -1;
    for (std::string line; std::getline(original, line);)
        if (line.rfind(cellKey, 0) == 0) before = std::atoi(line.c_str() + cellKey.size());
    ASSERT_GE(before, 0);
    {
        std::ofstream section(mapFile, std::ios::app | std::ios::binary);
        for (int r = 0; r < 16; ++r)
            section << "#define CELLE_BLOCCATE_" << r << "  " << (r == kRow ? 1 << kCol : 0) << "\r\n";
    }
    ASSERT_EQ(offline({"pack-config", unpacked, locked}).status, 0);
    const std::string free = root + "/free.csv", kept = root + "/kept.csv";
    const std::string clean = Drive("mapping-clean.csv");
    ASSERT_EQ(offline({"map-replay", clean, "--config", saved, "--fit", free}).status, 0);
    const Result fit = offline({"map-replay", clean, "--config", locked, "--fit", kept});
    ASSERT_EQ(fit.status, 0) << fit.err;
    EXPECT_NE(CsvCell(free, kRow, kCol), before);
    EXPECT_EQ(CsvCell(kept, kRow, kCol), before);
}

TEST(ZovctlMapReplay, ALogWithoutTheReplaysColumnsIsRefused) {
    Sim sim;
    QTemporaryDir dir;
    const std::string old = dir.path().toStdString() + "/old.csv";
    std::ofstream(old) << "t_ms,rpm,lambda_v,tps_v,map_bar,cell_value,cell_deviation,reducer_temp_c,status,"
                          "reducer_pressure_bar\n0,900,0.45,0.50,0.33,120,0,60.0,11,0.95\n";
    const Result r = Zovctl(sim.device, {"map-replay", old});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("map_v"), std::string::npos) << r.err;
    EXPECT_EQ(r.out, "");
    const Result missing = Zovctl(sim.device, {"map-replay", dir.path().toStdString() + "/none.csv"});
    EXPECT_EQ(missing.status, 4) << missing.err;
}

}  // namespace
}  // namespace zov
