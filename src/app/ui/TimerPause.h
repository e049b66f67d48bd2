#pragma once

#include <QTimer>
#include <functional>

namespace zov {

// Stops a timer that talks to the ECU for as long as a modal window or a long exchange runs, and
// starts it again afterwards if it was running: a tick must not start an exchange under a
// dialog that waits on the link, nor interleave with one.
class TimerPause {
  public:
    explicit TimerPause(QTimer& timer)
        : TimerPause(
              timer.isActive(), [&timer] { timer.stop(); }, [&timer] { timer.start(); }) {}
    // A timer its owner switches itself (one that counts nested pauses, say): `active` tells
    // whether it runs now.
    TimerPause(bool active, std::function<void()> stop, std::function<void()> start)
        : active_(active), start_(std::move(start)) {
        if (active_) stop();
    }
    ~TimerPause() {
        if (active_) start_();
    }
    TimerPause(const TimerPause&) = delete;
    TimerPause& operator=(const TimerPause&) = delete;

  private:
    bool active_;
    std::function<void()> start_;
};

}  // namespace zov
