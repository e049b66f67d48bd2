#include "ZovctlMapReplay.h"

#include "AtomicFile.h"
#include "ConfigurationModel.h"
#include "LiveLog.h"
#include "MapChangeLimit.h"
#include "MapFit.h"
#include "MapReplay.h"

namespace zov {
namespace {

enum Status { kOk = 0, kBadArgument = 2, kFileFailure = 4, kImpossible = 5 };
constexpr int kMappingPhase = 3;

std::string FittedMapCsv(const ConfMap& map) {
    std::string text;
    for (int r = 0; r < ConfMap::kRows; ++r) {
        for (int c = 0; c < ConfMap::kCols; ++c) text += (c ? "," : "") + std::to_string(map.GetCell(r, c));
        text += "\n";
    }
    return text;
}

}  // namespace

bool TakeMappingOption(const std::string& flag, const std::string& value, MappingOptions& options,
                       std::string& error) {
    const MappingOptionRow* option = flag.starts_with("--") ? FindMappingOption(flag.substr(2)) : nullptr;
    if (!option) {
        error = "unknown option " + flag;
        return false;
    }
    const std::optional<int> v = ParseMappingOption(*option, value);
    if (!v) {
        error = "bad " + flag + " '" + value + "' (expected " + std::to_string(option->min) + ".." +
                std::to_string(option->max) + ", " + option->unit + ")";
        return false;
    }
    options.*option->field = *v;
    return true;
}

std::optional<ReplayArguments> ParseReplayArguments(const std::vector<std::string>& args,
                                                    std::string& error) {
    ReplayArguments a;
    const std::string usage =
        "usage: map-replay LOG.csv [--config FILE.zvf] [--fit OUT.csv] [--locks FILE] [--min-samples N ...]";
    for (size_t i = 1; i < args.size(); ++i) {
        const std::string& flag = args[i];
        if (!flag.starts_with("--")) {
            if (!a.log.empty()) {
                error = usage;
                return std::nullopt;
            }
            a.log = flag;
            continue;
        }
        if (i + 1 >= args.size()) {
            error = "option " + flag + " needs a value";
            return std::nullopt;
        }
        const std::string& value = args[++i];
        if (flag == "--config")
            a.config = value;
        else if (flag == "--fit")
            a.fitOut = value;
        else if (flag == "--locks")
            a.locksFile = value;
        else if (!TakeMappingOption(flag, value, a.options, error))
            return std::nullopt;
    }
    if (a.log.empty()) {
        error = usage;
        return std::nullopt;
    }
    return a;
}

int RunMapReplay(ConfigurationModel& model, const ReplayArguments& arguments, std::FILE* out,
                 std::string& error) {
    // The configuration's own locks (none from an ECU) and those of the file both hold.
    MapLocks locks;
    if (!arguments.locksFile.empty() && !locks.ReadFile(arguments.locksFile, error)) return kFileFailure;
    for (int r = 0; r < ConfMap::kRows; ++r)
        locks.SetRowMask(r, locks.RowMask(r) | model.Map().cellLocks.RowMask(r));
    const LiveLogLoad load = ReadLiveLog(arguments.log);
    if (!load.ok) {
        error = load.error;
        return kFileFailure;
    }
    ConfMap& map = model.Map();
    map.mappingPhase = kMappingPhase;
    const MapReplayResult replay =
        ReplayMapping(load.log, arguments.log, map, model.Car(), arguments.options);
    if (!replay.ok) {
        error = replay.error;
        return kBadArgument;
    }
    for (const FilteredAcquisition::Point& p : replay.points)
        std::fprintf(out, "POINT zone=%d rpm=%d map=%d value=%d\n", p.zone, p.rpm, p.map, p.value);
    for (int r = 0; r < kMappingRefusalCount; ++r)
        std::fprintf(out, "REJECTED reason=%s count=%d\n", MappingRefusalName(MappingRefusal(r)),
                     replay.refused[size_t(r)]);
    std::fprintf(out, "POINTS=%zu\n", replay.points.size());
    if (arguments.fitOut.empty()) return kOk;

    // One point per zone, the later replacing the earlier, as the live mapping keeps them.
    const MapCells start = CellsOfMap(map);
    map.ClearMappingPoints();
    for (const FilteredAcquisition::Point& p : replay.points) map.AddMappingPoint(p.rpm, p.map, p.value, 0);
    if (!FitMapToPoints(map, map.mappingPoints)) {
        error = "impossible with this data: the points must fill three cells not on one line";
        return kImpossible;
    }
    const MapChangeLimit limit = LimitMapChange(map, start, arguments.options.maxChangePct, locks);
    std::fprintf(out, "CAPPED=%d\n", limit.cappedCount);
    error = WriteWholeFile(arguments.fitOut, FittedMapCsv(map));
    return error.empty() ? kOk : kFileFailure;
}

}  // namespace zov
