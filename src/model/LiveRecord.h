#pragma once

#include <cstdint>
#include <optional>

namespace zov {

// The live record (150) as named values, in the ECU's raw units; the conversions below turn them
// into what the windows, the datalog and the command line show. Every window that reads record
// 150 or 152 goes through here so a scaling is written once.
struct LiveRecord {
    int32_t lambda = 0;           // probe voltage byte
    int32_t tps = 0;              // throttle voltage byte
    int32_t map = 0;              // manifold pressure byte
    int32_t integrator1 = 0;      // signed
    int32_t integrator2 = 0;      // signed
    int32_t target = 0;           // 16-bit
    int32_t cumulus = 0;          // TPS accumulation byte (read as signed where shown)
    int32_t opening = 0;          // 16-bit injection opening
    int32_t enrichment = 0;       // 16-bit
    int32_t period = 0;           // revolution period, 16-bit
    int32_t status = 0;           // status bits
    int32_t reducerTemp = 0;      // NTC byte, 0 = no sensor
    int32_t reducerPressure = 0;  // byte above the manifold, 0 = no sensor
    int32_t level = 0;            // fuel level count
};

// The mapping record (152) for the cell the caller asked about.
struct MappingRecord {
    int32_t lambda = 0;
    int32_t tps = 0;
    int32_t map = 0;
    int32_t period = 0;
    int32_t cellValue = 0;
    int32_t reducerTemp = 0;
    int32_t cellDeviation = 0;  // low byte of the status/deviation word, signed
    int32_t status = 0;         // high byte of that word
    int32_t reducerPressure = 0;
};

// Record 150 in the units the live data window shows and the datalog stores.
struct LiveValues {
    int32_t lambda = 0;       // hundredths of a volt
    int32_t tps = 0;          // hundredths of a volt
    int32_t mapPressure = 0;  // hundredths of a bar, absolute; 0 = no reading
    int32_t integrator1 = 0;
    int32_t integrator2 = 0;
    int32_t target = 0;
    int32_t cumulo = 0;  // signed
    int32_t opening = 0;
    int32_t enrichment = 0;
    int32_t rpm = 0;
    int32_t status = 0;
    std::optional<double> reducerTempC;  // none: no sensor
    int32_t reducerPressure = 0;         // hundredths of a bar above the manifold; 0 = no reading
    int32_t level = 0;
    bool operator==(const LiveValues&) const = default;
};

inline constexpr int kLiveRecordValues = 14;
inline constexpr int kMappingRecordValues = 8;

// Status bits of records 150 and 152.
inline constexpr int32_t kLiveTpsIdle = 0x01;
inline constexpr int32_t kLiveClosedLoop = 0x02;
inline constexpr int32_t kLiveCutoff = 0x04;
inline constexpr int32_t kLiveOnGas = 0x08;
inline constexpr int32_t kLiveSwitchGas = 0x40;

// `values` holds the decoded elements in the order the link fills them.
LiveRecord LiveRecordFromValues(const int32_t* values);
MappingRecord MappingRecordFromValues(const int32_t* values);

// A voltage byte in hundredths of a volt, rounded.
int32_t VoltFromByte(int32_t raw);
// Engine speed of a revolution period; 0 for a stopped engine.
int32_t RpmFromPeriod(int32_t period);
// The map sensor type (TIPO_SENSORE_MAP) a PERSONALIZZAZIONE byte (variable 134) sets.
int32_t MapSensorType(int32_t personalization);
// Manifold pressure of a byte, hundredths of a bar absolute, by the map sensor type (1, 2 or other).
int32_t ManifoldPressure(int32_t mapByte, int32_t sensorType);
// Reducer pressure above the manifold, hundredths of a bar; 0 when the pressure byte is 0.
int32_t ReducerPressureDifference(int32_t pressureByte, int32_t mapByte, int32_t sensorType);
// The live record in display units; the manifold byte 0 means no reading, whatever the sensor type.
LiveValues LiveValuesOf(const LiveRecord& record, int32_t sensorType);

// One step of the displayed pressure towards `pressure`: an eighth of the gap plus one, never past it.
int32_t FilterPressureStep(int32_t filtered, int32_t pressure);

}  // namespace zov
