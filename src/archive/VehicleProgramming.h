#pragma once

#include <optional>
#include <string>

#include "Clock.h"
#include "ComInj.h"
#include "ConfigurationBackup.h"
#include "ConfigurationModel.h"
#include "EcuProgrammer.h"
#include "Prompter.h"

namespace zov {

// Programs the connected ECU with a vehicle file of the archive, as the archive window's
// "Programma" does: the file is checked whole (a packed file unpacked in memory first), the ECU's
// configuration is backed up, then up to five attempts run through the boot loader. A failure
// where another attempt is pointless (no boot loader, an unusable one, an erase that failed) ends
// the run at once; after any other failure the installer is asked whether to try again.
class VehicleProgramming {
  public:
    enum class Result {
        Programmed,
        FileRefused,  // the file is damaged: nothing reached the ECU
        NoBackup,     // the backup could not be made and the installer did not go on
        Failed,       // the attempts ended without a programmed ECU
    };

    static constexpr int kMaxAttempts = 5;
    // The programmed ECU starts its new program before the success is reported.
    static constexpr int kSettleMs = 3000;

    // `caption`: the archive window's caption, for the boxes of this procedure. `backup` absent:
    // no backup is made.
    VehicleProgramming(ComInj& link, ConfigurationModel& model, ProgrammingHost& host, Prompter& prompter,
                       Clock& clock, UpdateTexts texts, std::string caption,
                       std::optional<ConfigurationBackup> backup);

    // `path`: the vehicle file; `selectedFile`: its path relative to the archive folder, which
    // names it in the progress window and decides its kind (S-records when the lower-cased text
    // contains "s19", a packed file otherwise).
    Result Program(const std::string& path, const std::string& selectedFile);

    // Attempts the last Program ran.
    int Attempts() const { return attempts_; }
    // Why the file was refused (FileRefused).
    const std::string& FileError() const { return fileError_; }
    // The backup the last Program made; empty when none.
    const std::string& BackupPath() const { return programmer_.lastBackupPath; }

  private:
    Result RunAttempts(const FirmwareImage& image);
    void Show(const std::string& text, PromptIcon icon);

    ComInj& link_;
    ProgrammingHost& host_;
    Prompter& prompter_;
    Clock& clock_;
    UpdateTexts texts_;
    std::string caption_;
    EcuProgrammer programmer_;
    int attempts_ = 0;
    std::string fileError_;
};

}  // namespace zov
