#include "LiveLogFormat.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "ConfCar.h"
#include "EcuVariables.h"
#include "LiveLog.h"
#include "PressureConversion.h"

namespace zov {
namespace {

const std::vector<std::string> kLiveColumns = {
    "t_ms",   "rpm",    "lambda_v", "tps_v",      "map_bar", "integrator1",    "integrator2",
    "target", "cumulo", "opening",  "enrichment", "status",  "reducer_temp_c", "reducer_pressure_bar",
    "level"};
const std::vector<std::string> kParameterColumns = {"t_ms", "rpm", "lambda_v", "cumulo",
                                                    "reducer_pressure_bar"};
const std::vector<std::string> kMappingColumns = {"t_ms",           "rpm",
                                                  "lambda_v",       "tps_v",
                                                  "map_bar",        "cell_value",
                                                  "cell_deviation", "reducer_temp_c",
                                                  "status",         "reducer_pressure_bar",
                                                  "map_v"};

std::string Integer(int64_t value) { return std::to_string(value); }

// Six significant digits keep every figure the window shows (four) when a log is replayed.
std::string Celsius(const std::optional<double>& celsius) {
    if (!celsius) return {};
    char text[32];
    std::snprintf(text, sizeof text, "%.6g", *celsius);
    return text;
}

std::optional<double> TemperatureOfByte(int32_t raw) {
    if (raw == 0) return std::nullopt;
    return ConfCar::RawToCelsius(raw);
}

std::vector<std::string> MappingCells(const int32_t* values, int32_t sensorType) {
    const MappingRecord r = MappingRecordFromValues(values);
    return {Integer(RpmFromPeriod(r.period)), HundredthsText(VoltFromByte(r.lambda)),
            HundredthsText(VoltFromByte(r.tps)),
            r.map == 0 ? std::string() : HundredthsText(ManifoldPressure(r.map, sensorType)),
            Integer(r.cellValue), Integer(r.cellDeviation), Celsius(TemperatureOfByte(r.reducerTemp)),
            Integer(r.status),
            HundredthsText(ReducerPressureDifference(r.reducerPressure, r.map, sensorType)),
            // The sensor's own voltage: the map's rows are volts, and a replay places the point by it.
            HundredthsText(VoltFromByte(r.map))};
}

int32_t Hundredths(double value) { return static_cast<int32_t>(std::lround(value * 100.0)); }

}  // namespace

std::string HundredthsText(int32_t hundredths) {
    const int64_t magnitude = std::llabs(int64_t(hundredths));
    char text[32];
    std::snprintf(text, sizeof text, "%s%lld.%02lld", hundredths < 0 ? "-" : "",
                  static_cast<long long>(magnitude / 100), static_cast<long long>(magnitude % 100));
    return text;
}

std::vector<std::string> LiveLogHeader(int record) {
    switch (record) {
        case kRecordParameters:
            return kParameterColumns;
        case kRecordMapping:
            return kMappingColumns;
        default:
            return kLiveColumns;
    }
}

std::vector<std::string> LiveLogCells(const LiveValues& v) {
    return {Integer(v.rpm),
            HundredthsText(v.lambda),
            HundredthsText(v.tps),
            v.mapPressure == 0 ? std::string() : HundredthsText(v.mapPressure),
            Integer(v.integrator1),
            Integer(v.integrator2),
            Integer(v.target),
            Integer(v.cumulo),
            Integer(v.opening),
            Integer(v.enrichment),
            Integer(v.status),
            Celsius(v.reducerTempC),
            HundredthsText(v.reducerPressure),
            Integer(v.level)};
}

std::vector<std::string> LiveLogCells(int record, const int32_t* values, int32_t sensorType) {
    switch (record) {
        case kRecordParameters:
            return {Integer(RpmFromPeriod(values[0])), HundredthsText(VoltFromByte(values[1])),
                    Integer(values[2]), HundredthsText(PressureFromByte(values[3]))};
        case kRecordMapping:
            return MappingCells(values, sensorType);
        default:
            return LiveLogCells(LiveValuesOf(LiveRecordFromValues(values), sensorType));
    }
}

std::optional<LiveValues> LiveValuesOfRow(const LiveLog& log, size_t row) {
    // Found by name, so a log with more columns than these (raw bytes beside them) still replays.
    std::vector<float> c;
    for (size_t i = 1; i < kLiveColumns.size(); ++i) {
        const int channel = log.Channel(kLiveColumns[i]);
        if (channel < 0 || row >= log.RowCount()) return std::nullopt;
        c.push_back(log.Value(row, channel));
    }
    const auto whole = [](float x) { return std::isnan(x) ? 0 : static_cast<int32_t>(std::lround(x)); };
    const auto hundredths = [](float x) { return std::isnan(x) ? 0 : Hundredths(x); };
    LiveValues v;
    v.rpm = whole(c[0]);
    v.lambda = hundredths(c[1]);
    v.tps = hundredths(c[2]);
    v.mapPressure = hundredths(c[3]);
    v.integrator1 = whole(c[4]);
    v.integrator2 = whole(c[5]);
    v.target = whole(c[6]);
    v.cumulo = whole(c[7]);
    v.opening = whole(c[8]);
    v.enrichment = whole(c[9]);
    v.status = whole(c[10]);
    if (!std::isnan(c[11])) v.reducerTempC = c[11];
    v.reducerPressure = hundredths(c[12]);
    v.level = whole(c[13]);
    return v;
}

}  // namespace zov
