#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace zov {

class Clock;
class ComInj;

// The actuators of the test, one bit each in the mask the ECU takes in variable 87, and the
// five-minute switch-off of each one. Every change goes to the ECU at once.
//
// A write that fails leaves the local state as changed: the next successful write sends it.
class ActuatorTest {
  public:
    enum Actuator { kLargeMotor = 0, kSmallMotor = 1, kGasValve = 2, kIndicator = 3 };
    static constexpr int kActuators = 4;
    static constexpr int64_t kSwitchOffMs = 300000;
    static constexpr int kMaskVariable = 87;
    static constexpr int kPressureVariable = 86;

    ActuatorTest(ComInj& link, Clock& clock);

    int32_t Mask() const { return mask_; }
    bool IsOn(int actuator) const;

    // Sends the mask as it stands. False when the ECU did not take it (no session, refused).
    bool SendMask();
    // Switches the actuator on (remembering when) or off, then sends the mask.
    bool Toggle(int actuator);
    // Switches off every actuator on for more than five minutes, sending the mask after each
    // one (the result is not judged). Returns the actuators switched off.
    std::vector<int> SwitchOffExpired();
    // Clears the mask and sends it. The ECU may still drive an actuator when this fails after a
    // non-zero mask was ever sent or attempted: ActuatorsMayBeOn tells.
    bool SwitchAllOff();
    bool ActuatorsMayBeOn() const { return mayBeOn_; }

    // Variable 86, the reducer pressure byte; 0 when it cannot be read.
    int32_t ReadPressure();

  private:
    ComInj& link_;
    Clock& clock_;
    int32_t mask_ = 0;
    std::array<int64_t, kActuators> switchedOnAt_{};
    bool mayBeOn_ = false;
};

}  // namespace zov
