#include <gtest/gtest.h>
#include <lapacke.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "MapFit.h"
#include "ModelTestSupport.h"

namespace zov::testing {
namespace {

using Point = ConfMap::MappingPoint;

struct Cell {
    int row, col;
    int32_t value;
};

// A recognisable map that a failed fit must leave as it was.
void FillPattern(ConfMap& map) {
    for (int r = 0; r < ConfMap::kRows; ++r)
        for (int c = 0; c < ConfMap::kCols; ++c) map.CL[r][c] = 7 * r + 3 * c + 1;
}

void ExpectCells(const ConfMap& map, const std::vector<Cell>& cells) {
    for (const Cell& cell : cells)
        EXPECT_EQ(map.GetCell(cell.row, cell.col), cell.value)
            << "row " << cell.row << ", column " << cell.col;
}

// Three points on breakpoints (rows and columns of the default axes), not on one line: the
// spline through them is the plane 100 + 200 (rpm - 650) / 2450 + 400 (map - 29) / 130.
TEST(MapFit, ThreeCellsGiveThePlaneThroughTheirHeights) {
    ModelBench b;
    FillPattern(b.map);
    const std::vector<Point> points = {{650, 29, 100}, {3100, 29, 300}, {650, 159, 500}};

    ASSERT_TRUE(FitMapToPoints(b.map, points));

    ExpectCells(b.map, {
                           {1, 2, 100},  // the three centres
                           {1, 12, 300},
                           {12, 2, 500},
                           {12, 12, 700},  // the plane elsewhere
                           {0, 0, 50},
                           {3, 0, 158},
                           {5, 7, 328},
                           {9, 15, 704},
                           {15, 19, 720},  // 1060 on the plane
                       });
    const auto surface = FitMapSurface(b.map, GroupMapFitPoints(b.map, points));
    ASSERT_TRUE(surface);
    for (int i = 0; i < 3; ++i) EXPECT_NEAR(surface->solution[size_t(i)], 0.0, 1e-9) << "weight " << i;
    // The model only: the cells go to the ECU when the caller decides so.
    EXPECT_TRUE(b.ecu.Requests().empty());
}

// The points of one cell become one centre at their mean position with the integer mean of
// their values: 99 and 100 give 99, where a rounded mean would give 100.
TEST(MapFit, PointsOfOneCellMergeIntoTheirIntegerMean) {
    ModelBench b;
    const std::vector<Point> points = {{620, 27, 99}, {3100, 29, 300}, {680, 31, 100}, {650, 159, 500}};

    const std::vector<MapFitGroup> groups = GroupMapFitPoints(b.map, points);
    ASSERT_EQ(groups.size(), 3u);
    const int expected[3][3] = {{1, 2, 2}, {1, 12, 1}, {12, 2, 1}};  // row, column, count: first seen first
    for (size_t g = 0; g < 3; ++g) {
        EXPECT_EQ(groups[g].row, expected[g][0]) << g;
        EXPECT_EQ(groups[g].col, expected[g][1]) << g;
        EXPECT_EQ(groups[g].count, expected[g][2]) << g;
    }
    EXPECT_DOUBLE_EQ(groups[0].X(b.map), 650.0 / 6500.0);
    EXPECT_DOUBLE_EQ(groups[0].Y(b.map), 29.0 / 186.0);
    EXPECT_EQ(groups[0].Height(), 99.0);

    ASSERT_TRUE(FitMapToPoints(b.map, points));
    ExpectCells(b.map, {{1, 2, 99}, {1, 12, 300}, {12, 2, 500}, {12, 12, 701}, {0, 0, 49}, {9, 15, 705}});
}

// The plane 300 + 300 (rpm - 3100) / 1750, the same on every row, leaves the cell range at
// both ends of the speed axis.
TEST(MapFit, ValuesOutsideTheCellRangeAreClamped) {
    ModelBench b;
    ASSERT_TRUE(FitMapToPoints(b.map, {{3100, 90, 300}, {4850, 90, 600}, {3100, 139, 300}}));
    ExpectCells(b.map, {
                           {0, 0, 0},  // -420 on the plane
                           {15, 0, 0},
                           {6, 4, 0},
                           {2, 8, 86},
                           {6, 12, 300},
                           {6, 16, 600},
                           {3, 17, 686},
                           {9, 18, 720},
                           {15, 19, 720},  // 883 on the plane
                       });
}

TEST(MapFit, WithoutAPlaneToSpanTheFitFailsAndTheMapStays) {
    const struct {
        const char* name;
        std::vector<Point> points;
    } cases[] = {
        {"no points", {}},
        {"one cell", {{650, 29, 100}, {660, 30, 120}}},
        {"two cells", {{650, 29, 100}, {3100, 29, 300}, {3110, 30, 320}, {660, 30, 120}}},
        {"one row", {{650, 29, 100}, {1600, 29, 300}, {3100, 29, 500}}},
        {"one column", {{1600, 29, 100}, {1600, 90, 300}, {1600, 159, 500}}},
        {"one slanted line", {{1300, 31, 100}, {2600, 62, 300}, {3900, 93, 500}}},
    };
    for (const auto& c : cases) {
        ModelBench b;
        FillPattern(b.map);
        EXPECT_FALSE(FitMapToPoints(b.map, c.points)) << c.name;
        for (int r = 0; r < ConfMap::kRows; ++r)
            for (int col = 0; col < ConfMap::kCols; ++col)
                ASSERT_EQ(b.map.GetCell(r, col), 7 * r + 3 * col + 1)
                    << c.name << ": row " << r << ", col " << col;
    }
}

// An ECU that never delivered its axes leaves no scale to put the centres on.
TEST(MapFit, AnAxisEndingAtZeroIsRefused) {
    for (const bool speedAxis : {true, false}) {
        ModelBench b;
        FillPattern(b.map);
        if (speedAxis)
            b.map.SetRpm(19, 0);
        else
            b.map.SetMap(15, 0);
        EXPECT_FALSE(FitMapToPoints(b.map, {{650, 29, 100}, {3100, 29, 300}, {650, 159, 500}})) << speedAxis;
        EXPECT_EQ(b.map.GetCell(12, 12), 7 * 12 + 3 * 12 + 1) << speedAxis;
    }
}

TEST(MapFit, SolverPivotsAndRefusesASingularSystem) {
    // The first pivot is 0: only a row exchange solves it. 3 s0 + s1 = 5, 2 s1 = 4.
    std::vector<double> a = {0, 2, 3, 1}, b = {4, 5}, s;
    ASSERT_TRUE(SolveLinearSystem(2, a, b, s));
    EXPECT_DOUBLE_EQ(s[0], 1.0);
    EXPECT_DOUBLE_EQ(s[1], 2.0);

    std::vector<double> dependent = {1, 2, 3, 2, 4, 6, 0, 1, 1}, rhs = {1, 2, 3}, out(3);
    EXPECT_FALSE(SolveLinearSystem(3, dependent, rhs, out));
    std::vector<double> lastZero = {2, 1, 4, 2}, rhs2 = {1, 1}, out2(2);
    EXPECT_FALSE(SolveLinearSystem(2, lastZero, rhs2, out2));
    std::vector<double> zeroColumn = {0, 1, 0, 1}, rhs3 = {1, 1};
    EXPECT_FALSE(SolveLinearSystem(2, zeroColumn, rhs3, out2)) << "no pivot at all in the first column";
    std::vector<double> identity = {1, 0, 0, 1}, shortRhs = {1};
    EXPECT_FALSE(SolveLinearSystem(2, identity, shortRhs, out2)) << "a right-hand side too short for n";
}

// An independent dense solve of the same spline: built here from the points, solved by LAPACK.
struct ReferenceFit {
    std::vector<double> x, y, solution;

    ReferenceFit(const ConfMap& map, const std::vector<Point>& points) {
        struct Sum {
            int row, col, count = 0;
            double rpm = 0, map = 0;
            int64_t value = 0;
        };
        std::vector<Sum> sums;
        for (const Point& p : points) {
            const int row = map.RowOfMap(p.map), col = map.ColumnOfRpm(p.rpm);
            auto it = std::find_if(sums.begin(), sums.end(),
                                   [&](const Sum& s) { return s.row == row && s.col == col; });
            if (it == sums.end()) it = sums.insert(sums.end(), Sum{row, col});
            ++it->count;
            it->rpm += p.rpm;
            it->map += p.map;
            it->value += p.value;
        }
        const int n = int(sums.size()), size = n + 3;
        std::vector<double> a(size_t(size * size), 0.0), b(size_t(size), 0.0);
        for (const Sum& s : sums) {
            x.push_back(s.rpm / s.count / 6500.0);
            y.push_back(s.map / s.count / 186.0);
        }
        for (int j = 0; j < n; ++j) {
            for (int k = 0; k < n; ++k) a[size_t(j * size + k)] = U(std::hypot(x[j] - x[k], y[j] - y[k]));
            const double row[3] = {1.0, x[size_t(j)], y[size_t(j)]};
            for (int e = 0; e < 3; ++e) a[size_t(j * size + n + e)] = a[size_t((n + e) * size + j)] = row[e];
            b[size_t(j)] = double(sums[size_t(j)].value / sums[size_t(j)].count);
        }
        std::vector<lapack_int> pivots(static_cast<size_t>(size));
        const lapack_int info =
            LAPACKE_dgesv(LAPACK_ROW_MAJOR, size, 1, a.data(), size, pivots.data(), b.data(), 1);
        EXPECT_EQ(info, 0) << "LAPACK could not solve the reference system";
        solution = b;
    }

    static double U(double r) { return r >= 1e-15 ? r * r * std::log(r) : 0.0; }

    int32_t Cell(double px, double py) const {
        const size_t n = x.size();
        double f = solution[n] + solution[n + 1] * px + solution[n + 2] * py;
        for (size_t i = 0; i < n; ++i) f += solution[i] * U(std::hypot(px - x[i], py - y[i]));
        return std::clamp(int32_t(std::clamp(f + 0.5, -1e9, 1e9)), 0, 720);
    }
};

TEST(MapFit, MatchesALapackSolveOnARandomSet) {
    ModelBench b;
    std::mt19937 random(20261210);
    std::vector<Point> points;
    for (int i = 0; i < 150; ++i) {
        // Raw draws keep the set the same with every standard library.
        const int32_t rpm = int32_t(400 + random() % 6600);
        const int32_t map = int32_t(10 + random() % 190);
        points.push_back({rpm, map, int32_t(random() % 721)});
    }
    const ReferenceFit reference(b.map, points);
    ASSERT_GT(reference.x.size(), 60u) << "the set should spread over many cells";
    ASSERT_LT(reference.x.size(), points.size()) << "the set should merge some points";

    const auto surface = FitMapSurface(b.map, GroupMapFitPoints(b.map, points));
    ASSERT_TRUE(surface);
    ASSERT_EQ(surface->solution.size(), reference.solution.size());
    // Independent values in neighbouring cells make weights of up to some 1e5: each entry is held
    // to 1e-9 of its own size.
    for (size_t i = 0; i < reference.solution.size(); ++i)
        ASSERT_NEAR(surface->solution[i], reference.solution[i],
                    1e-9 * std::max(1.0, std::fabs(reference.solution[i])))
            << "entry " << i;

    ASSERT_TRUE(FitMapToPoints(b.map, points));
    int clamped = 0;
    for (int r = 0; r < ConfMap::kRows; ++r)
        for (int c = 0; c < ConfMap::kCols; ++c) {
            const int32_t expected = reference.Cell(ConfMap::kDefaultRpm[size_t(c)] / 6500.0,
                                                    ConfMap::kDefaultMap[size_t(r)] / 186.0);
            ASSERT_EQ(b.map.GetCell(r, c), expected) << "row " << r << ", column " << c;
            clamped += expected == 0 || expected == 720;
        }
    EXPECT_LT(clamped, ConfMap::kRows * ConfMap::kCols / 2)
        << "the comparison should mostly see unclamped cells";
}

}  // namespace
}  // namespace zov::testing
