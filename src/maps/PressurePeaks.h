#pragma once

#include <cstdint>

namespace zov {

// The reducer pressure as the map editor shows it: the value of the last record, a smoothed value
// for the display, and the highest and lowest values held for a while so a short peak can be read.
class PressurePeaks {
  public:
    // A peak is held for this many display steps (2 s at the editor's 100 ms) unless exceeded.
    static constexpr int kHoldTicks = 20;

    // A new reading, hundredths of a bar: smoothed (0 resets the smoothing at once), and a new
    // high or low is taken at the next Show.
    void Take(int32_t reducerPressure);
    // One display step: a peak whose hold ran out (or that was exceeded) becomes the current
    // value. True for each peak that was refreshed, so its label is rewritten.
    struct Refreshed {
        bool max = false;
        bool min = false;
    };
    Refreshed Show();

    int32_t Pressure() const { return pressure_; }
    int32_t Filtered() const { return filtered_; }
    int32_t Max() const { return max_; }
    int32_t Min() const { return min_; }

  private:
    int32_t pressure_ = 0;
    int32_t filtered_ = 0;
    int32_t max_ = 0;
    int32_t min_ = 5;
    int maxCountdown_ = 0;
    int minCountdown_ = 0;
};

}  // namespace zov
