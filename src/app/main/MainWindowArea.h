#pragma once

#include <QPixmap>
#include <QRect>
#include <QWidget>
#include <functional>

namespace zov {

// The main window's client area: it paints the background picture and holds the function
// controls. The picture's top left corner sits 40 design pixels left of and 60 above the first
// function button; a window larger than the scaled picture gets it enlarged further, never
// distorted.
class MainWindowArea : public QWidget {
  public:
    static constexpr int kBackgroundOffsetX = 40;
    static constexpr int kBackgroundOffsetY = 60;

    MainWindowArea(QWidget* parent, double scale);

    // The picture as loaded (null: none) and the control it is placed by.
    void SetBackground(const QPixmap& picture, const QWidget* anchor);
    // Where the picture is drawn, at the size it is drawn; empty without a picture.
    QRect BackgroundPlacement() const;
    // Runs after every resize: the window places its controls.
    std::function<void()> onResize;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    double scale_;
    const QWidget* anchor_ = nullptr;
    QPixmap background_;  // as loaded
    QPixmap shown_;       // scaled for the area as it is now
};

}  // namespace zov
