#pragma once

#include <cstdint>
#include <limits>
#include <vector>

#include "EcuSimulator.h"

namespace zov::sim {

// A byte travelling back to the PC and the time its last bit is on the line.
struct TimedByte {
    int64_t atUs = 0;
    uint8_t byte = 0;
    bool echo = false;  // the PC's own byte coming back, as opposed to the ECU's answer
};

// Streams bytes at a baud rate: each byte takes 10 bit times (start, 8 data, stop). Times are
// counted from the start of a burst, so a long answer does not drift by rounding each byte.
class BytePacer {
  public:
    // Arrival time of the next byte that cannot start before `earliestUs`.
    int64_t Next(int64_t earliestUs, uint32_t baud);

  private:
    int64_t anchorUs_ = 0;
    int64_t count_ = 0;
    int64_t freeAtUs_ = std::numeric_limits<int64_t>::min();
};

// The shared line between the PC and the ECU, common to the in-process line and to zovsim: a byte
// the PC sends reaches the ECU after its byte time, comes back as the echo at the same moment, and
// a completed request is answered after the ECU's latency, byte after byte. A partial frame is
// dropped when the line was quiet for kIdleResetUs before the next byte.
class Wire {
  public:
    explicit Wire(EcuSimulator& ecu) : ecu_(ecu) {}

    // A byte the PC puts on the line at `nowUs`; appends what comes back to `back`.
    void Send(uint8_t byte, int64_t nowUs, std::vector<TimedByte>& back);

    // Time one byte takes on the line at the ECU's baud rate, 0 when not pacing (rounded down).
    int64_t ByteTimeUs() const;

  private:
    EcuSimulator& ecu_;
    BytePacer toEcu_;
    BytePacer toPc_;
    int64_t lastArrivalUs_ = std::numeric_limits<int64_t>::min() / 2;
};

}  // namespace zov::sim
