#include "FunctionalDiagnosis.h"

#include "ComInj.h"
#include "ConfCar.h"

namespace zov {
namespace {

constexpr int kLowWord = 0;
constexpr int kKindEnabled = 1;
constexpr int kKindTripped = 2;
constexpr int kKindToPetrol = 3;
constexpr int kKindGasForbidden = 4;
constexpr int kKindOpenLoop = 6;

}  // namespace

DiagnosisEffect FunctionalDiagnosis::EffectOf(bool f, bool p, bool o) {
    if (!f && !p && !o) return DiagnosisEffect::None;
    if (!f && p && !o) return DiagnosisEffect::SwitchToPetrol;
    if (f && p && !o) return DiagnosisEffect::ForcedPetrol;
    if (!f && !p && o) return DiagnosisEffect::OpenLoop;
    if (f && !p && o) return DiagnosisEffect::ForcedOpenLoop;
    return DiagnosisEffect::Invalid;
}

DiagnosisEffect FunctionalDiagnosis::EffectOf(const DiagnosisWords& w, int check) {
    return EffectOf(Bit(w.gasForbidden, check), Bit(w.toPetrol, check), Bit(w.openLoop, check));
}

const char* FunctionalDiagnosis::EffectIdentifier(DiagnosisEffect effect) {
    switch (effect) {
        case DiagnosisEffect::None:
            return "LabelEffetto0";
        case DiagnosisEffect::SwitchToPetrol:
            return "LabelEffetto1";
        case DiagnosisEffect::ForcedPetrol:
            return "LabelEffetto2";
        case DiagnosisEffect::OpenLoop:
            return "LabelEffetto3";
        case DiagnosisEffect::ForcedOpenLoop:
            return "LabelEffetto4";
        case DiagnosisEffect::Invalid:
            break;
    }
    return nullptr;
}

DiagnosisWords FunctionalDiagnosis::Read(ConfCar& car) {
    DiagnosisWords w;
    w.tripped = car.GetDiagnosisWord(kLowWord, kKindTripped);
    w.enabled = car.GetDiagnosisWord(kLowWord, kKindEnabled);
    w.gasForbidden = car.GetDiagnosisWord(kLowWord, kKindGasForbidden);
    w.toPetrol = car.GetDiagnosisWord(kLowWord, kKindToPetrol);
    w.openLoop = car.GetDiagnosisWord(kLowWord, kKindOpenLoop);
    return w;
}

void FunctionalDiagnosis::ClearTripped(ConfCar& car, ComInj&) {
    car.SetDiagnosisWord(kLowWord, kKindTripped, 0);
    // The diagnosis words are the vehicle configuration's: a refusal lands in its log.
    (void)car.Send(kTrippedVariable, car.GetDiagnosisWord(kLowWord, kKindTripped));
}

int32_t FunctionalDiagnosis::Send(ConfCar& car, ComInj&, int32_t mask) {
    car.SetDiagnosisWord(kLowWord, kKindEnabled, mask);
    car.SetDiagnosisWord(kLowWord, kKindTripped, car.GetDiagnosisWord(kLowWord, kKindTripped) & mask);
    (void)car.Send(kEnabledVariable, mask);
    const int32_t tripped = car.GetDiagnosisWord(kLowWord, kKindTripped);
    (void)car.Send(kTrippedVariable, tripped);
    return tripped;
}

}  // namespace zov
