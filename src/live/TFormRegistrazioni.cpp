#include "TFormRegistrazioni.h"

#include <QChart>
#include <QFileDialog>
#include <QGraphicsLineItem>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineSeries>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>
#include <QValueAxis>
#include <cmath>

#include "DictionaryMessages.h"
#include "LiveRecording.h"
#include "LiveReplay.h"
#include "Localizer.h"
#include "LogChartView.h"
#include "QtText.h"
#include "TModuloLingua.h"

namespace zov {
namespace {

// Channels shown when a log opens: the ones an installer reads first.
const char* const kFirstChannels[] = {"rpm", "lambda_v", "map_bar"};
constexpr double kMsPerSecond = 1000.0;

QPushButton* MakeButton(QWidget* parent, const char* name, const QString& caption) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setAutoDefault(false);
    return button;
}

QString Reading(double value) {
    if (std::isnan(value)) return QStringLiteral("-");
    return QString::number(value, 'g', 6);
}

}  // namespace

TFormRegistrazioni::TFormRegistrazioni(AppContext& ctx, TModuloLingua& dictionary, QWidget* parent)
    : QDialog(parent), ctx_(ctx), dictionary_(dictionary) {
    setObjectName(QStringLiteral("FormRegistrazioni"));
    setWindowTitle(QStringLiteral("Registrazioni dei dati in tempo reale"));
    setModal(true);
    BuildControls();
    Localize();
    resize(900, 560);
}

TFormRegistrazioni::~TFormRegistrazioni() = default;

void TFormRegistrazioni::BuildControls() {
    ButtonApri = MakeButton(this, "ButtonApri", QStringLiteral("&Apri..."));
    LabFile = new QLabel(this);
    LabFile->setObjectName(QStringLiteral("LabFile"));
    ListCanali = new QListWidget(this);
    ListCanali->setObjectName(QStringLiteral("ListCanali"));
    ListCanali->setMaximumWidth(200);
    chart_ = new QChart();
    ChartView = new LogChartView(chart_, this);
    ChartView->setObjectName(QStringLiteral("ChartView"));
    LabCursore = new QLabel(this);
    LabCursore->setObjectName(QStringLiteral("LabCursore"));
    LabCursore->setWordWrap(true);
    LabCursore->setTextInteractionFlags(Qt::TextSelectableByMouse);
    ButtonRiproduci1 = MakeButton(this, "ButtonRiproduci1", QStringLiteral("Riproduci 1\u00D7"));
    ButtonRiproduci4 = MakeButton(this, "ButtonRiproduci4", QStringLiteral("Riproduci 4\u00D7"));
    ButtonEsci = MakeButton(this, "ButtonEsci", QStringLiteral("&Esci"));
    ButtonRiproduci1->setEnabled(false);
    ButtonRiproduci4->setEnabled(false);

    auto* top = new QHBoxLayout;
    top->addWidget(ButtonApri);
    top->addWidget(LabFile, 1);
    auto* middle = new QHBoxLayout;
    middle->addWidget(ListCanali);
    middle->addWidget(ChartView, 1);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(ButtonRiproduci1);
    bottom->addWidget(ButtonRiproduci4);
    bottom->addStretch(1);
    bottom->addWidget(ButtonEsci);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(middle, 1);
    layout->addWidget(LabCursore);
    layout->addLayout(bottom);

    connect(ButtonApri, &QPushButton::clicked, this, &TFormRegistrazioni::ButtonApriClick);
    connect(ButtonRiproduci1, &QPushButton::clicked, this, [this] { Replay(1); });
    connect(ButtonRiproduci4, &QPushButton::clicked, this, [this] { Replay(4); });
    connect(ButtonEsci, &QPushButton::clicked, this, &QDialog::reject);
    connect(ListCanali, &QListWidget::itemChanged, this, [this] {
        if (!filling_) ShowChosenSeries();
    });
    ChartView->onCursor = [this](double seconds) { SetCursor(std::llround(seconds * kMsPerSecond)); };
    ChartView->onZoom = [this](double factor) { Zoom(factor); };
    ChartView->onPan = [this](double fraction) { Pan(fraction); };
}

bool TFormRegistrazioni::Localize() {
    return Localizer(dictionary_)
        .Caption(ButtonApri, 20)
        .Caption(ButtonRiproduci1, 20)
        .Caption(ButtonRiproduci4, 20)
        .Caption(ButtonEsci, 10)
        .WindowTitle(this, QStringLiteral("FinestraRegistrazioni"), 70)
        .Text(QStringLiteral("MessRegNonLeggibile"), 70, messNotLog_)
        .Text(QStringLiteral("FinestraApriRegistrazione"), 50, openTitle_)
        .RunOrReport(ctx_.prompter, dictionary_messages::kLiveData, AppContext::kTitle);
}

void TFormRegistrazioni::ButtonApriClick() {
    const std::string& main = ctx_.global.MainPath();
    const std::string folder =
        (main.empty() ? ctx_.applicationDirectory : main) + "/" + LiveRecording::kFolder;
    const QString path = QFileDialog::getOpenFileName(this, openTitle_, QFile::decodeName(folder.c_str()),
                                                      QStringLiteral("CSV (*.csv)"));
    if (!path.isEmpty()) OpenLog(path);
}

bool TFormRegistrazioni::OpenLog(const QString& path) {
    LiveLogLoad load = ReadLiveLog(QFile::encodeName(path).toStdString());
    if (!load.ok || load.log.rows.empty()) {
        const std::string why = load.ok ? ToCp1252(path) + ": no rows" : load.error;
        ctx_.prompter.Ask(messNotLog_ + "\n" + why, ToCp1252(windowTitle()), PromptIcon::Error,
                          PromptButtons::Ok);
        return false;
    }
    log_ = std::move(load.log);
    path_ = path;
    LabFile->setText(QStringLiteral("%1  (%2)").arg(path).arg(log_.rows.size()));
    const bool replayable = LiveReplay::Of(log_, 1).has_value();
    ButtonRiproduci1->setEnabled(replayable);
    ButtonRiproduci4->setEnabled(replayable);
    FillChannels();
    BuildChart();
    ShowChosenSeries();
    SetCursor(log_.times.front());
    return true;
}

void TFormRegistrazioni::FillChannels() {
    filling_ = true;
    ListCanali->clear();
    bool anyFirst = false;
    for (size_t c = 0; c < log_.ChannelCount(); ++c) {
        const std::string& name = log_.columns[c + 1];
        auto* item = new QListWidgetItem(QString::fromStdString(name), ListCanali);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        bool first = false;
        for (const char* wanted : kFirstChannels) first = first || name == wanted;
        anyFirst = anyFirst || first;
        item->setCheckState(first ? Qt::Checked : Qt::Unchecked);
    }
    if (!anyFirst && ListCanali->count() > 0) ListCanali->item(0)->setCheckState(Qt::Checked);
    filling_ = false;
}

std::vector<int> TFormRegistrazioni::ShownChannels() const {
    std::vector<int> shown;
    for (int i = 0; i < ListCanali->count(); ++i)
        if (ListCanali->item(i)->checkState() == Qt::Checked) shown.push_back(i);
    return shown;
}

void TFormRegistrazioni::ShowChannel(int channel, bool shown) {
    if (channel < 0 || channel >= ListCanali->count()) return;
    ListCanali->item(channel)->setCheckState(shown ? Qt::Checked : Qt::Unchecked);
}

void TFormRegistrazioni::BuildChart() {
    // A new log gets a new chart: series and axes are made once per log and only shown or hidden
    // afterwards, so no chart item is ever removed under the view.
    auto* chart = new QChart();
    chart->legend()->setAlignment(Qt::AlignBottom);
    series_.clear();
    axes_.clear();
    timeAxis_ = new QValueAxis;
    timeAxis_->setTitleText(QStringLiteral("s"));
    timeAxis_->setRange(log_.times.front() / kMsPerSecond,
                        std::max<double>(log_.times.back(), log_.times.front() + 1) / kMsPerSecond);
    chart->addAxis(timeAxis_, Qt::AlignBottom);
    // However the span changes (a dragged span, the wheel, the keys), the cursor follows.
    connect(timeAxis_, &QValueAxis::rangeChanged, this, [this] { PlaceCursorLine(); });
    for (size_t channel = 0; channel < log_.ChannelCount(); ++channel) {
        auto* series = new QLineSeries;
        series->setName(QString::fromStdString(log_.columns[channel + 1]));
        QList<QPointF> points;
        points.reserve(qsizetype(log_.rows.size()));
        for (size_t r = 0; r < log_.rows.size(); ++r) {
            const double value = log_.rows[r][channel];
            if (!std::isnan(value)) points.append(QPointF(log_.times[r] / kMsPerSecond, value));
        }
        series->replace(points);
        chart->addSeries(series);
        // Each channel on its own scale, so rpm and volts share the plot.
        auto [low, high] = log_.Range(int(channel));
        const double margin = high > low ? (high - low) * 0.05 : 1.0;
        auto* values = new QValueAxis;
        values->setRange(low - margin, high + margin);
        chart->addAxis(values, Qt::AlignLeft);
        series->attachAxis(timeAxis_);
        series->attachAxis(values);
        series_.push_back(series);
        axes_.push_back(values);
    }
    QChart* previous = chart_;
    chart_ = chart;
    cursorLine_ = new QGraphicsLineItem(chart_);
    cursorLine_->setPen(QPen(Qt::darkGray, 1, Qt::DashLine));
    cursorLine_->setZValue(100);
    connect(chart_, &QChart::plotAreaChanged, this, [this] { PlaceCursorLine(); });
    ChartView->setChart(chart_);
    if (previous != nullptr) previous->deleteLater();
}

void TFormRegistrazioni::ShowChosenSeries() {
    bool scaleShown = false;
    for (size_t channel = 0; channel < series_.size(); ++channel) {
        const bool chosen = ListCanali->item(int(channel))->checkState() == Qt::Checked;
        series_[channel]->setVisible(chosen);
        // The first chosen channel's scale is the one on view.
        axes_[channel]->setVisible(chosen && !scaleShown);
        scaleShown = scaleShown || chosen;
    }
    PlaceCursorLine();
}

std::pair<double, double> TFormRegistrazioni::VisibleSpan() const {
    if (timeAxis_ == nullptr) return {0, 0};
    return {timeAxis_->min() * kMsPerSecond, timeAxis_->max() * kMsPerSecond};
}

void TFormRegistrazioni::Zoom(double factor) {
    if (timeAxis_ == nullptr || factor <= 0) return;
    QValueAxis* time = timeAxis_;
    const double middle = (time->min() + time->max()) / 2;
    const double half = (time->max() - time->min()) / 2 / factor;
    time->setRange(middle - half, middle + half);
}

void TFormRegistrazioni::Pan(double fraction) {
    if (timeAxis_ == nullptr) return;
    QValueAxis* time = timeAxis_;
    const double shift = (time->max() - time->min()) * fraction;
    time->setRange(time->min() + shift, time->max() + shift);
}

void TFormRegistrazioni::SetCursor(int64_t tMs) {
    if (log_.rows.empty()) return;
    cursorMs_ = tMs;
    LabCursore->setText(CursorText());
    PlaceCursorLine();
}

QString TFormRegistrazioni::CursorText() const {
    if (log_.rows.empty()) return {};
    const std::vector<double>& row = log_.rows[log_.RowAt(cursorMs_)];
    QString text = QStringLiteral("t %1 s").arg(cursorMs_ / kMsPerSecond, 0, 'f', 3);
    for (size_t c = 0; c < row.size(); ++c)
        text += QStringLiteral("   %1 %2").arg(QString::fromStdString(log_.columns[c + 1]), Reading(row[c]));
    return text;
}

void TFormRegistrazioni::PlaceCursorLine() {
    if (cursorLine_ == nullptr || series_.empty()) return;
    const QRectF area = chart_->plotArea();
    const double x = chart_->mapToPosition(QPointF(cursorMs_ / kMsPerSecond, 0), series_.front()).x();
    cursorLine_->setVisible(x >= area.left() && x <= area.right());
    cursorLine_->setLine(x, area.top(), x, area.bottom());
}

void TFormRegistrazioni::Replay(int speed) {
    replaySpeed_ = speed;
    accept();
}

}  // namespace zov
