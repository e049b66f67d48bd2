// The log viewer's stacked panes: one chart per pane on the shared time span, each series fed
// only the points its pixels can show, redrawn on every zoom, pan and resize.
#include <QChart>
#include <QGraphicsLineItem>
#include <QLabel>
#include <QLineSeries>
#include <QVBoxLayout>
#include <QValueAxis>
#include <algorithm>

#include "LogChartView.h"
#include "LogScatterView.h"
#include "TFormRegistrazioni.h"

namespace zov {
namespace {

constexpr double kMsPerSecond = 1000.0;
constexpr double kScaleMargin = 0.05;
// A plot not laid out yet (a window never shown) still gets a sensible number of columns.
constexpr int kColumnsUnlaidOut = 800;
constexpr int kTicks = 5;

QValueAxis* ChannelScale(std::pair<double, double> range) {
    auto [low, high] = range;
    const double margin = high > low ? (high - low) * kScaleMargin : 1.0;
    auto* scale = new QValueAxis;
    scale->setRange(low - margin, high + margin);
    // Round figures on the scale, so a reading can be taken off it.
    scale->setTickCount(kTicks);
    scale->applyNiceNumbers();
    scale->setLabelFormat(QStringLiteral("%g"));
    return scale;
}

}  // namespace

void TFormRegistrazioni::BuildPanes() {
    for (Pane& pane : panes_) {
        paneBox_->removeWidget(pane.view);
        pane.view->deleteLater();
    }
    panes_.clear();
    LabSuggerimento->setVisible(log_.RowCount() == 0);
    if (log_.RowCount() == 0) return;
    for (int p = 0; p < layout_.PaneCount(); ++p) {
        panes_.push_back(MakePane(layout_.Channels(p)));
        paneBox_->addWidget(panes_.back().view, 1);
    }
    SetSpan(span_.first, span_.second);
}

TFormRegistrazioni::Pane TFormRegistrazioni::MakePane(const std::vector<std::string>& names) {
    Pane pane;
    pane.chart = new QChart();
    pane.chart->legend()->setAlignment(Qt::AlignTop);
    pane.chart->setMargins(QMargins(4, 2, 4, 2));
    pane.time = new QValueAxis;
    pane.time->setTitleText(QStringLiteral("s"));
    pane.time->setLabelFormat(QStringLiteral("%g"));
    pane.chart->addAxis(pane.time, Qt::AlignBottom);
    bool leftTaken = false;
    for (const std::string& name : names) {
        const int channel = log_.Channel(name);
        auto* series = new QLineSeries;
        series->setName(ChannelName(channel));
        pane.chart->addSeries(series);
        QValueAxis* scale = ChannelScale(log_.Range(channel));
        // The first two channels show their scales, left and right; the others plot on their own
        // unseen scales so every channel fills the pane's height.
        const size_t index = pane.series.size();
        pane.chart->addAxis(scale, leftTaken ? Qt::AlignRight : Qt::AlignLeft);
        leftTaken = true;
        scale->setVisible(index < 2);
        scale->setLinePenColor(series->color());
        scale->setLabelsColor(series->color());
        series->attachAxis(pane.time);
        series->attachAxis(scale);
        pane.channels.push_back(channel);
        pane.series.push_back(series);
    }
    pane.view = new LogChartView(pane.chart, PageGrafici);
    pane.view->setObjectName(QStringLiteral("ChartView%1").arg(panes_.size() + 1));
    pane.cursor = new QGraphicsLineItem(pane.chart);
    pane.cursor->setPen(QPen(Qt::darkGray, 1, Qt::DashLine));
    pane.cursor->setZValue(100);
    pane.view->onCursor = [this](double seconds) { SetCursor(std::llround(seconds * kMsPerSecond)); };
    pane.view->onZoom = [this](double factor) { Zoom(factor); };
    pane.view->onPan = [this](double fraction) { Pan(fraction); };
    // A span dragged in one pane (the chart's own zoom) becomes the span of all of them.
    QValueAxis* time = pane.time;
    connect(time, &QValueAxis::rangeChanged, this, [this, time] {
        if (!settingSpan_) SetSpan(time->min() * kMsPerSecond, time->max() * kMsPerSecond);
    });
    // A resize changes the pixel columns: the points follow.
    connect(pane.chart, &QChart::plotAreaChanged, this, [this] {
        if (!settingSpan_) Redraw();
    });
    return pane;
}

void TFormRegistrazioni::SetSpan(double fromMs, double toMs) {
    if (!(toMs > fromMs)) return;
    span_ = {fromMs, toMs};
    settingSpan_ = true;
    const double step = RoundTickStep((toMs - fromMs) / kMsPerSecond, kTicks);
    for (Pane& pane : panes_) {
        pane.time->setRange(fromMs / kMsPerSecond, toMs / kMsPerSecond);
        // Ticks at whole multiples of a round step, wherever the span starts.
        pane.time->setTickType(QValueAxis::TicksDynamic);
        pane.time->setTickAnchor(0);
        pane.time->setTickInterval(step);
    }
    settingSpan_ = false;
    Redraw();
}

void TFormRegistrazioni::Redraw() {
    settingSpan_ = true;
    for (Pane& pane : panes_) {
        const int width = int(pane.chart->plotArea().width());
        const int columns = width > 1 ? width : kColumnsUnlaidOut;
        for (size_t s = 0; s < pane.series.size(); ++s) {
            const std::vector<PlotPoint> points =
                decimators_[size_t(pane.channels[s])].Points(span_.first, span_.second, columns);
            QList<QPointF> shown;
            shown.reserve(qsizetype(points.size()));
            for (const PlotPoint& p : points) shown.append(QPointF(p.tMs / kMsPerSecond, double(p.value)));
            pane.series[s]->replace(shown);
        }
    }
    settingSpan_ = false;
    PlaceCursorLines();
    RedrawScatter();
}

void TFormRegistrazioni::PlaceCursorLines() {
    for (Pane& pane : panes_) {
        const QRectF area = pane.chart->plotArea();
        const double fraction = (double(cursorMs_) - span_.first) / (span_.second - span_.first);
        const double x = area.left() + fraction * area.width();
        pane.cursor->setVisible(fraction >= 0 && fraction <= 1);
        pane.cursor->setLine(x, area.top(), x, area.bottom());
    }
}

}  // namespace zov
