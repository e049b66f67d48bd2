#pragma once

#include "Clock.h"

namespace zov {

// The clock of the running program. Its waits (link pauses, the reconnect countdown, the wait
// for a reprogrammed ECU) keep the windows painted and their timers running by processing events,
// but without user input, so nothing can be clicked into the middle of an exchange; and a wait
// never lasts longer than asked.
class UiClock : public Clock {
  public:
    int64_t NowUs() override;
    void SleepUs(int64_t us) override;

  private:
    SteadyClock steady_;
};

}  // namespace zov
