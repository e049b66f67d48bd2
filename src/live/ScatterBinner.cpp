#include "ScatterBinner.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "ConfMap.h"
#include "LiveRecord.h"

namespace zov {
namespace {

constexpr double kHundredths = 100.0;

// The cell of `value` among `cells` over [low, high]; -1 outside. The top edge belongs to the
// last cell, so the largest value of a channel is plotted.
int CellOf(double value, std::pair<double, double> range, int cells) {
    const auto [low, high] = range;
    if (!(value >= low && value <= high) || !(high > low)) return -1;
    return std::min(cells - 1, int((value - low) / (high - low) * cells));
}

}  // namespace

ScatterBinner::ScatterBinner(int columns, int rows, std::pair<double, double> x, std::pair<double, double> y)
    : columns_(std::max(columns, 1)),
      rows_(std::max(rows, 1)),
      x_(x),
      y_(y),
      counts_(size_t(columns_) * size_t(rows_)),
      colourSums_(counts_.size()),
      colourCounts_(counts_.size()) {}

void ScatterBinner::Add(float x, float y, float colour) {
    const int column = CellOf(x, x_, columns_);
    const int row = CellOf(y, y_, rows_);
    if (column < 0 || row < 0) return;
    const size_t cell = size_t(column) * size_t(rows_) + size_t(row);
    ++counts_[cell];
    if (std::isnan(colour)) return;
    colourSums_[cell] += colour;
    ++colourCounts_[cell];
}

std::vector<ScatterBinner::Bin> ScatterBinner::Bins() const {
    std::vector<Bin> bins;
    for (size_t cell = 0; cell < counts_.size(); ++cell) {
        if (counts_[cell] == 0) continue;
        const float colour = colourCounts_[cell] > 0 ? float(colourSums_[cell] / colourCounts_[cell])
                                                     : std::numeric_limits<float>::quiet_NaN();
        bins.push_back({int(cell / size_t(rows_)), int(cell % size_t(rows_)), counts_[cell], colour});
    }
    return bins;
}

std::vector<double> MapBreakpoints(const std::string& column, const ConfMap& map, int sensorType) {
    std::vector<double> points;
    if (column == "rpm")
        for (int c = 0; c < ConfMap::kCols; ++c) points.push_back(map.GetRpm(c));
    if (column == "map_bar")
        for (int r = 0; r < ConfMap::kRows; ++r)
            if (map.CM[r] != 0) points.push_back(ManifoldPressure(map.CM[r], sensorType) / kHundredths);
    // An axis not yet read from an ECU is all zeros: no grid rather than one line at 0.
    std::sort(points.begin(), points.end());
    points.erase(std::unique(points.begin(), points.end()), points.end());
    std::erase_if(points, [](double p) { return p <= 0; });
    return points;
}

}  // namespace zov
