#include "MapReplay.h"

#include <cmath>

#include "ConfCar.h"
#include "ConfMap.h"
#include "LiveLog.h"

namespace zov {
namespace {

constexpr int kLambdaReferenceVariable = 99;
constexpr int32_t kLambdaReferenceVersion = 200;
constexpr double kHundredths = 100.0;

// The mapping log's columns the replay reads.
constexpr const char* kNeeded[] = {"rpm",        "lambda_v",       "tps_v",          "map_v",
                                   "cell_value", "cell_deviation", "reducer_temp_c", "status"};
enum Column { kRpm, kLambda, kTps, kMap, kCell, kDeviation, kReducer, kStatus, kColumnCount };

int32_t Whole(double x) { return std::isnan(x) ? 0 : int32_t(std::lround(x)); }
int32_t Hundredths(double x) { return std::isnan(x) ? 0 : int32_t(std::lround(x * kHundredths)); }

}  // namespace

bool LambdaIndicatorGreen(const ConfCar& car, int column, int32_t lambda) {
    const int32_t threshold = car.VERSIONE_CENTRALINA >= kLambdaReferenceVersion
                                  ? car.GetValue(kLambdaReferenceVariable)
                                  : car.GetLambdaRef(column);
    return (threshold < lambda) == car.IsLambdaInverted();
}

MapReplayResult ReplayMapping(const LiveLog& log, const std::string& name, const ConfMap& map,
                              const ConfCar& car, const MappingOptions& options) {
    MapReplayResult result;
    int channel[kColumnCount];
    std::string missing;
    for (int i = 0; i < kColumnCount; ++i) {
        channel[i] = log.Channel(kNeeded[i]);
        if (channel[i] < 0) missing += std::string(missing.empty() ? "" : ", ") + kNeeded[i];
    }
    if (!missing.empty()) {
        result.error = name + " is not a mapping log this version can replay: it has no " + missing +
                       " column (record the drive again with 'zovctl log OUT.csv --record 152')";
        return result;
    }
    FilteredAcquisition acquisition(options);
    for (size_t i = 0; i < log.RowCount(); ++i) {
        const auto cell = [&](int column) { return double(log.Value(i, channel[column])); };
        MappingTick tick;
        tick.tMs = log.times[i];
        tick.rpm = Whole(cell(kRpm));
        tick.map = Hundredths(cell(kMap));
        tick.tps = Hundredths(cell(kTps));
        tick.lambdaGreen = LambdaIndicatorGreen(car, map.ColumnOfRpm(tick.rpm), Hundredths(cell(kLambda)));
        tick.status = Whole(cell(kStatus));
        tick.deviation = Whole(cell(kDeviation));
        tick.cellValue = Whole(cell(kCell));
        const double reducer = cell(kReducer);
        if (!std::isnan(reducer)) tick.reducerC = reducer;
        const FilteredAcquisition::Outcome outcome =
            acquisition.Take(tick, map, (tick.status & FilteredAcquisition::kReadyBit) != 0);
        if (outcome.point) result.points.push_back(*outcome.point);
    }
    for (int r = 0; r < kMappingRefusalCount; ++r)
        result.refused[size_t(r)] = acquisition.TotalRefused(MappingRefusal(r));
    result.ok = true;
    return result;
}

}  // namespace zov
