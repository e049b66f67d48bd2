#pragma once

#include <optional>
#include <string>
#include <vector>

namespace zov {

// The texts zovctl prints about itself: the whole usage (--help), one command's usage (help
// COMMAND), the version and the exit statuses. The manual page, the shell completion and the README
// follow these texts; a test holds them together.
struct CommandHelp {
    const char* name;
    const char* arguments;  // empty when the command takes none
    const char* summary;    // one line in the usage
    const char* details;    // what help COMMAND says under the command's usage line
};

struct ExitStatusHelp {
    int status;
    const char* meaning;
};

const std::vector<CommandHelp>& CommandHelps();
const std::vector<ExitStatusHelp>& ExitStatusHelps();

std::string Usage();
// Nothing for a name that is not a command.
std::optional<std::string> CommandUsage(const std::string& name);
std::string VersionText();

}  // namespace zov
