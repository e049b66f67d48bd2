#include "ChannelDecimator.h"

#include <algorithm>
#include <cmath>

namespace zov {
namespace {

size_t FirstAtOrAfter(const std::vector<int64_t>& times, double tMs) {
    return size_t(std::lower_bound(times.begin(), times.end(), tMs,
                                   [](int64_t t, double at) { return double(t) < at; }) -
                  times.begin());
}

size_t FirstAfter(const std::vector<int64_t>& times, double tMs) {
    return size_t(std::upper_bound(times.begin(), times.end(), tMs,
                                   [](double at, int64_t t) { return at < double(t); }) -
                  times.begin());
}

}  // namespace

ChannelDecimator::ChannelDecimator(const std::vector<int64_t>& times, const std::vector<float>& values)
    : times_(times), values_(values) {
    blocks_.reserve(values.size() / kBlockRows + 1);
    for (size_t start = 0; start + kBlockRows <= values.size(); start += kBlockRows) {
        std::optional<std::pair<size_t, size_t>> best;
        for (size_t row = start; row < start + kBlockRows; ++row) Consider(row, best);
        blocks_.push_back(best ? Block{uint32_t(best->first), uint32_t(best->second)} : Block{kNone, kNone});
    }
}

void ChannelDecimator::Consider(size_t row, std::optional<std::pair<size_t, size_t>>& best) const {
    const float x = values_[row];
    if (std::isnan(x)) return;
    if (!best) {
        best = std::pair{row, row};
        return;
    }
    if (x < values_[best->first]) best->first = row;
    if (x > values_[best->second]) best->second = row;
}

std::optional<std::pair<size_t, size_t>> ChannelDecimator::Extremes(size_t first, size_t last) const {
    std::optional<std::pair<size_t, size_t>> best;
    size_t row = first;
    for (; row < last && row % kBlockRows != 0; ++row) Consider(row, best);
    for (; row + kBlockRows <= last; row += kBlockRows) {
        const Block& block = blocks_[row / kBlockRows];
        if (block.low == kNone) continue;
        Consider(block.low, best);
        Consider(block.high, best);
    }
    for (; row < last; ++row) Consider(row, best);
    return best;
}

void ChannelDecimator::AddColumn(size_t first, size_t last, std::vector<PlotPoint>& out) const {
    const auto extremes = Extremes(first, last);
    if (!extremes) return;
    const auto [low, high] = std::minmax(extremes->first, extremes->second);
    out.push_back({double(times_[low]), values_[low]});
    if (high != low) out.push_back({double(times_[high]), values_[high]});
}

std::vector<PlotPoint> ChannelDecimator::Points(double fromMs, double toMs, int columns) const {
    std::vector<PlotPoint> out;
    if (values_.empty() || columns < 1 || !(toMs > fromMs)) return out;
    const size_t begin = FirstAtOrAfter(times_, fromMs);
    const size_t end = FirstAfter(times_, toMs);
    const size_t first = begin > 0 ? begin - 1 : 0;
    const size_t last = std::min(times_.size(), end + 1);
    out.reserve(std::min(last - first, size_t(columns) * 2 + 2));
    if (first < begin) AddColumn(first, begin, out);
    const double width = (toMs - fromMs) / columns;
    size_t row = begin;
    for (int column = 0; column < columns && row < end; ++column) {
        const size_t next = column + 1 == columns
                                ? end
                                : std::max(row, FirstAtOrAfter(times_, fromMs + width * (column + 1)));
        AddColumn(row, std::min(next, end), out);
        row = std::min(next, end);
    }
    if (end < last) AddColumn(end, last, out);
    return out;
}

}  // namespace zov
