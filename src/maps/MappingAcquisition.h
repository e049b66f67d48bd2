#pragma once

#include <cstdint>
#include <vector>

namespace zov {

class Clock;
class ConfMap;

// One reading taken at a lambda switch: where the engine ran and what the ECU made of it.
struct MappingSample {
    int32_t rpm = 0;
    int32_t map = 0;  // hundredths of a volt
    int32_t cellValue = 0;
    int32_t deviation = 0;
};

// The automatic mapping's collection of one operating point: a sample at each lambda switch, kept
// while the engine holds its speed, pressure and throttle within the map model's tolerances, and
// averaged into a point once there are enough of them.
class MappingAcquisition {
  public:
    // `samplesPerPoint` from the map model; at least one is kept.
    explicit MappingAcquisition(int samplesPerPoint);

    // Stores a sample while fewer than a point's worth are held. False when the buffer is full.
    bool Record(const MappingSample& sample);
    // The stability test. The engine moved beyond a tolerance since the reference: the reference
    // becomes the current point and the samples are dropped (false). Within the tolerances: false
    // while samples are missing; with a full buffer the samples are given up for a point (true)
    // unless the map model's minimum interval since the last point has not passed yet (then false
    // after a 10 ms pause, and the samples are gone too).
    bool Stable(int32_t rpm, int32_t map, int32_t tps, const ConfMap& tolerances, Clock& clock);
    // The mean of the samples of the last full buffer, each value by integer division.
    MappingSample Average() const;
    // Drops the samples (the engine left the zones, or the ECU is not ready).
    void Drop() { count_ = 0; }
    // Everything back to the start of a mapping: no samples, no reference, no last point.
    void Reset();

    int Count() const { return count_; }
    int Capacity() const { return int(samples_.size()); }

  private:
    std::vector<MappingSample> samples_;
    int count_ = 0;
    int32_t refRpm_ = 0;
    int32_t refMap_ = 0;
    int32_t refTps_ = 0;
    int64_t lastAcquisitionMs_ = 0;
};

}  // namespace zov
