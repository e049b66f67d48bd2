#pragma once

#include <cstdint>

namespace zov {

class ComInj;
class ConfCar;

// What the ECU does when a check trips, from the check's bits in the words "gas forbidden" (F),
// "switch to petrol" (P) and "forced open loop" (O). Three combinations have no meaning for the
// ECU's program: Invalid.
enum class DiagnosisEffect { None, SwitchToPetrol, ForcedPetrol, OpenLoop, ForcedOpenLoop, Invalid };

// The low diagnosis words of the vehicle configuration, bit i for check i.
struct DiagnosisWords {
    int32_t enabled = 0;       // kind 1, ABILITAZIONE_DIAGNOSI
    int32_t tripped = 0;       // kind 2, EFFETTO_DIAGNOSI
    int32_t toPetrol = 0;      // kind 3, DPASSAGGIO_AUTOMATICO_DIAGNOSI (P)
    int32_t gasForbidden = 0;  // kind 4, DDIAGNOSI_VIETATO_FUNZIONAMENTO_GAS (F)
    int32_t openLoop = 0;      // kind 6, DDIAGNOSI_FORZATO_IN_OPENLOOP (O)
};

// The ECU's ten self-diagnosis checks: reading their words, the effect of each, enabling and
// clearing them. The words go through ConfCar, which transfers them when the link is connected
// and keeps them in the model otherwise.
class FunctionalDiagnosis {
  public:
    static constexpr int kChecks = 10;
    static constexpr int kEnabledVariable = 89;
    static constexpr int kTrippedVariable = 90;

    static bool Bit(int32_t word, int check) { return (word >> check) & 1; }
    static DiagnosisEffect EffectOf(bool gasForbidden, bool toPetrol, bool openLoop);
    static DiagnosisEffect EffectOf(const DiagnosisWords& words, int check);
    // The dictionary identifier of an effect's text; nullptr for Invalid.
    static const char* EffectIdentifier(DiagnosisEffect effect);

    // Reads the words in the order the window always has: kinds 2, 1, 4, 3, 6.
    static DiagnosisWords Read(ConfCar& car);
    // Clears every tripped state, in the model and in the ECU at once.
    static void ClearTripped(ConfCar& car, ComInj& link);
    // Enables exactly the checks of `mask`, drops the tripped states of the others and sends both
    // words. Returns the tripped word as it stands afterwards (read back from a connected ECU).
    static int32_t Send(ConfCar& car, ComInj& link, int32_t mask);
};

}  // namespace zov
