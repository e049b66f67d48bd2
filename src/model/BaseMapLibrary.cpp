#include "BaseMapLibrary.h"

#include <algorithm>
#include <cstdlib>

#include "WildcardSearch.h"

namespace zov {
namespace {

constexpr const char* kPattern = "automap*_????n.map";

void ReplaceFirst(std::string& text, const std::string& marker, int32_t value) {
    const size_t at = text.find(marker);
    if (at != std::string::npos) text.replace(at, marker.size(), std::to_string(value));
}

}  // namespace

std::string BaseMapLibrary::FuelFolder(const std::string& mapDirectory, int32_t fuelType) {
    const std::string name = fuelType == 1 ? "Metano" : "GPL";
    const std::vector<std::string> found =
        WildcardSearch::Matching(mapDirectory, name, WildcardSearch::Entry::Folders);
    return mapDirectory + (found.empty() ? name : found.front()) + "/";
}

int32_t BaseMapLibrary::DisplacementOf(const std::string& fileName) {
    const size_t dot = fileName.find('.');
    if (dot == std::string::npos || dot < 5) return 0;
    const std::string digits = fileName.substr(dot - 5, 4);
    if (!std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; })) return 0;
    return int32_t(std::atoi(digits.c_str()));
}

std::vector<std::string> BaseMapLibrary::List(const std::string& folder) {
    return WildcardSearch::Matching(folder, kPattern, WildcardSearch::Entry::Files);
}

BaseMapLibrary::Choice BaseMapLibrary::Choose(const std::vector<std::string>& names, int32_t displacement) {
    Choice c;
    for (const std::string& name : names) {
        const int32_t x = DisplacementOf(name) - displacement;
        if (std::abs(x) < std::abs(c.d1)) {
            c.d2 = c.d1;
            c.name2 = c.name1;
            c.d1 = x;
            c.name1 = name;
            ++c.count;
        } else if (std::abs(x) < std::abs(c.d2)) {
            c.d2 = x;
            c.name2 = name;
            ++c.count;
        }
    }
    return c;
}

BaseMapLibrary::Range BaseMapLibrary::RangeOf(const std::vector<std::string>& names) {
    Range range;
    for (size_t i = 0; i < names.size(); ++i) {
        const int32_t cc = DisplacementOf(names[i]);
        range.low = i == 0 ? cc : std::min(range.low, cc);
        range.high = i == 0 ? cc : std::max(range.high, cc);
    }
    return range;
}

BaseMapLibrary::Map BaseMapLibrary::Interpolate(const Map& nearest, const Map& second, int32_t d1,
                                                int32_t d2) {
    Map out;
    const double k = double(d1) / double(d1 - d2);
    for (size_t i = 0; i < out.cells.size(); ++i)
        out.cells[i] = int32_t(double(nearest.cells[i]) + k * double(second.cells[i] - nearest.cells[i]));
    for (size_t i = 0; i < out.map.size(); ++i) out.map[i] = (nearest.map[i] + second.map[i]) / 2;
    for (size_t i = 0; i < out.rpm.size(); ++i) out.rpm[i] = (nearest.rpm[i] + second.rpm[i]) / 2;
    return out;
}

bool BaseMapLibrary::DrivesToLimit(const Map& built, const Map& nearest) {
    for (size_t i = 0; i < built.cells.size(); ++i) {
        if (built.cells[i] <= 0 && nearest.cells[i] > 0) return true;
        if (built.cells[i] >= ConfMap::kMaxCell && nearest.cells[i] < ConfMap::kMaxCell) return true;
    }
    return false;
}

std::string BaseMapLibrary::RangeText(std::string text, const Range& range) {
    ReplaceFirst(text, "%1", range.low);
    ReplaceFirst(text, "%2", range.high);
    return text;
}

BaseMapLibrary::Outcome BaseMapLibrary::Build(ConfMap& reader, const std::string& folder,
                                              int32_t displacement, Map& out) {
    if (displacement < kMinDisplacement || displacement > kMaxDisplacement) return Outcome::NoCil;
    const std::vector<std::string> names = List(folder);
    const Choice c = Choose(names, displacement);
    if (c.count == 0) return Outcome::NoFile;
    Map first;
    if (!reader.ReadMapFile(folder + c.name1, first.cells, first.rpm, first.map))
        return Outcome::CorruptedFile;
    if (c.d1 == 0 || c.count == 1) {
        out = first;
        return Outcome::Loaded;
    }
    Map second;
    if (!reader.ReadMapFile(folder + c.name2, second.cells, second.rpm, second.map))
        return Outcome::CorruptedFile;
    if (c.d1 == c.d2) {
        out = first;
        return Outcome::Loaded;
    }
    const Map built = Interpolate(first, second, c.d1, c.d2);
    if (!RangeOf(names).Holds(displacement) && DrivesToLimit(built, first)) return Outcome::DrivenToLimit;
    out = built;
    return Outcome::Loaded;
}

void BaseMapLibrary::Write(ConfMap& maps, const Map& map, bool send,
                           const std::function<void(int)>& progress) {
    for (int row = 0; row < ConfMap::kRows; ++row)
        for (int col = 0; col < ConfMap::kCols; ++col) {
            maps.SetCell(row, col, map.cells[size_t(row * ConfMap::kCols + col)], send);
            if (progress) progress((col + ConfMap::kCols * row) * 100 / 320);
        }
    for (int row = 0; row < ConfMap::kRows; ++row) maps.SetMap(row, map.map[size_t(row)]);
    for (int col = 0; col < ConfMap::kCols; ++col) maps.SetRpm(col, map.rpm[size_t(col)]);
    if (!send) return;
    // Refused cells and axes are in the map's refusal log.
    (void)maps.WriteToEcu(105);
    (void)maps.WriteToEcu(111);
}

}  // namespace zov
