#pragma once

#include "LiveRecord.h"

namespace zov {

class ComInj;

// Switching the valves and motors of a running engine is unsafe: the actuator test starts only
// with the engine at rest. The live data window judges its last record with EngineTurning before
// it puts the ECU into diagnosis mode; the actuator test reads a fresh record itself.
class ActuatorTestGuard {
  public:
    enum class Engine { Stopped, Turning, Unknown };

    // The engine turns when the record's speed is above 0.
    static bool EngineTurning(const LiveRecord& record);
    // Reads live record 150 and judges it; Unknown when the record could not be read.
    static Engine ReadEngine(ComInj& link);
};

}  // namespace zov
