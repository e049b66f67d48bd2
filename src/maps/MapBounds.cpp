#include "MapBounds.h"

#include <algorithm>

#include "ConfMap.h"

namespace zov {

namespace {

template <size_t N>
int Find(const std::array<int32_t, N>& bounds, int32_t value) {
    constexpr int last = int(N) - 2;
    const uint32_t v = uint32_t(value);
    if (v > uint32_t(bounds[N - 1])) return last;
    for (int i = 0; i < last; ++i)
        if (uint32_t(bounds[size_t(i) + 1]) > v) return i;
    return last;
}

}  // namespace

void MapBounds::Compute(const ConfMap& map) {
    colBounds_[0] = 0;
    for (int i = 1; i < kColumns; ++i) colBounds_[size_t(i)] = (map.GetRpm(i) + map.GetRpm(i - 1)) / 2;
    colBounds_[kColumns] = colBounds_[kColumns - 1] + kRpmBeyondLast;
    rowBounds_[0] = 0;
    for (int j = 1; j < kRows; ++j) rowBounds_[size_t(j)] = (map.GetMap(j) + map.GetMap(j - 1)) / 2;
    rowBounds_[kRows] = rowBounds_[kRows - 1] + kMapBeyondLast;
}

int MapBounds::ColumnOf(int32_t rpm) const { return Find(colBounds_, rpm); }

int MapBounds::RowOf(int32_t map) const { return Find(rowBounds_, map); }

int32_t MapBounds::Offset(int32_t value, int32_t lower, int32_t breakpoint, int32_t upper, int32_t half) {
    int64_t offset = half;
    if (breakpoint >= value) {
        const int64_t width = int64_t(breakpoint) - lower;
        if (width > 0) offset = int64_t(half) * (int64_t(value) - lower) / width;
    } else {
        const int64_t width = int64_t(upper) - breakpoint;
        if (width > 0) offset = half + int64_t(half) * (int64_t(value) - breakpoint) / width;
    }
    return int32_t(std::clamp<int64_t>(offset, 0, 2 * int64_t(half)));
}

}  // namespace zov
