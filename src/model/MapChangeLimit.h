#pragma once

#include <array>
#include <cstdint>

#include "ConfMap.h"

namespace zov {

class MapLocks;

// The main map's cells, row by row, as a mapping session began with them.
using MapCells = std::array<std::array<int32_t, ConfMap::kCols>, ConfMap::kRows>;
MapCells CellsOfMap(const ConfMap& map);

// What binding a fitted map to its session's starting map did.
struct MapChangeLimit {
    std::array<std::array<bool, ConfMap::kCols>, ConfMap::kRows> capped{};
    int cappedCount = 0;
    int lockedKept = 0;  // locked cells the fit had moved, put back

    bool Capped(int row, int col) const;
};

// Binds every cell of `map` to within `maxChangePct` percent of `start` (truncated towards the
// starting value, so a cell that started at 0 stays there) and puts locked cells back to their
// starting value. Measured from the session's start, never from the last pass, so passes cannot
// add up. `maxChangePct` 0 or less: no cap, only the locks.
MapChangeLimit LimitMapChange(ConfMap& map, const MapCells& start, int maxChangePct, const MapLocks& locks);

}  // namespace zov
