#pragma once

#include <array>

namespace zov {

// The devices behind COM1..COM4 unless the settings store names others.
inline constexpr int kSerialPortCount = 4;
inline constexpr std::array<const char*, kSerialPortCount> kDefaultSerialPorts = {
    "/dev/ttyS0",
    "/dev/ttyS1",
    "/dev/ttyUSB0",
    "/dev/ttyUSB1",
};

}  // namespace zov
