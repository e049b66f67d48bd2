#pragma once

#include <array>
#include <cstdint>

#include "ConfMap.h"

namespace zov {

// The main map's cells, row by row.
using MapTable = std::array<std::array<int32_t, ConfMap::kCols>, ConfMap::kRows>;

MapTable MapGridOf(const int32_t (&cells)[ConfMap::kRows][ConfMap::kCols]);

// Cells of one map flagged for the installer (those the cap on change bound).
using MapFlags = std::array<std::array<bool, ConfMap::kCols>, ConfMap::kRows>;

// How many cells a download of `next` changes in an ECU that holds `held`.
int CellsThatChange(const MapTable& held, const MapTable& next);

// What a fit (and the points moved after it) did to the map: how many cells changed, the largest
// change relative to the cell's earlier value, and which cells moved by more than a quarter, so an
// installer sees at a glance whether the new map is a correction or a different map.
//
// A cell that was 0 has no relative change: any new value counts as larger than every finite
// change (and is marked); among such cells the largest new value is the largest change.
class MapChangeSummary {
  public:
    static constexpr double kMarkPercent = 25.0;

    struct Change {
        int row = -1;
        int col = -1;
        int32_t before = 0;
        int32_t after = 0;
        // (after - before) / before in percent; meaningless when FromZero().
        double percent = 0;
        bool FromZero() const { return before == 0 && after != 0; }
    };

    // `capped`: the cells the cap on change bound in the fit, flagged whether or not they moved.
    static MapChangeSummary Between(const MapTable& before, const MapTable& after,
                                    const MapFlags& capped = {});

    int Changed() const { return changed_; }
    // The largest change; row -1 when no cell changed.
    const Change& Largest() const { return largest_; }
    // Moved by more than kMarkPercent of its earlier value (or away from 0).
    bool Marked(int row, int col) const;
    int MarkedCount() const;
    // Held back by the cap on change: the cell moved as far as the cap let it.
    bool Capped(int row, int col) const;
    int CappedCount() const { return cappedCount_; }

  private:
    int changed_ = 0;
    Change largest_;
    MapFlags marked_{};
    MapFlags capped_{};
    int cappedCount_ = 0;
};

}  // namespace zov
