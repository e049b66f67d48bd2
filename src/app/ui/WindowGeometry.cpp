#include "WindowGeometry.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <algorithm>

namespace zov {
namespace {

int32_t Pack(int high, int low) { return int32_t(uint32_t(high) << 16) + low; }
int LowSigned(int32_t v) { return int16_t(uint16_t(uint32_t(v) & 0xFFFF)); }
int HighSigned(int32_t v) { return (v - LowSigned(v)) >> 16; }

}  // namespace

void RestoreWindowGeometry(QWidget& window, StoredGeometry stored) {
    const QSize minimum = window.minimumSizeHint();
    int width = int(uint32_t(stored.size) & 0xFFFF);
    int height = int(uint32_t(stored.size) >> 16);
    // A size saved on a larger screen would not fit on this one.
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        width = std::min(width, screen->availableGeometry().width());
        height = std::min(height, screen->availableGeometry().height());
    }
    window.resize(std::max(width, minimum.width()), std::max(height, minimum.height()));
    const QPoint topLeft(LowSigned(stored.pos), HighSigned(stored.pos));
    // A position saved on a screen that is gone would open the window out of sight.
    for (const QScreen* screen : QGuiApplication::screens()) {
        if (screen->availableGeometry().intersects(QRect(topLeft, QSize(width > 0 ? width : 1, 40)))) {
            window.move(topLeft);
            return;
        }
    }
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        window.move(screen->availableGeometry().topLeft());
}

StoredGeometry WindowGeometryToStore(const QWidget& window) {
    const bool enlarged = window.isMaximized() || window.isFullScreen();
    const QRect client = enlarged ? window.normalGeometry() : window.geometry();
    const QPoint frame = enlarged ? client.topLeft() : window.pos();
    return {Pack(client.height(), client.width()), Pack(frame.y(), frame.x())};
}

}  // namespace zov
