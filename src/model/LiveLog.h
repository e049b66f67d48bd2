#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace zov {

// A datalog as read back: the column names (`t_ms` first) and, per row, the time and the other
// cells as numbers (NaN for an empty cell).
struct LiveLog {
    std::vector<std::string> columns;
    std::vector<int64_t> times;
    std::vector<std::vector<double>> rows;

    // Index among the cells after `t_ms`; -1 when there is no such column.
    int Channel(const std::string& name) const;
    size_t ChannelCount() const { return columns.empty() ? 0 : columns.size() - 1; }
    // The row current at `tMs`: the last one written at or before it (the first row before the
    // log starts). Needs at least one row.
    size_t RowAt(int64_t tMs) const;
    // Smallest and largest value of a channel, empty cells left out; {0, 0} when it has none.
    std::pair<double, double> Range(int channel) const;
};

struct LiveLogLoad {
    bool ok = false;
    std::string error;  // the file and, for bad content, the line and what is wrong
    LiveLog log;
    // The last line had no line end: the recording was cut while writing it, and it is left out.
    bool cutShort = false;
};

LiveLogLoad ReadLiveLog(const std::string& path);

}  // namespace zov
