#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace zov {

class Clock;
class ComInj;

// zovctl log OUT.csv [--seconds N] [--record 150|151|152]: a live record read back to back, one
// datalog row each, for N seconds or until SIGINT/SIGTERM.
struct LogOptions {
    std::string path;
    int seconds = 0;  // 0: until a signal
    int record = 150;
};

// The arguments after "log"; none (with `error` set) when they are wrong.
std::optional<LogOptions> ParseLogArguments(const std::vector<std::string>& args, std::string& error);

struct LogOutcome {
    bool opened = false;  // the file was created; otherwise `fileError` says why not
    int64_t records = 0;
    double rate = 0.0;  // records per second
    // Why the recording stopped early: the file could not be written, or the session was lost.
    std::string fileError;
    std::string linkError;
};

// The map cell (row, column) the next mapping record asks about, from the last record's values;
// the map editor asks about the cell under the operating point, and a replay learns its value.
using MappingCellOf = std::function<std::pair<int, int>(const int32_t* values)>;

// Records into a new file on an open session. The file is whole whatever ends the recording.
LogOutcome RecordLog(ComInj& link, Clock& clock, const LogOptions& options, const MappingCellOf& cellOf = {});

}  // namespace zov
