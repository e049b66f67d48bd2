// zovctl fit end to end: the real program fits the map of zovsim over a pseudo-terminal.
#include <gtest/gtest.h>

#include <QTemporaryDir>
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

}  // namespace
}  // namespace zov
