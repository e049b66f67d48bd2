#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "FilteredAcquisition.h"

namespace zov {

class ConfCar;
class ConfMap;
struct LiveLog;

// The lambda indicator of the map editor: green when the probe reads on the side of the
// threshold the lambda type calls rich. The threshold is variable 99 from data version 200 on,
// else the lambda reference of the speed's column.
bool LambdaIndicatorGreen(const ConfCar& car, int column, int32_t lambda);

struct MapReplayResult {
    bool ok = false;
    std::string error;  // why the log cannot be replayed
    std::vector<FilteredAcquisition::Point> points;
    std::array<int, kMappingRefusalCount> refused{};
};

// The automatic mapping's acquisition over a recorded mapping drive (a record-152 datalog), with
// the axes, cells and lambda settings of `map` and `car`: every record where the ECU said it was
// ready is judged as the live map editor judges it. The cell value of a sample is the one the
// ECU reported with it (the map editor and zovctl log ask about the cell under the point). A log
// without the columns the replay needs is refused, naming them.
MapReplayResult ReplayMapping(const LiveLog& log, const std::string& name, const ConfMap& map,
                              const ConfCar& car, const MappingOptions& options);

}  // namespace zov
