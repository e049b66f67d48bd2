#pragma once

#include <functional>
#include <string>

#include "ConfCar.h"
#include "ConfMap.h"
#include "ConfParam.h"

namespace zov {

// The three parts of the model together, for the operations that move all of them at once: the
// connect-time load from the ECU and the three definition files of a saved configuration. The
// main window, zovctl and the tests share these, so the order lives in one place.
class ConfigurationModel {
public:
    // Percentages handed to `advance` as the load goes; they add up to 100.
    using Progress = std::function<void(int step)>;

    static constexpr const char* kCarFile = "fileh0.h";
    static constexpr const char* kMapFile = "filemap0.map";
    static constexpr const char* kParamFile = "filepar0.dat";

    ConfigurationModel(ConfMap& map, ConfCar& car, ConfParam& param) : map_(map), car_(car), param_(param) {}

    // Reads the whole ECU: the vehicle configuration, the self-adaptation, the map groups, then the
    // parameter groups allowed by the ECU's version. Link errors are handled by the link; the
    // sequence goes on to its end (what could not be read keeps its value).
    void ReadFromEcu(const Progress& advance = {});

    ConfMap& Map() { return map_; }
    ConfCar& Car() { return car_; }
    ConfParam& Param() { return param_; }

private:
    ConfMap& map_;
    ConfCar& car_;
    ConfParam& param_;
};

}  // namespace zov
