#include "DiagnosisFormat.h"

#include <cstdio>

namespace zov {

std::string FormatPressure(int32_t hundredths, const std::string& unit, const std::string& notAvailable) {
    if (hundredths == 0) return notAvailable;
    char text[32];
    std::snprintf(text, sizeof text, "%.4g", hundredths * 0.01);
    return std::string(text) + " " + unit;
}

std::string FormatOperatingTime(int32_t units, const std::string& hoursText, const std::string& minutesText) {
    const int64_t minutes = int64_t(units) * 1200 / 60;
    return std::to_string(minutes / 60) + " " + hoursText + ", " + std::to_string(minutes % 60) + " " +
           minutesText;
}

}  // namespace zov
