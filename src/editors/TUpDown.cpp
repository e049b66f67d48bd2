#include "TUpDown.h"

#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

namespace zov {

TUpDown::TUpDown(const QString& name, QWidget* parent) : QWidget(parent) {
    setObjectName(name);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    up_ = new QToolButton(this);
    up_->setObjectName(name + QStringLiteral("Up"));
    up_->setArrowType(Qt::UpArrow);
    down_ = new QToolButton(this);
    down_->setObjectName(name + QStringLiteral("Down"));
    down_->setArrowType(Qt::DownArrow);
    for (QToolButton* b : {up_, down_}) {
        // The associated edit keeps the focus; the arrows are for the mouse.
        b->setFocusPolicy(Qt::NoFocus);
        b->setAutoRepeat(true);
        // The pair takes the height of its edit, each arrow half of it.
        b->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
        column->addWidget(b);
    }
    connect(up_, &QToolButton::clicked, this, [this] { Step(1); });
    connect(down_, &QToolButton::clicked, this, [this] { Step(-1); });
}

QSize TUpDown::sizeHint() const { return QSize(fontMetrics().height() + 2, 2 * fontMetrics().height()); }

void TUpDown::SetRange(int minimum, int maximum) {
    minimum_ = minimum;
    maximum_ = std::max(minimum, maximum);
    position_ = std::clamp(position_, minimum_, maximum_);
}

void TUpDown::SetPosition(int position) { position_ = std::clamp(position, minimum_, maximum_); }

void TUpDown::Step(int delta) {
    if (beforeStep) beforeStep();
    SetPosition(position_ + delta);
    emit clicked(delta > 0);
}

}  // namespace zov
