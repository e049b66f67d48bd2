#include "MapChangeSummary.h"

#include <cmath>

namespace zov {
namespace {

using Change = MapChangeSummary::Change;

// Whether `a` is a larger change than `b`; on a tie the earlier cell (row by row) stays.
bool Larger(const Change& a, const Change& b) {
    if (b.row < 0) return true;
    if (a.FromZero() != b.FromZero()) return a.FromZero();
    if (a.FromZero()) return a.after > b.after;
    return std::fabs(a.percent) > std::fabs(b.percent);
}

}  // namespace

MapTable MapGridOf(const int32_t (&cells)[ConfMap::kRows][ConfMap::kCols]) {
    MapTable grid{};
    for (int r = 0; r < ConfMap::kRows; ++r)
        for (int c = 0; c < ConfMap::kCols; ++c) grid[size_t(r)][size_t(c)] = cells[r][c];
    return grid;
}

int CellsThatChange(const MapTable& held, const MapTable& next) {
    int n = 0;
    for (int r = 0; r < ConfMap::kRows; ++r)
        for (int c = 0; c < ConfMap::kCols; ++c)
            n += held[size_t(r)][size_t(c)] != next[size_t(r)][size_t(c)];
    return n;
}

MapChangeSummary MapChangeSummary::Between(const MapTable& before, const MapTable& after,
                                           const MapFlags& capped) {
    MapChangeSummary summary;
    for (int r = 0; r < ConfMap::kRows; ++r)
        for (int c = 0; c < ConfMap::kCols; ++c) {
            // A cell the cap held at its value (no room around 0) is capped without a change.
            if (capped[size_t(r)][size_t(c)]) {
                summary.capped_[size_t(r)][size_t(c)] = true;
                ++summary.cappedCount_;
            }
            Change change{r, c, before[size_t(r)][size_t(c)], after[size_t(r)][size_t(c)], 0};
            if (change.after == change.before) continue;
            ++summary.changed_;
            if (change.before != 0) change.percent = (change.after - change.before) * 100.0 / change.before;
            summary.marked_[size_t(r)][size_t(c)] =
                change.FromZero() || std::fabs(change.percent) > kMarkPercent;
            if (Larger(change, summary.largest_)) summary.largest_ = change;
        }
    return summary;
}

bool MapChangeSummary::Marked(int row, int col) const {
    if (row < 0 || row >= ConfMap::kRows || col < 0 || col >= ConfMap::kCols) return false;
    return marked_[size_t(row)][size_t(col)];
}

bool MapChangeSummary::Capped(int row, int col) const {
    if (row < 0 || row >= ConfMap::kRows || col < 0 || col >= ConfMap::kCols) return false;
    return capped_[size_t(row)][size_t(col)];
}

int MapChangeSummary::MarkedCount() const {
    int n = 0;
    for (const auto& row : marked_)
        for (const bool m : row) n += m ? 1 : 0;
    return n;
}

}  // namespace zov
