#include "Wire.h"

#include <algorithm>

namespace zov::sim {

int64_t BytePacer::Next(int64_t earliestUs, uint32_t baud) {
    if (earliestUs >= freeAtUs_) {
        anchorUs_ = earliestUs;
        count_ = 0;
    }
    ++count_;
    freeAtUs_ = baud ? anchorUs_ + count_ * 10'000'000 / baud : std::max(freeAtUs_, earliestUs);
    return freeAtUs_;
}

int64_t Wire::ByteTimeUs() const { return ecu_.Baud() ? 10'000'000 / ecu_.Baud() : 0; }

void Wire::Send(uint8_t byte, int64_t nowUs, std::vector<TimedByte>& back) {
    const int64_t arrival = toEcu_.Next(nowUs, ecu_.Baud());
    if (arrival - lastArrivalUs_ > kIdleResetUs && ecu_.InFrame()) {
        ecu_.AdvanceTo(lastArrivalUs_ + kIdleResetUs);
        ecu_.ResetFrame();
    }
    lastArrivalUs_ = arrival;
    ecu_.AdvanceTo(arrival);
    ByteReaction reaction = ecu_.Receive(byte);
    if (reaction.echo >= 0) back.push_back({arrival, static_cast<uint8_t>(reaction.echo), true});
    const int64_t answerStart = arrival + std::max<int64_t>(0, ecu_.Config().faults.latencyUs) +
                                std::max<int64_t>(0, reaction.delayUs);
    for (uint8_t b : reaction.answer) back.push_back({toPc_.Next(answerStart, ecu_.Baud()), b, false});
}

}  // namespace zov::sim
