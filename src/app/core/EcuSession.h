#pragma once

#include <string>

#include "Clock.h"
#include "ComInj.h"
#include "ConfigurationModel.h"
#include "Prompter.h"

namespace zov {

// What the session needs from the window that runs it: its questions and messages (by
// dictionary identifier; the window shows them in its language and under its caption), the load's
// progress window, the session state shown in its menus and status bar, the busy cursor, and the
// reconnect countdown. The main window implements it. Every call happens on the caller's thread, in
// between link exchanges.
class SessionHost {
  public:
    virtual ~SessionHost() = default;
    virtual PromptAnswer Ask(const char* identifier, PromptIcon icon, PromptButtons buttons) = 0;
    // A message box with the text of `identifier`, then the lines of `detail` (which the window
    // shows as they are: device paths, variable names).
    virtual void Report(const char* identifier, PromptIcon icon, const std::string& detail) = 0;
    // The line that says why the port could not be used, in the window's language.
    virtual std::string DeviceFaultText(const DeviceError& fault) { return fault.Text(); }
    // The load's progress window: opened before its first step, closed after its last one.
    virtual void OpenProgress() = 0;
    // `step` percent more of the load is done.
    virtual void AdvanceProgress(int step) = 0;
    virtual void CloseProgress() = 0;
    // The link's state may have changed: the menus and the status bar follow it.
    virtual void ShowSessionState() = 0;
    virtual void SetBusy(bool busy) = 0;
    // One second of the reconnect countdown has passed; `secondsLeft` remain.
    virtual void CountdownTick(int secondsLeft) = 0;
};

// The ECU session as the main window runs it: opening it (connect, on failure a 12 s countdown and
// one more attempt), loading the whole ECU into the model, the checks on what was loaded, the
// keep-alive, closing it after the user's consent, and the diagnosis gate in front of remapping.
class EcuSession {
  public:
    static constexpr int kRetryWaitSeconds = 12;
    static constexpr int kKeepAliveVariable = 72;
    // TIPO_SENSORE_MAP of a vehicle whose model names it a Piaggio Porter.
    static constexpr int kPorterMapSensor = 1;
    static constexpr const char* kPorterModel = "piaggio porter e3";
    // Diagnosis checks that are enabled and have an effect, among the low ten bits, stop remapping.
    static constexpr int32_t kDiagnosisMask = 0x3FF;

    enum class Opened {
        Failed,  // no session after the second attempt
        Lost,    // the session was lost during the load: the model does not hold a whole ECU
        Loaded,  // the session is open and the whole ECU is in the model
    };

    EcuSession(ComInj& link, ConfigurationModel& model, Clock& clock, SessionHost& host)
        : link_(link), model_(model), clock_(clock), host_(host) {}

    // Opens a session and loads the ECU. `interactive`: a failure is reported to the user
    // (MessConnFallita, with the port's own fault when it has one); a lost session has been
    // reported by the link already. Variables the ECU refused during the load are listed once
    // (MessVariabiliRifiutate), interactive or not: the model does not hold them.
    // An ECU found in mapping mode after the load (a mapping that ended without leaving it) is taken
    // out of it (MappingJournal::Resume) and the user is told: MessMappaturaRipristinata, or
    // MessMappaturaSenzaValori when the mapping's own values stay in place. An ECU found in
    // diagnosis mode (an actuator test that ended without leaving it) is taken out of it
    // (DiagnosisModeGuard::LeaveIfFound): MessDiagnosiRipristinata.
    Opened Open(bool interactive);
    // The journal a mapping keeps of the ECU's normal values (MappingJournal::PathIn).
    void SetMappingJournal(std::string path) { mappingJournal_ = std::move(path); }
    // Where incomplete map downloads are noted (MixedMapRecord::PathIn): an ECU found there is
    // named after the load (MessMappaMista with its new rows) until a complete map reaches it.
    void SetMixedMapRecord(std::string path);
    // Reads the keep-alive variable while connected. False when an exchange (or a wait inside
    // one) is running: the link must not be entered twice, and nothing was done.
    bool KeepAlive();
    // Asks MessDisconCpu; on Yes closes the session. False when the user said No.
    bool CloseAsked();
    // True when the ECU's first diagnosis words (effect and enabled) share a bit among the low
    // ten checks: remapping would learn from an engine running with a fault. Without a session
    // nothing is read and nothing blocks.
    bool DiagnosisBlocksMapping();

    bool Connected() const { return link_.IsConnected(); }

    // Whether waiting can mend what kept the port from opening: an adapter may still be plugged
    // in or released by another program; a refused permission or a file that is no port cannot.
    static bool WorthWaitingFor(const DeviceError& fault);

  private:
    bool ConnectWithRetry();
    void ReportRefusedVariables();
    void Load();
    void CheckLoadedModel();
    void ResumeMapping();
    void ResumeDiagnosis();
    void ReportMixedMap();

    ComInj& link_;
    ConfigurationModel& model_;
    Clock& clock_;
    SessionHost& host_;
    std::string mappingJournal_;
    std::string mixedMapRecord_;
};

}  // namespace zov
