#include "DiagnosisModeGuard.h"

#include "ComInj.h"

namespace zov {

DiagnosisModeGuard::~DiagnosisModeGuard() { Leave(); }

DiagnosisModeGuard::Answer DiagnosisModeGuard::Write(ComInj& link, uint8_t code) {
    switch (link.WriteVar(kDiagnosisModeVariable, code)) {
        case WriteOutcome::Answered:
            return Answer::Taken;
        case WriteOutcome::Refused:
            return Answer::Refused;
        case WriteOutcome::Lost:
            break;
    }
    return Answer::Lost;
}

bool DiagnosisModeGuard::Enter() {
    const Answer answer = Write(link_, kDiagnosisModeCode);
    owed_ = answer != Answer::Refused;
    return answer == Answer::Taken;
}

bool DiagnosisModeGuard::Leave() {
    if (!owed_ || !link_.IsConnected()) return !owed_;
    owed_ = Write(link_, kNormalModeCode) != Answer::Taken;
    return !owed_;
}

DiagnosisModeGuard::Found DiagnosisModeGuard::LeaveIfFound(ComInj& link) {
    link.ClearErrorFlags();
    const int32_t mode = link.ReadVar(kDiagnosisModeVariable, nullptr);
    if (!link.IsConnected() || (link.ErrorFlags() & ERR_NOT_AVAILABLE) || mode != kDiagnosisModeCode)
        return Found::Normal;
    return Write(link, kNormalModeCode) == Answer::Taken ? Found::Left : Found::NotLeft;
}

}  // namespace zov
