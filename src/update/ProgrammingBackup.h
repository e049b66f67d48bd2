#pragma once

#include <array>
#include <cstddef>
#include <string>

#include "ComInj.h"
#include "ConfigurationBackup.h"
#include "ConfigurationModel.h"
#include "DeviceError.h"

namespace zov {

// What became of the backup before a reprogramming.
struct BackupOutcome {
    enum class Problem {
        None,
        Link,     // the port or the session failed
        Blank,    // no program answers: only the boot loader, nothing to back up
        Refused,  // the ECU refused variables during the read
        File,     // the backup could not be written
    };
    bool made = false;
    Problem problem = Problem::None;
    std::string path;    // the new backup, when made
    std::string error;   // why not, when not, in English as the command line prints it
    DeviceError device;  // Link: the port's own fault; none when the session was lost
    size_t refused = 0;  // Refused: how many variables
};

// The dictionary rows a window says a failed backup with, each cut to 70 characters: the
// question before programming without one, and a line for each problem but the port's own
// (DeviceError has those).
inline constexpr std::array<const char*, 6> kBackupTexts = {"MessNoBackup",         "MessProgSenzaBackup",
                                                            "MessBackupCpuVuota",   "MessBackupLineaPersa",
                                                            "MessBackupIncompleto", "MessBackupFile"};

// Reads the ECU's configuration whole and saves it as a backup. A backup is made only of a whole
// configuration: a session that cannot be opened or is lost, or a variable the ECU refuses,
// leaves none, since loading it back would put values into the ECU that were never its own.
class ProgrammingBackup {
  public:
    static constexpr const char* kBlankEcu =
        "the ECU answers only in its boot loader: there is no configuration to back up";

    ProgrammingBackup(ComInj& link, ConfigurationModel& model) : link_(link), model_(model) {}
    BackupOutcome Make(const ConfigurationBackup& backup);

  private:
    ComInj& link_;
    ConfigurationModel& model_;
};

}  // namespace zov
