#include "VehicleProgramming.h"

#include "Firmware.h"

namespace zov {

namespace {

// Texts of this procedure that the programming's own texts do not carry.
std::string Fallback(const char* id) {
    const std::string name = id;
    if (name == "MessProgOK") return "Programmazione centralina completata.";
    if (name == "MessScaricaFile") return "Programmazione";
    return {};
}

}  // namespace

VehicleProgramming::VehicleProgramming(ComInj& link, ConfigurationModel& model, ProgrammingHost& host,
                                       Prompter& prompter, Clock& clock, UpdateTexts texts,
                                       std::string caption, std::optional<ConfigurationBackup> backup)
    : link_(link),
      host_(host),
      prompter_(prompter),
      clock_(clock),
      texts_(texts),
      caption_(std::move(caption)),
      programmer_(link, model, host, prompter, clock, {}, std::move(texts)) {
    if (backup) programmer_.SetBackup(std::move(*backup));
}

void VehicleProgramming::Show(const std::string& text, PromptIcon icon) {
    prompter_.Ask(text, caption_, icon, PromptButtons::Ok);
}

VehicleProgramming::Result VehicleProgramming::Program(const std::string& path,
                                                       const std::string& selectedFile) {
    attempts_ = 0;
    fileError_.clear();
    auto text = [this](const char* id) {
        const std::string t = texts_(id);
        return t.empty() ? Fallback(id) : t;
    };
    // The whole file is read and checked before the ECU is touched: a damaged one never gets
    // half-way into the flash.
    FirmwareImage image;
    const FirmwareCheck check =
        IsPlainSRecordFile(selectedFile) ? LoadSRecordFile(path, image) : LoadPackedFirmware(path, image);
    if (!check) {
        fileError_ = check.error;
        Show(text("MessFileProgNonValido") + "\n" + check.error, PromptIcon::Error);
        return Result::FileRefused;
    }

    host_.SetLabel(text("MessAttesaScarica"));
    host_.SetCompletion(text("MessCompletato"));
    host_.SetCaption(text("MessScaricaFile") + " " + selectedFile);
    host_.SetProgress(0, true);
    host_.Open();
    host_.SetBusy(true);
    link_.SetByteMode();
    Result result = Result::NoBackup;
    // Without a backup nothing was started: a session the backup opened stays as it is.
    if (programmer_.BackUpFirst()) {
        result = RunAttempts(image);
        link_.ClosePort();
    }
    link_.SetByteMode();
    host_.SetBusy(false);
    host_.Close();
    if (result == Result::Programmed) Show(text("MessProgOK"), PromptIcon::Information);
    return result;
}

VehicleProgramming::Result VehicleProgramming::RunAttempts(const FirmwareImage& image) {
    for (int attempt = 0;; ++attempt) {
        attempts_ = attempt + 1;
        programmer_.retryCounter = 0;
        if (programmer_.ProgramFirmware(image)) {
            clock_.SleepMs(kSettleMs);
            return Result::Programmed;
        }
        // A session the boot loader left open must not be taken for the program's next time.
        link_.Disconnect();
        const bool pointless = programmer_.retryCounter >= EcuProgrammer::kAttempts;
        if (pointless || attempt + 1 >= kMaxAttempts) return Result::Failed;
        const std::string question = programmer_.FailureText() + "\n" + texts_("MessProgFallita");
        if (prompter_.Ask(question, caption_, PromptIcon::Warning, PromptButtons::YesNo) != PromptAnswer::Yes)
            return Result::Failed;
    }
}

}  // namespace zov
