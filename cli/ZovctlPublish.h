#pragma once

#include <cstdio>
#include <string>
#include <vector>

namespace zov {

// zovctl publish FOLDER OUT --key SECRET.key: a signed publication of an update folder in OUT
// (OUT/ZOV, OUT/ZOV.index, OUT/ZOV.index.sig) for any static web server; prints SEQUENCE=<n>
// and FILES=<count>. zovctl keygen PUBLIC.key SECRET.key: a new publisher key pair (existing
// files are never overwritten). `args` starts with the command's name; the runtime directory
// is not used. Exit status 0, 2 for bad usage, 4 when it could not be done (`error` says why).
int RunPublish(const std::vector<std::string>& args, const std::string& runtimeDirectory, std::FILE* out,
               std::string& error);
int RunKeygen(const std::vector<std::string>& args, const std::string& runtimeDirectory, std::FILE* out,
              std::string& error);

}  // namespace zov
