#pragma once

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "BaseMapLibrary.h"

namespace zov {

// zovctl basemap CC [--fuel gpl|metano] [--library DIR] [--write]: the base map the parameter
// editor would load for displacement CC, printed as 16 lines of 20 cells (clamped to the ECU's
// range, MAP row 0 first), then "MAP=" and the 16 MAP axis values, then "RPM=" and the 20 RPM axis
// values. `args` starts with the command's name; `mapDirectory` is the runtime directory's map
// folder, whose GPL or Metano folder is the default library. `reader` reads the library files;
// `write` sends the map to the ECU and is only called with --write. Returns the exit status: 0, 2
// for bad usage, 5 when no base map can be made; `error` says why when it is not 0.
int RunBaseMap(const std::vector<std::string>& args, const std::string& mapDirectory, ConfMap& reader,
               const std::function<void(const BaseMapLibrary::Map&)>& write, std::FILE* out,
               std::string& error);

}  // namespace zov
