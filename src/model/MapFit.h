#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "ConfMap.h"

namespace zov {

// The points of one map cell, merged into one spline centre.
struct MapFitGroup {
    int row = 0;
    int col = 0;
    int count = 0;
    double sumRpm = 0;
    double sumMap = 0;
    int64_t sumValue = 0;

    // The centre, scaled by the last breakpoint of each axis so both run over about 0..1.
    double X(const ConfMap& map) const;
    double Y(const ConfMap& map) const;
    // The integer mean of the values, as the ECU's cells are integers.
    double Height() const;
};

// A thin-plate spline through the groups' centres:
// f(x, y) = a0 + ax x + ay y + sum of w_i U(distance to centre i), U(r) = r^2 ln r.
struct MapFitSurface {
    std::vector<double> x, y;      // centres
    std::vector<double> solution;  // w_0 .. w_(n-1), then a0, ax, ay

    double At(double px, double py) const;
};

// The spline's linear system for a set of groups, to be solved by SolveLinearSystem.
struct MapFitSystem {
    std::vector<double> x, y;    // centres
    std::vector<double> matrix;  // (n + 3) x (n + 3), row-major, symmetric
    std::vector<double> rhs;     // heights, then three zeros

    int Size() const { return int(rhs.size()); }
};

// One group per cell holding points, in order of the cells' first appearance in `points`.
std::vector<MapFitGroup> GroupMapFitPoints(const ConfMap& map,
                                           const std::vector<ConfMap::MappingPoint>& points);

// Nothing when an axis ends at 0, which leaves no scale to normalise by.
std::optional<MapFitSystem> BuildMapFitSystem(const ConfMap& map, const std::vector<MapFitGroup>& groups);

// The spline through the groups, or nothing when its system is singular (fewer than three
// groups, centres on one line) or an axis ends at 0.
std::optional<MapFitSurface> FitMapSurface(const ConfMap& map, const std::vector<MapFitGroup>& groups);

// Solves the n x n system a (row-major) . s = b by Gaussian elimination with partial pivoting
// (the earliest row on a tie); `a` and `b` are consumed, `s` gets n entries. False when a pivot
// falls below 1e-15 or the arrays are too short for n.
bool SolveLinearSystem(int n, std::vector<double>& a, std::vector<double>& b, std::vector<double>& s);

// Rewrites the whole main map (in the model only, clamped by SetCell) with the spline through
// `points` sampled at the breakpoints. False, with the map untouched, when the spline has no
// solution.
bool FitMapToPoints(ConfMap& map, const std::vector<ConfMap::MappingPoint>& points);

}  // namespace zov
