#include "Clock.h"

#include <chrono>
#include <thread>

namespace zov {

int64_t SteadyClock::NowUs() {
    using namespace std::chrono;
    return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
}

void SteadyClock::SleepUs(int64_t us) {
    if (us > 0) std::this_thread::sleep_for(std::chrono::microseconds(us));
}

}  // namespace zov
