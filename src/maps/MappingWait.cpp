#include "MappingWait.h"

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

}  // namespace zov
