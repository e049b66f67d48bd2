#include "MapChangeLimit.h"

#include <algorithm>

#include "MapLocks.h"

namespace zov {

namespace {
constexpr int64_t kPercent = 100;
}

MapCells CellsOfMap(const ConfMap& map) {
    MapCells cells{};
    for (int r = 0; r < ConfMap::kRows; ++r)
        for (int c = 0; c < ConfMap::kCols; ++c) cells[size_t(r)][size_t(c)] = map.GetCell(r, c);
    return cells;
}

bool MapChangeLimit::Capped(int row, int col) const {
    if (row < 0 || row >= ConfMap::kRows || col < 0 || col >= ConfMap::kCols) return false;
    return capped[size_t(row)][size_t(col)];
}

MapChangeLimit LimitMapChange(ConfMap& map, const MapCells& start, int maxChangePct, const MapLocks& locks) {
    MapChangeLimit limit;
    for (int r = 0; r < ConfMap::kRows; ++r)
        for (int c = 0; c < ConfMap::kCols; ++c) {
            const int32_t from = start[size_t(r)][size_t(c)];
            const int32_t fitted = map.GetCell(r, c);
            if (locks.Locked(r, c)) {
                if (fitted != from) ++limit.lockedKept;
                map.SetCell(r, c, from, false);
                continue;
            }
            if (maxChangePct <= 0) continue;
            const int32_t room = int32_t(int64_t(from) * maxChangePct / kPercent);
            const int32_t bound = std::clamp(fitted, from - room, from + room);
            if (bound == fitted) continue;
            map.SetCell(r, c, bound, false);
            limit.capped[size_t(r)][size_t(c)] = true;
            ++limit.cappedCount;
        }
    return limit;
}

}  // namespace zov
