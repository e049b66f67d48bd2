#include "MainWindowArea.h"

#include <QPainter>
#include <algorithm>
#include <cmath>

namespace zov {

MainWindowArea::MainWindowArea(QWidget* parent, double scale) : QWidget(parent), scale_(scale) {
    setObjectName(QStringLiteral("Area"));
}

void MainWindowArea::SetBackground(const QPixmap& picture, const QWidget* anchor) {
    background_ = picture;
    shown_ = QPixmap();
    anchor_ = anchor;
    update();
}

QRect MainWindowArea::BackgroundPlacement() const {
    if (background_.isNull() || anchor_ == nullptr) return {};
    // The offsets belong to the window's design and scale with it, as the picture does.
    const QPoint origin(anchor_->x() - int(std::lround(kBackgroundOffsetX * scale_)),
                        anchor_->y() - int(std::lround(kBackgroundOffsetY * scale_)));
    const double cover = std::max({scale_, double(width() - origin.x()) / background_.width(),
                                   double(height() - origin.y()) / background_.height()});
    return QRect(origin, QSize(int(std::ceil(background_.width() * cover)),
                               int(std::ceil(background_.height() * cover))));
}

void MainWindowArea::paintEvent(QPaintEvent*) {
    const QRect placement = BackgroundPlacement();
    if (placement.isNull()) return;
    if (shown_.size() != placement.size()) {
        shown_ = placement.size() == background_.size()
                     ? background_
                     : background_.scaled(placement.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    }
    QPainter painter(this);
    painter.drawPixmap(placement.topLeft(), shown_);
}

void MainWindowArea::resizeEvent(QResizeEvent*) {
    if (onResize) onResize();
}

}  // namespace zov
