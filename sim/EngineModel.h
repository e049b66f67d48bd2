#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

namespace zov::sim {

// How the simulated car is driven.
enum class DriveMode : uint8_t {
    Idle,        // warm-up at idle, forever
    DriveCycle,  // idle, then a tour of the eight automatic-mapping zones, repeated
};

// Values forced onto the engine's sensors, as a signal generator on a test bench would: each one
// set replaces what the engine model computes. The holder keeps the handle and may change the
// values while the simulator runs (the model reads them at every sample).
struct HeldSensors {
    std::optional<uint16_t> period;          // revolution period; 0 = engine stopped
    std::optional<uint8_t> lambda;           // probe byte
    std::optional<uint8_t> cumulus;          // TPS accumulation
    std::optional<uint8_t> reducerPressure;  // reducer pressure byte
    std::optional<uint8_t> tps;              // throttle voltage byte
    std::optional<uint8_t> map;              // manifold pressure byte
    std::optional<uint8_t> status;           // status bits
    std::optional<uint8_t> reducerTemp;      // NTC byte; 0 = no sensor
};

// A fault of the car for a stretch of the drive, as the automatic mapping must not learn from it.
enum class EngineFaultKind : uint8_t {
    LambdaDead,     // the probe reads 0 V (broken or still cold)
    FuelCut,        // a cut-off on deceleration: cutoff bit, throttle closed, lean probe
    OpenLoop,       // the ECU runs without the probe's correction
    ColdReducer,    // the reducer below any mapping temperature
    ThrottleSteps,  // the throttle jerked open and shut every half second
};
struct EngineFault {
    EngineFaultKind kind;
    double fromS;  // seconds since power-on, the stretch is [fromS, toS)
    double toS;
};

struct EngineOptions {
    DriveMode mode = DriveMode::Idle;
    double startTemperatureC = 20.0;          // reducer temperature at power-on
    double warmTemperatureC = 78.0;           // where the warm-up settles
    double warmUpSeconds = 90.0;              // time constant of the warm-up
    std::shared_ptr<const HeldSensors> held;  // none: every value comes from the model
    std::vector<EngineFault> faults;
};

// The ECU settings the engine reacts to, taken from the ECU's memory at the moment of sampling, so
// that what the PC writes (axes, thresholds, mapping mode) shows in the live records.
struct EngineInputs {
    int minChangeoverDelayS = 0;            // var 1
    int minChangeoverTempRaw = 128;         // var 2, NTC byte: smaller is hotter
    int coldProbeS = 15;                    // var 26
    int maxIntegralIdle = 40;               // var 30
    int minIntegralIdle = -40;              // var 31
    bool mappingMode = false;               // bit 2 of var 39
    int fuel = 0;                           // var 47: 0 GPL, otherwise Metano
    std::array<uint8_t, 16> mapAxis{};      // var 105: row pressures as volt bytes
    std::array<uint16_t, 20> rpmPeriods{};  // var 111: column speeds as periods, reversed
    // var 110: enrichment-map speed centres as periods, highest speed first.
    std::array<uint16_t, 8> centrePeriods{2083, 2343, 2678, 3125, 3750, 4687, 6250, 9375};
    // var 107: per speed centre, 5 ms steps between two decrements of the accumulation.
    std::array<uint8_t, 8> cumulusDecrement{7, 7, 7, 7, 7, 7, 7, 7};
};

// Live engine and gas-system values as the records carry them.
struct EngineSnapshot {
    uint8_t lambda = 0;           // probe voltage byte (0-1 V probe: 0.1 V lean ... 0.8 V rich)
    uint8_t tps = 0;              // throttle voltage byte
    uint8_t map = 0;              // manifold pressure sensor byte (same scale as the map rows)
    int8_t integrator1 = 0;       // fast closed-loop corrector
    int8_t integrator2 = 0;       // slow closed-loop corrector
    uint8_t cumulus = 0;          // TPS accumulation: throttle opening, decaying at the var 107 rate
    uint16_t period = 0;          // revolution period: rpm = 7500000 / period
    uint8_t status = 0;           // kStatus* bits
    uint8_t reducerTemp = 0;      // NTC byte of the reducer temperature
    uint8_t reducerPressure = 0;  // reducer pressure over the manifold, byte (about bar x 102)
    uint8_t level = 0;            // fuel-level count
    int row = 0;                  // map row and column of the operating point
    int column = 0;
    int rpm = 0;
    double reducerTempC = 0.0;
};

// Status bits of the live records.
inline constexpr uint8_t kStatusTpsIdle = 0x01;
inline constexpr uint8_t kStatusClosedLoop = 0x02;
inline constexpr uint8_t kStatusCutoff = 0x04;
inline constexpr uint8_t kStatusOnGas = 0x08;
inline constexpr uint8_t kStatusSwitchGas = 0x40;

// A small, deterministic engine: every value is a function of the time since power-on and of the
// inputs, so a test sampling at a given virtual time always gets the same record.
class EngineModel {
  public:
    explicit EngineModel(const EngineOptions& options = {}) : options_(options) {}

    EngineSnapshot Sample(int64_t sincePowerOnUs, const EngineInputs& in) const;

    // NTC divider byte of the reducer temperature sensor and back.
    static uint8_t CelsiusToRaw(double celsius);
    static double RawToCelsius(uint8_t raw);

    // Operating point of each mapping zone (row, column) visited by the drive cycle.
    static constexpr std::array<std::array<int, 2>, 8> kZoneCentres{
        {{5, 2}, {2, 7}, {2, 11}, {7, 11}, {3, 16}, {13, 2}, {13, 10}, {13, 16}}};
    static constexpr double kIdleSeconds = 10.0;  // drive cycle: idle before the tour
    static constexpr double kZoneSeconds = 6.0;   // drive cycle: dwell in each zone
    // Accumulation gained per throttle byte opened at once (the step into a zone).
    static constexpr double kCumulusPerTpsByte = 1.5;
    // Above this accumulation the ECU enriches enough for the probe to read rich.
    static constexpr int kRichCumulus = 32;

    // Throttle byte held in a zone (row of the map) and at idle.
    static int ZoneTps(int zone);
    // Accumulation `sinceZoneStart` seconds into `zone` of the drive cycle, carried over from
    // the zones before it; each zone decays at the rate of its speed.
    static double DriveCycleCumulus(int zone, double sinceZoneStart, const std::array<int, 8>& zoneRpm,
                                    const EngineInputs& in);
    // Accumulation units lost per second at `rpm`: one unit every DEC x 5 ms of the nearest centre.
    static double CumulusDecayPerSecond(int rpm, const EngineInputs& in);

  private:
    void ApplyFaults(double t, EngineSnapshot& s) const;

    EngineOptions options_;
};

}  // namespace zov::sim
