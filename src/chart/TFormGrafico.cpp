#include "TFormGrafico.h"

#include <QAction>
#include <QCategoryAxis>
#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLegend>
#include <QLegendMarker>
#include <QLineSeries>
#include <QLocale>
#include <QMenu>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QShowEvent>
#include <QVBoxLayout>
#include <QValueAxis>
#include <algorithm>
#include <cmath>
#include <utility>

#include "ChartRules.h"
#include "DictionaryMessages.h"
#include "Localizer.h"
#include "QtText.h"
#include "TModuloLingua.h"
#include "WindowScale.h"

namespace zov {
namespace {

QString Utf(const char* text) { return QString::fromUtf8(text); }

// One colour per pressure row, far enough apart to tell neighbouring curves.
const std::array<QColor, TFormGrafico::kRows> kRowColours = {
    QColor(0xE6, 0x19, 0x4B), QColor(0x3C, 0xB4, 0x4B), QColor(0x43, 0x63, 0xD8), QColor(0xF5, 0x82, 0x31),
    QColor(0x91, 0x1E, 0xB4), QColor(0x42, 0xD4, 0xF4), QColor(0xF0, 0x32, 0xE6), QColor(0x9A, 0x63, 0x24),
    QColor(0x46, 0x99, 0x90), QColor(0x80, 0x00, 0x00), QColor(0x00, 0x00, 0x75), QColor(0x80, 0x80, 0x00),
    QColor(0xBF, 0xA2, 0x00), QColor(0x00, 0x80, 0x40), QColor(0x70, 0x70, 0x70), QColor(0x00, 0x00, 0x00)};

const QColor kMarkedColour(0xFF, 0x00, 0x00);
const QColor kCappedColour(0xFF, 0x8C, 0x00);
const QColor kLockedColour(0x80, 0x80, 0x80);
constexpr qreal kMarkerSize = 5;
constexpr qreal kMarkedSize = 9;
// Room left and right of the first and last breakpoint.
constexpr double kLinearMargin = 150;
constexpr double kLogMargin = 0.02;

// A wrapped text never leaves "%" alone at the start of a line: it stays with its number.
QString PercentWithNumber(QString text) {
    return text.replace(QRegularExpression(QStringLiteral(" %(?!\\d)")), QStringLiteral("\u00A0%"));
}

QFont Scaled(QFont font, double factor) {
    if (factor != 1.0) font.setPointSizeF(font.pointSizeF() * factor);
    return font;
}

}  // namespace

// --- construction --------------------------------------------------------------------------------

TFormGrafico::TFormGrafico(AppContext& ctx, TModuloLingua& dictionary, QWidget* parent)
    : QDialog(parent),
      ctx_(ctx),
      dictionary_(dictionary),
      // The map editor opens the chart only on a map it has just fitted.
      session_(ctx.link, ctx.map, ctx.car, true) {
    setObjectName(QStringLiteral("FormGrafico"));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint |
                   Qt::WindowCloseButtonHint);
    setModal(true);
    setWindowTitle(Utf("Grafico mappa"));
    texts_.riga = Utf("Riga");
    texts_.colonna = Utf("Giri");
    texts_.map = Utf("map");
    texts_.valore = Utf("Valore");
    texts_.finestraCancRiga = Utf("Nascondi curva");
    texts_.messCancRiga = Utf("Riga da nascondere");
    texts_.finestraInsRiga = Utf("Mostra curva");
    texts_.messInsRiga = Utf("Riga da mostrare");
    texts_.scaricaMappa = "Scaricare la mappa in centralina?";
    texts_.mappaNonScaricata =
        "La mappa non \xE8 arrivata in centralina: riprovare o annullare l'interpolazione.";
    texts_.mappaNonRipristinata = "La mappa ripristinata non \xE8 arrivata in centralina.";
    texts_.mappaMista = "Mappa mista in centralina: inviare una mappa completa. Righe nuove:";
    texts_.riepilogo = Utf("%1 celle cambiate, la pi\u00F9 grande %2 % alla riga %3, colonna %4");
    texts_.riepilogoDaZero = Utf("%1 celle cambiate, la pi\u00F9 grande da 0 a %2 alla riga %3, colonna %4");
    texts_.nessunaModifica = Utf("Nessuna cella cambiata");
    texts_.celleCambiano = Utf("%1 celle cambiano in centralina. Scaricare la mappa?");
    texts_.celleLimitate = Utf("%1 celle fermate dal limite di variazione (in arancione)");
    texts_.celleBloccate = Utf("%1 celle bloccate (in grigio)");

    const double scale = PrimaryScreenScale();
    if (scale != 1.0) {
        QFont f = font();
        f.setPointSizeF(f.pointSizeF() * scale);
        setFont(f);
    }
    BuildControls();
    ConnectHandlers();
    localized_ = Localize();
    LabelCelleSegnate->setText(PercentWithNumber(LabelCelleSegnate->text()));
    texts_.riepilogo = PercentWithNumber(texts_.riepilogo);
    CaptionButtons();
    if (!localized_ && dictionary_.FirstReportOf(dictionary_messages::kMapChart))
        ctx_.prompter.Ask(dictionary_messages::kMapChart, AppContext::kTitle, PromptIcon::Error,
                          PromptButtons::Ok);
    // Maximised; where no window manager does it, the window still covers the screen.
    if (const QScreen* screen = QGuiApplication::primaryScreen()) setGeometry(screen->availableGeometry());
    setWindowState(windowState() | Qt::WindowMaximized);
}

TFormGrafico::~TFormGrafico() = default;

void TFormGrafico::BuildControls() {
    BuildChart();
    BuildMenu();
    BuildButtons();

    CheckMappaPrima = new QCheckBox(Utf("Mappa prima dell'interpolazione"), this);
    CheckMappaPrima->setObjectName(QStringLiteral("CheckMappaPrima"));
    CheckMappaPrima->setChecked(session_.HasBefore());
    CheckMappaPrima->setEnabled(session_.HasBefore());
    LabelRiepilogo = new QLabel(this);
    LabelRiepilogo->setObjectName(QStringLiteral("LabelRiepilogo"));
    LabelCelleSegnate = new QLabel(Utf("In rosso le celle cambiate di oltre il 25 %"), this);
    LabelCelleSegnate->setObjectName(QStringLiteral("LabelCelleSegnate"));
    LabelCelleSegnate->setStyleSheet(QStringLiteral("color: #FF0000"));
    // The window takes every key itself (arrows move the pointer, Shift picks a point).
    for (QWidget* w :
         {static_cast<QWidget*>(ChartView1), static_cast<QWidget*>(CheckMappaPrima),
          static_cast<QWidget*>(ButtonAnnullaInterpola), static_cast<QWidget*>(ButtonScaricaMappa)})
        w->setFocusPolicy(Qt::NoFocus);
    setFocusPolicy(Qt::StrongFocus);

    // Texts under the chart never widen the window beyond the screen: they wrap instead.
    LabelRiepilogo->setWordWrap(true);
    LabelCelleSegnate->setWordWrap(true);
    auto* bottom = new QHBoxLayout();
    bottom->addWidget(CheckMappaPrima);
    bottom->addSpacing(12);
    bottom->addWidget(LabelRiepilogo, 3);
    bottom->addSpacing(12);
    bottom->addWidget(LabelCelleSegnate, 2);
    auto* commands = new QHBoxLayout();
    commands->addStretch(1);
    commands->addWidget(ButtonAnnullaInterpola);
    commands->addWidget(ButtonScaricaMappa);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(ChartView1, 1);
    layout->addLayout(bottom);
    layout->addLayout(commands);
}

void TFormGrafico::BuildButtons() {
    const auto make = [this](const char* name) {
        auto* button = new QPushButton(this);
        button->setObjectName(QString::fromLatin1(name));
        button->setAutoDefault(false);
        button->setVisible(session_.FittedMode());
        return button;
    };
    ButtonAnnullaInterpola = make("ButtonAnnullaInterpola");
    ButtonScaricaMappa = make("ButtonScaricaMappa");
}

void TFormGrafico::CaptionButtons() {
    const auto caption = [](const QAction* action) {
        QString text = action->text();
        text.remove(QLatin1Char('&'));
        return text + QStringLiteral(" (") + action->shortcut().toString(QKeySequence::NativeText) +
               QStringLiteral(")");
    };
    ButtonAnnullaInterpola->setText(caption(MenuAnnullaInterpola));
    ButtonScaricaMappa->setText(caption(MenuScaricaMappa));
}

void TFormGrafico::ShowUndoState() {
    MenuAnnullaInterpola->setEnabled(session_.UndoFitAvailable());
    ButtonAnnullaInterpola->setEnabled(session_.UndoFitAvailable());
}

void TFormGrafico::BuildChart() {
    Chart1 = new QChart();
    Chart1->setObjectName(QStringLiteral("Chart1"));
    Chart1->setTitle(Utf("Mappa"));
    Chart1->legend()->setAlignment(Qt::AlignRight);
    // The chart draws with fonts of its own: they follow the window's scale like every other text.
    const double scale = PrimaryScreenScale();
    Chart1->setTitleFont(Scaled(Chart1->titleFont(), scale));
    Chart1->legend()->setFont(Scaled(Chart1->legend()->font(), scale * 0.85));
    Chart1->setMargins(QMargins(4, 4, 4, 4));
    AxisGiri = new QCategoryAxis();
    AxisGiri->setObjectName(QStringLiteral("AxisGiri"));
    AxisGiri->setTitleText(Utf("Giri motore"));
    AxisGiri->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
    AxisValore = new QValueAxis();
    AxisValore->setObjectName(QStringLiteral("AxisValore"));
    AxisValore->setTitleText(Utf("Attuatore"));
    AxisValore->setLabelFormat(QStringLiteral("%d"));
    AxisValore->setTickType(QValueAxis::TicksDynamic);
    AxisValore->setTickAnchor(0);
    for (QValueAxis* axis : {static_cast<QValueAxis*>(AxisGiri), AxisValore}) {
        axis->setLabelsFont(Scaled(axis->labelsFont(), scale));
        axis->setTitleFont(Scaled(axis->titleFont(), scale));
    }
    Chart1->addAxis(AxisGiri, Qt::AlignBottom);
    Chart1->addAxis(AxisValore, Qt::AlignLeft);

    // The dashed curves first, so the fitted ones are drawn over them.
    for (int i = 0; i < kRows; ++i) {
        auto* before = new QLineSeries();
        before->setObjectName(QStringLiteral("BeforeSeries%1").arg(i + 1));
        QColor faded = kRowColours[size_t(i)];
        faded.setAlpha(150);
        before->setPen(QPen(faded, 1, Qt::DashLine));
        Chart1->addSeries(before);
        before->attachAxis(AxisGiri);
        before->attachAxis(AxisValore);
        for (QLegendMarker* marker : Chart1->legend()->markers(before)) marker->setVisible(false);
        BeforeSeries[size_t(i)] = before;
    }
    for (int i = 0; i < kRows; ++i) {
        auto* series = new QLineSeries();
        series->setObjectName(QStringLiteral("Series%1").arg(i + 1));
        series->setPen(QPen(kRowColours[size_t(i)], 1));
        series->setPointsVisible(true);
        series->setMarkerSize(kMarkerSize);
        series->setPointLabelsFormat(QStringLiteral("@yPoint"));
        series->setPointLabelsClipping(false);
        series->setPointLabelsFont(Scaled(series->pointLabelsFont(), scale));
        Chart1->addSeries(series);
        series->attachAxis(AxisGiri);
        series->attachAxis(AxisValore);
        Series[size_t(i)] = series;
    }
    ChartView1 = new QChartView(Chart1, this);
    ChartView1->setObjectName(QStringLiteral("ChartView1"));
    ChartView1->setRenderHint(QPainter::Antialiasing);
    ChartView1->setRubberBand(QChartView::RectangleRubberBand);
    ChartView1->setContextMenuPolicy(Qt::CustomContextMenu);
    ChartView1->setMouseTracking(true);
    ChartView1->viewport()->setMouseTracking(true);
    ChartView1->viewport()->installEventFilter(this);
    LabelValoreTrascinato = new QLabel(ChartView1->viewport());
    LabelValoreTrascinato->setObjectName(QStringLiteral("LabelValoreTrascinato"));
    LabelValoreTrascinato->setStyleSheet(
        QStringLiteral("background: rgba(255, 255, 255, 230); border: 1px solid #808080; padding: 1px 3px; "
                       "font-weight: bold"));
    LabelValoreTrascinato->hide();
}

void TFormGrafico::BuildMenu() {
    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    const auto add = [this](const char* name, const char* caption, QKeySequence key) {
        QAction* action = PopupMenu1->addAction(Utf(caption));
        action->setObjectName(QString::fromLatin1(name));
        action->setShortcut(key);
        // The window handles the keys itself; the menu only shows them.
        action->setShortcutContext(Qt::WidgetShortcut);
        return action;
    };
    MenuInsert = add("MenuInsert", "&Inserisci righe", QKeySequence(Qt::Key_Insert));
    MenuDelete = add("MenuDelete", "&Elimina righe", QKeySequence(Qt::Key_Delete));
    MenuScalaLog = add("MenuScalaLog", "Scala dei giri &logaritmica", QKeySequence());
    MenuScalaLog->setCheckable(true);
    MenuScalaLog->setChecked(true);
    MenuStampa = add("MenuStampa", "&Stampa", QKeySequence(Qt::CTRL | Qt::Key_P));
    // The chart has nothing to print: a command that stays greyed for good is not shown.
    MenuStampa->setEnabled(false);
    MenuStampa->setVisible(false);
    MenuAnnullaZoom = add("MenuAnnullaZoom", "Annulla &zoom", QKeySequence(Qt::CTRL | Qt::Key_Z));
    N3 = PopupMenu1->addSeparator();
    N3->setObjectName(QStringLiteral("N3"));
    MenuAnnullaInterpola =
        add("MenuAnnullaInterpola", "Annulla &interpolazione", QKeySequence(Qt::Key_Backspace));
    MenuScaricaMappa = add("MenuScaricaMappa", "Scarica &mappa in centralina", QKeySequence(Qt::Key_F12));
    for (QAction* a : {N3, MenuAnnullaInterpola, MenuScaricaMappa}) a->setVisible(session_.FittedMode());
}

bool TFormGrafico::Localize() {
    Localizer l(dictionary_);
    for (QAction* a : {MenuInsert, MenuDelete, MenuScalaLog, MenuStampa, MenuAnnullaZoom,
                       MenuAnnullaInterpola, MenuScaricaMappa})
        l.Caption(a, 30);
    l.Apply(QStringLiteral("LabelGraficoMappa"), 70, [this](const QString& t) { Chart1->setTitle(t); });
    l.Apply(QStringLiteral("LabelAsseAttuatore"), 70,
            [this](const QString& t) { AxisValore->setTitleText(t); });
    l.Apply(QStringLiteral("LabelAsseGiri"), 70, [this](const QString& t) { AxisGiri->setTitleText(t); });
    l.WindowTitle(this, QStringLiteral("FinestraGraficoMappa"), 70);
    l.Text(QStringLiteral("LabelRigaGrafico"), 6, texts_.riga);
    l.Text(QStringLiteral("LabelColonnaGrafico"), 8, texts_.colonna);
    l.Apply(QStringLiteral("LabelMap"), 6, [this](const QString& t) { texts_.map = t.toLower(); });
    l.Text(QStringLiteral("LabelAsseValore"), 8, texts_.valore);
    l.Text(QStringLiteral("FinestraCancRiga"), 20, texts_.finestraCancRiga);
    l.Text(QStringLiteral("MessCancRiga"), 30, texts_.messCancRiga);
    l.Text(QStringLiteral("FinestraInsRiga"), 20, texts_.finestraInsRiga);
    l.Text(QStringLiteral("MessInsRiga"), 30, texts_.messInsRiga);
    l.Text(QStringLiteral("MessScaricaMappa"), 70, texts_.scaricaMappa);
    l.Text(QStringLiteral("MessMappaNonScaricata"), 70, texts_.mappaNonScaricata);
    l.Text(QStringLiteral("MessMappaNonRipristinata"), 70, texts_.mappaNonRipristinata);
    l.Text(QStringLiteral("MessMappaMista"), 70, texts_.mappaMista);
    l.Caption(CheckMappaPrima, 40);
    l.Caption(LabelCelleSegnate, 50);
    l.Text(QStringLiteral("MessRiepilogoMappa"), 80, texts_.riepilogo);
    l.Text(QStringLiteral("MessRiepilogoDaZero"), 80, texts_.riepilogoDaZero);
    l.Text(QStringLiteral("MessNessunaCellaCambiata"), 50, texts_.nessunaModifica);
    l.Text(QStringLiteral("MessCelleCambiano"), 80, texts_.celleCambiano);
    l.Text(QStringLiteral("MessCelleLimitateGrafico"), 80, texts_.celleLimitate);
    l.Text(QStringLiteral("MessCelleBloccateGrafico"), 80, texts_.celleBloccate);
    return !l.Run().has_value();
}

void TFormGrafico::ConnectHandlers() {
    connect(MenuInsert, &QAction::triggered, this, &TFormGrafico::MenuInsertClick);
    connect(MenuDelete, &QAction::triggered, this, &TFormGrafico::MenuDeleteClick);
    connect(MenuScalaLog, &QAction::triggered, this, &TFormGrafico::MenuScalaLogClick);
    connect(MenuAnnullaZoom, &QAction::triggered, this, &TFormGrafico::MenuAnnullaZoomClick);
    connect(MenuAnnullaInterpola, &QAction::triggered, this, &TFormGrafico::MenuAnnullaInterpolaClick);
    connect(MenuScaricaMappa, &QAction::triggered, this, &TFormGrafico::MenuScaricaMappaClick);
    connect(CheckMappaPrima, &QCheckBox::clicked, this, &TFormGrafico::CheckMappaPrimaClick);
    connect(ButtonAnnullaInterpola, &QPushButton::clicked, this, &TFormGrafico::MenuAnnullaInterpolaClick);
    connect(ButtonScaricaMappa, &QPushButton::clicked, this, &TFormGrafico::MenuScaricaMappaClick);
    connect(ChartView1, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { PopupMenu1->exec(ChartView1->viewport()->mapToGlobal(at)); });
    // The chart zooms into a dragged rectangle on its own; the window only notices.
    for (QValueAxis* axis : {static_cast<QValueAxis*>(AxisGiri), AxisValore})
        connect(axis, &QValueAxis::rangeChanged, this, [this] {
            if (settingRanges_) return;
            zoomed_ = true;
            UpdateAxisLabels();
        });
}

// --- filling -------------------------------------------------------------------------------------

void TFormGrafico::FillChart() {
    const ConfMap& map = ctx_.map;
    const QLocale locale;
    for (int i = 0; i < kRows; ++i) {
        QList<QPointF> points;
        for (int j = 0; j < kCols; ++j) points.append(QPointF(AxisX(map.GetRpm(j)), map.GetCell(i, j)));
        QLineSeries* series = Series[size_t(i)];
        series->replace(points);
        series->setName(texts_.riga + QStringLiteral(" ") + QString::number(i + 1) + QStringLiteral(" - ") +
                        texts_.map + QStringLiteral(" ") + locale.toString(map.GetMap(i) * 0.01));
        QList<QPointF> before;
        if (session_.HasBefore())
            for (int j = 0; j < kCols; ++j)
                before.append(QPointF(AxisX(map.GetRpm(j)), session_.Before()[size_t(i)][size_t(j)]));
        BeforeSeries[size_t(i)]->replace(before);
        SetSeriesVisible(i, ChartRules::RowVisible(visibleRows_, i));
    }
    ShowUndoState();
    ShowChanges();
}

void TFormGrafico::SetSeriesVisible(int row, bool visible) {
    Series[size_t(row)]->setVisible(visible);
    BeforeSeries[size_t(row)]->setVisible(visible && CheckMappaPrima->isChecked());
    // A hidden curve's legend entry would still take clicks and room.
    for (QLegendMarker* marker : Chart1->legend()->markers(Series[size_t(row)])) marker->setVisible(visible);
    for (QLegendMarker* marker : Chart1->legend()->markers(BeforeSeries[size_t(row)]))
        marker->setVisible(false);
}

void TFormGrafico::ShowBeforeSeries() {
    for (int i = 0; i < kRows; ++i) SetSeriesVisible(i, Series[size_t(i)]->isVisible());
}

void TFormGrafico::ShowChanges() {
    const MapChangeSummary changes = session_.Changes();
    for (int i = 0; i < kRows; ++i) {
        QLineSeries* series = Series[size_t(i)];
        for (int j = 0; j < kCols; ++j) {
            // A locked cell never moves, a capped one moved as far as the cap let it.
            const bool locked = ctx_.map.cellLocks.Locked(i, j);
            const bool flagged = locked || changes.Capped(i, j) || changes.Marked(i, j);
            const QColor colour = locked                 ? kLockedColour
                                  : changes.Capped(i, j) ? kCappedColour
                                                         : kMarkedColour;
            if (flagged)
                series->setPointConfiguration(j, {{QXYSeries::PointConfiguration::Color, colour},
                                                  {QXYSeries::PointConfiguration::Size, kMarkedSize}});
            else if (!series->pointConfiguration(j).isEmpty())
                series->clearPointConfiguration(j);
        }
    }
    if (!session_.HasBefore()) {
        LabelRiepilogo->clear();
        return;
    }
    const MapChangeSummary::Change& largest = changes.Largest();
    QString summary;
    if (changes.Changed() == 0) {
        summary = texts_.nessunaModifica;
    } else if (largest.FromZero()) {
        summary = texts_.riepilogoDaZero.arg(changes.Changed())
                      .arg(largest.after)
                      .arg(largest.row + 1)
                      .arg(largest.col + 1);
    } else {
        const QString percent = (largest.percent > 0 ? QStringLiteral("+") : QString()) +
                                QLocale().toString(largest.percent, 'f', 1);
        summary =
            texts_.riepilogo.arg(changes.Changed()).arg(percent).arg(largest.row + 1).arg(largest.col + 1);
    }
    if (changes.CappedCount() > 0)
        summary += QStringLiteral("\n") + texts_.celleLimitate.arg(changes.CappedCount());
    if (const int locked = ctx_.map.cellLocks.Count(); locked > 0)
        summary += QStringLiteral("\n") + texts_.celleBloccate.arg(locked);
    LabelRiepilogo->setText(summary);
}

// --- axes ----------------------------------------------------------------------------------------

double TFormGrafico::AxisX(int32_t rpm) const {
    if (!MenuScalaLog->isChecked()) return rpm;
    return std::log10(std::max(rpm, int32_t(1)));
}

double TFormGrafico::RpmOf(double axisX) const {
    return MenuScalaLog->isChecked() ? std::pow(10.0, axisX) : axisX;
}

void TFormGrafico::ApplyFullRanges() {
    const ConfMap& map = ctx_.map;
    const double first = AxisX(map.GetRpm(0));
    const double last = AxisX(map.GetRpm(kCols - 1));
    const double margin = MenuScalaLog->isChecked() ? kLogMargin : kLinearMargin;
    zoomed_ = false;
    settingRanges_ = true;
    AxisGiri->setRange(std::min(first, last) - margin, std::max(first, last) + margin);
    AxisValore->setRange(kValueAxisFrom, kValueAxisTo);
    settingRanges_ = false;
    UpdateAxisLabels();
}

void TFormGrafico::UpdateAxisLabels() {
    const int32_t increment = MenuScalaLog->isChecked() && !zoomed_ ? ChartRules::kLogRpmIncrement : 0;
    rpmLabels_ = ChartRules::RpmLabels(RpmOf(AxisGiri->min()), RpmOf(AxisGiri->max()), increment);
    const bool wasSetting = std::exchange(settingRanges_, true);
    for (const QString& label : AxisGiri->categoriesLabels()) AxisGiri->remove(label);
    AxisGiri->setStartValue(AxisGiri->min());
    for (const int32_t rpm : rpmLabels_) AxisGiri->append(QString::number(rpm), AxisX(rpm));
    AxisValore->setTickInterval(zoomed_ ? ChartRules::AutomaticStep(AxisValore->min(), AxisValore->max())
                                        : 100);
    settingRanges_ = wasSetting;
}

void TFormGrafico::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous()) FormShow();
}

void TFormGrafico::FormShow() {
    dragging_ = false;
    dragMoved_ = false;
    LabelValoreTrascinato->hide();
    stepper_.KeyReleased();
    keySeries_ = -1;
    ApplyFullRanges();
    FillChart();
    setFocus(Qt::OtherFocusReason);
}

}  // namespace zov
