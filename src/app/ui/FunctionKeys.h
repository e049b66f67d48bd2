#pragma once

#include <QFont>
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
        if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
            target_->click();
        QLabel::mouseReleaseEvent(event);
    }

  private:
    QPushButton* target_;
};

// A function key of a menu window ("F1", "Esc"): bold, scaled with the window, never holding the
// focus, since the window takes the keys itself.
inline QPushButton* MakeFunctionButton(QWidget* parent, const char* name, const char* caption, double scale) {
    auto* b = new QPushButton(QString::fromLatin1(caption), parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setFocusPolicy(Qt::NoFocus);
    b->setAutoDefault(false);
    QFont f = b->font();
    f.setBold(true);
    f.setPointSizeF(f.pointSizeF() * scale);
    b->setFont(f);
    return b;
}

// The bold text beside a function key, its font grown by `growth` (the window's scale included).
inline QLabel* MakeFunctionLabel(QWidget* parent, const char* name, const char* caption, double growth) {
    auto* l = new QLabel(QString::fromUtf8(caption), parent);
    l->setObjectName(QString::fromLatin1(name));
    QFont f = l->font();
    f.setPointSizeF(f.pointSizeF() * growth);
    f.setBold(true);
    l->setFont(f);
    return l;
}

}  // namespace zov
