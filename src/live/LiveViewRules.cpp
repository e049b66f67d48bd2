#include "LiveViewRules.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace zov {
namespace {

constexpr double kWarmReducerC = 40.0;

}  // namespace

LambdaScale LambdaScaleOf(int32_t lambdaType) {
    switch (lambdaType) {
        case 0:
            return {"+1v", "0v", 0, 100};
        case 1:
            return {"1.6v", "0.8v", 80, 160};
        default:
            return {"+5v", "0v", 0, 500};
    }
}

int32_t FullScaleRpm(int32_t lastColumnRpm) { return (lastColumnRpm + 1000) / 10 * 10; }

int32_t MapBarTop(int32_t topRowVolt) { return static_cast<int32_t>(topRowVolt * 0.5 + 10 - 90); }

std::string MapBarTopText(int32_t mapBarTop) {
    return Significant(mapBarTop / 100.0, mapBarTop > 99 ? 2 : 1);
}

int ZeroMarkLeft(int32_t mapBarTop, int barWidth, int barLeft) {
    return static_cast<int>(90.0 / (90.0 + mapBarTop) * barWidth + barLeft);
}

int MapBarPosition(int32_t mapPressure, int32_t mapBarTop) {
    if (mapPressure == 0) return 0;
    const double span = double(mapBarTop) - kMapBarBottom;
    if (span <= 0) return 0;
    const double position = std::trunc((mapPressure - kMapBarBottom - 100) / span * 100.0);
    return static_cast<int>(std::clamp(position, 0.0, 100.0));
}

PressureWindow PressureWindowOf(int32_t fuel) {
    return fuel == 1 ? PressureWindow{103, 115} : PressureWindow{89, 99};
}

PressureCheck CheckPressure(std::optional<double> reducerTempC, int32_t filtered, PressureWindow window) {
    if (!reducerTempC || std::trunc(*reducerTempC) <= kWarmReducerC) return PressureCheck::Off;
    if (filtered >= window.low && filtered <= window.high) return PressureCheck::Ok;
    return filtered > window.high ? PressureCheck::High : PressureCheck::Low;
}

int MapColumnOf(int32_t rpm, const std::array<int32_t, 20>& columnRpm) {
    if (rpm > columnRpm[19] + 1000) return 19;
    // Compared unsigned, so a negative speed never selects a low column.
    const auto speed = static_cast<uint32_t>(rpm);
    for (int c = 0; c < 19; ++c)
        if (speed < static_cast<uint32_t>((columnRpm[size_t(c)] + columnRpm[size_t(c) + 1]) / 2)) return c;
    return 19;
}

int TpsLevel(int32_t tps) { return (tps + 2) / 50; }

bool TpsSegmentIsRed(int segment) { return segment >= 7; }

std::optional<SegmentRepaint> TpsRepaint(int oldLevel, int newLevel) {
    const int from = std::clamp(oldLevel, 0, kTpsSegments);
    const int to = std::clamp(newLevel, 0, kTpsSegments);
    if (from == to) return std::nullopt;
    if (to > from) return SegmentRepaint{from, to, true};
    return SegmentRepaint{to, from, false};
}

int LambdaBarWidth(int32_t lambda, const LambdaScale& scale) {
    if (lambda < scale.low) return 0;
    const double width = double(lambda - scale.low) / double(scale.high - scale.low) * kLambdaBarWidth;
    return static_cast<int>(std::min(width, double(kLambdaBarWidth)));
}

double NeedleDegrees(int32_t rpm, int32_t fullScaleRpm) {
    if (fullScaleRpm <= 0) return 225.0;
    return 225.0 - double(rpm) / fullScaleRpm * 270.0;
}

std::string Significant(double value, int digits) {
    char text[48];
    std::snprintf(text, sizeof text, "%.*g", digits, value);
    return text;
}

}  // namespace zov
