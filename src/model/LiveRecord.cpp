#include "LiveRecord.h"

#include "ConfCar.h"

namespace zov {

LiveRecord LiveRecordFromValues(const int32_t* v) {
    return LiveRecord{v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7], v[8], v[9], v[10], v[11], v[12], v[13]};
}

MappingRecord MappingRecordFromValues(const int32_t* v) {
    MappingRecord r;
    r.lambda = v[0];
    r.tps = v[1];
    r.map = v[2];
    r.period = v[3];
    r.cellValue = v[4];
    r.reducerTemp = v[5];
    r.cellDeviation = static_cast<int8_t>(v[6] & 0xFF);
    r.status = (v[6] >> 8) & 0xFF;
    r.reducerPressure = v[7];
    return r;
}

int32_t VoltFromByte(int32_t raw) { return static_cast<int32_t>(raw * 500.0 / 255.0 + 0.5); }

int32_t RpmFromPeriod(int32_t period) { return period == 0 ? 0 : 7500000 / period; }

int32_t MapSensorType(int32_t personalization) {
    const int32_t map = personalization & 0xFC;
    return map == 4 ? 1 : map == 8 ? 2 : 0;
}

int32_t ManifoldPressure(int32_t m, int32_t sensorType) {
    switch (sensorType) {
        case 1:
            return static_cast<int32_t>(m * 500.0 / 765.0 - 20.0);
        case 2:
            return static_cast<int32_t>(m * 0.378 + 12.0);
        default:
            return m * 1000 / 1020 + 10;
    }
}

int32_t ReducerPressureDifference(int32_t p, int32_t m, int32_t sensorType) {
    if (p == 0) return 0;
    const int32_t reference = ManifoldPressure(m, sensorType);
    const int32_t absolute = (p + m) * 1000 / 1020 + 10;
    return absolute > reference ? absolute - reference : 0;
}

LiveValues LiveValuesOf(const LiveRecord& r, int32_t sensorType) {
    LiveValues v;
    v.lambda = VoltFromByte(r.lambda);
    v.tps = VoltFromByte(r.tps);
    v.mapPressure = r.map == 0 ? 0 : ManifoldPressure(r.map, sensorType);
    v.integrator1 = r.integrator1;
    v.integrator2 = r.integrator2;
    v.target = r.target;
    v.cumulo = static_cast<int8_t>(r.cumulus & 0xFF);
    v.opening = r.opening;
    v.enrichment = r.enrichment;
    v.rpm = RpmFromPeriod(r.period);
    v.status = r.status;
    if (r.reducerTemp != 0) v.reducerTempC = ConfCar::RawToCelsius(r.reducerTemp);
    v.reducerPressure = ReducerPressureDifference(r.reducerPressure, r.map, sensorType);
    v.level = r.level;
    return v;
}

int32_t FilterPressureStep(int32_t filtered, int32_t pressure) {
    // An eighth of the gap plus one is never more than the gap, so the display cannot overshoot.
    if (filtered < pressure) return filtered + (pressure - filtered) / 8 + 1;
    if (filtered > pressure) return filtered - (filtered - pressure) / 8 - 1;
    return filtered;
}

}  // namespace zov
