#include "MapGrid.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <algorithm>

#include "TFormMappa.h"

namespace zov {

MapGrid::MapGrid(TFormMappa& form, QWidget* parent) : QWidget(parent), form_(form) {
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void MapGrid::SetCellSize(int columnWidth, int rowHeight) {
    geometry_ = {std::max(columnWidth, 1), std::max(rowHeight, 1)};
    resize(kColumns * (geometry_.columnWidth + 1), kRows * (geometry_.rowHeight + 1));
    update();
}

QRect MapGrid::CellRect(int column, int row) const {
    return QRect(geometry_.CellLeft(column), geometry_.CellTop(row), geometry_.columnWidth,
                 geometry_.rowHeight);
}

void MapGrid::SetSelection(int anchorColumn, int anchorRow, int column, int row) {
    const auto fitColumn = [](int v) { return std::clamp(v, 1, kColumns - 1); };
    const auto fitRow = [](int v) { return std::clamp(v, 1, kRows - 1); };
    anchor_ = QPoint(fitColumn(anchorColumn), fitRow(anchorRow));
    current_ = QPoint(fitColumn(column), fitRow(row));
    selection_ = QRect(QPoint(std::min(anchor_.x(), current_.x()), std::min(anchor_.y(), current_.y())),
                       QPoint(std::max(anchor_.x(), current_.x()), std::max(anchor_.y(), current_.y())));
    update();
}

QPoint MapGrid::CellAt(const QPoint& pixel) const {
    if (pixel.x() < 0 || pixel.y() < 0) return QPoint(-1, -1);
    const int column = pixel.x() / (geometry_.columnWidth + 1);
    const int row = pixel.y() / (geometry_.rowHeight + 1);
    if (column < 1 || row < 1 || column >= kColumns || row >= kRows) return QPoint(-1, -1);
    return QPoint(column, row);
}

void MapGrid::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    painter.fillRect(event->rect(), palette().color(QPalette::Mid));
    for (int row = 0; row < kRows; ++row) {
        for (int column = 0; column < kColumns; ++column) {
            const QRect cell = CellRect(column, row);
            if (!cell.intersects(event->rect())) continue;
            const bool selected = column > 0 && row > 0 && selection_.contains(column, row);
            form_.DrawGrid1DrawCell(painter, column, row, cell, selected);
        }
    }
    form_.DrawCursor(painter);
}

void MapGrid::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return QWidget::mousePressEvent(event);
    const QPoint cell = CellAt(event->position().toPoint());
    if (cell.x() < 0) return;
    dragging_ = true;
    if (event->modifiers() & Qt::ShiftModifier)
        SetSelection(anchor_.x(), anchor_.y(), cell.x(), cell.y());
    else
        SetSelection(cell.x(), cell.y(), cell.x(), cell.y());
}

void MapGrid::mouseMoveEvent(QMouseEvent* event) {
    if (!dragging_ || !(event->buttons() & Qt::LeftButton)) return;
    const QPoint cell = CellAt(event->position().toPoint());
    if (cell.x() >= 0 && cell != current_) SetSelection(anchor_.x(), anchor_.y(), cell.x(), cell.y());
}

void MapGrid::mouseDoubleClickEvent(QMouseEvent* event) {
    dragging_ = false;
    if (editing_ && event->button() == Qt::LeftButton && CellAt(event->position().toPoint()).x() >= 0)
        emit editRequested();
}

void MapGrid::keyPressEvent(QKeyEvent* event) {
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
            to.rx() = kColumns - 1;
            break;
        default:
            return QWidget::keyPressEvent(event);
    }
    if (extend)
        SetSelection(anchor_.x(), anchor_.y(), to.x(), to.y());
    else
        SetSelection(to.x(), to.y(), to.x(), to.y());
}

}  // namespace zov
