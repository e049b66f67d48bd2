#pragma once

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "MapLocks.h"
#include "MappingOptions.h"

namespace zov {

class ConfigurationModel;

// zovctl map-replay LOG.csv [--config FILE.zvf] [--fit OUT.csv] [--locks FILE] [--<option> N ...]
struct ReplayArguments {
    std::string log;
    std::string config;  // empty: the connected ECU's axes and map
    std::string fitOut;
    std::string locksFile;
    MappingOptions options;
};

// The options of the mapping table by their keys ("--min-samples 8"), shared by map-replay and fit.
// False with `error` for an unknown option or a value out of its limits.
bool TakeMappingOption(const std::string& flag, const std::string& value, MappingOptions& options,
                       std::string& error);

std::optional<ReplayArguments> ParseReplayArguments(const std::vector<std::string>& args, std::string& error);

// The replay over the model's map and vehicle configuration: POINT lines, REJECTED lines for
// every filter, POINTS=n; with a fit file, the map fitted through the points, bound to the
// model's map by the change cap and the locks (the configuration's and the locks file's), written
// whole or not at all. The exit status
// (0, 2 for a log that cannot be replayed, 4 for a file, 5 when the points carry no surface) and
// the reason.
int RunMapReplay(ConfigurationModel& model, const ReplayArguments& arguments, std::FILE* out,
                 std::string& error);

}  // namespace zov
