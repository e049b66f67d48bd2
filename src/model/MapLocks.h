#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace zov {

// Cells of the main map the installer has locked: the fit leaves them at their value and no
// download changes them.
class MapLocks {
  public:
    // The main map's size (ConfMap::kRows x ConfMap::kCols), which holds the locks.
    static constexpr int kRows = 16;
    static constexpr int kCols = 20;

    bool Locked(int row, int col) const;
    void Set(int row, int col, bool locked);
    int Count() const;
    bool Empty() const { return Count() == 0; }
    void Clear() { cells_ = {}; }
    bool operator==(const MapLocks&) const = default;

    // Locks the cells of the rectangle (rows and columns inclusive, in any order), or unlocks them
    // when every one of them is locked already: one command both ways. The cells' new state.
    bool Toggle(int rowFrom, int rowTo, int colFrom, int colTo);

    // A row's locks as the vehicle's map file keeps them: bit c for column c.
    static constexpr uint32_t kRowMaskMax = (uint32_t(1) << kCols) - 1;
    uint32_t RowMask(int row) const;
    // Bits beyond the last column are ignored.
    void SetRowMask(int row, uint32_t mask);
    // A locks file for zovctl: "row,col" per line, blank lines and a first header line without
    // digits skipped. False with `error` naming the line for anything else.
    bool ReadFile(const std::string& path, std::string& error);

  private:
    std::array<std::array<bool, kCols>, kRows> cells_{};
};

}  // namespace zov
