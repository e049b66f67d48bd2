#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "BaseMapLibrary.h"
#include "ModelTestSupport.h"

namespace zov::testing {
namespace {

using Lib = BaseMapLibrary;

// Cells that differ per displacement, row and column; `offset` may push them past 0..720 when
// extrapolated.
void WriteLibraryFile(ModelBench& b, const std::string& path, int32_t base, int32_t rpmStep,
                      int32_t mapStep) {
    for (int c = 0; c < ConfMap::kCols; ++c) b.map.SetRpm(c, 500 + rpmStep * c);
    for (int r = 0; r < ConfMap::kRows; ++r) b.map.SetMap(r, 20 + mapStep * r);
    for (int r = 0; r < ConfMap::kRows; ++r)
        for (int c = 0; c < ConfMap::kCols; ++c) b.map.SetCell(r, c, base + 7 * r + 3 * c, false);
    b.map.SetFileName(path);
    ASSERT_TRUE(b.map.WriteDefinitionFile());
}

Lib::Map ReadBack(ModelBench& b, const std::string& path) {
    Lib::Map m;
    EXPECT_TRUE(b.map.ReadMapFile(path, m.cells, m.rpm, m.map));
    return m;
}

class BaseMapLibraryTest : public ::testing::Test {
  protected:
    std::string Folder() const { return dir.Path().string() + "/"; }
    std::string Add(const std::string& name, int32_t base, int32_t rpmStep = 300, int32_t mapStep = 10) {
        WriteLibraryFile(writer, dir.File(name), base, rpmStep, mapStep);
        return dir.File(name);
    }
    Lib::Outcome Build(int32_t cc, Lib::Map& out) { return Lib::Build(reader.map, Folder(), cc, out); }

    ScratchDir dir;
    ModelBench writer{{}, false};
    ModelBench reader{{}, false};
};

TEST(BaseMapNames, DisplacementAndPattern) {
    const struct {
        const char* name;
        int32_t cc;
    } cases[] = {{"automap_1600n.map", 1600},
                 {"automapFiat_0999n.map", 999},
                 {"automap_16x0n.map", 0},
                 {"automap_1600n.bak.map", 1600},
                 {"x.map", 0}};
    for (const auto& c : cases) EXPECT_EQ(Lib::DisplacementOf(c.name), c.cc) << c.name;

    // Letter case aside, as the archive and standard software lookups match, and sorted so.
    ScratchDir dir;
    for (const char* n : {"automap_2000n.map", "automap_1400n.map", "automap_1400x.map", "autmap_1400n.map",
                          "automap1400n.map", "automapA_1600n.map", "automap_1600n.map.old",
                          "Automap_1800N.map", "AUTOMAP_1200N.MAP"})
        WriteFile(dir.File(n), "");
    EXPECT_EQ(Lib::List(dir.Path().string()),
              (std::vector<std::string>{"AUTOMAP_1200N.MAP", "automap_1400n.map", "Automap_1800N.map",
                                        "automap_2000n.map", "automapA_1600n.map"}));
    EXPECT_EQ(Lib::RangeOf(Lib::List(dir.Path().string())).low, 1200);
    EXPECT_EQ(Lib::RangeOf(Lib::List(dir.Path().string())).high, 2000);

    // The fuel folder as the disk spells it; the usual name where there is none.
    EXPECT_EQ(Lib::FuelFolder("/r/Map/", 1), "/r/Map/Metano/");
    EXPECT_EQ(Lib::FuelFolder("/r/Map/", 0), "/r/Map/GPL/");
    ScratchDir map;
    std::filesystem::create_directories(map.Path() / "Gpl");
    std::filesystem::create_directories(map.Path() / "METANO");
    const std::string root = map.Path().string() + "/";
    EXPECT_EQ(Lib::FuelFolder(root, 0), root + "Gpl/");
    EXPECT_EQ(Lib::FuelFolder(root, 1), root + "METANO/");
}

TEST(BaseMapChoice, NearestAndSecondWithoutReplacingEquals) {
    const struct {
        std::vector<std::string> names;
        int32_t cc;
        int count;
        int32_t d1, d2;
        std::string name1, name2;
    } cases[] = {
        {{"automap_1400n.map", "automap_1600n.map", "automap_2000n.map"},
         1600,
         2,
         0,
         -200,
         "automap_1600n.map",
         "automap_1400n.map"},
        {{"automap_1400n.map", "automap_1600n.map"},
         1500,
         2,
         -100,
         100,
         "automap_1400n.map",
         "automap_1600n.map"},
        {{"automap_1400n.map", "automap_2000n.map"},
         2200,
         2,
         -200,
         -800,
         "automap_2000n.map",
         "automap_1400n.map"},
        {{"automapA_1600n.map", "automapB_1600n.map", "automap_2000n.map"},
         1650,
         2,
         -50,
         -50,
         "automapA_1600n.map",
         "automapB_1600n.map"},
        {{"automap_1400n.map"}, 3000, 1, -1600, 20000, "automap_1400n.map", ""},
        {{}, 1600, 0, 20000, 20000, "", ""},
    };
    for (const auto& c : cases) {
        const Lib::Choice got = Lib::Choose(c.names, c.cc);
        EXPECT_EQ(got.count, c.count) << c.cc;
        EXPECT_EQ(got.d1, c.d1) << c.cc;
        EXPECT_EQ(got.d2, c.d2) << c.cc;
        EXPECT_EQ(got.name1, c.name1) << c.cc;
        EXPECT_EQ(got.name2, c.name2) << c.cc;
    }
}

TEST_F(BaseMapLibraryTest, ExactFileIsTakenUnchanged) {
    Add("automap_1400n.map", 100);
    const std::string exact = Add("automap_1600n.map", 300, 250, 9);
    Add("automap_2000n.map", 500);
    Lib::Map got;
    ASSERT_EQ(Build(1600, got), Lib::Outcome::Loaded);
    const Lib::Map want = ReadBack(reader, exact);
    EXPECT_EQ(got.cells, want.cells);
    EXPECT_EQ(got.rpm, want.rpm);
    EXPECT_EQ(got.map, want.map);
}

TEST_F(BaseMapLibraryTest, BetweenTwoFilesCellsAreInterpolatedAndAxesAveraged) {
    const Lib::Map a = ReadBack(reader, Add("automap_1400n.map", 101, 300, 10));
    const Lib::Map b = ReadBack(reader, Add("automap_1600n.map", 200, 250, 9));
    Lib::Map got;
    ASSERT_EQ(Build(1500, got), Lib::Outcome::Loaded);
    for (size_t i = 0; i < got.cells.size(); ++i) ASSERT_EQ(got.cells[i], (a.cells[i] + b.cells[i]) / 2) << i;
    for (size_t i = 0; i < got.rpm.size(); ++i) EXPECT_EQ(got.rpm[i], (a.rpm[i] + b.rpm[i]) / 2) << i;
    for (size_t i = 0; i < got.map.size(); ++i) EXPECT_EQ(got.map[i], (a.map[i] + b.map[i]) / 2) << i;
    // Odd sums truncate: 101+200 = 301 -> 150.
    EXPECT_EQ(got.cells[0], 150);
}

TEST_F(BaseMapLibraryTest, BeyondTheLibraryCellsAreExtrapolatedAlongTheLine) {
    const Lib::Map low = ReadBack(reader, Add("automap_1400n.map", 100));
    const Lib::Map high = ReadBack(reader, Add("automap_2000n.map", 400));
    Lib::Map got;
    ASSERT_EQ(Build(2200, got), Lib::Outcome::Loaded);
    for (size_t i = 0; i < got.cells.size(); ++i)
        ASSERT_EQ(got.cells[i], int32_t(high.cells[i] + (high.cells[i] - low.cells[i]) / 3.0)) << i;
    EXPECT_EQ(got.cells[0], 400 + 100);
}

TEST_F(BaseMapLibraryTest, ALibraryFileIsFoundWhateverItsLetterCase) {
    ScratchDir map;
    const std::filesystem::path gpl = map.Path() / "Gpl";
    std::filesystem::create_directories(gpl);
    WriteLibraryFile(writer, (gpl / "Automap_1600N.map").string(), 250, 300, 10);
    const std::string folder = Lib::FuelFolder(map.Path().string() + "/", 0);
    Lib::Map got;
    ASSERT_EQ(Lib::Build(reader.map, folder, 1600, got), Lib::Outcome::Loaded);
    EXPECT_EQ(got.cells, ReadBack(reader, (gpl / "Automap_1600N.map").string()).cells);
}

// Past the library's displacements the line through the two nearest files runs into the cell
// limits; a map that reaches 0 or 720 where the nearest file does not is refused.
TEST_F(BaseMapLibraryTest, ExtrapolationThatDrivesACellToALimitLoadsNothing) {
    // Cells fall with displacement, as injection times do: 1400 cc 400..562, 2000 cc 200..362.
    Add("automap_1400n.map", 400);
    Add("automap_2000n.map", 200);
    // A second library whose nearest files hold a cell at each limit already: 1400 cc holds 720
    // in the last cell, 2000 cc holds 0 in the first.
    ScratchDir atLimits;
    const auto addWith = [&](const std::string& name, int32_t base,
                             const std::vector<std::array<int, 3>>& set) {
        WriteLibraryFile(writer, atLimits.File(name), base, 300, 10);
        for (const auto& [row, col, value] : set) writer.map.SetCell(row, col, value, false);
        ASSERT_TRUE(writer.map.WriteDefinitionFile());
    };
    addWith("automap_1400n.map", 250, {{15, 19, ConfMap::kMaxCell}});
    addWith("automap_2000n.map", 150, {{0, 0, 0}, {15, 19, 700}});
    const std::string limits = atLimits.Path().string() + "/";

    const struct {
        const char* what;
        std::string folder;
        int32_t cc;
        Lib::Outcome outcome;
    } cases[] = {
        {"inside the range", Folder(), 1700, Lib::Outcome::Loaded},
        {"beyond, no cell at a limit", Folder(), 2300, Lib::Outcome::Loaded},  // 100 below 2000 cc's
        {"beyond, a cell reaches 0 exactly", Folder(), 2600, Lib::Outcome::DrivenToLimit},
        {"below, cells reach 720", Folder(), 500, Lib::Outcome::DrivenToLimit},
        {"beyond, the nearest cell is 0 already", limits, 2600, Lib::Outcome::Loaded},
        {"below, the nearest cell is 720 already", limits, 800, Lib::Outcome::Loaded},
    };
    Lib::Map untouched;
    untouched.cells.fill(-1);
    for (const auto& c : cases) {
        Lib::Map got = untouched;
        EXPECT_EQ(Lib::Build(reader.map, c.folder, c.cc, got), c.outcome) << c.what;
        EXPECT_EQ(got.cells == untouched.cells, c.outcome == Lib::Outcome::DrivenToLimit) << c.what;
    }
    // Only the cell the nearest file holds at 720 went past it, and is clamped on writing.
    Lib::Map below;
    ASSERT_EQ(Lib::Build(reader.map, limits, 800, below), Lib::Outcome::Loaded);
    EXPECT_GT(below.cells[15 * 20 + 19], ConfMap::kMaxCell);
    EXPECT_LT(*std::max_element(below.cells.begin(), below.cells.end() - 1), ConfMap::kMaxCell);
    Lib::Write(reader.map, below, false, {});
    EXPECT_EQ(reader.map.GetCell(15, 19), ConfMap::kMaxCell);
    EXPECT_EQ(Lib::RangeText("%1-%2 cc", Lib::RangeOf(Lib::List(Folder()))), "1400-2000 cc");
}

TEST_F(BaseMapLibraryTest, TwoFilesOfTheSameDisplacementTakeTheFirstByName) {
    const std::string first = Add("automapA_1600n.map", 100);
    Add("automapB_1600n.map", 400);
    Add("automap_2000n.map", 600);
    Lib::Map got;
    ASSERT_EQ(Build(1650, got), Lib::Outcome::Loaded);
    EXPECT_EQ(got.cells, ReadBack(reader, first).cells);
}

TEST_F(BaseMapLibraryTest, FailuresLoadNothing) {
    Lib::Map untouched;
    untouched.cells.fill(-1);
    Lib::Map got = untouched;
    EXPECT_EQ(Build(450, got), Lib::Outcome::NoCil);
    EXPECT_EQ(Build(20001, got), Lib::Outcome::NoCil);
    EXPECT_EQ(Build(1600, got), Lib::Outcome::NoFile);
    // The nearest file is cut short; the other one is sound.
    Add("automap_2000n.map", 300);
    const std::string cut = Add("automap_1600n.map", 300);
    WriteFile(cut, ReadFile(cut).substr(0, 400));
    EXPECT_EQ(Build(1600, got), Lib::Outcome::CorruptedFile);
    EXPECT_EQ(Build(1900, got), Lib::Outcome::CorruptedFile);  // the second nearest is the cut one
    EXPECT_EQ(got.cells, untouched.cells);
}

TEST_F(BaseMapLibraryTest, WrittenMapArrivesInTheEcu) {
    Add("automap_1400n.map", 100, 300, 10);
    Add("automap_1600n.map", 200, 250, 9);
    ModelBench b;  // connected to the simulated ECU
    Lib::Map got;
    ASSERT_EQ(Lib::Build(b.map, Folder(), 1500, got), Lib::Outcome::Loaded);
    std::vector<int> progress;
    Lib::Write(b.map, got, true, [&](int p) { progress.push_back(p); });

    EXPECT_EQ(b.ecu.Values(50), std::vector<int32_t>(got.cells.begin(), got.cells.end()));
    const std::vector<int32_t> mapAxis = b.ecu.Values(105);
    const std::vector<int32_t> rpmAxis = b.ecu.Values(111);
    ASSERT_EQ(mapAxis.size(), size_t(ConfMap::kRows));
    ASSERT_EQ(rpmAxis.size(), size_t(ConfMap::kCols));
    for (int r = 0; r < ConfMap::kRows; ++r) EXPECT_EQ(mapAxis[size_t(r)], b.map.CM[r]) << r;
    for (int c = 0; c < ConfMap::kCols; ++c) EXPECT_EQ(rpmAxis[size_t(c)], b.map.CG[c]) << c;
    // The model's axes are what the file pair averaged to.
    for (int r = 0; r < ConfMap::kRows; ++r) EXPECT_NEAR(b.map.GetMap(r), got.map[size_t(r)], 1) << r;

    ASSERT_EQ(progress.size(), 320u);
    EXPECT_EQ(progress[1], 0);
    EXPECT_EQ(progress[4], 1);  // trunc(4 * 100 / 320)
    EXPECT_EQ(progress[319], 99);
}

}  // namespace
}  // namespace zov::testing
