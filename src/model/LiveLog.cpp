#include "LiveLog.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

namespace zov {
namespace {

std::vector<std::string> SplitCells(const std::string& line) {
    std::vector<std::string> cells;
    std::string cell;
    std::istringstream in(line);
    while (std::getline(in, cell, ',')) cells.push_back(cell);
    if (!line.empty() && line.back() == ',') cells.emplace_back();
    return cells;
}

bool ParseNumber(const std::string& cell, double& value) {
    if (cell.empty()) {
        value = std::nan("");
        return true;
    }
    char* end = nullptr;
    errno = 0;
    value = std::strtod(cell.c_str(), &end);
    return errno == 0 && end == cell.c_str() + cell.size() && std::isfinite(value);
}

bool ParseTime(const std::string& cell, int64_t& value) {
    if (cell.empty()) return false;
    char* end = nullptr;
    errno = 0;
    value = std::strtoll(cell.c_str(), &end, 10);
    return errno == 0 && end == cell.c_str() + cell.size() && value >= 0;
}

}  // namespace

int LiveLog::Channel(const std::string& name) const {
    for (size_t i = 1; i < columns.size(); ++i)
        if (columns[i] == name) return int(i - 1);
    return -1;
}

size_t LiveLog::RowAt(int64_t tMs) const {
    const auto after = std::upper_bound(times.begin(), times.end(), tMs);
    return after == times.begin() ? 0 : size_t(after - times.begin()) - 1;
}

std::pair<double, double> LiveLog::Range(int channel) const {
    bool any = false;
    double low = 0;
    double high = 0;
    for (const std::vector<double>& row : rows) {
        const double x = row[size_t(channel)];
        if (std::isnan(x)) continue;
        low = any ? std::min(low, x) : x;
        high = any ? std::max(high, x) : x;
        any = true;
    }
    return {low, high};
}

LiveLogLoad ReadLiveLog(const std::string& path) {
    LiveLogLoad load;
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        load.error = path + ": " + std::strerror(errno);
        return load;
    }
    const std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const auto fail = [&](size_t line, const std::string& what) {
        load.error = path + ", line " + std::to_string(line) + ": " + what;
        load.log = {};
        return load;
    };
    size_t at = 0;
    size_t lineNumber = 0;
    while (at < content.size()) {
        const size_t end = content.find('\n', at);
        ++lineNumber;
        if (end == std::string::npos) {
            load.cutShort = true;
            break;
        }
        std::string line = content.substr(at, end - at);
        at = end + 1;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        std::vector<std::string> cells = SplitCells(line);
        if (lineNumber == 1) {
            if (cells.size() < 2 || cells[0] != "t_ms")
                return fail(1, "not a datalog (the first column is not t_ms)");
            load.log.columns = std::move(cells);
            continue;
        }
        if (cells.size() != load.log.columns.size())
            return fail(lineNumber, std::to_string(cells.size()) + " cells where the header has " +
                                        std::to_string(load.log.columns.size()));
        int64_t time = 0;
        if (!ParseTime(cells[0], time)) return fail(lineNumber, "t_ms \"" + cells[0] + "\" is not a time");
        if (!load.log.times.empty() && time < load.log.times.back())
            return fail(lineNumber, "t_ms goes back in time");
        std::vector<double> row(cells.size() - 1);
        for (size_t i = 1; i < cells.size(); ++i)
            if (!ParseNumber(cells[i], row[i - 1]))
                return fail(lineNumber, load.log.columns[i] + " \"" + cells[i] + "\" is not a number");
        load.log.times.push_back(time);
        load.log.rows.push_back(std::move(row));
    }
    if (load.log.columns.empty()) return fail(1, "empty file, not a datalog");
    load.ok = true;
    return load;
}

}  // namespace zov
