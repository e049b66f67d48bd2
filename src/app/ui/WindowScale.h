#pragma once

#include <QFont>
#include <QSize>

namespace zov {

// Every window was laid out for an 800 × 600 screen at 96 dots per inch; elsewhere it is scaled
// by (screen size × 96) / (dots per inch × design size), the smaller of the width's and the
// height's factor, so that a window scaled up on a wide screen is never taller than it.
// `logicalScreen` is the screen as Qt lays windows out on it: on a screen with a device pixel
// ratio above 1 Qt already enlarges every window, its fonts and its frames by that ratio, so the
// rule works on the logical size and the ratio is not applied a second time.
double WindowScaleFor(QSize logicalScreen, double dotsPerInch);
// The factor for the primary screen (1 without one).
double PrimaryScreenScale();
// `font` as a window scaled by `scale` shows it: texts grow and shrink with the layout around them,
// or a layout made smaller than the design cuts them (and a larger one leaves them lost in it).
QFont ScaledFont(QFont font, double scale);
// The factor that brings texts needing `needed` pixels into `room` (1 where they fit already).
double FitFactor(int needed, int room);

}  // namespace zov
