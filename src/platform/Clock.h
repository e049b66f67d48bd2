#pragma once

#include <atomic>
#include <cstdint>

namespace zov {

// Time source of every wait in the link and the windows. The virtual clock lets a test run a
// 12 s reconnect wait or a 600 ms pause in no real time.
class Clock {
  public:
    virtual ~Clock() = default;
    virtual int64_t NowUs() = 0;
    virtual void SleepUs(int64_t us) = 0;

    int64_t NowMs() { return NowUs() / 1000; }
    void SleepMs(int64_t ms) { SleepUs(ms * 1000); }
};

class SteadyClock : public Clock {
  public:
    int64_t NowUs() override;
    void SleepUs(int64_t us) override;
};

// Time moves only when someone sleeps or advances it; waits cost nothing. One thread moves it;
// others (a simulated device behind the USB thread) may read it.
class VirtualClock : public Clock {
  public:
    int64_t NowUs() override { return now_; }
    void SleepUs(int64_t us) override { Advance(us); }
    void Advance(int64_t us) {
        if (us > 0) now_ += us;
    }
    // Moves the clock forward to `us` (never backwards).
    void AdvanceTo(int64_t us) {
        if (us > now_) now_ = us;
    }

  private:
    std::atomic<int64_t> now_ = 0;
};

}  // namespace zov
