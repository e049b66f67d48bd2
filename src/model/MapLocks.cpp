#include "MapLocks.h"

#include <cctype>
#include <charconv>
#include <fstream>
#include <utility>

#include "ConfMap.h"

namespace zov {

static_assert(MapLocks::kRows == ConfMap::kRows && MapLocks::kCols == ConfMap::kCols);

namespace {

// "row,col" with both in the map; surrounding blanks allowed.
bool ParseCell(std::string_view text, int& row, int& col) {
    auto trim = [](std::string_view s) {
        while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
        while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
        return s;
    };
    const size_t comma = text.find(',');
    if (comma == std::string_view::npos) return false;
    const std::string_view r = trim(text.substr(0, comma));
    const std::string_view c = trim(text.substr(comma + 1));
    auto number = [](std::string_view s, int& out) {
        const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), out);
        return ec == std::errc() && end == s.data() + s.size() && !s.empty();
    };
    return number(r, row) && number(c, col) && row >= 0 && row < ConfMap::kRows && col >= 0 &&
           col < ConfMap::kCols;
}

bool HasDigit(std::string_view s) {
    for (const char ch : s)
        if (std::isdigit(static_cast<unsigned char>(ch))) return true;
    return false;
}

}  // namespace

bool MapLocks::Locked(int row, int col) const {
    if (row < 0 || row >= ConfMap::kRows || col < 0 || col >= ConfMap::kCols) return false;
    return cells_[size_t(row)][size_t(col)];
}

void MapLocks::Set(int row, int col, bool locked) {
    if (row < 0 || row >= ConfMap::kRows || col < 0 || col >= ConfMap::kCols) return;
    cells_[size_t(row)][size_t(col)] = locked;
}

int MapLocks::Count() const {
    int n = 0;
    for (const auto& row : cells_)
        for (const bool locked : row) n += locked ? 1 : 0;
    return n;
}

bool MapLocks::Toggle(int rowFrom, int rowTo, int colFrom, int colTo) {
    if (rowFrom > rowTo) std::swap(rowFrom, rowTo);
    if (colFrom > colTo) std::swap(colFrom, colTo);
    bool allLocked = true;
    for (int r = rowFrom; r <= rowTo; ++r)
        for (int c = colFrom; c <= colTo; ++c) allLocked = allLocked && Locked(r, c);
    for (int r = rowFrom; r <= rowTo; ++r)
        for (int c = colFrom; c <= colTo; ++c) Set(r, c, !allLocked);
    return !allLocked;
}

uint32_t MapLocks::RowMask(int row) const {
    uint32_t mask = 0;
    for (int c = 0; c < kCols; ++c)
        if (Locked(row, c)) mask |= uint32_t(1) << c;
    return mask;
}

void MapLocks::SetRowMask(int row, uint32_t mask) {
    for (int c = 0; c < kCols; ++c) Set(row, c, (mask >> c & 1U) != 0);
}

bool MapLocks::ReadFile(const std::string& path, std::string& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot read the locks file " + path;
        return false;
    }
    MapLocks read;
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.find_first_not_of(" \t") == std::string::npos) continue;
        if (number == 1 && !HasDigit(line)) continue;
        int row = 0, col = 0;
        if (!ParseCell(line, row, col)) {
            error = path + " line " + std::to_string(number) +
                    ": not a map cell 'row,col' (row 0..15, col 0..19)";
            return false;
        }
        read.Set(row, col, true);
    }
    *this = read;
    return true;
}

}  // namespace zov
