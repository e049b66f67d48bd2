#include "EnrichmentPage.h"

#include <QFont>
#include <QFontMetrics>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QResizeEvent>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "AppContext.h"
#include "ConfCar.h"
#include "Localizer.h"
#include "PressureConversion.h"
#include "TFormSet.h"
#include "TModuloLingua.h"

namespace zov {

namespace {

constexpr int kLiveRecord = 151;
constexpr int kRecordCapacity = 10;
constexpr int kMinimumCumuloVariable = 12;
constexpr int32_t kRpmBeyondLastBound = 1000;
constexpr int32_t kCumuloBeyondLastBound = 100;
constexpr int kMargin = 8;

const QColor kSelectedCell(0, 0, 128);
const QColor kCell(Qt::yellow);
const QColor kLambdaLean(0, 128, 0);
const QColor kLambdaRich(255, 0, 0);

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text = {}) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    return label;
}

QLabel* MakeValue(QWidget* parent, const char* name, const QString& sample) {
    QLabel* value = MakeLabel(parent, name);
    QFont bold = value->font();
    bold.setBold(true);
    value->setFont(bold);
    // Wide enough for the longest value, so the row does not move as the values change.
    value->setMinimumWidth(QFontMetrics(bold).horizontalAdvance(sample) + 8);
    return value;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// EnrichmentGrid

EnrichmentGrid::EnrichmentGrid(EnrichmentPage& page, QWidget* parent)
    : CellGrid(kCells, kCells, parent), page_(page) {}

void EnrichmentGrid::PaintCell(QPainter& painter, int column, int row, const QRect& rect, bool selected) {
    page_.DrawGrid1DrawCell(painter, column, row, rect, selected);
}

void EnrichmentGrid::PaintOverlay(QPainter& painter) { page_.DrawMarker(painter); }

// ---------------------------------------------------------------------------------------------
// EnrichmentPage

EnrichmentPage::EnrichmentPage(AppContext& ctx, TModuloLingua& dictionary, QWidget* parent)
    : QWidget(parent), ctx_(ctx), dictionary_(dictionary) {
    setObjectName(QStringLiteral("PageTps"));
    BuildControls();
    formSet_ = new TFormSet(ctx_.map, ctx_.param, this);
    FillFromModel();

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(kTimerInterval);
    connect(Timer1, &QTimer::timeout, this, &EnrichmentPage::Timer1Timer);
    // The live values are read from the window's creation on, before the page is first shown.
    Timer1->start();
}

EnrichmentPage::~EnrichmentPage() = default;

void EnrichmentPage::BuildControls() {
    DrawGrid1 = new EnrichmentGrid(*this, this);
    DrawGrid1->setObjectName(QStringLiteral("DrawGrid1"));
    connect(DrawGrid1, &EnrichmentGrid::editRequested, this, &EnrichmentPage::EditSelection);

    livePanel_ = new QWidget(this);
    LabGiriMot = MakeLabel(livePanel_, "LabGiriMot", QStringLiteral("Giri Motore"));
    LabGiri = MakeValue(livePanel_, "LabGiri", QStringLiteral("88888 giri/min"));
    LabelCumulo = MakeLabel(livePanel_, "LabelCumulo", QStringLiteral("Cumulo"));
    LabCum = MakeValue(livePanel_, "LabCum", QStringLiteral("888"));
    LabelLambda = MakeLabel(livePanel_, "LabelLambda", QStringLiteral("Lambda"));
    LabLambda = MakeValue(livePanel_, "LabLambda", QStringLiteral("8.888 v"));
    LabLambda->setAlignment(Qt::AlignCenter);
    LabLambda->setAutoFillBackground(true);
    // The coloured box keeps its size whatever the value.
    LabLambda->setFixedWidth(LabLambda->minimumWidth() + 8);

    GroupRid = new QGroupBox(QStringLiteral("Riduttore"), livePanel_);
    GroupRid->setObjectName(QStringLiteral("GroupRid"));
    LabPressRid = MakeLabel(GroupRid, "LabPressRid", QStringLiteral("Pressione"));
    LabelP = MakeValue(GroupRid, "LabelP", QStringLiteral("8.888 bar"));
    LabelPMax = MakeValue(GroupRid, "LabelPMax", QStringLiteral("8.888  max"));
    LabelPMin = MakeValue(GroupRid, "LabelPMin", QStringLiteral("8.888  min"));

    LabelMinCum = MakeLabel(livePanel_, "LabelMinCum", QStringLiteral("Minimo cumulo per arricchire"));
    EditMinCumulo = new QLineEdit(livePanel_);
    EditMinCumulo->setObjectName(QStringLiteral("EditMinCumulo"));
    EditMinCumulo->setFixedWidth(60);
    connect(EditMinCumulo, &QLineEdit::textChanged, this, &EnrichmentPage::valuesChanged);

    auto* values = new QGridLayout();
    values->setHorizontalSpacing(10);
    values->setVerticalSpacing(4);
    values->addWidget(LabGiriMot, 0, 0);
    values->addWidget(LabGiri, 0, 1);
    values->addWidget(LabelCumulo, 1, 0);
    values->addWidget(LabCum, 1, 1);
    values->addWidget(LabelLambda, 2, 0);
    values->addWidget(LabLambda, 2, 1, Qt::AlignLeft);

    auto* pressure = new QGridLayout(GroupRid);
    pressure->setHorizontalSpacing(10);
    pressure->setVerticalSpacing(2);
    pressure->addWidget(LabPressRid, 0, 0);
    pressure->addWidget(LabelP, 0, 1);
    pressure->addWidget(LabelPMax, 1, 1);
    pressure->addWidget(LabelPMin, 2, 1);

    auto* minimum = new QVBoxLayout();
    minimum->addStretch();
    minimum->addWidget(LabelMinCum);
    minimum->addWidget(EditMinCumulo);
    minimum->addStretch();

    auto* row = new QHBoxLayout(livePanel_);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(18);
    row->addLayout(values);
    row->addWidget(GroupRid);
    row->addStretch();
    row->addLayout(minimum);

    // What the labels show until the first display step.
    ShowLambda();
    LabGiri->setText(QStringLiteral("0 ") + labelRpm_);
    LabCum->setText(QStringLiteral("0"));
    LabelP->setText(FormatHundredths(0) + labelBar_);
}

void EnrichmentPage::FillFromModel() {
    EditMinCumulo->setText(QString::number(ctx_.car.GetValue(kMinimumCumuloVariable)));
    DrawGrid1->update();
}

bool EnrichmentPage::Localize() {
    Localizer localizer(dictionary_);
    localizer.Caption(GroupRid, 15)
        .Caption(LabPressRid, 25)
        .Caption(LabGiriMot, 15)
        .Caption(LabelCumulo, 15)
        .Caption(LabelLambda, 15)
        .Caption(LabelMinCum, 30)
        .Text(QStringLiteral("LabelOrigine"), 12, labelOrigine_)
        .Apply(QStringLiteral("LabelBar"), 5,
               [this](const QString& text) { labelBar_ = QStringLiteral(" ") + text; })
        .Text(QStringLiteral("LabelRpm"), 30, labelRpm_)
        .WindowTitle(formSet_, QStringLiteral("FinestraModificaMappa"), 20)
        .Caption(formSet_->Button1, QStringLiteral("ButtonScarica"), 40)
        .Caption(formSet_->RadioButtonLinear, QStringLiteral("LabelLineare"), 10)
        .Caption(formSet_->RadioButtonProp, QStringLiteral("LabelProporz"), 15);
    if (localizer.Run().has_value()) return false;
    // The kept texts show in the labels and the corner at once, not only at the next change.
    LabGiri->setText(QString::number(rpm_) + QStringLiteral(" ") + labelRpm_);
    LabelP->setText(FormatHundredths(reducerPressure_) + labelBar_);
    SizeGrid();
    return true;
}

// ---------------------------------------------------------------------------------------------
// Page life and timer

void EnrichmentPage::PageEntered() {
    const bool held = stopDepth_ > 0;
    Timer1->stop();
    cursorX_ = cursorY_ = rpm_ = cumulo_ = 0;
    reducerPressure_ = 0;
    pressureMax_ = 0;
    pressureMin_ = 5;
    maxCountdown_ = minCountdown_ = 0;
    // Only a warning: the page works with whatever centres there are.
    ctx_.param.CheckCentres();
    BuildTpsCellBounds();
    // The reset marker goes on the map's first cell, not onto the headers at the grid's origin,
    // and the first tick shows the live values whether or not they changed since the page was
    // last shown: otherwise the marker would wait up to nine ticks in the corner.
    PlaceMarker();
    unchangedTicks_ = kThinningTicks;
    if (held)
        runBeforeStop_ = true;
    else
        Timer1->start();
    DrawGrid1->setFocus(Qt::OtherFocusReason);
    DrawGrid1->update();
}

void EnrichmentPage::PageLeft() {
    Timer1->stop();
    if (stopDepth_ > 0) runBeforeStop_ = false;
}

void EnrichmentPage::StopLiveTimer() {
    if (stopDepth_++ == 0) runBeforeStop_ = Timer1->isActive();
    Timer1->stop();
}

void EnrichmentPage::StartLiveTimer() {
    if (stopDepth_ == 0) {
        Timer1->start();
        return;
    }
    if (--stopDepth_ == 0 && runBeforeStop_) Timer1->start();
}

bool EnrichmentPage::LiveTimerActive() const { return Timer1->isActive(); }

void EnrichmentPage::Timer1Timer() {
    // Another exchange (or one of its waits) is running: this tick would interleave with it.
    if (ctx_.link.IsBusy()) return;
    UpdateLiveTps();
}

// ---------------------------------------------------------------------------------------------
// Live operating point

void EnrichmentPage::BuildTpsCellBounds() {
    const ConfParam& param = ctx_.param;
    colBounds_[0] = 0;
    rowBounds_[0] = 0;
    for (int i = 1; i < 8; ++i) {
        colBounds_[i] = (param.GetRpmCentre(i) + param.GetRpmCentre(i - 1)) / 2;
        rowBounds_[i] = (param.GetCumuloCentre(i) + param.GetCumuloCentre(i - 1)) / 2;
    }
    colBounds_[8] = colBounds_[7] + kRpmBeyondLastBound;
    rowBounds_[8] = rowBounds_[7] + kCumuloBeyondLastBound;
}

void EnrichmentPage::UpdateLiveTps() {
    ComInj& link = ctx_.link;
    if (link.IsConnected()) {
        int32_t record[kRecordCapacity] = {};
        // A failed read (the link has already dealt with it) leaves the previous values.
        if (link.ReadRecord(kLiveRecord, record, kRecordCapacity)) {
            rpm_ = ConfCar::Period(record[0]);
            lambdaValue_ = ConfCar::ByteToVolt(record[1], false);
            cumulo_ = record[2];
            reducerPressure_ = PressureFromByte(record[3]);
            if (reducerPressure_ > pressureMax_) maxCountdown_ = 0;
            if (reducerPressure_ < pressureMin_) minCountdown_ = 0;
        }
    }

    if (rpm_ == lastRpm_ && cumulo_ == lastCumulo_) {
        if (unchangedTicks_++ < kThinningTicks) return;
    }
    lastRpm_ = rpm_;
    lastCumulo_ = cumulo_;
    unchangedTicks_ = 0;

    InvalidateMarker();
    PlaceMarker();
    InvalidateMarker();
    ShowLiveValues();
}

int32_t EnrichmentPage::MarkerOffset(int32_t value, int32_t lower, int32_t centre, int32_t upper,
                                     int32_t half) {
    double offset = half;
    if (value < centre) {
        const double span = double(centre) - lower;
        if (span > 0) offset = half * (double(value) - lower) / span;
    } else {
        const double span = double(upper) - centre;
        if (span > 0) offset = half + (double(value) - centre) * half / span;
    }
    return std::clamp(static_cast<int32_t>(std::trunc(offset)), int32_t(0), 2 * half);
}

void EnrichmentPage::PlaceMarker() {
    const auto find = [](const int32_t* bounds, int32_t value) {
        if (value >= bounds[8]) return 7;
        for (int i = 0; i < 8; ++i)
            if (bounds[i + 1] >= value) return i;
        return 7;
    };
    const int i = find(colBounds_, rpm_);
    const int j = find(rowBounds_, cumulo_);
    const QRect cell = DrawGrid1->CellRect(i + 1, j + 1);
    const int32_t left = cell.x();
    const int32_t right = cell.x() + cell.width();
    const int32_t top = cell.y();
    const int32_t bottom = cell.y() + cell.height();
    const int32_t hw = (right - left) / 2;
    const int32_t hh = (bottom - top) / 2;

    cursorX_ = rpm_ >= colBounds_[8] ? right
                                     : left + MarkerOffset(rpm_, colBounds_[i], ctx_.param.GetRpmCentre(i),
                                                           colBounds_[i + 1], hw);
    cursorY_ = cumulo_ >= rowBounds_[8]
                   ? bottom
                   : top + MarkerOffset(cumulo_, rowBounds_[j], ctx_.param.GetCumuloCentre(j),
                                        rowBounds_[j + 1], hh);
}

void EnrichmentPage::InvalidateMarker() {
    // One pixel more than the radius: the disc's smoothed edge.
    const int r = kMarkerRadius + 1;
    DrawGrid1->update(QRect(cursorX_ - r, cursorY_ - r, 2 * r + 1, 2 * r + 1));
}

QString EnrichmentPage::FormatHundredths(int32_t value) { return QString::number(value * 0.01, 'g', 4); }

void EnrichmentPage::ShowLiveValues() {
    LabGiri->setText(QString::number(rpm_) + QStringLiteral(" ") + labelRpm_);
    LabCum->setText(QString::number(cumulo_));
    LabelP->setText(FormatHundredths(reducerPressure_) + labelBar_);
    if (maxCountdown_ == 0) {
        pressureMax_ = reducerPressure_;
        maxCountdown_ = kHoldSteps;
        LabelPMax->setText(FormatHundredths(pressureMax_) + QStringLiteral("  max"));
    }
    if (minCountdown_ == 0) {
        pressureMin_ = reducerPressure_;
        minCountdown_ = kHoldSteps;
        LabelPMin->setText(FormatHundredths(pressureMin_) + QStringLiteral("  min"));
    }
    --maxCountdown_;
    --minCountdown_;
    ShowLambda();
}

int EnrichmentPage::LambdaColumn(int32_t rpm) const {
    const ConfMap& map = ctx_.map;
    if (rpm > map.GetRpm(19) + kRpmBeyondLastBound) return 19;
    for (int k = 0; k < 19; ++k)
        if ((map.GetRpm(k) + map.GetRpm(k + 1)) / 2 > rpm) return k;
    return 19;
}

void EnrichmentPage::ShowLambda() {
    LabLambda->setText(FormatHundredths(lambdaValue_) + QStringLiteral(" v"));
    const bool lean = lambdaValue_ < ctx_.car.GetLambdaRef(LambdaColumn(rpm_));
    QPalette colours = LabLambda->palette();
    colours.setColor(QPalette::Window, lean ? kLambdaLean : kLambdaRich);
    LabLambda->setPalette(colours);
}

// ---------------------------------------------------------------------------------------------
// Grid drawing and layout

QString EnrichmentPage::CellText(int column, int row) const {
    if (column == 0 && row == 0) return labelOrigine_;
    if (row == 0) return QString::number(ctx_.param.GetRpmCentre(column - 1));
    if (column == 0) return QString::number(ctx_.param.GetCumuloCentre(row - 1));
    return QString::number(ctx_.param.GetEnrichment(row - 1, column - 1));
}

void EnrichmentPage::DrawGrid1DrawCell(QPainter& painter, int column, int row, const QRect& rect,
                                       bool selected) {
    QColor background;
    QColor text;
    if (column == 0 || row == 0) {
        background = palette().color(QPalette::Button);
        text = palette().color(QPalette::ButtonText);
    } else if (selected) {
        background = kSelectedCell;
        text = Qt::white;
    } else {
        background = kCell;
        text = Qt::black;
    }
    painter.fillRect(rect, background);
    painter.setPen(text);
    const QString content = CellText(column, row);
    // A text wider than its cell (the corner's, in some languages) is written smaller, not cut.
    const int room = rect.width() - 4;
    const int needed = painter.fontMetrics().horizontalAdvance(content);
    if (needed > room && room > 0) {
        painter.save();
        QFont smaller = painter.font();
        if (smaller.pointSizeF() > 0)
            smaller.setPointSizeF(std::max(6.0, smaller.pointSizeF() * room / needed));
        else
            smaller.setPixelSize(std::max(8, smaller.pixelSize() * room / needed));
        painter.setFont(smaller);
        painter.drawText(rect, Qt::AlignCenter, content);
        painter.restore();
    } else {
        painter.drawText(rect, Qt::AlignCenter, content);
    }
}

void EnrichmentPage::DrawMarker(QPainter& painter) const {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::red);
    painter.drawEllipse(QPoint(cursorX_, cursorY_), kMarkerRadius, kMarkerRadius);
    painter.restore();
}

void EnrichmentPage::SizeGrid() {
    const QSize panel = livePanel_->sizeHint();
    const int clientWidth = static_cast<int>(0.8 * width());
    const int clientHeight = std::max(height() - panel.height() - 3 * kMargin, EnrichmentGrid::kCells * 2);
    DrawGrid1->SetCellSize(clientWidth / EnrichmentGrid::kCells - 1,
                           clientHeight / EnrichmentGrid::kCells - 1);
    DrawGrid1->move((width() - DrawGrid1->width()) / 2, kMargin);
    // The live values below the grid, as wide as the grid unless they need more.
    const int panelWidth = std::min(std::max(panel.width(), DrawGrid1->width()), width());
    livePanel_->setGeometry((width() - panelWidth) / 2, DrawGrid1->geometry().bottom() + 1 + kMargin,
                            panelWidth, panel.height());
    // The cells moved under the marker.
    PlaceMarker();
    DrawGrid1->update();
}

void EnrichmentPage::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    SizeGrid();
}

void EnrichmentPage::EditSelection() {
    const QRect selection = DrawGrid1->Selection();
    Timer1->stop();
    if (const QScreen* screen = this->screen()) {
        const QRect area = screen->geometry();
        formSet_->move(area.x() + area.width() * 2 / 3, area.y() + area.height() / 3);
    }
    formSet_->ShowForEnrichment(selection.top(), selection.left(), selection.bottom(), selection.right());
    // Runs afterwards whatever it did before: the page is the one in front.
    Timer1->start();
    DrawGrid1->update();
}

}  // namespace zov
