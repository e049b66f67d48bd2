#pragma once

#include <QChartView>
#include <functional>

namespace zov {

// The viewer's plot: a span dragged with the left button zooms in (the right button zooms out),
// the wheel zooms about the middle, the middle button drags the view along, arrow keys pan, and
// a click or a move with the left button places the cursor.
class LogChartView : public QChartView {
    Q_OBJECT

  public:
    explicit LogChartView(QChart* chart, QWidget* parent = nullptr);

    std::function<void(double x)> onCursor;  // x in the chart's value units
    std::function<void(double factor)> onZoom;
    std::function<void(double fraction)> onPan;

  protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    void Cursor(const QPointF& at);

    bool dragging_ = false;
    QPointF dragFrom_;
};

}  // namespace zov
