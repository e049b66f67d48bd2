#include "WindowScale.h"

#include <QGuiApplication>
#include <QScreen>
#include <algorithm>
#include <cmath>

namespace zov {
namespace {

constexpr int kDesignWidth = 800;
constexpr int kDesignHeight = 600;
constexpr double kDesignDpi = 96;

}  // namespace

double WindowScaleFor(QSize logicalScreen, double dotsPerInch) {
    if (logicalScreen.width() <= 0 || logicalScreen.height() <= 0 || dotsPerInch <= 0) return 1.0;
    // A resolution that only rounds to the design's is the design's.
    const double dpi = std::lround(dotsPerInch) == std::lround(kDesignDpi) ? kDesignDpi : dotsPerInch;
    const double byWidth = double(logicalScreen.width()) / kDesignWidth;
    const double byHeight = double(logicalScreen.height()) / kDesignHeight;
    return std::min(byWidth, byHeight) * kDesignDpi / dpi;
}

double PrimaryScreenScale() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? WindowScaleFor(screen->geometry().size(), screen->logicalDotsPerInchX()) : 1.0;
}

QFont ScaledFont(QFont font, double scale) {
    if (scale != 1.0 && font.pointSizeF() > 0) font.setPointSizeF(font.pointSizeF() * scale);
    return font;
}

double FitFactor(int needed, int room) {
    return needed > room && needed > 0 && room > 0 ? double(room) / needed : 1.0;
}

}  // namespace zov
