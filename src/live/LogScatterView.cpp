#include "LogScatterView.h"

#include <QPainter>
#include <QResizeEvent>
#include <algorithm>
#include <cmath>

namespace zov {
namespace {

constexpr int kLeft = 60;
constexpr int kRight = 80;
constexpr int kTop = 10;
constexpr int kBottom = 40;
constexpr int kTicks = 5;
constexpr int kLegendWidth = 14;
constexpr int kLegendGap = 10;
constexpr int kBlueHue = 240;

QColor ColourOf(float value, std::pair<double, double> range) {
    if (std::isnan(value)) return Qt::gray;
    const double span = range.second - range.first;
    const double fraction = span > 0 ? std::clamp((value - range.first) / span, 0.0, 1.0) : 0.5;
    return QColor::fromHsv(int(kBlueHue * (1.0 - fraction)), 230, 220);
}

}  // namespace

// A round step for about `ticks` divisions of `span`: 1, 2 or 5 times a power of ten.
double RoundTickStep(double span, int ticks) {
    const double raw = span / ticks;
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    for (const double m : {1.0, 2.0, 5.0})
        if (raw <= m * power) return m * power;
    return 10 * power;
}

LogScatterView::LogScatterView(QWidget* parent) : QWidget(parent) {
    setMinimumSize(240, 180);
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Base);
}

QRect LogScatterView::PlotArea() const { return rect().adjusted(kLeft, kTop, -kRight, -kBottom); }

QSize LogScatterView::Cells() const {
    const QRect area = PlotArea();
    return {std::max(1, area.width() / kCellPixels), std::max(1, area.height() / kCellPixels)};
}

void LogScatterView::SetPicture(ScatterPicture picture) {
    picture_ = std::move(picture);
    update();
}

void LogScatterView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    emit resized();
}

void LogScatterView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QRect area = PlotArea();
    if (area.width() < kCellPixels || area.height() < kCellPixels) return;
    const ScatterPicture& p = picture_;
    const double cellWidth = double(area.width()) / p.columns;
    const double cellHeight = double(area.height()) / p.rows;
    for (const ScatterBinner::Bin& bin : p.bins)
        painter.fillRect(
            QRectF(area.left() + bin.column * cellWidth, area.bottom() + 1 - (bin.row + 1) * cellHeight,
                   std::ceil(cellWidth), std::ceil(cellHeight)),
            ColourOf(bin.colour, p.colour));
    const auto xAt = [&](double v) {
        return area.left() + (v - p.x.first) / (p.x.second - p.x.first) * area.width();
    };
    const auto yAt = [&](double v) {
        return area.bottom() - (v - p.y.first) / (p.y.second - p.y.first) * area.height();
    };
    painter.setPen(QPen(Qt::darkGray, 1, Qt::DashLine));
    for (const double g : p.xGrid)
        if (g >= p.x.first && g <= p.x.second)
            painter.drawLine(QPointF(xAt(g), area.top()), QPointF(xAt(g), area.bottom()));
    for (const double g : p.yGrid)
        if (g >= p.y.first && g <= p.y.second)
            painter.drawLine(QPointF(area.left(), yAt(g)), QPointF(area.right(), yAt(g)));
    painter.setPen(palette().color(QPalette::Text));
    painter.drawRect(area);
    const QFontMetrics metrics = painter.fontMetrics();
    const double xStep = RoundTickStep(p.x.second - p.x.first, kTicks);
    for (double v = std::ceil(p.x.first / xStep) * xStep; v <= p.x.second; v += xStep) {
        const QString text = QString::number(v, 'g', 6);
        painter.drawLine(QPointF(xAt(v), area.bottom()), QPointF(xAt(v), area.bottom() + 4));
        painter.drawText(
            QPointF(xAt(v) - metrics.horizontalAdvance(text) / 2.0, area.bottom() + 4 + metrics.ascent()),
            text);
    }
    const double yStep = RoundTickStep(p.y.second - p.y.first, kTicks);
    for (double v = std::ceil(p.y.first / yStep) * yStep; v <= p.y.second; v += yStep) {
        const QString text = QString::number(v, 'g', 6);
        painter.drawLine(QPointF(area.left() - 4, yAt(v)), QPointF(area.left(), yAt(v)));
        painter.drawText(
            QPointF(area.left() - 6 - metrics.horizontalAdvance(text), yAt(v) + metrics.ascent() / 2.0),
            text);
    }
    painter.drawText(QRect(area.left(), area.bottom() + 6 + metrics.height(), area.width(), metrics.height()),
                     Qt::AlignHCenter, p.xName);
    painter.save();
    painter.translate(12, area.center().y());
    painter.rotate(-90);
    painter.drawText(QRect(-area.height() / 2, -metrics.ascent(), area.height(), metrics.height()),
                     Qt::AlignHCenter, p.yName);
    painter.restore();
    // The colour scale beside the plot: highest at the top.
    const QRect legend(area.right() + kLegendGap, area.top(), kLegendWidth, area.height());
    for (int y = 0; y < legend.height(); ++y) {
        const double v =
            p.colour.second - (p.colour.second - p.colour.first) * y / std::max(1, legend.height() - 1);
        painter.setPen(ColourOf(float(v), p.colour));
        painter.drawLine(legend.left(), legend.top() + y, legend.right(), legend.top() + y);
    }
    painter.setPen(palette().color(QPalette::Text));
    painter.drawText(QPointF(legend.right() + 3, legend.top() + metrics.ascent()),
                     QString::number(p.colour.second, 'g', 4));
    painter.drawText(QPointF(legend.right() + 3, legend.bottom()), QString::number(p.colour.first, 'g', 4));
    painter.save();
    painter.translate(legend.right() + 3 + metrics.height(), legend.center().y());
    painter.rotate(90);
    painter.drawText(QRect(-legend.height() / 2, -metrics.height(), legend.height(), metrics.height()),
                     Qt::AlignHCenter, p.colourName);
    painter.restore();
}

}  // namespace zov
