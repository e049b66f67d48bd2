#include "ActuatorTest.h"

#include "Clock.h"
#include "ComInj.h"

namespace zov {

ActuatorTest::ActuatorTest(ComInj& link, Clock& clock) : link_(link), clock_(clock) {}

bool ActuatorTest::IsOn(int actuator) const {
    return actuator >= 0 && actuator < kActuators && (mask_ & (1 << actuator)) != 0;
}

bool ActuatorTest::SendMask() {
    // A write the ECU might have acted on counts, whatever came back.
    if (mask_ != 0) mayBeOn_ = true;
    const bool written = link_.WriteVar(kMaskVariable, mask_) == WriteOutcome::Answered;
    if (written && mask_ == 0) mayBeOn_ = false;
    return written;
}

bool ActuatorTest::Toggle(int actuator) {
    if (actuator < 0 || actuator >= kActuators) return false;
    const int32_t bit = 1 << actuator;
    if (mask_ & bit) {
        mask_ &= ~bit;
    } else {
        switchedOnAt_[size_t(actuator)] = clock_.NowMs();
        mask_ |= bit;
    }
    return SendMask();
}

std::vector<int> ActuatorTest::SwitchOffExpired() {
    std::vector<int> off;
    const int64_t now = clock_.NowMs();
    for (int b = 0; b < kActuators; ++b) {
        if (IsOn(b) && now > switchedOnAt_[size_t(b)] + kSwitchOffMs) {
            mask_ &= ~(1 << b);
            off.push_back(b);
            SendMask();
        }
    }
    return off;
}

bool ActuatorTest::SwitchAllOff() {
    mask_ = 0;
    return SendMask();
}

int32_t ActuatorTest::ReadPressure() {
    link_.ClearErrorFlags();
    const int32_t value = link_.ReadVar(kPressureVariable, nullptr);
    if (!link_.IsConnected() || (link_.ErrorFlags() & ERR_NOT_AVAILABLE)) return 0;
    return value;
}

}  // namespace zov
