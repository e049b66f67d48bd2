// zovctl basemap: the editor's base map on stdout, without an ECU.
#include <gtest/gtest.h>

#include <sstream>

#include "BaseMapLibrary.h"
#include "CliSupport.h"
#include "ModelTestSupport.h"

namespace zov::testing {
namespace {

using clitest::RunProgram;

// `firstCell`, when not negative, replaces the first cell.
void WriteLibraryFile(ModelBench& b, const std::string& path, int32_t base, int32_t firstCell = -1) {
    for (int r = 0; r < ConfMap::kRows; ++r)
        for (int c = 0; c < ConfMap::kCols; ++c) b.map.SetCell(r, c, base + 9 * r + c, false);
    if (firstCell >= 0) b.map.SetCell(0, 0, firstCell, false);
    b.map.SetFileName(path);
    ASSERT_TRUE(b.map.WriteDefinitionFile());
}

TEST(ZovctlBaseMap, PrintsTheClampedMapAndItsAxes) {
    ScratchDir dir;
    ModelBench b({}, false);
    // The nearest file holds 720 in its first cell already, so the line may go past it there.
    WriteLibraryFile(b, dir.File("automap_1400n.map"), 100);
    WriteLibraryFile(b, dir.File("automap_2000n.map"), 200, 720);
    BaseMapLibrary::Map want;
    ASSERT_EQ(BaseMapLibrary::Build(b.map, dir.Path().string() + "/", 2200, want),
              BaseMapLibrary::Outcome::Loaded);

    const auto run = RunProgram({ZOVCTL_PATH, "basemap", "2200", "--library", dir.Path().string()});
    ASSERT_EQ(run.status, 0) << run.err;
    std::ostringstream expected;
    for (int r = 0; r < ConfMap::kRows; ++r)
        for (int c = 0; c < ConfMap::kCols; ++c)
            expected << std::clamp(want.cells[size_t(r * ConfMap::kCols + c)], 0, 720)
                     << (c + 1 < ConfMap::kCols ? " " : "\n");
    expected << "MAP=";
    for (int r = 0; r < ConfMap::kRows; ++r) expected << (r ? " " : "") << want.map[size_t(r)];
    expected << "\nRPM=";
    for (int c = 0; c < ConfMap::kCols; ++c) expected << (c ? " " : "") << want.rpm[size_t(c)];
    expected << "\n";
    EXPECT_EQ(run.out, expected.str());
    EXPECT_GT(want.cells[0], 720);
    EXPECT_EQ(run.out.substr(0, 4), "720 ");  // extrapolated past the range, clamped
}

TEST(ZovctlBaseMap, NoMapExitsWithStatusFive) {
    ScratchDir dir;
    ScratchDir empty;
    ModelBench b({}, false);
    WriteLibraryFile(b, dir.File("automap_1600n.map"), 100);
    WriteFile(dir.File("automap_1800n.map"), "#define CG_0  1153\r\n");
    const std::string lib = dir.Path().string();
    // Beyond 2000 cc the line through these two runs past 720.
    ScratchDir steep;
    WriteLibraryFile(b, steep.File("automap_1400n.map"), 100);
    WriteLibraryFile(b, steep.File("automap_2000n.map"), 580);
    const struct {
        std::vector<std::string> args;
        int status;
        std::string err;
    } cases[] = {
        {{"basemap", "450", "--library", lib}, 5, "zovctl: No base map for this displacement.\n"},
        {{"basemap", "20001", "--library", lib}, 5, "zovctl: No base map for this displacement.\n"},
        {{"basemap", "1600", "--library", empty.Path().string()},
         5,
         "zovctl: Base map file not found. (" + empty.Path().string() + "/)\n"},
        {{"basemap", "1800", "--library", lib}, 5, "zovctl: The base map file is damaged.\n"},
        {{"basemap", "2200", "--library", steep.Path().string()},
         5,
         "zovctl: No base map: outside the library's 1400-2000 cc, cells would hit limits.\n"},
        {{"basemap", "16x0", "--library", lib},
         2,
         "zovctl: usage: basemap CC [--fuel gpl|metano] [--library DIR] [--write]\n"},
        {{"basemap", "1600", "--fuel", "diesel"},
         2,
         "zovctl: usage: basemap CC [--fuel gpl|metano] [--library DIR] [--write]\n"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args{ZOVCTL_PATH};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const auto run = RunProgram(args);
        EXPECT_EQ(run.status, c.status) << c.args[1];
        EXPECT_EQ(run.err, c.err) << c.args[1];
        EXPECT_EQ(run.out, "") << c.args[1];
    }
}

}  // namespace
}  // namespace zov::testing
