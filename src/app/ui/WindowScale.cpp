#include "WindowScale.h"

#include <QGuiApplication>
#include <QScreen>
#include <cmath>

namespace zov {
namespace {

constexpr int kDesignWidth = 800;
constexpr double kDesignDpi = 96;

}  // namespace

double WindowScaleFor(int screenWidth, double dotsPerInch) {
    if (screenWidth <= 0 || dotsPerInch <= 0) return 1.0;
    if (screenWidth == kDesignWidth && std::lround(dotsPerInch) == std::lround(kDesignDpi)) return 1.0;
    return (screenWidth * kDesignDpi) / (dotsPerInch * kDesignWidth);
}

double PrimaryScreenScale() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? WindowScaleFor(screen->geometry().width(), screen->logicalDotsPerInchX()) : 1.0;
}

}  // namespace zov
