#include "EcuSession.h"

#include <algorithm>
#include <cctype>

#include "DiagnosisModeGuard.h"
#include "MappingJournal.h"
#include "MixedMapRecord.h"

namespace zov {
namespace {

// The busy cursor for as long as it lives, whichever way the scope is left.
class Busy {
  public:
    explicit Busy(SessionHost& host) : host_(host) { host_.SetBusy(true); }
    ~Busy() { host_.SetBusy(false); }
    Busy(const Busy&) = delete;
    Busy& operator=(const Busy&) = delete;

  private:
    SessionHost& host_;
};

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return char(std::tolower(c)); });
    return text;
}

}  // namespace

EcuSession::Opened EcuSession::Open(bool interactive) {
    if (!ConnectWithRetry()) {
        host_.ShowSessionState();
        if (interactive) {
            const DeviceError& fault = link_.LastDeviceError();
            if (fault)
                host_.Report("MessConnFallita", PromptIcon::Error, host_.DeviceFaultText(fault));
            else
                host_.Ask("MessConnFallita", PromptIcon::Error, PromptButtons::Ok);
        }
        return Opened::Failed;
    }
    // The status bar says so during the load already.
    host_.ShowSessionState();
    // A mapping whose end could not reach the ECU left it in mapping mode; that is put right
    // before anything is read, so the model reads the ECU's normal values.
    if (model_.LeaveMappingPending()) model_.LeaveMapping();
    Load();
    host_.ShowSessionState();
    // The link has already told the user when the session was lost during the load; what was
    // read is not a whole ECU, so it is not presented as one.
    if (!Connected()) return Opened::Lost;
    ResumeMapping();
    if (!Connected()) return Opened::Lost;
    ResumeDiagnosis();
    if (!Connected()) return Opened::Lost;
    CheckLoadedModel();
    ReportRefusedVariables();
    ReportMixedMap();
    return Opened::Loaded;
}

void EcuSession::SetMixedMapRecord(std::string path) {
    mixedMapRecord_ = path;
    // Every download of the main map notes or clears it, whichever window sends it.
    model_.Map().SetMixedMapRecord(std::move(path));
}

void EcuSession::ReportMixedMap() {
    const std::optional<std::string> rows = MixedMapRecord(mixedMapRecord_).Of(model_.Car());
    if (rows) host_.Report("MessMappaMista", PromptIcon::Warning, *rows);
}

void EcuSession::ResumeMapping() {
    switch (MappingJournal(mappingJournal_).Resume(model_, link_)) {
        case MappingJournal::Resumed::Left:
            host_.Report("MessMappaturaRipristinata", PromptIcon::Information, {});
            break;
        case MappingJournal::Resumed::LeftWithoutOwn:
            host_.Report("MessMappaturaSenzaValori", PromptIcon::Warning, {});
            break;
        case MappingJournal::Resumed::NotInMapping:
        case MappingJournal::Resumed::NotLeft:
            // Not left: the session was lost on the way and the link has said so; the leave stays
            // pending for the next session.
            break;
    }
}

void EcuSession::ResumeDiagnosis() {
    switch (DiagnosisModeGuard::LeaveIfFound(link_)) {
        case DiagnosisModeGuard::Found::Left:
            host_.Report("MessDiagnosiRipristinata", PromptIcon::Information, {});
            break;
        case DiagnosisModeGuard::Found::NotLeft:
            // Refused: the ECU stays in diagnosis mode, and the next connection tries again. A
            // session lost on the way has been reported by the link.
            if (Connected()) host_.Report("MessDiagnosiSospesa1", PromptIcon::Warning, {});
            break;
        case DiagnosisModeGuard::Found::Normal:
            break;
    }
}

bool EcuSession::WorthWaitingFor(const DeviceError& fault) {
    switch (fault.fault) {
        case DeviceFault::PermissionDenied:
        case DeviceFault::NotSerial:
        case DeviceFault::SetupRefused:
            return false;
        default:
            return true;
    }
}

bool EcuSession::ConnectWithRetry() {
    if (link_.Connect()) return true;
    if (!WorthWaitingFor(link_.LastDeviceError())) return false;
    {
        Busy busy(host_);
        for (int left = kRetryWaitSeconds - 1; left >= 0; --left) {
            clock_.SleepMs(1000);
            host_.CountdownTick(left);
        }
    }
    return link_.Connect();
}

void EcuSession::Load() {
    Busy busy(host_);
    host_.OpenProgress();
    model_.ReadFromEcu([this](int step) { host_.AdvanceProgress(step); });
    host_.CloseProgress();
}

void EcuSession::ReportRefusedVariables() {
    const std::vector<std::string> lines = model_.RefusedVariableLines();
    if (lines.empty()) return;
    std::string detail;
    for (const std::string& line : lines) detail += (detail.empty() ? "" : "\n") + line;
    host_.Report("MessVariabiliRifiutate", PromptIcon::Warning, detail);
}

void EcuSession::CheckLoadedModel() {
    ConfCar& car = model_.Car();
    if (Lower(car.MODELLO).find(kPorterModel) != std::string::npos) car.TIPO_SENSORE_MAP = kPorterMapSensor;
}

bool EcuSession::KeepAlive() {
    if (link_.IsBusy()) return false;
    if (Connected()) link_.ReadVar(kKeepAliveVariable, nullptr);
    return true;
}

bool EcuSession::CloseAsked() {
    if (host_.Ask("MessDisconCpu", PromptIcon::Question, PromptButtons::YesNo) != PromptAnswer::Yes)
        return false;
    link_.Disconnect();
    return true;
}

bool EcuSession::DiagnosisBlocksMapping() {
    if (!Connected()) return false;
    ConfCar& car = model_.Car();
    const int32_t effect = car.GetDiagnosisWord(0, 2);
    const int32_t enabled = car.GetDiagnosisWord(0, 1);
    return (effect & enabled & kDiagnosisMask) != 0;
}

}  // namespace zov
