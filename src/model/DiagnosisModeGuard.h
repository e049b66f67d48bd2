#pragma once

#include <cstdint>

namespace zov {

class ComInj;

// The ECU's diagnosis mode (variable 88), in which the actuator test drives the valves and motors.
// The ECU stays in it until another value is written there or it is switched off, and meanwhile it
// does not run the car normally: whoever puts it there takes it out again on every way out — the
// window's button, its close box, a lost session, the program ending (the destructor). An ECU that
// could not be reached then is taken out at the next connection (LeaveIfFound).
//
// The mode is written in one place only (Write), so the rule of what counts as taken lives there.
class DiagnosisModeGuard {
  public:
    // Any value other than kDiagnosisModeCode is the normal running mode; 0 is the one the ECU
    // holds after it is switched on.
    static constexpr uint8_t kNormalModeCode = 0;

    explicit DiagnosisModeGuard(ComInj& link) : link_(link) {}
    // Leaves the mode when it may still be on (a way out that did not call Leave).
    ~DiagnosisModeGuard();
    DiagnosisModeGuard(const DiagnosisModeGuard&) = delete;
    DiagnosisModeGuard& operator=(const DiagnosisModeGuard&) = delete;

    // Asks the ECU for diagnosis mode. False when it did not take the request; unless it refused
    // it, the ECU may have acted on it all the same, so a later Leave still writes the normal mode.
    bool Enter();
    // Writes the normal mode when the ECU may be in diagnosis mode because of Enter. True when the
    // ECU took it (or nothing was owed); false leaves it owed, for the next Leave or connection.
    bool Leave();
    // The ECU may be in diagnosis mode because of this guard.
    bool Owed() const { return owed_; }

    enum class Found {
        Normal,   // the ECU runs normally
        Left,     // it was in diagnosis mode and has been taken out
        NotLeft,  // it was in diagnosis mode and did not take the normal mode
    };
    // At a connection: an ECU found in diagnosis mode (a program that ended in the actuator test
    // without leaving it) is taken out of it. Normal when variable 88 cannot be read.
    static Found LeaveIfFound(ComInj& link);

  private:
    enum class Answer { Taken, Refused, Lost };
    // Writes `code` to variable 88.
    static Answer Write(ComInj& link, uint8_t code);

    ComInj& link_;
    bool owed_ = false;
};

}  // namespace zov
