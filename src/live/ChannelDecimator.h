#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

namespace zov {

// A point of a channel as the plot receives it: the exact time of a row and its value.
struct PlotPoint {
    double tMs = 0;
    float value = 0;
    bool operator==(const PlotPoint&) const = default;
};

// Brings a channel of any length down to what a plot can show: for each pixel column of the
// visible span, the row with the smallest and the row with the largest value (so a spike of a
// single row is never hidden), in the order they were written. A summary of fixed blocks of rows
// (their extremes, made once) spares scanning the rows a block wholly inside a column covers, so
// the cost follows the pixels, not the log's length.
class ChannelDecimator {
  public:
    static constexpr size_t kBlockRows = 64;

    // Keeps references: the log must outlive the decimator.
    ChannelDecimator(const std::vector<int64_t>& times, const std::vector<float>& values);

    // The rows of the smallest and of the largest value among rows [first, last), empty cells
    // left out; none when there is no value.
    std::optional<std::pair<size_t, size_t>> Extremes(size_t first, size_t last) const;
    // The points to draw for [fromMs, toMs] over `columns` pixel columns; one row either side of
    // the span is added so the line runs to the plot's edges.
    std::vector<PlotPoint> Points(double fromMs, double toMs, int columns) const;

  private:
    struct Block {
        uint32_t low = 0;  // row of the smallest value; equal to `high` = kNone when all empty
        uint32_t high = 0;
    };
    static constexpr uint32_t kNone = UINT32_MAX;

    void Consider(size_t row, std::optional<std::pair<size_t, size_t>>& best) const;
    void AddColumn(size_t first, size_t last, std::vector<PlotPoint>& out) const;

    const std::vector<int64_t>& times_;
    const std::vector<float>& values_;
    std::vector<Block> blocks_;
};

}  // namespace zov
