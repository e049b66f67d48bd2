#include "LiveLogParser.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <utility>

namespace zov {
namespace {

constexpr float kEmptyCell = std::numeric_limits<float>::quiet_NaN();
// Rows of a file are near the length of its first one; a little room spares a second growth.
constexpr double kReserveMargin = 1.05;

size_t CellCount(std::string_view line) {
    size_t count = 1;
    for (const char c : line) count += c == ',' ? 1 : 0;
    return count;
}

// The cell starting at `at` up to the next comma or the line's end.
std::string_view CellAt(std::string_view line, size_t at) {
    const size_t comma = line.find(',', at);
    return line.substr(at, comma == std::string_view::npos ? line.size() - at : comma - at);
}

bool ParseFloat(std::string_view cell, float& value) {
    if (cell.empty()) {
        value = kEmptyCell;
        return true;
    }
    const char* end = cell.data() + cell.size();
    const auto [stop, ec] = std::from_chars(cell.data(), end, value);
    return ec == std::errc() && stop == end && std::isfinite(value);
}

bool ParseInteger(std::string_view cell, int64_t& value) {
    const char* end = cell.data() + cell.size();
    const auto [stop, ec] = std::from_chars(cell.data(), end, value);
    return !cell.empty() && ec == std::errc() && stop == end;
}

}  // namespace

LiveLogParser::LiveLogParser(std::string name, size_t expectedBytes)
    : name_(std::move(name)), expectedBytes_(expectedBytes) {}

bool LiveLogParser::Feed(std::string_view bytes) {
    if (!load_.error.empty()) return false;
    while (!bytes.empty()) {
        const size_t end = bytes.find('\n');
        if (end == std::string_view::npos) {
            pending_.append(bytes);
            return true;
        }
        bool taken = false;
        if (pending_.empty()) {
            taken = TakeLine(bytes.substr(0, end));
        } else {
            pending_.append(bytes.substr(0, end));
            taken = TakeLine(pending_);
            pending_.clear();
        }
        if (!taken) return false;
        bytes.remove_prefix(end + 1);
    }
    return true;
}

LiveLogLoad LiveLogParser::Finish() {
    if (!load_.error.empty()) return std::move(load_);
    load_.cutShort = !pending_.empty();
    if (load_.log.columns.empty()) {
        lineNumber_ = 1;
        Fail("empty file, not a datalog");
        return std::move(load_);
    }
    load_.ok = true;
    return std::move(load_);
}

bool LiveLogParser::TakeLine(std::string_view line) {
    ++lineNumber_;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (lineNumber_ == 1) return TakeHeader(line);
    if (line.starts_with(kLogMarkerTag)) return TakeMarker(line);
    return TakeRow(line);
}

bool LiveLogParser::TakeHeader(std::string_view line) {
    std::vector<std::string> names;
    for (size_t at = 0; at <= line.size();) {
        const std::string_view cell = CellAt(line, at);
        names.emplace_back(cell);
        at += cell.size() + 1;
    }
    if (names.size() < 2 || names[0] != "t_ms") return Fail("not a datalog (the first column is not t_ms)");
    load_.log.SetColumns(std::move(names));
    return true;
}

void LiveLogParser::Reserve(size_t lineBytes) {
    reserved_ = true;
    if (expectedBytes_ == 0 || lineBytes == 0) return;
    const auto rows = size_t(double(expectedBytes_) / double(lineBytes + 1) * kReserveMargin);
    load_.log.times.reserve(rows);
    for (std::vector<float>& channel : load_.log.channels) channel.reserve(rows);
}

bool LiveLogParser::TakeRow(std::string_view line) {
    LiveLog& log = load_.log;
    if (!reserved_) Reserve(line.size());
    const size_t cells = CellCount(line);
    if (cells != log.columns.size())
        return Fail(std::to_string(cells) + " cells where the header has " +
                    std::to_string(log.columns.size()));
    const std::string_view timeCell = CellAt(line, 0);
    int64_t time = 0;
    if (!ParseInteger(timeCell, time) || time < 0)
        return Fail("t_ms \"" + std::string(timeCell) + "\" is not a time");
    if (!log.times.empty() && time < log.times.back()) return Fail("t_ms goes back in time");
    size_t at = timeCell.size() + 1;
    for (size_t channel = 0; channel < log.channels.size(); ++channel) {
        const std::string_view cell = CellAt(line, at);
        float value = 0;
        if (!ParseFloat(cell, value)) {
            // The row's earlier cells are already in their columns; the failed load drops them.
            return Fail(log.columns[channel + 1] + " \"" + std::string(cell) + "\" is not a number");
        }
        log.channels[channel].push_back(value);
        at += cell.size() + 1;
    }
    log.times.push_back(time);
    return true;
}

bool LiveLogParser::TakeMarker(std::string_view line) {
    const size_t numberAt = std::string_view(kLogMarkerTag).size() + 1;
    const bool tagged = line.size() > numberAt && line[numberAt - 1] == ',';
    const std::string_view numberCell = tagged ? CellAt(line, numberAt) : std::string_view();
    const size_t timeAt = numberAt + numberCell.size() + 1;
    const std::string_view timeCell = timeAt <= line.size() ? line.substr(timeAt) : std::string_view();
    int64_t number = 0;
    LogMarker marker;
    if (!tagged || !ParseInteger(numberCell, number) || !ParseInteger(timeCell, marker.tMs) || marker.tMs < 0)
        return Fail("\"" + std::string(line) + "\" is not a marker");
    marker.number = int(number);
    load_.log.markers.push_back(marker);
    return true;
}

bool LiveLogParser::Fail(const std::string& what) {
    load_.error = name_ + ", line " + std::to_string(lineNumber_) + ": " + what;
    load_.log = {};
    return false;
}

}  // namespace zov
