#pragma once

#include <cstdint>

namespace zov {

class ConfMap;
class MapBounds;

// The pixel layout of the map grid: every column (row) of one width (height) followed by a
// one-pixel line; grid cell (c, r) = map cell (r - 1, c - 1), row 0 and column 0 are headers.
struct GridGeometry {
    int columnWidth = 0;
    int rowHeight = 0;

    int CellLeft(int column) const { return column * (columnWidth + 1); }
    int CellTop(int row) const { return row * (rowHeight + 1); }
};

// A square of pixels, edges included.
struct PixelBox {
    int left = 0, top = 0, right = 0, bottom = 0;
    bool operator==(const PixelBox&) const = default;
};

// The disc that marks the engine's operating point on the map grid: which map cell holds it, where
// in the cell it sits, and when it is worth redrawing at all.
class MapCursor {
  public:
    static constexpr int kRadius = 10;
    // An operating point that does not move is redrawn on every ninth tick only.
    static constexpr int kThinningTicks = 8;

    // Whether this tick moves (or refreshes) the cursor; false while the point stands still,
    // except on every ninth tick.
    bool Due(int32_t rpm, int32_t map);
    // The map column and row of the point, and the disc's centre: from the cell's left (top) edge
    // at the lower boundary, through its centre at the breakpoint, to its right (bottom) edge at
    // the upper boundary; on the right (bottom) edge of the last column (row) beyond it.
    void Place(int32_t rpm, int32_t map, const MapBounds& bounds, const ConfMap& model,
               const GridGeometry& grid);

    int Column() const { return column_; }
    int Row() const { return row_; }
    int X() const { return x_; }
    int Y() const { return y_; }
    PixelBox Box() const { return {x_ - kRadius, y_ - kRadius, x_ + kRadius, y_ + kRadius}; }

  private:
    int32_t lastRpm_ = 0;
    int32_t lastMap_ = 0;
    int unchangedTicks_ = 0;
    int column_ = 0;
    int row_ = 0;
    int x_ = 0;
    int y_ = 0;
};

}  // namespace zov
