#pragma once

#include <cstdint>

class QWidget;

namespace zov {

// A window's size and position as the settings keep them: two 16-bit halves packed into one
// integer, (height << 16) + width and (top << 16) + left. Positions may be negative (a screen left
// of the primary one), so the low half is signed.
struct StoredGeometry {
    int32_t size = 0;
    int32_t pos = 0;
};

// Restores `window` from stored settings. A size saved on a larger screen is cut to this one; a
// size below the window's content is raised to it; a position on a screen that is gone puts the
// window at the primary screen's corner.
void RestoreWindowGeometry(QWidget& window, StoredGeometry stored);
// The normal (not maximized) size and position of `window`, packed for the settings.
StoredGeometry WindowGeometryToStore(const QWidget& window);

}  // namespace zov
