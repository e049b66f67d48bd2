#include "ActuatorTestGuard.h"

#include "ComInj.h"

namespace zov {
namespace {

constexpr int kLiveRecord = 150;

}  // namespace

bool ActuatorTestGuard::EngineTurning(const LiveRecord& record) { return RpmFromPeriod(record.period) > 0; }

ActuatorTestGuard::Engine ActuatorTestGuard::ReadEngine(ComInj& link) {
    int32_t values[kLiveRecordValues] = {};
    if (!link.ReadRecord(kLiveRecord, values, kLiveRecordValues) || !link.IsConnected())
        return Engine::Unknown;
    return EngineTurning(LiveRecordFromValues(values)) ? Engine::Turning : Engine::Stopped;
}

}  // namespace zov
