#pragma once

#include <cstdio>
#include <string>
#include <vector>

namespace zov {

// zovctl vehicles [--archive DIR]: the vehicle archive as the archive window shows it, one vehicle
// a line, "fuel<TAB>brand<TAB>display name<TAB>file name" (fuel GPL or Metano), in the window's
// order. `args` starts with the command's name; `defaultArchive` is the runtime directory's
// archive folder. Returns the exit status: 0, 2 for bad usage, 4 for a folder that cannot be
// read; `error` says why when it is not 0.
int ListVehicles(const std::vector<std::string>& args, const std::string& defaultArchive, std::FILE* out,
                 std::string& error);

}  // namespace zov
