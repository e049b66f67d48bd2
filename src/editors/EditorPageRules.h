#pragma once

#include <cstdint>

namespace zov {

// What the parameter editor's pages derive from the model and from each other: the emulation
// type and its fixed values, the level-sensor presets and the order of its references, the
// cutoff type and its end speeds, the self-adaptation zone limits, and what an ECU data version
// offers.
class EditorPageRules {
  public:
    // --- lambda emulation ------------------------------------------------------------------
    static constexpr int kGroundEmulation = 0;  // "Emulazione Massa"
    static constexpr int kTristateEmulation = 1;
    static constexpr int kBuiltWave = 2;  // "Onda Costruita": the installer sets the four values
    static constexpr int kFourthEmulation = 3;
    static constexpr int32_t kFourthEmulationWaves = 255;

    struct EmulationValues {
        int32_t waves, high, low, tristateMs;
    };
    struct EmulationChoice {
        int type;
        // The model asks for the fourth type where it is not offered: it becomes a built wave
        // of one wave, in the model and the ECU.
        bool demoteToOneWave;
    };
    // Without a session anything may be prepared; with one, only an ECU with map B has it.
    static bool FourthEmulationOffered(bool connected, bool mapBPresent) { return !connected || mapBPresent; }
    static EmulationChoice EmulationTypeOf(const EmulationValues& v, bool fourthOffered);
    // Fixed values of a type other than the built wave: waves, low and high time (ms), tristate
    // time (s).
    struct EmulationPreset {
        int32_t waves, low, high;
        double tristateSeconds;
    };
    static EmulationPreset EmulationPresetOf(int type);

    // --- level sensor ------------------------------------------------------------------------
    struct LevelPreset {
        int32_t hysteresis;
        int32_t references[4];  // as the edits show them: reserve, 1/4, 2/4, 3/4
    };
    // Standard sensors (index 2..4) come with fixed values; a non-standard sensor (0, 1) starts
    // from the references of the first or second standard one, the sense it reads in.
    static bool IsStandardSensor(int sensorIndex) { return sensorIndex > 1; }
    static LevelPreset LevelPresetOf(int sensorIndex);
    // Strictly increasing as shown, strictly decreasing for an inverted sensor (index 1 or 3).
    static bool LevelReferencesInOrder(const int32_t (&shown)[4], int sensorIndex);

    // --- cutoff ------------------------------------------------------------------------------
    static constexpr int kTotalCutoff = 0;
    static constexpr int kPartialCutoff = 1;
    static constexpr int kTotalAndPartialCutoff = 2;
    static constexpr int kNoCutoff = 3;
    static constexpr int32_t kCutoffOffRpm = 8500;  // an end speed above this switches it off

    struct CutoffSpeeds {
        int32_t end;      // DEF_GIRI_PER_CUTOFF, rpm: the total cutoff's end
        int32_t opening;  // PERIODO_X_APRIRE_ELETTROVALVOLA_IN_CUTOFF, rpm: the partial one's
        bool operator==(const CutoffSpeeds&) const = default;
    };
    static int CutoffTypeOf(const CutoffSpeeds& s);
    // The two speeds the edits take when a type is chosen, from the speeds typed.
    static CutoffSpeeds CutoffSpeedsFor(int type, CutoffSpeeds typed);
    // The motor's opening in partial cutoff, sixteenths to whole percent.
    static int32_t OpeningPercent(int32_t sixteenths) { return sixteenths * 100 / 16; }

    // --- self-adaptation -----------------------------------------------------------------------
    // The limit between a zone ending at a map column and the next: the midpoint of the two
    // column speeds, down to a multiple of 100 rpm.
    static int32_t ZoneLimit(int32_t columnRpm, int32_t nextColumnRpm) {
        return ((columnRpm + nextColumnRpm) / 200) * 100;
    }

    // --- what a data version offers -------------------------------------------------------------
    static bool OffersColdChangeover(int32_t version) { return version > 9; }
    // Vehicle page settings, lambda presets and the enrichment variation.
    static bool OffersVehicleSettings(int32_t version) { return version >= 200; }
    static bool OffersPetrolCutoff(int32_t version) { return version >= 208; }
};

}  // namespace zov
