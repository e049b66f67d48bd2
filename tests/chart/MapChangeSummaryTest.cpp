// What a fit did to the map: changed cells, the largest change and the marked cells.
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "MapChangeSummary.h"

namespace zov {
namespace {

MapTable Flat(int32_t value) {
    MapTable grid{};
    for (auto& row : grid) row.fill(value);
    return grid;
}

TEST(MapChangeSummary, CountsTheChangedCellsAndNamesTheLargestRelativeChange) {
    const MapTable before = Flat(200);
    MapTable after = before;
    after[0][0] = 260;  // +30 %
    after[3][4] = 150;  // -25 %: not beyond a quarter
    after[5][6] = 100;  // -50 %
    after[9][19] = 201;
    const MapChangeSummary s = MapChangeSummary::Between(before, after);
    EXPECT_EQ(s.Changed(), 4);
    EXPECT_EQ(s.Largest().row, 5);
    EXPECT_EQ(s.Largest().col, 6);
    EXPECT_EQ(s.Largest().before, 200);
    EXPECT_EQ(s.Largest().after, 100);
    EXPECT_DOUBLE_EQ(s.Largest().percent, -50.0);
    EXPECT_FALSE(s.Largest().FromZero());
    EXPECT_TRUE(s.Marked(0, 0));
    EXPECT_FALSE(s.Marked(3, 4));
    EXPECT_TRUE(s.Marked(5, 6));
    EXPECT_FALSE(s.Marked(9, 19));
    EXPECT_FALSE(s.Marked(1, 1));
    EXPECT_EQ(s.MarkedCount(), 2);
    EXPECT_FALSE(s.Marked(16, 0));
    EXPECT_FALSE(s.Marked(0, -1));
}

TEST(MapChangeSummary, NoChangeNamesNoCell) {
    const MapChangeSummary s = MapChangeSummary::Between(Flat(320), Flat(320));
    EXPECT_EQ(s.Changed(), 0);
    EXPECT_EQ(s.Largest().row, -1);
    EXPECT_EQ(s.MarkedCount(), 0);
}

TEST(MapChangeSummary, OnATieTheFirstCellRowByRowStays) {
    MapTable after = Flat(100);
    after[7][2] = 140;   // +40 %
    after[2][15] = 60;   // -40 %, earlier row
    after[2][16] = 140;  // +40 %, later column
    const MapChangeSummary s = MapChangeSummary::Between(Flat(100), after);
    EXPECT_EQ(s.Largest().row, 2);
    EXPECT_EQ(s.Largest().col, 15);
    EXPECT_DOUBLE_EQ(s.Largest().percent, -40.0);
}

TEST(MapChangeSummary, ACellLeavingZeroOutranksEveryRelativeChange) {
    MapTable before = Flat(100);
    before[4][4] = 0;
    before[6][1] = 0;
    before[8][8] = 0;
    MapTable after = before;
    after[0][0] = 400;  // +300 %
    after[4][4] = 30;
    after[6][1] = 90;
    // A zero cell that stays zero is no change.
    const MapChangeSummary s = MapChangeSummary::Between(before, after);
    EXPECT_EQ(s.Changed(), 3);
    EXPECT_TRUE(s.Largest().FromZero());
    EXPECT_EQ(s.Largest().row, 6);
    EXPECT_EQ(s.Largest().col, 1);
    EXPECT_EQ(s.Largest().after, 90);
    EXPECT_TRUE(s.Marked(4, 4));
    EXPECT_TRUE(s.Marked(6, 1));
    EXPECT_FALSE(s.Marked(8, 8));
}

TEST(MapChangeSummary, ACellDroppingToZeroIsAHundredPercentDown) {
    MapTable after = Flat(50);
    after[15][19] = 0;
    const MapChangeSummary s = MapChangeSummary::Between(Flat(50), after);
    EXPECT_FALSE(s.Largest().FromZero());
    EXPECT_DOUBLE_EQ(s.Largest().percent, -100.0);
    EXPECT_TRUE(s.Marked(15, 19));
}

// The cells the cap held are flagged whether they moved (as far as the cap let them) or stayed
// (no room around 0), and counted apart from the marked ones.
TEST(MapChangeSummary, CappedCellsAreFlaggedMovedOrNot) {
    MapTable before = Flat(100);
    before[2][2] = 0;
    MapTable after = before;
    after[1][1] = 125;  // capped at +25 %: changed, not beyond a quarter
    after[3][3] = 75;   // capped at -25 %
    after[0][0] = 160;  // marked, not capped
    MapFlags capped{};
    capped[1][1] = capped[3][3] = capped[2][2] = true;  // [2][2] held at 0
    const MapChangeSummary s = MapChangeSummary::Between(before, after, capped);
    EXPECT_EQ(s.CappedCount(), 3);
    EXPECT_TRUE(s.Capped(1, 1));
    EXPECT_TRUE(s.Capped(2, 2));
    EXPECT_TRUE(s.Capped(3, 3));
    EXPECT_FALSE(s.Capped(0, 0));
    EXPECT_FALSE(s.Marked(1, 1));
    EXPECT_TRUE(s.Marked(0, 0));
    EXPECT_EQ(s.Changed(), 3);
    EXPECT_FALSE(s.Capped(16, 0));
    EXPECT_EQ(MapChangeSummary::Between(before, after).CappedCount(), 0);
}

TEST(MapChangeSummary, TheCellsADownloadChangesAreTheCellsThatDifferFromTheEcu) {
    struct Case {
        const char* what;
        std::vector<std::pair<int, int>> differing;
    } cases[] = {
        {"same map", {}},
        {"one cell", {{7, 9}}},
        {"corners", {{0, 0}, {0, 19}, {15, 0}, {15, 19}}},
        {"a whole row",
         {{4, 0},  {4, 1},  {4, 2},  {4, 3},  {4, 4},  {4, 5},  {4, 6},  {4, 7},  {4, 8},  {4, 9},
          {4, 10}, {4, 11}, {4, 12}, {4, 13}, {4, 14}, {4, 15}, {4, 16}, {4, 17}, {4, 18}, {4, 19}}},
    };
    for (const Case& c : cases) {
        const MapTable held = Flat(200);
        MapTable next = held;
        for (const auto& [r, col] : c.differing) next[size_t(r)][size_t(col)] = 200 + 1 + r + col;
        EXPECT_EQ(CellsThatChange(held, next), int(c.differing.size())) << c.what;
        EXPECT_EQ(CellsThatChange(next, held), int(c.differing.size())) << c.what;
    }
    EXPECT_EQ(CellsThatChange(Flat(0), Flat(720)), ConfMap::kRows * ConfMap::kCols);
}

TEST(MapChangeSummary, TheGridOfAModelMapIsRowByRow) {
    int32_t cells[ConfMap::kRows][ConfMap::kCols] = {};
    cells[3][17] = 555;
    cells[15][0] = 7;
    const MapTable grid = MapGridOf(cells);
    EXPECT_EQ(grid[3][17], 555);
    EXPECT_EQ(grid[15][0], 7);
    EXPECT_EQ(grid[1][3], 0);
}

}  // namespace
}  // namespace zov
