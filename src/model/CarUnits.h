#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "ConfCar.h"

// Unit helpers the vehicle configuration's files (conversions, transfers, the definition file)
// share; not part of the model's interface.
namespace zov::car_units {

inline constexpr int32_t kRegisterModelBits = 0x67;
inline constexpr int32_t kRegisterMapping = 0x04;
inline constexpr int32_t kRegisterWordPairs = 0x08;

// Milliseconds to the ECU's 20 ms units (unsigned division, as the ECU takes it).
inline int32_t ToTicks(int32_t ms) { return int32_t(uint32_t(ms) / 20u); }
// 20 ms units back to milliseconds; wraps instead of overflowing on nonsense input.
inline int32_t FromTicks(int32_t ticks) { return int32_t(uint32_t(ticks) * 20u); }

inline int32_t JoinWords(const int32_t pair[2]) {
    return int32_t((uint32_t(pair[1]) << 16) | (uint32_t(pair[0]) & 0xFFFFu));
}
inline void SplitWords(int32_t value, int32_t pair[2]) {
    pair[0] = value & 0xFFFF;
    pair[1] = int32_t(uint32_t(value) >> 16);
}

// Whole day number as the ECU's date (days since 12 October 1998), kept inside 32 bits.
inline int32_t DayToEcu(double dayNumber) {
    if (!std::isfinite(dayNumber)) return 0;
    const double days = std::trunc(dayNumber) - ConfCar::kDateBase;
    return int32_t(std::clamp(days, double(INT32_MIN), double(INT32_MAX)));
}

}  // namespace zov::car_units
