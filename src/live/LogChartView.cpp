#include "LogChartView.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QWheelEvent>

namespace zov {
namespace {

constexpr double kWheelZoom = 1.25;
constexpr double kKeyPan = 0.1;

}  // namespace

LogChartView::LogChartView(QChart* chart, QWidget* parent) : QChartView(chart, parent) {
    setRubberBand(QChartView::HorizontalRubberBand);
    // Thousands of segments per frame: aliased lines draw several times faster.
    setRenderHint(QPainter::Antialiasing, false);
    setFocusPolicy(Qt::StrongFocus);
}

void LogChartView::Cursor(const QPointF& at) {
    if (chart() == nullptr || !chart()->plotArea().contains(at) || !onCursor) return;
    onCursor(chart()->mapToValue(at).x());
}

void LogChartView::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::MiddleButton) {
        dragging_ = true;
        dragFrom_ = event->position();
        event->accept();
        return;
    }
    if (event->button() == Qt::LeftButton) Cursor(event->position());
    // QChartView asks the item under the mouse for its buttons without looking whether there is
    // one; a press beside the chart would end the program.
    if (itemAt(event->position().toPoint()) == nullptr) {
        QGraphicsView::mousePressEvent(event);
        return;
    }
    QChartView::mousePressEvent(event);
}

void LogChartView::mouseMoveEvent(QMouseEvent* event) {
    if (dragging_ && chart() != nullptr) {
        const double width = chart()->plotArea().width();
        if (width > 0 && onPan) onPan((dragFrom_.x() - event->position().x()) / width);
        dragFrom_ = event->position();
        event->accept();
        return;
    }
    if (event->buttons() & Qt::LeftButton) Cursor(event->position());
    QChartView::mouseMoveEvent(event);
}

void LogChartView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::MiddleButton) {
        dragging_ = false;
        event->accept();
        return;
    }
    QChartView::mouseReleaseEvent(event);
}

void LogChartView::wheelEvent(QWheelEvent* event) {
    if (onZoom && event->angleDelta().y() != 0)
        onZoom(event->angleDelta().y() > 0 ? kWheelZoom : 1.0 / kWheelZoom);
    event->accept();
}

void LogChartView::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Left:
            if (onPan) onPan(-kKeyPan);
            break;
        case Qt::Key_Right:
            if (onPan) onPan(kKeyPan);
            break;
        case Qt::Key_Plus:
            if (onZoom) onZoom(kWheelZoom);
            break;
        case Qt::Key_Minus:
            if (onZoom) onZoom(1.0 / kWheelZoom);
            break;
        default:
            QChartView::keyPressEvent(event);
            return;
    }
    event->accept();
}

}  // namespace zov
