#include "EngineModel.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace zov::sim {
namespace {

constexpr double kPi = 3.14159265358979323846;

// Resistance of the reducer's NTC relative to 25 °C, every 5 °C from -55 °C.
constexpr std::array<float, 47> kNtcRatio{
    97.578f,  67.65f,  47.538f,  33.831f,  24.359f,  17.753f,  13.067f, 9.7228f,  7.3006f,  5.5361f,
    4.2332f,  3.266f,  2.5392f,  1.9902f,  1.5709f,  1.2492f,  1.0f,    0.805f,   0.65326f, 0.5329f,
    0.4371f,  0.36f,   0.299f,   0.2493f,  0.2088f,  0.1757f,  0.148f,  0.1262f,  0.1076f,  0.09215f,
    0.07922f, 0.0683f, 0.05924f, 0.05153f, 0.04492f, 0.0392f,  0.0343f, 0.03018f, 0.02665f, 0.023594f,
    0.0209f,  0.0186f, 0.0166f,  0.01486f, 0.01332f, 0.01198f, 0.01079f};

// Idle of a warm small petrol engine; a cold one idles higher.
constexpr double kWarmIdleRpm = 850.0;
constexpr double kColdIdleExtraRpm = 300.0;
constexpr uint8_t kIdleMapByte = 24;  // about 0.33 bar absolute
constexpr uint8_t kIdleTpsByte = 26;  // about 0.5 V
constexpr uint8_t kLambdaLean = 5;    // 0.1 V
constexpr uint8_t kLambdaRich = 41;   // 0.8 V
constexpr uint8_t kLambdaCold = 23;   // 0.45 V: a probe that is not yet working
constexpr uint8_t kFuelLevel = 48;

int Nearest(const int* values, int count, int target) {
    int best = 0;
    int bestDistance = -1;
    for (int i = 0; i < count; ++i) {
        int d = std::abs(values[i] - target);
        if (bestDistance < 0 || d < bestDistance) {
            best = i;
            bestDistance = d;
        }
    }
    return best;
}

// Square wave with short ramps, as a switching probe looks on a scope; `phase` in [0, 1).
double SwitchingWave(double phase) {
    constexpr double ramp = 0.08;
    if (phase < 0.5) return std::min(1.0, phase / ramp);
    return 1.0 - std::min(1.0, (phase - 0.5) / ramp);
}

}  // namespace

int EngineModel::ZoneTps(int zone) {
    if (zone < 0 || zone >= int(kZoneCentres.size())) return kIdleTpsByte;
    return std::min(kIdleTpsByte + 13 * kZoneCentres[zone][0], 230);
}

double EngineModel::CumulusDecayPerSecond(int rpm, const EngineInputs& in) {
    int nearest = 0;
    int distance = -1;
    for (int i = 0; i < 8; ++i) {
        const uint16_t period = in.centrePeriods[7 - i];
        if (period == 0) continue;
        const int d = std::abs(int(7500000 / period) - rpm);
        if (distance < 0 || d < distance) {
            nearest = i;
            distance = d;
        }
    }
    // A zero step count would mean an instant decay; the ECU takes at least one 5 ms step.
    const int steps = std::max<int>(in.cumulusDecrement[nearest], 1);
    return 1.0 / (steps * 0.005);
}

double EngineModel::DriveCycleCumulus(int zone, double sinceZoneStart, const std::array<int, 8>& zoneRpm,
                                      const EngineInputs& in) {
    double carried = 0.0;
    for (int z = 0; z <= zone && z < int(kZoneCentres.size()); ++z) {
        // Only an opening throttle accumulates; closing it into a zone adds nothing.
        const double jump = std::max(0, ZoneTps(z) - ZoneTps(z - 1)) * kCumulusPerTpsByte;
        const double level = std::min(255.0, carried + jump);
        const double elapsed = z < zone ? kZoneSeconds : sinceZoneStart;
        carried = std::max(0.0, level - CumulusDecayPerSecond(zoneRpm[z], in) * elapsed);
    }
    return carried;
}

uint8_t EngineModel::CelsiusToRaw(double celsius) {
    celsius = std::clamp(celsius, -55.0, 174.9);
    double a = (celsius + 55.0) * 0.2;
    int i = static_cast<int>(a);
    double r = kNtcRatio[i] + (a - i) * (kNtcRatio[i + 1] - kNtcRatio[i]);
    return static_cast<uint8_t>(255.0 * r / (1.0 + r) + 0.5);
}

double EngineModel::RawToCelsius(uint8_t raw) {
    float r = raw == 255 ? 0.0f : static_cast<float>(raw) / static_cast<float>(255 - raw);
    if (r == 0.0f) return -1000.0;
    int k = 46;
    for (int i = 0; i < 47; ++i) {
        if (r >= kNtcRatio[i]) {
            k = i;
            break;
        }
    }
    if (k == 0) return -55.0;
    return (k - (r - kNtcRatio[k]) / (kNtcRatio[k - 1] - kNtcRatio[k])) * 5.0 - 55.0;
}

void EngineModel::ApplyFaults(double t, EngineSnapshot& s) const {
    constexpr double kStepSeconds = 0.5;
    constexpr int kStepTpsBytes = 60;
    constexpr double kColdReducerC = 15.0;
    for (const EngineFault& f : options_.faults) {
        if (t < f.fromS || t >= f.toS) continue;
        switch (f.kind) {
            case EngineFaultKind::LambdaDead:
                s.lambda = 0;
                break;
            case EngineFaultKind::FuelCut:
                s.status |= kStatusCutoff;
                s.lambda = kLambdaLean;
                s.integrator1 = 0;
                break;
            case EngineFaultKind::OpenLoop:
                s.status &= uint8_t(~kStatusClosedLoop);
                s.integrator1 = s.integrator2 = 0;
                break;
            case EngineFaultKind::ColdReducer:
                s.reducerTempC = kColdReducerC;
                s.reducerTemp = CelsiusToRaw(kColdReducerC);
                break;
            case EngineFaultKind::ThrottleSteps:
                if (int(std::floor((t - f.fromS) / kStepSeconds)) % 2 == 1)
                    s.tps = uint8_t(std::min(255, s.tps + kStepTpsBytes));
                break;
        }
    }
}

EngineSnapshot EngineModel::Sample(int64_t sincePowerOnUs, const EngineInputs& in) const {
    EngineSnapshot s;
    const double t = static_cast<double>(std::max<int64_t>(sincePowerOnUs, 0)) / 1e6;
    const double warm = 1.0 - std::exp(-t / std::max(options_.warmUpSeconds, 1.0));

    s.reducerTempC =
        options_.startTemperatureC + (options_.warmTemperatureC - options_.startTemperatureC) * warm;
    s.reducerTemp = CelsiusToRaw(s.reducerTempC);

    // The column speeds as the ECU holds them; a zero period (an axis not written yet) is skipped.
    std::array<int, 20> columnRpm{};
    for (int c = 0; c < 20; ++c) {
        uint16_t period = in.rpmPeriods[19 - c];
        columnRpm[c] = period ? static_cast<int>(7500000 / period) : -100000;
    }
    std::array<int, 16> rowMap{};
    for (int r = 0; r < 16; ++r) rowMap[r] = in.mapAxis[r];

    bool idle = true;
    double sinceZoneStart = 0.0;
    int zone = -1;
    if (options_.mode == DriveMode::DriveCycle) {
        const double cycle = kIdleSeconds + kZoneSeconds * kZoneCentres.size();
        double phase = std::fmod(t, cycle);
        if (phase >= kIdleSeconds) {
            zone = std::min<int>(static_cast<int>((phase - kIdleSeconds) / kZoneSeconds), 7);
            sinceZoneStart = phase - kIdleSeconds - zone * kZoneSeconds;
            idle = false;
        }
    }

    double rpm = 0.0;
    if (idle) {
        rpm = kWarmIdleRpm + kColdIdleExtraRpm * (1.0 - warm) + 12.0 * std::sin(2 * kPi * t / 1.3);
        s.map = static_cast<uint8_t>(kIdleMapByte + std::lround(std::sin(2 * kPi * t / 2.1)));
        s.tps = kIdleTpsByte;
    } else {
        std::array<int, 8> zoneRpm{};
        for (size_t z = 0; z < kZoneCentres.size(); ++z) {
            const int c = kZoneCentres[z][1];
            zoneRpm[z] = columnRpm[c] > 0 ? columnRpm[c] : 1000 + 300 * c;
        }
        const int row = kZoneCentres[zone][0];
        rpm = zoneRpm[zone] + 10.0 * std::sin(2 * kPi * t / 1.3);
        int mapByte = rowMap[row] > 0 ? rowMap[row] : 10 + 12 * row;
        s.map = static_cast<uint8_t>(
            std::clamp<long>(mapByte + std::lround(std::sin(2 * kPi * t / 2.1)), 1, 255));
        s.tps = static_cast<uint8_t>(ZoneTps(zone));
        // The throttle step into the zone leaves an accumulation that the ECU decrements.
        s.cumulus = static_cast<uint8_t>(std::lround(DriveCycleCumulus(zone, sinceZoneStart, zoneRpm, in)));
    }
    s.rpm = static_cast<int>(std::lround(std::max(rpm, 200.0)));
    s.period = static_cast<uint16_t>(7500000 / s.rpm);
    s.column = Nearest(columnRpm.data(), 20, s.rpm);
    s.row = Nearest(rowMap.data(), 16, s.map);

    const bool probeWarm = t >= in.coldProbeS;
    const bool onGas = t >= in.minChangeoverDelayS && s.reducerTemp <= in.minChangeoverTempRaw;
    const bool closedLoop = probeWarm && onGas;

    if (probeWarm) {
        const double lambdaPeriod = idle ? 1.2 : 0.7;
        const double phase = std::fmod(t, lambdaPeriod) / lambdaPeriod;
        s.lambda = static_cast<uint8_t>(
            std::lround(kLambdaLean + (kLambdaRich - kLambdaLean) * SwitchingWave(phase)));
        // The enrichment of a throttle opening drives the mixture rich for a moment. In mapping
        // mode the ECU holds that enrichment back, so the probe keeps switching on the base map
        // and every zone of the tour yields samples.
        if (s.cumulus >= kRichCumulus && !in.mappingMode) s.lambda = kLambdaRich;
        if (closedLoop) {
            // The corrector leans the mixture while the probe reads rich and enriches while it reads lean.
            const int amplitude = std::max(0, std::min(6, in.maxIntegralIdle));
            double ramp = phase < 0.5 ? 1.0 - 4.0 * phase : -1.0 + 4.0 * (phase - 0.5);
            long i1 = std::lround(amplitude * ramp);
            s.integrator1 = static_cast<int8_t>(std::clamp<long>(i1, in.minIntegralIdle, in.maxIntegralIdle));
            s.integrator2 = static_cast<int8_t>(std::lround(3.0 * std::sin(2 * kPi * t / 40.0)));
        }
    } else {
        s.lambda = kLambdaCold;
    }

    s.status = kStatusSwitchGas;
    if (idle) s.status |= kStatusTpsIdle;
    if (closedLoop) s.status |= kStatusClosedLoop;
    if (onGas) s.status |= kStatusOnGas;

    // Reducer pressure over the manifold: about 0.94 bar for LPG, 1.09 bar for CNG; with the gas
    // valve shut it sags a little.
    int pressure = in.fuel == 0 ? 96 : 112;
    if (!onGas) pressure -= 8;
    // The regulator sags with the gas flow (speed times manifold pressure) and dips while a
    // throttle opening draws a burst of gas.
    const double flow = std::clamp(s.rpm / 6500.0, 0.0, 1.0) * std::clamp(s.map / 95.0, 0.0, 1.0);
    pressure -= static_cast<int>(std::lround(8.0 * flow + s.cumulus / 40.0));
    s.reducerPressure = static_cast<uint8_t>(pressure + std::lround(std::sin(2 * kPi * t / 3.7)));
    s.level = kFuelLevel;
    ApplyFaults(t, s);

    if (const HeldSensors* held = options_.held.get()) {
        if (held->period) {
            s.period = *held->period;
            s.rpm = s.period ? 7500000 / s.period : 0;
            s.column = Nearest(columnRpm.data(), 20, s.rpm);
        }
        if (held->lambda) s.lambda = *held->lambda;
        if (held->cumulus) s.cumulus = *held->cumulus;
        if (held->reducerPressure) s.reducerPressure = *held->reducerPressure;
        if (held->tps) s.tps = *held->tps;
        if (held->map) s.map = *held->map;
        if (held->status) s.status = *held->status;
        if (held->reducerTemp) s.reducerTemp = *held->reducerTemp;
    }
    return s;
}

}  // namespace zov::sim
