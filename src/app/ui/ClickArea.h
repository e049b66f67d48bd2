#pragma once

#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>

namespace zov {

// A transparent area over a function's text (or the space before it): releasing the left button
// on it clicks the function's button, as the menus of the program always allowed.
class ClickArea : public QLabel {
  public:
    ClickArea(const QString& name, QPushButton* target, QWidget* parent) : QLabel(parent), target_(target) {
        setObjectName(name);
        setAttribute(Qt::WA_TranslucentBackground);
        setCursor(Qt::PointingHandCursor);
    }

  protected:
    void mouseReleaseEvent(QMouseEvent* event) override {
        if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) target_->click();
        QLabel::mouseReleaseEvent(event);
    }

  private:
    QPushButton* target_;
};

}  // namespace zov
