#include "UiClock.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <thread>

namespace zov {

int64_t UiClock::NowUs() { return steady_.NowUs(); }

void UiClock::SleepUs(int64_t us) {
    const int64_t deadline = NowUs() + us;
    for (;;) {
        const int64_t remaining = deadline - NowUs();
        if (remaining <= 0) return;
        // Event loop in whole milliseconds with one to spare (a timer may fire a little late);
        // the last stretch is slept precisely.
        const int64_t loopMs = remaining / 1000 - 1;
        if (loopMs >= 1 && QCoreApplication::instance() != nullptr) {
            QEventLoop loop;
            QTimer timer;
            timer.setSingleShot(true);
            timer.setTimerType(Qt::PreciseTimer);
            QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
            timer.start(static_cast<int>(std::min<int64_t>(loopMs, 1 << 30)));
            loop.exec(QEventLoop::ExcludeUserInputEvents);
        } else {
            std::this_thread::sleep_for(std::chrono::microseconds(remaining));
        }
    }
}

}  // namespace zov
