#pragma once

#include <cstdint>

namespace zov {

// A reducer-pressure byte of the ECU (live record 151) in hundredths of a bar: byte x 1000 / 1020,
// integer division.
inline int32_t PressureFromByte(int32_t raw) { return raw * 1000 / 1020; }

}  // namespace zov
