#include "ZovctlLog.h"

#include <csignal>
#include <cstdlib>
#include <memory>

#include "Clock.h"
#include "ComInj.h"
#include "DatalogWriter.h"
#include "EcuVariables.h"
#include "LiveLogFormat.h"
#include "LiveRecord.h"

namespace zov {
namespace {

constexpr int kPersonalization = 134;
constexpr int kRecordCapacity = 20;
constexpr int kMaxSeconds = 7 * 24 * 3600;

volatile std::sig_atomic_t stopRequested = 0;

void RequestStop(int) { stopRequested = 1; }

// SIGINT and SIGTERM end the loop between two records instead of the process, so the file is
// closed whole; the previous handlers come back afterwards.
class StopSignals {
  public:
    StopSignals() {
        stopRequested = 0;
        struct sigaction action {};
        action.sa_handler = RequestStop;
        sigemptyset(&action.sa_mask);
        sigaction(SIGINT, &action, &savedInt_);
        sigaction(SIGTERM, &action, &savedTerm_);
    }
    ~StopSignals() {
        sigaction(SIGINT, &savedInt_, nullptr);
        sigaction(SIGTERM, &savedTerm_, nullptr);
    }
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

  private:
    struct sigaction savedInt_ {};
    struct sigaction savedTerm_ {};
};

bool ParseInt(const std::string& text, int min, int max, int& out) {
    char* end = nullptr;
    const long v = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || v < min || v > max) return false;
    out = int(v);
    return true;
}

// The manifold pressure depends on the sensor the ECU is set up for; an ECU without the variable
// has the standard sensor.
int32_t SensorTypeOf(ComInj& link) {
    link.ClearErrorFlags();
    int32_t scratch[1] = {};
    const int32_t personalization = link.ReadVar(kPersonalization, scratch);
    if (link.ErrorFlags() != 0) return 0;
    return MapSensorType(personalization);
}

}  // namespace

std::optional<LogOptions> ParseLogArguments(const std::vector<std::string>& args, std::string& error) {
    LogOptions o;
    const char* const usage = "usage: log OUT.csv|OUT.mlg [--seconds N] [--record 150|151|152]";
    for (size_t i = 1; i < args.size(); ++i) {
        const std::string& a = args[i];
        const bool hasValue = i + 1 < args.size();
        if (a == "--seconds") {
            if (!hasValue || !ParseInt(args[++i], 1, kMaxSeconds, o.seconds)) {
                error = "bad --seconds (expected 1.." + std::to_string(kMaxSeconds) + ")";
                return std::nullopt;
            }
        } else if (a == "--record") {
            if (!hasValue || !ParseInt(args[++i], kRecordLive, kRecordMapping, o.record)) {
                error = "bad --record (expected 150, 151 or 152)";
                return std::nullopt;
            }
        } else if (o.path.empty() && !a.starts_with("--")) {
            o.path = a;
        } else {
            error = usage;
            return std::nullopt;
        }
    }
    if (o.path.empty()) {
        error = usage;
        return std::nullopt;
    }
    return o;
}

LogOutcome RecordLog(ComInj& link, Clock& clock, const LogOptions& options, const MappingCellOf& cellOf) {
    LogOutcome outcome;
    const int32_t sensorType = SensorTypeOf(link);
    const std::unique_ptr<DatalogWriter> file = MakeDatalogWriter(options.path);
    DatalogWriter& writer = *file;
    if (!writer.Open(options.path, LiveLogHeader(options.record))) {
        outcome.fileError = writer.Error();
        return outcome;
    }
    outcome.opened = true;
    StopSignals signals;
    const int64_t start = clock.NowUs();
    const int64_t end = options.seconds > 0 ? start + int64_t(options.seconds) * 1'000'000 : INT64_MAX;
    int32_t values[kRecordCapacity] = {};
    std::pair<int, int> cell{0, 0};
    while (stopRequested == 0 && clock.NowUs() < end) {
        if (!link.ReadRecord(options.record, values, kRecordCapacity, cell.first, cell.second)) {
            if (!link.IsConnected()) {
                outcome.linkError = "the session was lost; the log holds every record read before";
                break;
            }
            continue;
        }
        if (cellOf) cell = cellOf(values);
        const int64_t now = clock.NowUs();
        if (!writer.WriteRow((now - start) / 1000, LiveLogCells(options.record, values, sensorType))) {
            outcome.fileError = writer.Error();
            break;
        }
    }
    const int64_t elapsed = clock.NowUs() - start;
    writer.Close();
    outcome.records = writer.Rows();
    outcome.rate = elapsed > 0 ? double(outcome.records) * 1e6 / double(elapsed) : 0.0;
    return outcome;
}

}  // namespace zov
