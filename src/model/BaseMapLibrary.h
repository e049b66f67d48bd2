#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "ConfMap.h"

namespace zov {

// The library of base fuel maps, one file per engine displacement ("automap..._1600n.map"), and
// the map a vehicle gets from it: the file of its displacement, or the line through the two
// nearest files.
//
// Past the library's displacements the line is not bounded: a few hundred cc beyond the last file
// it drives cells to 0 or to 720, a map no engine runs on. A map extrapolated beyond the library
// that drives a cell to a limit the nearest file does not hold there is refused (DrivenToLimit).
class BaseMapLibrary {
  public:
    static constexpr int32_t kMinDisplacement = 500;
    static constexpr int32_t kMaxDisplacement = 20000;

    struct Map {
        std::array<int32_t, ConfMap::kRows * ConfMap::kCols> cells{};  // row by row
        std::array<int32_t, ConfMap::kCols> rpm{};
        std::array<int32_t, ConfMap::kRows> map{};
    };

    // The nearest and second nearest file; differences are file displacement minus the vehicle's.
    struct Choice {
        int count = 0;  // replacements made; 0: no file at all
        int32_t d1 = kMaxDisplacement;
        std::string name1;
        int32_t d2 = kMaxDisplacement;
        std::string name2;
    };

    // The smallest and the largest displacement of the library's files.
    struct Range {
        int32_t low = 0;
        int32_t high = 0;
        bool Holds(int32_t displacement) const { return displacement >= low && displacement <= high; }
    };

    enum class Outcome { Loaded, NoCil, NoFile, CorruptedFile, DrivenToLimit };

    // The fuel folder under the map directory, by TIPO_DI_CARBURANTE: the one named "GPL" or
    // "Metano", letter case aside; that name when there is none.
    static std::string FuelFolder(const std::string& mapDirectory, int32_t fuelType);
    // The four characters that end five before the first "." of the name; 0 when not a number.
    static int32_t DisplacementOf(const std::string& fileName);
    // Names matching "automap*_????n.map" in `folder`, letter case aside, sorted by name (letter
    // case aside) so the choice among equal distances does not depend on the file system.
    static std::vector<std::string> List(const std::string& folder);
    static Choice Choose(const std::vector<std::string>& names, int32_t displacement);
    static Range RangeOf(const std::vector<std::string>& names);
    // Cells on the line through the two files' values, axes averaged.
    static Map Interpolate(const Map& nearest, const Map& second, int32_t d1, int32_t d2);
    // Whether a built cell reaches 0 or 720 where the nearest file's cell is not at that limit.
    static bool DrivesToLimit(const Map& built, const Map& nearest);
    // `text` with "%1" and "%2" replaced by the range's ends.
    static std::string RangeText(std::string text, const Range& range);

    // The map for `displacement` from `folder`, read with `reader`; `out` is set only on Loaded.
    // DrivenToLimit: outside the library's range the extrapolated map drives a cell to a limit.
    static Outcome Build(ConfMap& reader, const std::string& folder, int32_t displacement, Map& out);

    // Cells (clamped by SetCell, each sent at once when `send`), MAP and RPM axes into `maps`; the
    // axes go to the ECU with `send`. `progress` gets trunc((col + 20*row) * 100 / 320) per cell.
    static void Write(ConfMap& maps, const Map& map, bool send, const std::function<void(int)>& progress);
};

}  // namespace zov
