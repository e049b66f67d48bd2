#include "EditorPageRules.h"

#include <algorithm>

#include "EditorFieldMap.h"

namespace zov {
namespace {

constexpr EditorPageRules::EmulationPreset kEmulationPresets[4] = {
    {1, 360, 0, 0},
    {1, 0, 0, 1},
    {0, 0, 0, 0},  // the built wave keeps what is typed
    {EditorPageRules::kFourthEmulationWaves, 360, 360, 0},
};

constexpr EditorPageRules::LevelPreset kLevelPresets[3] = {
    {3, {19, 36, 56, 69}},    // "Quembra"
    {5, {200, 141, 94, 40}},  // "Ovalix", inverted
    {4, {17, 44, 77, 100}},   // "0-90ohm"
};

constexpr int32_t kNeverRpm = 10000;        // a speed the engine never reaches
constexpr int32_t kTotalCutoffOnly = 1000;  // partial cutoff ends at once
constexpr int32_t kDefaultEndRpm = 2500;
constexpr int32_t kLowestOpeningRpm = 1200;
constexpr int32_t kOpeningAboveEnd = 1000;
constexpr int32_t kHighestOpeningRpm = 7000;

}  // namespace

EditorPageRules::EmulationChoice EditorPageRules::EmulationTypeOf(const EmulationValues& v,
                                                                  bool fourthOffered) {
    if (v.waves == 1 && v.high == 0 && v.low == 360 && v.tristateMs == 0) return {kGroundEmulation, false};
    if (v.waves == 1 && v.high == 0 && v.low == 0 && v.tristateMs == 1000) return {kTristateEmulation, false};
    if (v.waves == kFourthEmulationWaves)
        return fourthOffered ? EmulationChoice{kFourthEmulation, false} : EmulationChoice{kBuiltWave, true};
    return {kBuiltWave, false};
}

EditorPageRules::EmulationPreset EditorPageRules::EmulationPresetOf(int type) {
    return kEmulationPresets[std::clamp(type, 0, 3)];
}

EditorPageRules::LevelPreset EditorPageRules::LevelPresetOf(int sensorIndex) {
    const int row = IsStandardSensor(sensorIndex) ? sensorIndex - 2 : sensorIndex;
    return kLevelPresets[std::clamp(row, 0, 2)];
}

bool EditorPageRules::LevelReferencesInOrder(const int32_t (&shown)[4], int sensorIndex) {
    const bool inverted = EditorFieldMap::IsInvertedSensor(sensorIndex);
    for (int i = 0; i < 3; ++i) {
        const bool ordered = inverted ? shown[i] > shown[i + 1] : shown[i] < shown[i + 1];
        if (!ordered) return false;
    }
    return true;
}

int EditorPageRules::CutoffTypeOf(const CutoffSpeeds& s) {
    if (s.end > kCutoffOffRpm) return kNoCutoff;
    if (s.opening < kLowestOpeningRpm || s.end >= s.opening) return kTotalCutoff;
    if (s.opening > kCutoffOffRpm) return kPartialCutoff;
    return kTotalAndPartialCutoff;
}

EditorPageRules::CutoffSpeeds EditorPageRules::CutoffSpeedsFor(int type, CutoffSpeeds typed) {
    CutoffSpeeds s = typed;
    switch (type) {
        case kTotalCutoff:
        case kPartialCutoff:
            s.opening = type == kTotalCutoff ? kTotalCutoffOnly : kNeverRpm;
            if (s.end > kCutoffOffRpm) s.end = kDefaultEndRpm;
            break;
        case kTotalAndPartialCutoff:
            // Total above the higher speed, partial down to the lower one.
            if (s.end > kCutoffOffRpm) s.end = kDefaultEndRpm;
            if (s.opening < s.end || s.opening > kCutoffOffRpm)
                s.opening = std::min(s.end + kOpeningAboveEnd, kHighestOpeningRpm);
            break;
        case kNoCutoff:
            s.end = kNeverRpm;
            break;
        default:
            break;
    }
    return s;
}

}  // namespace zov
