#pragma once

// What every zovctl command shares: the exit statuses, the run's options, the session on the ECU,
// and the few steps of the link most commands take.
#include <cstdint>
#include <string>
#include <vector>

#include "Prompter.h"

namespace zov {

class Clock;
class ComInj;
class ConfigurationModel;
class ConsolePrompter;

enum ExitCode {
    kOk = 0,
    kLinkFailure = 1,
    kBadArgument = 2,
    kRefused = 3,
    kFileFailure = 4,
    kImpossible = 5,
    // The ECU refused variables during a whole read or write; the output, or what the ECU holds,
    // is incomplete.
    kIncomplete = 6,
    // diff: the two configurations differ (as diff(1) says it).
    kDifferent = 1,
};

// Ends the run with a one-line reason.
struct Failure {
    ExitCode code;
    std::string reason;
};

// Throws a Failure: the run ends with `code` and the reason on one line.
[[noreturn]] void Fail(ExitCode code, std::string reason);

struct Options {
    std::string port = "COM1";
    PromptAnswer answer = PromptAnswer::No;
    std::string trace;
    std::string settingsDirectory;
    // Programs even when the backup before it cannot be made.
    bool force = false;
    std::vector<std::string> args;
};

// What a command works with: the link and the model on top of it.
struct Session {
    ComInj& link;
    ConfigurationModel& model;
    ConsolePrompter& prompter;
    Clock& clock;
    const Options& options;
    // How a command that ran to its end exits (diff: whether the inputs differ).
    ExitCode outcome = kOk;
};

// Opens the chosen port and the ECU session, or ends the run with the device's or the line's reason.
void Connect(ComInj& link, int portIndex);
// Ends the run when the device or the ECU session is gone.
void RequireSession(const ComInj& link);
// Ends the run when the ECU or the link refused the last request on `index`.
void CheckRefused(const ComInj& link, int index);
// The program's runtime directory as the settings store names it, else the user's data folder.
std::string RuntimeDirectory(const Options& o);
// The whole configuration from the ECU, with a warning when the mixed-map record names it.
void LoadEcu(Session& session);
std::string Join(const int32_t* values, int count);

}  // namespace zov
