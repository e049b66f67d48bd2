#pragma once

#include <cstdint>
#include <string>

namespace zov {

// Texts of the diagnosis windows, in Windows-1252 like every text the program keeps.

// A pressure in hundredths of a bar with at most four significant digits, then " " and the unit;
// `notAvailable` for 0, which the ECU reads when it has no sensor.
std::string FormatPressure(int32_t hundredths, const std::string& unit, const std::string& notAvailable);

// An operating time counted by the ECU in units of 20 minutes: "<hours> <hoursText>, <minutes>
// <minutesText>".
std::string FormatOperatingTime(int32_t units, const std::string& hoursText, const std::string& minutesText);

}  // namespace zov
