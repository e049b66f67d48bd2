#include "EditorStoreRules.h"

#include "ConfCar.h"
#include "EditorPageRules.h"

namespace zov {
namespace {

constexpr int kLambdaPresetRows = 6;
constexpr EditorStoreRules::LambdaPreset kLambdaPresets[kLambdaPresetRows] = {
    {55, 40, 65},     // "0 - 1V"
    {125, 105, 137},  // "0.8 - 1.6V"
    {250, 200, 300},  // "0 - 5 V 'A'"
    {250, 200, 300},  // "0 - 5 V 'B'"
    {250, 300, 200},  // "5 - 0 V 'A'"
    {250, 300, 200},  // "5 - 0 V 'B'"
};

constexpr int32_t kMonoBoschBit = 0x02;

// The parts of an open-loop entry: upper bits 2..5, lower bits 0..1.
constexpr int kUpperPart = 0;
constexpr int kLowerPart = 1;
constexpr int32_t kOpenLoopUpper = 13;
constexpr int32_t kOpenLoopLower = 3;

}  // namespace

int32_t EditorStoreRules::StoreRegister(int32_t reg, int32_t version, bool petrolCutoff,
                                        bool coldChangeover) {
    const bool petrol = EditorPageRules::OffersPetrolCutoff(version) && petrolCutoff;
    reg = petrol ? reg | kPetrolCutoffBit : reg & ~kPetrolCutoffBit;
    return coldChangeover ? reg | kColdChangeoverBit : reg & ~kColdChangeoverBit;
}

std::optional<EditorStoreRules::LambdaPreset> EditorStoreRules::LambdaPresetFor(int lambdaIndex,
                                                                                int indexAtLoad,
                                                                                int32_t version) {
    if (lambdaIndex == indexAtLoad || lambdaIndex < 0 || lambdaIndex >= kLambdaPresetRows ||
        !EditorPageRules::OffersVehicleSettings(version))
        return std::nullopt;
    return kLambdaPresets[lambdaIndex];
}

void EditorStoreRules::ApplyLambdaPreset(ConfCar& car, const LambdaPreset& preset) {
    car.SetValue(99, preset.references);
    car.SetValue(25, preset.coldLower);
    car.SetValue(24, preset.coldUpper);
    car.SetValue(4, 0);
}

int32_t EditorStoreRules::PackTps(int32_t old, int linearIndex, int switchIndex) {
    const int32_t switchTps = switchIndex >= 0 ? switchIndex : SwitchTpsIndex(old);
    return (old & kMonoBoschBit) | (linearIndex & 1) | (switchTps << 2);
}

bool EditorStoreRules::IsOpenLoop(const ConfCar& car) {
    return car.GetOpenLoop(0, kLowerPart) == kOpenLoopLower &&
           car.GetOpenLoop(0, kUpperPart) == kOpenLoopUpper;
}

void EditorStoreRules::SetOpenLoop(ConfCar& car, bool openLoop) {
    for (int i = 0; i < kOpenLoopEntries; ++i) {
        car.SetOpenLoop(i, kUpperPart, openLoop ? kOpenLoopUpper : 0);
        car.SetOpenLoop(i, kLowerPart, openLoop ? kOpenLoopLower : 0);
    }
}

}  // namespace zov
