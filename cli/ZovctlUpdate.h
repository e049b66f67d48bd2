#pragma once

#include <cstdio>
#include <string>
#include <vector>

namespace zov {

// zovctl update FOLDER | update --manifest ROOT: installs the newer files of an update folder
// (FOLDER/ZOV/Schede, /Software, /Map) or of a floppy-style manifest (ROOT/ZOV.txt) into the
// runtime directory's Schede, Vetture and Map, printing "COPIED <path>" per installed file and
// "REMOVED <path>" per older version it replaced, both relative to the runtime directory.
// `args` starts with the command's name. Returns the exit status: 0 (also when nothing is newer),
// 2 for bad usage, 4 for a refused manifest or a failed copy; `error` says why when not 0.
int RunUpdate(const std::vector<std::string>& args, const std::string& runtimeDirectory, std::FILE* out,
              std::string& error);

}  // namespace zov
