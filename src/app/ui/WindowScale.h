#pragma once

namespace zov {

// Every window was laid out for an 800 pixel wide screen at 96 dots per inch; elsewhere it is
// scaled by (screen width × 96) / (dots per inch × 800).
double WindowScaleFor(int screenWidth, double dotsPerInch);
// The factor for the primary screen (1 without one).
double PrimaryScreenScale();

}  // namespace zov
