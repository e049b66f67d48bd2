#include "CellGrid.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <algorithm>

namespace zov {

CellGrid::CellGrid(int columns, int rows, QWidget* parent)
    : QWidget(parent), columns_(std::max(columns, 2)), rows_(std::max(rows, 2)) {
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void CellGrid::SetCellSize(int columnWidth, int rowHeight) {
    columnWidth_ = std::max(columnWidth, 1);
    rowHeight_ = std::max(rowHeight, 1);
    resize(columns_ * (columnWidth_ + 1), rows_ * (rowHeight_ + 1));
    update();
}

QRect CellGrid::CellRect(int column, int row) const {
    return QRect(column * (columnWidth_ + 1), row * (rowHeight_ + 1), columnWidth_, rowHeight_);
}

void CellGrid::SetSelection(int anchorColumn, int anchorRow, int column, int row) {
    const auto fitColumn = [this](int v) { return std::clamp(v, 1, columns_ - 1); };
    const auto fitRow = [this](int v) { return std::clamp(v, 1, rows_ - 1); };
    anchor_ = QPoint(fitColumn(anchorColumn), fitRow(anchorRow));
    current_ = QPoint(fitColumn(column), fitRow(row));
    selection_ = QRect(QPoint(std::min(anchor_.x(), current_.x()), std::min(anchor_.y(), current_.y())),
                       QPoint(std::max(anchor_.x(), current_.x()), std::max(anchor_.y(), current_.y())));
    update();
}

QPoint CellGrid::CellAt(const QPoint& pixel) const {
    if (pixel.x() < 0 || pixel.y() < 0) return QPoint(-1, -1);
    const int column = pixel.x() / (columnWidth_ + 1);
    const int row = pixel.y() / (rowHeight_ + 1);
    if (column < 1 || row < 1 || column >= columns_ || row >= rows_) return QPoint(-1, -1);
    return QPoint(column, row);
}

void CellGrid::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    painter.fillRect(event->rect(), palette().color(QPalette::Mid));
    for (int row = 0; row < rows_; ++row) {
        for (int column = 0; column < columns_; ++column) {
            const QRect cell = CellRect(column, row);
            if (!cell.intersects(event->rect())) continue;
            const bool selected = column > 0 && row > 0 && selection_.contains(column, row);
            PaintCell(painter, column, row, cell, selected);
        }
    }
    PaintOverlay(painter);
}

void CellGrid::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return QWidget::mousePressEvent(event);
    const QPoint cell = CellAt(event->position().toPoint());
    if (cell.x() < 0) return;
    dragging_ = true;
    if (event->modifiers() & Qt::ShiftModifier)
        SetSelection(anchor_.x(), anchor_.y(), cell.x(), cell.y());
    else
        SetSelection(cell.x(), cell.y(), cell.x(), cell.y());
}

void CellGrid::mouseMoveEvent(QMouseEvent* event) {
    if (!dragging_ || !(event->buttons() & Qt::LeftButton)) return;
    const QPoint cell = CellAt(event->position().toPoint());
    if (cell.x() >= 0 && cell != current_) SetSelection(anchor_.x(), anchor_.y(), cell.x(), cell.y());
}

void CellGrid::mouseDoubleClickEvent(QMouseEvent* event) {
    dragging_ = false;
    if (editing_ && event->button() == Qt::LeftButton && CellAt(event->position().toPoint()).x() >= 0)
        emit editRequested();
}

void CellGrid::keyPressEvent(QKeyEvent* event) {
    const bool extend = event->modifiers() & Qt::ShiftModifier;
    QPoint to = current_;
    switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            if (!editing_) return QWidget::keyPressEvent(event);
            repaint();
            emit editRequested();
            return;
        case Qt::Key_Left:
            to.rx() -= 1;
            break;
        case Qt::Key_Right:
            to.rx() += 1;
            break;
        case Qt::Key_Up:
            to.ry() -= 1;
            break;
        case Qt::Key_Down:
            to.ry() += 1;
            break;
        case Qt::Key_Home:
            to.rx() = 1;
            break;
        case Qt::Key_End:
            to.rx() = columns_ - 1;
            break;
        default:
            // Page keys and the rest belong to the window.
            return QWidget::keyPressEvent(event);
    }
    if (extend)
        SetSelection(anchor_.x(), anchor_.y(), to.x(), to.y());
    else
        SetSelection(to.x(), to.y(), to.x(), to.y());
}

}  // namespace zov
