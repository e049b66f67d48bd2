#include "MapFit.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace zov {
namespace {

constexpr double kTiny = 1e-15;

// The thin-plate radial function; 0 at a centre itself, where r^2 ln r tends to 0.
double RadialU(double r) { return r >= kTiny ? r * r * std::log(r) : 0.0; }

double Distance(double x0, double y0, double x1, double y1) {
    const double dx = x1 - x0, dy = y1 - y0;
    return std::sqrt(dx * dx + dy * dy);
}

}  // namespace

double MapFitGroup::X(const ConfMap& map) const { return sumRpm / count / map.GetRpm(ConfMap::kCols - 1); }

double MapFitGroup::Y(const ConfMap& map) const { return sumMap / count / map.GetMap(ConfMap::kRows - 1); }

double MapFitGroup::Height() const { return double(sumValue / count); }

double MapFitSurface::At(double px, double py) const {
    const size_t n = x.size();
    double f = solution[n] + solution[n + 1] * px + solution[n + 2] * py;
    for (size_t i = 0; i < n; ++i) f += solution[i] * RadialU(Distance(px, py, x[i], y[i]));
    return f;
}

std::vector<MapFitGroup> GroupMapFitPoints(const ConfMap& map,
                                           const std::vector<ConfMap::MappingPoint>& points) {
    std::vector<MapFitGroup> groups;
    for (const ConfMap::MappingPoint& p : points) {
        const int row = map.RowOfMap(p.map);
        const int col = map.ColumnOfRpm(p.rpm);
        MapFitGroup* group = nullptr;
        for (MapFitGroup& g : groups)
            if (g.row == row && g.col == col) group = &g;
        if (!group) group = &groups.emplace_back(MapFitGroup{row, col});
        ++group->count;
        group->sumRpm += p.rpm;
        group->sumMap += p.map;
        group->sumValue += p.value;
    }
    return groups;
}

std::optional<MapFitSystem> BuildMapFitSystem(const ConfMap& map, const std::vector<MapFitGroup>& groups) {
    // An ECU that never delivered its axes leaves them at 0.
    if (map.GetRpm(ConfMap::kCols - 1) <= 0 || map.GetMap(ConfMap::kRows - 1) <= 0) return std::nullopt;
    const int n = int(groups.size());
    const int size = n + 3;
    MapFitSystem system;
    for (const MapFitGroup& g : groups) {
        system.x.push_back(g.X(map));
        system.y.push_back(g.Y(map));
    }
    system.matrix.assign(size_t(size) * size, 0.0);
    system.rhs.assign(size_t(size), 0.0);
    auto at = [&](int j, int k) -> double& { return system.matrix[size_t(j) * size + k]; };
    const std::vector<double>& x = system.x;
    const std::vector<double>& y = system.y;
    for (int j = 0; j < n; ++j) {
        for (int k = j; k < n; ++k) at(j, k) = at(k, j) = RadialU(Distance(x[j], y[j], x[k], y[k]));
        at(j, n) = at(n, j) = 1.0;
        at(j, n + 1) = at(n + 1, j) = x[j];
        at(j, n + 2) = at(n + 2, j) = y[j];
        system.rhs[j] = groups[size_t(j)].Height();
    }
    return system;
}

std::optional<MapFitSurface> FitMapSurface(const ConfMap& map, const std::vector<MapFitGroup>& groups) {
    std::optional<MapFitSystem> system = BuildMapFitSystem(map, groups);
    if (!system) return std::nullopt;
    MapFitSurface surface;
    surface.solution.assign(size_t(system->Size()), 0.0);
    if (!SolveLinearSystem(system->Size(), system->matrix, system->rhs, surface.solution))
        return std::nullopt;
    surface.x = std::move(system->x);
    surface.y = std::move(system->y);
    return surface;
}

bool SolveLinearSystem(int n, std::vector<double>& a, std::vector<double>& b, std::vector<double>& s) {
    if (n < 1 || a.size() < size_t(n) * n || b.size() < size_t(n)) return false;
    s.resize(size_t(n));
    auto row = [&](int j) { return a.data() + size_t(j) * n; };
    for (int i = 0; i < n - 1; ++i) {
        int pivot = i;
        for (int j = i + 1; j < n; ++j)
            if (std::fabs(row(j)[i]) > std::fabs(row(pivot)[i])) pivot = j;
        if (pivot != i) {
            std::swap_ranges(row(i) + i, row(i) + n, row(pivot) + i);
            std::swap(b[size_t(i)], b[size_t(pivot)]);
        }
        const double* top = row(i);
        if (std::fabs(top[i]) < kTiny) return false;
        for (int j = i + 1; j < n; ++j) {
            double* r = row(j);
            const double factor = r[i] / top[i];
            for (int k = i + 1; k < n; ++k) r[k] -= top[k] * factor;
            b[size_t(j)] -= b[size_t(i)] * factor;
        }
    }
    if (std::fabs(row(n - 1)[n - 1]) < kTiny) return false;
    for (int i = n - 1; i >= 0; --i) {
        const double* r = row(i);
        double sum = 0.0;
        for (int k = i + 1; k < n; ++k) sum += r[k] * s[size_t(k)];
        s[size_t(i)] = (b[size_t(i)] - sum) / r[i];
    }
    return true;
}

bool FitMapToPoints(ConfMap& map, const std::vector<ConfMap::MappingPoint>& points) {
    const std::optional<MapFitSurface> surface = FitMapSurface(map, GroupMapFitPoints(map, points));
    if (!surface) return false;
    const double lastRpm = map.GetRpm(ConfMap::kCols - 1);
    const double lastMap = map.GetMap(ConfMap::kRows - 1);
    for (int row = 0; row < ConfMap::kRows; ++row)
        for (int col = 0; col < ConfMap::kCols; ++col) {
            const double value = surface->At(map.GetRpm(col) / lastRpm, map.GetMap(row) / lastMap) + 0.5;
            // Far outside the cell range either way: SetCell clamps, the conversion must not overflow.
            map.SetCell(row, col, int32_t(std::clamp(value, -1e9, 1e9)), false);
        }
    return true;
}

}  // namespace zov
