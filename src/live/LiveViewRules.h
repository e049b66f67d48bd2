#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace zov {

// The rules the live data window applies to what it shows, in plain C++ so they are tested
// without a window. Units: speeds in rpm, voltages in hundredths of a volt, pressures in
// hundredths of a bar.

// Ends of the lambda bar by the probe type (variable 76), with the texts at its top and bottom.
struct LambdaScale {
    const char* topText;
    const char* bottomText;
    int32_t low;
    int32_t high;
};
LambdaScale LambdaScaleOf(int32_t lambdaType);

// Dial full scale: the last map column's speed plus 1000, in whole tens.
int32_t FullScaleRpm(int32_t lastColumnRpm);

// The pressure bar runs from -0.9 bar to a top set by the map's highest row (a voltage).
inline constexpr int32_t kMapBarBottom = -90;
int32_t MapBarTop(int32_t topRowVolt);
// The top of the bar as its label shows it, without the unit: two significant digits from 1 bar.
std::string MapBarTopText(int32_t mapBarTop);
// Left edge of the zero mark over a bar `barWidth` wide starting at `barLeft`.
int ZeroMarkLeft(int32_t mapBarTop, int barWidth, int barLeft);
// Bar position 0..100 of an absolute manifold pressure; 0 for no reading.
int MapBarPosition(int32_t mapPressure, int32_t mapBarTop);

// The reducer pressure's OK window by fuel (TIPO_DI_CARBURANTE).
struct PressureWindow {
    int32_t low;
    int32_t high;
};
PressureWindow PressureWindowOf(int32_t fuel);

enum class PressureCheck { Off, Low, Ok, High };
// Judged only on a warm reducer (above 40 °C); no sensor is a cold one.
PressureCheck CheckPressure(std::optional<double> reducerTempC, int32_t filteredPressure,
                            PressureWindow window);

// Map column whose lambda reference applies at `rpm`, from the map's speed axis.
int MapColumnOf(int32_t rpm, const std::array<int32_t, 20>& columnRpm);

// Lit segments of the ten-segment TPS bar.
inline constexpr int kTpsSegments = 10;
int TpsLevel(int32_t tps);
// Segments 0..6 are yellow, 7..9 red.
bool TpsSegmentIsRed(int segment);
// The segments a change of level repaints: [first, last), lit or back to neutral. None when the
// level stayed.
struct SegmentRepaint {
    int first;
    int last;
    bool lit;
};
std::optional<SegmentRepaint> TpsRepaint(int oldLevel, int newLevel);

// Lambda bar width out of `fullWidth` pixels.
inline constexpr int kLambdaBarWidth = 146;
int LambdaBarWidth(int32_t lambda, const LambdaScale& scale);

// Needle direction in degrees counter-clockwise from the positive horizontal axis: 225 at 0 rpm
// (lower left), -45 at full scale (lower right), through the top.
double NeedleDegrees(int32_t rpm, int32_t fullScaleRpm);

// A value in the %g style with `digits` significant digits.
std::string Significant(double value, int digits);

}  // namespace zov
