#pragma once

#include <cstdint>
#include <optional>

namespace zov {

class ConfCar;

// What the parameter editor's store applies besides the plain fields: the bits of the
// configuration register, the lambda references preset by a new lambda type, the packing of
// `TIPO_DI_TPS` and the open-loop entries of the "OpenLoop" box.
class EditorStoreRules {
  public:
    // --- DEFAULT_REGISTRO_CONFIGURAZIONE -----------------------------------------------------
    static constexpr int32_t kAdaptationBit = 0x01;
    static constexpr int32_t kColdChangeoverBit = 0x02;
    static constexpr int32_t kPetrolCutoffBit = 0x20;

    static bool IsAdaptationActive(int32_t reg) { return (reg & kAdaptationBit) != 0; }
    static bool HasColdChangeover(int32_t reg) { return (reg & kColdChangeoverBit) != 0; }
    static bool HasPetrolCutoff(int32_t reg) { return (reg & kPetrolCutoffBit) != 0; }
    static int32_t ToggleAdaptation(int32_t reg) { return reg ^ kAdaptationBit; }
    // The two boxes into the register; an ECU before data version 208 has no petrol cutoff, so
    // its bit is cleared whatever it held. The other bits stay.
    static int32_t StoreRegister(int32_t reg, int32_t version, bool petrolCutoff, bool coldChangeover);

    // --- lambda type -------------------------------------------------------------------------
    // References in hundredths of a volt: all twenty references (variable 99), the cold
    // probe's lower (25) and upper (24) ones.
    struct LambdaPreset {
        int32_t references, coldLower, coldUpper;
        bool operator==(const LambdaPreset&) const = default;
    };
    // The preset a store applies: only for a type other than the one shown at load, on an ECU
    // from data version 200.
    static std::optional<LambdaPreset> LambdaPresetFor(int lambdaIndex, int indexAtLoad, int32_t version);
    // Sets the references and clears the changeover reference (variable 4).
    static void ApplyLambdaPreset(ConfCar& car, const LambdaPreset& preset);

    // --- TIPO_DI_TPS ----------------------------------------------------------------------------
    static int LinearTpsIndex(int32_t tps) { return tps & 1; }
    static int SwitchTpsIndex(int32_t tps) { return (tps >> 2) & 3; }
    // Bit 0 the linear TPS, bits 2..3 the switch TPS, bit 1 (MonoBosch) kept, bits above 3
    // cleared. A switch index below 0 (a field the combo cannot show) keeps the old field.
    static int32_t PackTps(int32_t old, int linearIndex, int switchIndex);

    // --- open loop ----------------------------------------------------------------------------
    static constexpr int kOpenLoopEntries = 6;
    // Entry 0 with upper part 13 and lower part 3.
    static bool IsOpenLoop(const ConfCar& car);
    // Entries 0..5 to 13 / 3, or both parts 0.
    static void SetOpenLoop(ConfCar& car, bool openLoop);
};

}  // namespace zov
