#include "MappingWait.h"

#include <algorithm>

#include "ConfCar.h"

namespace zov {

MappingWait::MappingWait(int32_t fuel)
    : high_(fuel == 1 ? kCngHigh : kLpgHigh), low_(fuel == 1 ? kCngLow : kLpgLow) {}

MappingWait::Outcome MappingWait::Step(bool mappingActive, int32_t reducerTempRaw, int32_t statusFlags,
                                       int32_t filteredPressure) {
    ++timeoutTicks_;
    if (mappingActive) return Outcome::Wait;
    const bool warm = int(ConfCar::RawToCelsius(reducerTempRaw)) > kWarmCelsius;
    if (warm && (statusFlags & kReadyBit)) {
        if (filteredPressure < low_ || filteredPressure > high_)
            stableTicks_ = 0;
        else
            ++stableTicks_;
        if (stableTicks_ > kStableTicks) return Outcome::Start;
    }
    return timeoutTicks_ > kTimeoutTicks ? Outcome::TimeOut : Outcome::Wait;
}

MappingWait::Blocker MappingWait::Why(int32_t rpm, int32_t reducerTempRaw, int32_t statusFlags,
                                      int32_t filteredPressure) const {
    if (rpm <= 0) return Blocker::EngineStopped;
    if (int(ConfCar::RawToCelsius(reducerTempRaw)) <= kWarmCelsius) return Blocker::ReducerCold;
    if (!(statusFlags & kReadyBit)) return Blocker::NotReady;
    if (filteredPressure < low_ || filteredPressure > high_) return Blocker::PressureOutside;
    return Blocker::None;
}

int MappingWait::SecondsLeft(int tickMs) const {
    constexpr int kMsPerSecond = 1000;
    return std::max(0, kTimeoutTicks - timeoutTicks_) * tickMs / kMsPerSecond;
}

}  // namespace zov
