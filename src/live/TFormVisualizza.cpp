#include "TFormVisualizza.h"

#include <QCloseEvent>
#include <QFrame>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <cmath>
#include <ctime>
#include <numbers>

#include "DiagnosisModeGuard.h"
#include "DictionaryMessages.h"
#include "Localizer.h"
#include "QtText.h"
#include "TFormDiagnosi.h"
#include "TModuloLingua.h"
#include "TimerPause.h"
#include "WindowScale.h"

namespace zov {
namespace {

constexpr int kRecordCapacity = 20;
constexpr int kNeedleLength = 55;
constexpr int kNeedleWidth = 5;
constexpr int kCentreDot = 5;
constexpr int kFirstFunctioningVersion = 10;
// Longer than the first design's 5 and 10: "giri/min" and "Accumulation" were cut in the middle.
constexpr int kRpmUnitLength = 10;
constexpr int kCumuloLength = 15;
const QColor kDialColour = Qt::cyan;

QString Text(const std::string& text) { return QString::fromStdString(text); }

// Only a changed text or colour reaches the screen: the window refreshes several times a second
// and must not flicker.
void SetText(QLabel* label, const QString& text) {
    if (label->text() != text) label->setText(text);
}

void SetTextColour(QWidget* widget, const QColor& colour) {
    QPalette palette = widget->palette();
    if (palette.color(QPalette::WindowText) == colour) return;
    palette.setColor(QPalette::WindowText, colour);
    widget->setPalette(palette);
}

void Fill(QFrame* shape, const QColor& colour) {
    QPalette palette = shape->palette();
    if (shape->autoFillBackground() && palette.color(QPalette::Window) == colour) return;
    palette.setColor(QPalette::Window, colour);
    shape->setPalette(palette);
    shape->setAutoFillBackground(true);
}

QColor NeutralSegment() { return QGuiApplication::palette().color(QPalette::Button); }
QColor NeutralCheck() { return QGuiApplication::palette().color(QPalette::ToolTipBase); }

}  // namespace

TFormVisualizza::TFormVisualizza(AppContext& ctx, TModuloLingua& dictionary, QWidget* parent)
    : QDialog(parent), ctx_(ctx), dictionary_(dictionary) {
    setObjectName(QStringLiteral("FormVisualizza"));
    setWindowTitle(QStringLiteral("Visualizzazione Parametri Centralina"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setModal(true);
    scale_ = PrimaryScreenScale();
    // The texts are scaled with the places they sit in.
    setFont(ScaledFont(font(), scale_));
    if (const QScreen* screen = QGuiApplication::primaryScreen()) screenWidth_ = screen->geometry().width();

    BuildControls();
    PlaceControls();
    localized_ = Localize();
    SetUpScales();
    ShowValues();
    ShowRecording();

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(kRefreshMs);
    connect(Timer1, &QTimer::timeout, this, &TFormVisualizza::Timer1Timer);
    Timer1->start();
}

TFormVisualizza::~TFormVisualizza() { StopRecording(); }

bool TFormVisualizza::Localize() {
    Localizer localizer(dictionary_);
    localizer.Caption(ButtonEsci, 10).Caption(ButtonAtt, 25);
    for (QGroupBox* group : {GroupSensori, GroupCorr, GroupRid, GroupAltro, GroupTps})
        localizer.Caption(group, 20);
    localizer.Caption(LabCorrOutMin, 20)
        .Caption(LabCorrMin, 20)
        .Caption(LabCutoff, 10)
        .Caption(LabelLambda, 8)
        .Caption(LabelMap, 5)
        .Caption(LabGiriMot, 15)
        .Caption(LabLivIndic, 20)
        .Caption(LabPressRid, 25)
        .Caption(LabTempRid, 25)
        .Caption(LabVerPress, 25)
        .Caption(LabBassa, 8)
        .Caption(LabOK, 8)
        .Caption(LabAlta, 8)
        .Caption(LabelComm, 15)
        .Caption(LabelFunz, 15)
        .Caption(LabelCumulo, kCumuloLength)
        .Caption(GroupLog, 20)
        .Caption(ButtonRegistra, 15)
        .Caption(ButtonMarcatore, 15)
        .Caption(ButtonLog, 20)
        .WindowTitle(this, QStringLiteral("FinestraVerifica"), 70)
        .Text(QStringLiteral("LabCommG"), 10, gasText_)
        .Text(QStringLiteral("LabCommB"), 10, petrolText_)
        .Text(QStringLiteral("MessNonDisp"), 20, notAvailable_)
        .Text(QStringLiteral("MessNoConn"), 70, messNoConn_)
        .Text(QStringLiteral("MessNoDiagn"), 70, messNoDiagn_)
        .Text(QStringLiteral("MessInVerAtt1"), 70, messInVerAtt1_)
        .Text(QStringLiteral("MessInVerAtt2"), 70, messInVerAtt2_)
        .Text(QStringLiteral("MessMotoreInMoto"), 100, messMotoreInMoto_)
        .Text(QStringLiteral("MessDiagnosiSospesa1"), 70, messDiagnosiSospesa1_)
        .Text(QStringLiteral("MessDiagnosiSospesa2"), 70, messDiagnosiSospesa2_)
        .Text(QStringLiteral("MessRegNonLive"), 70, messNotLiveLog_)
        .Text(QStringLiteral("LabelRiproduzione"), 40, replayTitle_)
        .Text(QStringLiteral("MessRegistrazione"), 70, messRecording_)
        .Apply(QStringLiteral("LabelBar"), 5, [this](const QString& t) { barUnit_ = QLatin1Char(' ') + t; })
        .Apply(QStringLiteral("LabelC"), 3, [this](const QString& t) { celsiusUnit_ = QLatin1Char(' ') + t; })
        .Apply(QStringLiteral("LabelRpm"), kRpmUnitLength,
               [this](const QString& t) { rpmUnit_ = QLatin1Char(' ') + t; });
    return localizer.RunOrReport(ctx_.prompter, dictionary_messages::kLiveData, AppContext::kTitle);
}

void TFormVisualizza::SetUpScales() {
    lambdaScale_ = LambdaScaleOf(ctx_.car.GetValue(76));
    Label12->setText(QString::fromLatin1(lambdaScale_.topText));
    Label15->setText(QString::fromLatin1(lambdaScale_.bottomText));

    fullScaleRpm_ = FullScaleRpm(ctx_.map.GetRpm(19));
    LabMaxGiri->setText(QString::number(fullScaleRpm_));

    LabelMinMap->setText(QStringLiteral("-0.9") + barUnit_);
    mapBarTop_ = MapBarTop(ctx_.map.GetMap(15));
    LabelMaxMap->setText(Text(MapBarTopText(mapBarTop_)) + barUnit_);
    ShapeZeroMap->move(ZeroMarkLeft(mapBarTop_, ProgressBarMap->width(), ProgressBarMap->x()),
                       ShapeZeroMap->y());

    filteredPressure_ = 0;
    pressureWindow_ = PressureWindowOf(ctx_.car.TIPO_DI_CARBURANTE);

    const bool functioning = ctx_.car.VERSIONE_CENTRALINA >= kFirstFunctioningVersion;
    LabelFunz->setVisible(functioning);
    LabFunz->setVisible(functioning);
}

// ---------------------------------------------------------------------------------------------
// Refresh

void TFormVisualizza::Timer1Timer() {
    if (replay_) {
        StepReplay();
        return;
    }
    // Another exchange (or one of its waits) is running: this tick would interleave with it.
    if (ctx_.link.IsBusy()) return;
    ReadLiveRecord();
    ShowValues();
}

void TFormVisualizza::ReadLiveRecord() {
    if (!ctx_.link.IsConnected()) return;
    int32_t record[kRecordCapacity] = {};
    // A failed read (the link has dealt with it) leaves the last values on view.
    if (!ctx_.link.ReadRecord(kRecordLive, record, kRecordCapacity)) return;
    Take(LiveValuesOf(LiveRecordFromValues(record), ctx_.car.TIPO_SENSORE_MAP));
    if (recording_.Active() && !recording_.Add(values_, ctx_.clock.NowUs())) {
        // The file keeps every row written so far; the installer learns why it stopped.
        ShowRecording();
        ShowError(recording_.Error());
    }
}

void TFormVisualizza::Take(const LiveValues& values) { values_ = values; }

void TFormVisualizza::ShowValues() {
    std::array<int32_t, 20> axis{};
    for (int c = 0; c < 20; ++c) axis[size_t(c)] = ctx_.map.GetRpm(c);
    lambdaColumn_ = MapColumnOf(values_.rpm, axis);
    ShowSpeed();
    ShowTps();
    ShowManifold();
    ShowLambda();
    ShowStates();
    ShowReducer();
    if (recording_.Active()) ShowRecording();
}

void TFormVisualizza::ShowSpeed() {
    SetText(LabGiri, QString::number(values_.rpm) + rpmUnit_);
    if (values_.rpm == shownRpm_) return;
    shownRpm_ = values_.rpm;
    ++needleDraws_;
    update(NeedleBounds());
}

void TFormVisualizza::ShowTps() {
    SetTextColour(LabTps, values_.status & kLiveTpsIdle ? Qt::red : Qt::black);
    SetText(LabTps, Text(Significant(values_.tps / 100.0, 4)) + QStringLiteral(" v"));
    const int level = TpsLevel(values_.tps);
    const std::optional<SegmentRepaint> repaint = TpsRepaint(tpsLevel_, level);
    tpsLevel_ = level;
    if (!repaint) return;
    ++segmentPaints_;
    for (int s = repaint->first; s < repaint->last; ++s) {
        const QColor lit = TpsSegmentIsRed(s) ? QColor(Qt::red) : QColor(Qt::yellow);
        Fill(Shape[size_t(s)], repaint->lit ? lit : NeutralSegment());
    }
}

void TFormVisualizza::ShowManifold() {
    if (values_.mapPressure != 0)
        SetText(LabMap, Text(Significant((values_.mapPressure - 100) / 100.0, 4)) + barUnit_);
    else
        SetText(LabMap, QString());
    const int position = MapBarPosition(values_.mapPressure, mapBarTop_);
    if (ProgressBarMap->value() != position) ProgressBarMap->setValue(position);
}

void TFormVisualizza::ShowLambda() {
    const int width = LambdaBarWidth(values_.lambda, lambdaScale_);
    if (ShapeLambda->width() != width) ShapeLambda->resize(width, ShapeLambda->height());
    Fill(ShapeLambda, values_.lambda < ctx_.car.GetLambdaRef(lambdaColumn_) ? Qt::green : Qt::red);
    SetText(LabLambda, Text(Significant(values_.lambda / 100.0, 4)) + QStringLiteral(" v"));
}

void TFormVisualizza::ShowStates() {
    SetText(LabIntInMin, QString::number(values_.integrator1));
    SetText(LabIntOutMin, QString::number(values_.integrator2));
    const bool cutoff = (values_.status & kLiveCutoff) != 0;
    if (LabCutoff->isVisibleTo(this) != cutoff) LabCutoff->setVisible(cutoff);
    SetText(LabComm, values_.status & kLiveSwitchGas ? gasText_ : petrolText_);
    if (ctx_.car.VERSIONE_CENTRALINA >= kFirstFunctioningVersion)
        SetText(LabFunz, values_.status & kLiveOnGas ? gasText_ : petrolText_);
    SetText(LabLivello, QString::number(values_.level));
    SetText(LabCum, QString::number(values_.cumulo));
}

void TFormVisualizza::ShowReducer() {
    if (values_.reducerTempC)
        SetText(LabTemp, Text(Significant(*values_.reducerTempC, 4)) + celsiusUnit_);
    else
        SetText(LabTemp, notAvailable_);
    if (values_.reducerPressure != 0) {
        SetText(LabPressione, Text(Significant(values_.reducerPressure / 100.0, 4)) + barUnit_);
        filteredPressure_ = FilterPressureStep(filteredPressure_, values_.reducerPressure);
    } else {
        SetText(LabPressione, notAvailable_);
    }
    pressureCheck_ = CheckPressure(values_.reducerTempC, filteredPressure_, pressureWindow_);
    Fill(ShapeBassa, pressureCheck_ == PressureCheck::Low ? QColor(Qt::blue) : NeutralCheck());
    Fill(ShapeOK, pressureCheck_ == PressureCheck::Ok ? QColor(Qt::green) : NeutralCheck());
    Fill(ShapeAlta, pressureCheck_ == PressureCheck::High ? QColor(Qt::red) : NeutralCheck());
}

// ---------------------------------------------------------------------------------------------
// The speed dial

int TFormVisualizza::DialRadius() const { return int(screenWidth_ * 0.00125 * 80); }

QPoint TFormVisualizza::DialCentre() const {
    const int offset = int(screenWidth_ * 0.00125 * 110);
    return {offset + BevelGiri->x(), offset + BevelGiri->y()};
}

QRect TFormVisualizza::NeedleBounds() const {
    const int reach = std::max(DialRadius(), kNeedleLength) + kNeedleWidth;
    const QPoint c = DialCentre();
    return {c.x() - reach, c.y() - reach, 2 * reach + 1, 2 * reach + 1};
}

void TFormVisualizza::paintEvent(QPaintEvent* event) {
    QDialog::paintEvent(event);
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPoint c = DialCentre();
    const int r = DialRadius();
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::black);
    painter.drawEllipse(c, r, r);
    painter.setBrush(kDialColour);
    painter.drawEllipse(c, r - 4, r - 4);
    // Ticks every 45 degrees from the lower left over the top to the lower right.
    painter.setPen(QPen(Qt::white, 2));
    for (int degrees = 225; degrees >= -45; degrees -= 45) {
        const double a = degrees * std::numbers::pi / 180.0;
        const QPointF direction(std::cos(a), -std::sin(a));
        painter.drawLine(QPointF(c) + direction * (r - 16), QPointF(c) + direction * (r - 5));
    }
    const double a = NeedleDegrees(std::max(shownRpm_, 0), fullScaleRpm_) * std::numbers::pi / 180.0;
    painter.setPen(QPen(Qt::white, kNeedleWidth, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(c), QPointF(c) + QPointF(std::cos(a), -std::sin(a)) * kNeedleLength);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::white);
    painter.drawEllipse(c, kCentreDot, kCentreDot);
}

// ---------------------------------------------------------------------------------------------
// Actuator test

void TFormVisualizza::ButtonAttClick() {
    if (!ctx_.link.IsConnected()) {
        ShowError(messNoConn_);
        return;
    }
    TimerPause pause(*Timer1);
    // A fresh record: switching valves on a turning engine is unsafe, so the last tick's
    // speed is not good enough.
    ReadLiveRecord();
    ShowValues();
    if (values_.rpm > 0) {
        ShowError(messMotoreInMoto_);
        return;
    }
    if (ctx_.prompter.Ask(messInVerAtt1_ + " " + messInVerAtt2_, ToCp1252(Caption()), PromptIcon::Information,
                          PromptButtons::YesNo) != PromptAnswer::Yes)
        return;
    // However the test ends — its button, its close box, a lost session, the program ending —
    // the ECU is taken out of diagnosis mode here; what cannot reach it now is done at the next
    // connection.
    DiagnosisModeGuard mode(ctx_.link);
    if (!mode.Enter()) {
        ShowError(messNoDiagn_);
        return;
    }
    OpenActuatorTest();
    if (!mode.Leave()) ShowError(messDiagnosiSospesa1_ + "\n" + messDiagnosiSospesa2_);
}

void TFormVisualizza::OpenActuatorTest() {
    TFormDiagnosi test(ctx_, dictionary_, this);
    test.exec();
}

void TFormVisualizza::ShowError(const std::string& text) {
    TimerPause pause(*Timer1);
    ctx_.prompter.Ask(text, ToCp1252(Caption()), PromptIcon::Error, PromptButtons::Ok);
}

// ---------------------------------------------------------------------------------------------
// Closing

void TFormVisualizza::closeEvent(QCloseEvent* event) {
    Timer1->stop();
    QDialog::closeEvent(event);
}

void TFormVisualizza::done(int result) {
    Timer1->stop();
    StopRecording();
    QDialog::done(result);
}

}  // namespace zov
