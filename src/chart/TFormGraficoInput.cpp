// The map chart's mouse and keys: picking, dragging and keying points, the hint, the selection.
#include <QAction>
#include <QApplication>
#include <QCategoryAxis>
#include <QChart>
#include <QChartView>
#include <QCursor>
#include <QKeyEvent>
#include <QLabel>
#include <QLineSeries>
#include <QMouseEvent>
#include <QToolTip>
#include <QValueAxis>
#include <algorithm>
#include <cmath>

#include "ChartRules.h"
#include "TFormGrafico.h"

namespace zov {
namespace {

using Direction = ArrowKeyStepper::Direction;

// Pixels between a dragged point's centre and its value: clear of the largest marker.
constexpr int kDragValueClearance = 9;

double SquaredDistance(QPointF a, QPointF b) {
    const QPointF d = a - b;
    return d.x() * d.x() + d.y() * d.y();
}

// Distance from p to the segment a..b.
double SegmentDistance(QPointF p, QPointF a, QPointF b) {
    const QPointF ab = b - a;
    const double length = ab.x() * ab.x() + ab.y() * ab.y();
    double t = length > 0 ? ((p - a).x() * ab.x() + (p - a).y() * ab.y()) / length : 0;
    t = std::clamp(t, 0.0, 1.0);
    return std::sqrt(SquaredDistance(p, a + t * ab));
}

}  // namespace

// --- geometry ------------------------------------------------------------------------------------

QPoint TFormGrafico::PointPosition(int row, int col) const {
    const QLineSeries* series = Series[size_t(row)];
    if (col < 0 || col >= series->count()) return {};
    const QPointF inChart = Chart1->mapToPosition(series->at(col), Series[size_t(row)]);
    return ChartView1->mapFromScene(Chart1->mapToScene(inChart));
}

double TFormGrafico::ValueAt(int y) const {
    const QPointF inChart = Chart1->mapFromScene(ChartView1->mapToScene(QPoint(0, y)));
    return Chart1->mapToValue(inChart, Series[0]).y();
}

std::optional<std::pair<int, int>> TFormGrafico::PointAt(QPoint pos, bool fromLast) const {
    for (int k = 0; k < kRows; ++k) {
        const int row = fromLast ? kRows - 1 - k : k;
        if (!Series[size_t(row)]->isVisible()) continue;
        for (int col = 0; col < Series[size_t(row)]->count(); ++col)
            if (SquaredDistance(PointPosition(row, col), pos) <= kHitRadius * kHitRadius)
                return std::make_pair(row, col);
    }
    return std::nullopt;
}

std::optional<int> TFormGrafico::LineAt(QPoint pos) const {
    for (int row = kRows - 1; row >= 0; --row) {
        if (!Series[size_t(row)]->isVisible()) continue;
        for (int col = 1; col < Series[size_t(row)]->count(); ++col)
            if (SegmentDistance(pos, PointPosition(row, col - 1), PointPosition(row, col)) <= kDragThreshold)
                return row;
    }
    return std::nullopt;
}

// --- selection -----------------------------------------------------------------------------------

bool TFormGrafico::SeriesSelected(int row) const { return row >= 0 && row < kRows && selected_[size_t(row)]; }

bool TFormGrafico::AnySelected() const {
    for (const bool s : selected_)
        if (s) return true;
    return false;
}

void TFormGrafico::SelectSeries(int row, bool selected) {
    if (row < 0 || row >= kRows) return;
    selected_[size_t(row)] = selected;
    QLineSeries* series = Series[size_t(row)];
    series->setPointLabelsVisible(selected);
    QPen pen = series->pen();
    pen.setWidth(selected ? 2 : 1);
    series->setPen(pen);
}

void TFormGrafico::DeselectAll() {
    for (int i = 0; i < kRows; ++i)
        if (selected_[size_t(i)]) SelectSeries(i, false);
}

void TFormGrafico::SetPointValue(int row, int col, int32_t value) {
    QLineSeries* series = Series[size_t(row)];
    series->replace(col, QPointF(series->at(col).x(), value));
}

void TFormGrafico::UpdateHint(QPoint pos) {
    const std::optional<std::pair<int, int>> hit = PointAt(pos, true);
    if (!hit) {
        hint_.clear();
        QToolTip::hideText();
        return;
    }
    const auto [row, col] = *hit;
    hint_ = texts_.riga + QStringLiteral(" ") + QString::number(row + 1) + QStringLiteral("\n") +
            texts_.colonna + QStringLiteral(" ") +
            QString::number(ChartRules::HintRpm(ctx_.map.GetRpm(col))) + QStringLiteral("\n") +
            texts_.valore + QStringLiteral(" ") + QString::number(int(Series[size_t(row)]->at(col).y()));
    QToolTip::showText(ChartView1->viewport()->mapToGlobal(pos), hint_, ChartView1->viewport());
}

// --- mouse ---------------------------------------------------------------------------------------

bool TFormGrafico::eventFilter(QObject* watched, QEvent* event) {
    if (watched != ChartView1->viewport()) return QDialog::eventFilter(watched, event);
    switch (event->type()) {
        case QEvent::MouseButtonPress: {
            auto* mouse = static_cast<QMouseEvent*>(event);
            // Anything not taken here goes on to the chart, which zooms into a dragged rectangle.
            return mouse->button() == Qt::LeftButton && ChartMouseDown(mouse);
        }
        case QEvent::MouseMove:
            ChartMouseMove(static_cast<QMouseEvent*>(event));
            return dragging_;
        case QEvent::MouseButtonRelease: {
            auto* mouse = static_cast<QMouseEvent*>(event);
            // The right button opens the menu; the chart's own zoom-out on it stays unused.
            if (mouse->button() == Qt::RightButton) return true;
            return mouse->button() == Qt::LeftButton && ChartMouseUp(mouse);
        }
        default:
            return QDialog::eventFilter(watched, event);
    }
}

bool TFormGrafico::ChartMouseDown(QMouseEvent* event) {
    const QPoint pos = event->position().toPoint();
    pointer_ = pos;
    if (const std::optional<std::pair<int, int>> hit = PointAt(pos, true)) {
        SelectSeries(hit->first, true);
        dragSeries_ = hit->first;
        dragPoint_ = hit->second;
        dragging_ = true;
        dragMoved_ = false;
        dragFrom_ = pos;
        return true;
    }
    if (const std::optional<int> line = LineAt(pos)) {
        SelectSeries(*line, true);
        return true;
    }
    if (!(event->modifiers() & Qt::ControlModifier)) DeselectAll();
    return false;
}

void TFormGrafico::ChartMouseMove(QMouseEvent* event) {
    const QPoint pos = event->position().toPoint();
    pointer_ = pos;
    if (!dragging_) {
        UpdateHint(pos);
        return;
    }
    if (!dragMoved_ && (pos - dragFrom_).manhattanLength() < kDragThreshold) return;
    dragMoved_ = true;
    if (const std::optional<int32_t> value = ChartRules::AcceptedValue(ValueAt(pos.y()))) {
        ChartView1->viewport()->setCursor(Qt::SizeVerCursor);
        SetPointValue(dragSeries_, dragPoint_, *value);
        ShowDragValue(*value);
    } else {
        ChartView1->viewport()->setCursor(Qt::ForbiddenCursor);
    }
}

bool TFormGrafico::ChartMouseUp(QMouseEvent* event) {
    if (!dragging_) return false;
    dragging_ = false;
    LabelValoreTrascinato->hide();
    ChartView1->viewport()->unsetCursor();
    const bool dropped = dragMoved_ && ChartView1->viewport()->rect().contains(event->position().toPoint());
    dragMoved_ = false;
    if (dropped) {
        const int32_t value = int32_t(std::trunc(Series[size_t(dragSeries_)]->at(dragPoint_).y()));
        session_.WriteCell(dragSeries_, dragPoint_, value);
        // A locked cell keeps its value: the point goes back to it.
        SetPointValue(dragSeries_, dragPoint_, ctx_.map.GetCell(dragSeries_, dragPoint_));
        ShowChanges();
    } else {
        // Let go outside the chart: the point goes back to the cell's value.
        SetPointValue(dragSeries_, dragPoint_, ctx_.map.GetCell(dragSeries_, dragPoint_));
    }
    return true;
}

// Above the point, or below it at the top of the view; moved sideways to stay in the view.
void TFormGrafico::ShowDragValue(int32_t value) {
    LabelValoreTrascinato->setText(QString::number(value));
    LabelValoreTrascinato->adjustSize();
    const QRect view = ChartView1->viewport()->rect();
    const QSize size = LabelValoreTrascinato->size();
    const QPoint at = PointPosition(dragSeries_, dragPoint_);
    int y = at.y() - kDragValueClearance - size.height();
    if (y < view.top()) y = at.y() + kDragValueClearance;
    const int x = std::clamp(at.x() - size.width() / 2, view.left(),
                             std::max(view.left(), view.right() + 1 - size.width()));
    LabelValoreTrascinato->move(x, y);
    LabelValoreTrascinato->show();
    LabelValoreTrascinato->raise();
}

// --- keys ----------------------------------------------------------------------------------------

void TFormGrafico::keyPressEvent(QKeyEvent* event) { FormKeyDown(event); }

void TFormGrafico::keyReleaseEvent(QKeyEvent* event) { FormKeyUp(event); }

void TFormGrafico::FormKeyDown(QKeyEvent* event) {
    const bool shift = event->modifiers() & Qt::ShiftModifier;
    switch (event->key()) {
        case Qt::Key_Backspace:
            if (MenuAnnullaInterpola->isVisible()) MenuAnnullaInterpolaClick();
            break;
        case Qt::Key_Shift:
            if (keySeries_ == -1) PickWithShift();
            break;
        case Qt::Key_Escape:
            if (AnySelected())
                DeselectAll();
            else
                close();
            break;
        case Qt::Key_Left:
            MoveWithArrow(Direction::Left, shift);
            break;
        case Qt::Key_Up:
            MoveWithArrow(Direction::Up, shift);
            break;
        case Qt::Key_Right:
            MoveWithArrow(Direction::Right, shift);
            break;
        case Qt::Key_Down:
            MoveWithArrow(Direction::Down, shift);
            break;
        case Qt::Key_Insert:
            MenuInsertClick();
            break;
        case Qt::Key_Delete:
            MenuDeleteClick();
            break;
        case Qt::Key_Z:
            if (event->modifiers() & Qt::ControlModifier) MenuAnnullaZoomClick();
            break;
        case Qt::Key_F12:
            if (MenuScaricaMappa->isVisible()) MenuScaricaMappaClick();
            break;
        default:
            QDialog::keyPressEvent(event);
            return;
    }
    event->accept();
}

void TFormGrafico::FormKeyUp(QKeyEvent* event) {
    // A held key repeats as press and release pairs; only letting it go ends the acceleration.
    if (event->isAutoRepeat()) return;
    if (event->key() == Qt::Key_Shift) DropPick();
    stepper_.KeyReleased();
}

void TFormGrafico::PickWithShift() {
    const std::optional<std::pair<int, int>> hit = PointAt(pointer_, false);
    if (!hit) return;
    keySeries_ = hit->first;
    keyPoint_ = hit->second;
    SelectSeries(keySeries_, true);
    ChartView1->viewport()->setCursor(Qt::SizeVerCursor);
}

void TFormGrafico::DropPick() {
    if (keySeries_ >= 0) SelectSeries(keySeries_, false);
    keySeries_ = -1;
    ChartView1->viewport()->unsetCursor();
}

void TFormGrafico::MoveWithArrow(Direction direction, bool shift) {
    const QSize area = ChartView1->viewport()->size();
    const ArrowKeyStepper::Point moved =
        stepper_.Move({pointer_.x(), pointer_.y()}, direction, area.width(), area.height());
    pointer_ = QPoint(moved.x, moved.y);
    QCursor::setPos(ChartView1->viewport()->mapToGlobal(pointer_));
    if (!shift) {
        keySeries_ = -1;
        UpdateHint(pointer_);
        return;
    }
    if (keySeries_ < 0) return;
    if (const std::optional<int32_t> value = ChartRules::AcceptedValue(ValueAt(pointer_.y()))) {
        ChartView1->viewport()->setCursor(Qt::SizeVerCursor);
        SelectSeries(keySeries_, true);
        session_.WriteCell(keySeries_, keyPoint_, *value);
        SetPointValue(keySeries_, keyPoint_, ctx_.map.GetCell(keySeries_, keyPoint_));
        ShowChanges();
        return;
    }
    ChartView1->viewport()->setCursor(Qt::ForbiddenCursor);
    UpdateHint(pointer_);
}

}  // namespace zov
