#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "Clock.h"
#include "ComInj.h"
#include "ConfigurationBackup.h"
#include "ConfigurationModel.h"
#include "Firmware.h"
#include "ProgrammingBackup.h"
#include "Prompter.h"

namespace zov {

// A dictionary text by identifier (already cut to its length); empty when the dictionary has none.
using TextLookup = std::function<std::string(const char* id)>;

// The texts of the programming: the dictionary's when it has them, otherwise built-in Italian
// ones (Windows-1252). Without a dictionary the boot-loader operations also keep their own
// built-in texts.
class UpdateTexts {
  public:
    explicit UpdateTexts(TextLookup lookup = {}) : lookup_(std::move(lookup)) {}
    std::string operator()(const char* id) const;
    bool HasDictionary() const { return static_cast<bool>(lookup_); }
    // The built-in text of an identifier; empty for one this procedure does not use.
    static std::string BuiltIn(const char* id);

  private:
    TextLookup lookup_;
};

// What the programming needs from the window that runs it: the progress window (TFormAttesaFile,
// shown by Open and hidden by Close, with its label, caption, completion text and bar), the busy
// cursor, and the main window's connect action run with its `interactive` flag cleared (open the
// port, open the session, load the model). The main window implements it; zovctl has a console
// one. Every call happens on the caller's thread, in between link exchanges.
class ProgrammingHost {
  public:
    virtual ~ProgrammingHost() = default;
    virtual void Open() = 0;
    virtual void Close() = 0;
    virtual void SetLabel(const std::string& text) = 0;
    virtual void SetCaption(const std::string& text) = 0;
    virtual void SetCompletion(const std::string& text) = 0;
    // absolute: the bar shows `value` %; otherwise `value` is added to it.
    virtual void SetProgress(int value, bool absolute) = 0;
    // A smooth bar while records go out, stepped otherwise.
    virtual void SetSmooth(bool smooth) { (void)smooth; }
    // Paints every window now (the programming does not return to the event loop).
    virtual void Repaint() {}
    virtual void SetBusy(bool busy) { (void)busy; }
    virtual void ConnectInteractiveOff() = 0;
    // The backup before a reprogramming could not be made (`why`, in the texts' language): whether
    // to program anyway. Only an explicit yes goes on.
    virtual bool ProgramWithoutBackup(const std::string& why) {
        (void)why;
        return false;
    }
    // The backup before a reprogramming was written at `path` (it goes into the car's history).
    virtual void BackupMade(const std::string& path) { (void)path; }
};

// The newest standard software of a fuel in the map folder.
struct StandardSoftware {
    int files = 0;     // matching files found
    int version = 0;   // the highest version among them
    std::string path;  // the file with that version
    std::string name;  // its name
};

// What a programming that failed left in the ECU.
enum class EcuAfterFailure {
    Unchanged,    // nothing reached it, or it never left its program
    ProgramKept,  // it waits in its boot loader with its program still in the flash
    MaybeBlank,   // the erase or the end went unanswered: the flash may be empty
    Blank,        // erased: it waits in its boot loader until programmed again
};

// Why a programming failed and what it left in the ECU.
struct ProgrammingFailure {
    boot::Failure reason = boot::Failure::None;  // None: a firmware image with nothing to send
    EcuAfterFailure ecu = EcuAfterFailure::Unchanged;
    bool operator==(const ProgrammingFailure&) const = default;
};

// Firmware programming through the boot loader, as the main window runs it (F5, F6) and zovctl
// does: ProgramEcuFile for one packed ECU file, UpdateStandardSoftware for the newest standard
// software of a fuel with the configuration optionally carried across. Message boxes go through
// the prompter with the link's application title as caption.
class EcuProgrammer {
  public:
    // `mapPath`: the "Map" folder of the main directory (GlobalData code 5), holding GPL/ and
    // Metano/.
    EcuProgrammer(ComInj& link, ConfigurationModel& model, ProgrammingHost& host, Prompter& prompter,
                  Clock& clock, std::string mapPath, UpdateTexts texts = UpdateTexts());

    // Programs a packed ECU file. The file is read and checked whole first: a bad one is refused
    // with a message and the ECU is not touched. Uses the progress window the caller has shown.
    bool ProgramEcuFile(const std::string& path);
    // Programs a checked image (a packed file's or a plain S-record file's).
    bool ProgramFirmware(const FirmwareImage& image);
    // fuel: 0 GPL, otherwise Metano.
    bool UpdateStandardSoftware(bool keepConfiguration, int fuel);

    // Once set, every UpdateStandardSoftware backs the ECU's configuration up into `backup` first.
    void SetBackup(ConfigurationBackup backup) { backup_ = std::move(backup); }
    // Reads the ECU's configuration whole and saves it as a backup; when that cannot be done the
    // host decides whether the programming starts all the same. True: it may start.
    bool BackUpFirst();
    // The backup the last BackUpFirst made (empty when none).
    std::string lastBackupPath;
    // Why a backup was not made, in the texts' language (the port's own line for a port fault).
    std::string BackupFailure(const BackupOutcome& outcome) const;

    static StandardSoftware FindStandardSoftware(const std::string& mapPath, int fuel);

    // The main window's retry counter: 3 after a failure where trying again is pointless.
    int retryCounter = 0;
    // Why the last firmware file was refused.
    std::string lastError;
    // Why the last ProgramFirmware failed and the state it left the ECU in.
    ProgrammingFailure lastFailure;
    // lastFailure in the texts' language: the reason and the state, one line each.
    std::string FailureText() const;
    // The dictionary identifiers of a reason (nullptr for None) and of a state.
    static const char* ReasonTextId(boot::Failure reason);
    static const char* StateTextId(EcuAfterFailure ecu);

    // Waits of the procedure, in milliseconds.
    static constexpr int kBlockModePauseMs = 100;
    static constexpr int kRestartSteps = 100;
    static constexpr int kRestartStepMs = 200;
    static constexpr int kAttempts = 3;

  private:
    void Show(const std::string& text, PromptIcon icon);
    PromptAnswer Ask(const std::string& text);
    std::vector<std::string> EnterTexts() const;
    std::vector<std::string> StepTexts() const;
    bool CarryConfiguration(const ConfigurationModel::DefinitionFiles& files);
    // Notes why the programming stops here; always false, for the caller to return.
    bool Failed(boot::Failure reason, EcuAfterFailure ecu);

    ComInj& link_;
    ConfigurationModel& model_;
    ProgrammingHost& host_;
    Prompter& prompter_;
    Clock& clock_;
    std::string mapPath_;
    UpdateTexts texts_;
    std::optional<ConfigurationBackup> backup_;
};

}  // namespace zov
