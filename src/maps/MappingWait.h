#pragma once

#include <cstdint>

namespace zov {

// The automatic mapping's wait for a ready engine: the reducer warm (above 40 °C), the ECU
// reporting itself ready, and the smoothed reducer pressure held inside the fuel's window for
// more than 20 ticks in a row; all within 200 ticks of the window's opening.
class MappingWait {
  public:
    static constexpr int kStableTicks = 20;
    static constexpr int kTimeoutTicks = 200;
    static constexpr int kWarmCelsius = 40;
    static constexpr int32_t kReadyBit = 0x08;
    // Pressure windows, hundredths of a bar over the manifold.
    static constexpr int32_t kCngHigh = 115, kCngLow = 103;
    static constexpr int32_t kLpgHigh = 99, kLpgLow = 89;

    enum class Outcome { Wait, Start, TimeOut };
    // What holds the start back, the first that applies.
    enum class Blocker { None, EngineStopped, ReducerCold, NotReady, PressureOutside };

    // `fuel` is TIPO_DI_CARBURANTE: 1 Metano, anything else the LPG window.
    explicit MappingWait(int32_t fuel);

    // One display tick. `mappingActive` is MAPPATURA_ATTIVA: once the mapping runs, nothing here
    // happens but the count of ticks.
    Outcome Step(bool mappingActive, int32_t reducerTempRaw, int32_t statusFlags, int32_t filteredPressure);

    // Why the mapping has not started with these values; None once they all hold.
    Blocker Why(int32_t rpm, int32_t reducerTempRaw, int32_t statusFlags, int32_t filteredPressure) const;
    // Whole seconds until the time-out, at `tickMs` per tick.
    int SecondsLeft(int tickMs) const;

    int32_t High() const { return high_; }
    int32_t Low() const { return low_; }
    int StableCount() const { return stableTicks_; }
    int Ticks() const { return timeoutTicks_; }

  private:
    int32_t high_;
    int32_t low_;
    int stableTicks_ = 0;
    int timeoutTicks_ = 0;
};

}  // namespace zov
