#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace zov {

class ConfMap;

// The boundaries between the columns (engine speeds) and rows (manifold pressures) of the main
// map as the map editor places the operating point: half-way between neighbouring breakpoints,
// with one more boundary a fixed step beyond the last breakpoint.
class MapBounds {
  public:
    static constexpr int kColumns = 20;
    static constexpr int kRows = 16;
    static constexpr int32_t kRpmBeyondLast = 1000;
    static constexpr int32_t kMapBeyondLast = 100;

    // From the map's current axes; recomputed when the axes change (the start of a mapping).
    void Compute(const ConfMap& map);

    // Column of an engine speed: 19 beyond the last boundary, else the first column whose upper
    // boundary is above it. Compared as unsigned, as the ECU's values are.
    int ColumnOf(int32_t rpm) const;
    // Row of a pressure, in hundredths of a volt, likewise.
    int RowOf(int32_t map) const;

    int32_t Column(int i) const { return colBounds_[size_t(i)]; }
    int32_t Row(int j) const { return rowBounds_[size_t(j)]; }
    bool BeyondLastColumn(int32_t rpm) const { return uint32_t(rpm) > uint32_t(colBounds_[kColumns]); }
    bool BeyondLastRow(int32_t map) const { return uint32_t(map) > uint32_t(rowBounds_[kRows]); }

    // Offset of the cursor from its cell's lower edge: linear from the lower boundary (0) to the
    // breakpoint (`half`) and on to the upper boundary (2 x `half`). Two equal neighbouring
    // breakpoints leave a half-cell of no width: the cursor then sits on the breakpoint. The
    // offset never leaves the cell.
    static int32_t Offset(int32_t value, int32_t lower, int32_t breakpoint, int32_t upper, int32_t half);

  private:
    std::array<int32_t, kColumns + 1> colBounds_{};
    std::array<int32_t, kRows + 1> rowBounds_{};
};

}  // namespace zov
