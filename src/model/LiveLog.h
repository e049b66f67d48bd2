#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace zov {

// A marker line of a datalog: "#marker,NUMBER,T_MS". Readers of older logs never meet one.
inline constexpr const char* kLogMarkerTag = "#marker";

// A numbered point the installer marked while recording, at `tMs` of the log.
struct LogMarker {
    int number = 0;
    int64_t tMs = 0;
    bool operator==(const LogMarker&) const = default;
};

// A datalog as read back: the column names (`t_ms` first), the times, and each channel as one
// contiguous column of 32-bit floats (NaN for an empty cell). Every value the ECU sends fits a
// float exactly or to more digits than the window shows, and an eight-hour log stays a few tens
// of megabytes.
struct LiveLog {
    std::vector<std::string> columns;
    std::vector<int64_t> times;
    std::vector<std::vector<float>> channels;
    std::vector<LogMarker> markers;

    size_t RowCount() const { return times.size(); }
    float Value(size_t row, int channel) const { return channels[size_t(channel)][row]; }
    // Index among the cells after `t_ms`; -1 when there is no such column.
    int Channel(const std::string& name) const;
    size_t ChannelCount() const { return columns.empty() ? 0 : columns.size() - 1; }
    // Sets the columns and makes one empty channel per column after `t_ms`.
    void SetColumns(std::vector<std::string> names);
    // One row: a value per channel.
    void AppendRow(int64_t tMs, const std::vector<float>& values);
    // The row current at `tMs`: the last one written at or before it (the first row before the
    // log starts). Needs at least one row.
    size_t RowAt(int64_t tMs) const;
    // The rows written in [fromMs, toMs]: first and one past the last.
    std::pair<size_t, size_t> RowsIn(double fromMs, double toMs) const;
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
