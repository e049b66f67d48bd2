#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

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

    // "row,col" of each locked cell (0-based map row and column), ';'-separated, as the vehicle's
    // map file keeps them; empty without locks.
    std::string Text() const;
    // The same text back; false (locks unchanged) when a pair is not a cell of the map.
    bool TakeText(std::string_view text);
    // A locks file for zovctl: "row,col" per line, blank lines and a first header line without
    // digits skipped. False with `error` naming the line for anything else.
    bool ReadFile(const std::string& path, std::string& error);

  private:
    std::array<std::array<bool, kCols>, kRows> cells_{};
};

}  // namespace zov
