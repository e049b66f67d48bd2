#pragma once

// Whether a window fits the screen it opens on and shows its texts whole. The window tests run it
// on the plain offscreen screen and again on a 1280 x 1024 one at a device pixel ratio of 2 (a
// 640 x 512 logical screen), where windows scaled by their layout alone cut their texts.

#include <QAbstractButton>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QStringList>
#include <QWidget>

namespace zov::test {

// The object names of the shown labels, buttons and group boxes narrower than their texts. A
// button may be squeezed below its text by its layout, so its own size hint is the measure.
inline QStringList CutTexts(const QWidget& window) {
    QStringList cut;
    for (const QWidget* w : window.findChildren<QWidget*>()) {
        if (!w->isVisible()) continue;
        int needed = 0;
        const auto* button = qobject_cast<const QAbstractButton*>(w);
        if (button && !button->text().isEmpty())
            needed = w->sizeHint().width();
        else if (qobject_cast<const QLabel*>(w) || qobject_cast<const QGroupBox*>(w))
            needed = w->minimumSizeHint().width();
        if (w->width() < needed)
            cut << QStringLiteral("%1 (%2 < %3)").arg(w->objectName()).arg(w->width()).arg(needed);
    }
    return cut;
}

// Where the window's laid-out content needs more room than the screen has, empty if none.
inline QString Overflow(const QWidget& window) {
    const QSize screen = QGuiApplication::primaryScreen()->availableGeometry().size();
    const QSize needed = window.minimumSizeHint().expandedTo(window.minimumSize());
    if (needed.width() <= screen.width() && needed.height() <= screen.height() &&
        window.width() <= screen.width())
        return {};
    return QStringLiteral("needs %1 x %2, is %3 wide, screen %4 x %5")
        .arg(needed.width())
        .arg(needed.height())
        .arg(window.width())
        .arg(screen.width())
        .arg(screen.height());
}

}  // namespace zov::test
