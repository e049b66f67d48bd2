#include "TFormMappa.h"

#include <QApplication>
#include <QFont>
#include <QFontMetrics>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QPen>
#include <QPushButton>
#include <QRadioButton>
#include <QResizeEvent>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <vector>

#include "AppContext.h"
#include "DictionaryMessages.h"
#include "Localizer.h"
#include "MapGrid.h"
#include "QtText.h"
#include "TFormOpzioniMappatura.h"
#include "TFormSet.h"
#include "TModuloLingua.h"
#include "WindowScale.h"

namespace zov {

namespace {

constexpr int kDesignWidth = 780;
constexpr int kDesignHeight = 560;
constexpr double kGridShare = 0.98;
constexpr int kMargin = 6;
// Texts do not shrink in exact proportion (whole pixels, fixed spacing): a few steps reach the room.
constexpr int kFitSteps = 4;
// The largest refusals of the current zone that the window lists.
constexpr int kShownRefusals = 4;
// The cursor is a ring, so the value of the cell under it stays readable.
constexpr int kCursorPen = 3;

const QColor kGridColour(0, 255, 255);  // aqua
const QColor kSelectedCell(0, 0, 128);  // navy
const QColor kAcquiredZone(Qt::yellow);
const QColor kOpenZone(Qt::white);
const QColor kLambdaGreen(0, 128, 0);
const QColor kLambdaRed(255, 0, 0);
// Locked cells: hatched over their colour, with a frame.
const QColor kLockedInk(64, 64, 64, 140);  // the value stays readable through the hatching
constexpr int kLockedFrame = 2;

// Message texts: identifier, cut length, built-in text.
struct MessageText {
    const char* identifier;
    int cut;
    const char* builtIn;
};
constexpr MessageText kMessages[] = {
    {"MessModMappa1", 70, "Le modifiche saranno scritte subito nella centralina."},
    {"MessModMappa2", 70, "Modificare le celle selezionate?"},
    {"MessParamOut", 70, "Le condizioni per la mappatura non sono state raggiunte."},
    {"MessNoMappatura", 70, "La mappatura automatica non \xE8 stata avviata."},
    {"MessNoOttimizza", 70, "Impossibile calcolare la mappa con i punti raccolti."},
    {"MessRiprovaOttimizza", 70, "Ripetere la mappatura raccogliendo pi\xF9 punti."},
    {"MessContinuaOttimizza", 70, "Continuare la mappatura per raccogliere altri punti."},
    {"MessRisorseGrafiche", 70, "Impossibile aprire il grafico della mappa."},
    {"MessScaricaMappa", 70, "Scaricare comunque la nuova mappa nella centralina?"},
    {"MessDatiCompleti", 70, "Tutte le zone sono state acquisite."},
    {"MessDatiIncompleti", 70, "Non tutte le zone sono state acquisite."},
    {"MessCreaMappa", 70, "Creare comunque la mappa con i punti raccolti?"},
    {"MessCreaMappaOk", 70, "Creare la nuova mappa con i punti raccolti?"},
    {"MessMappaturaSospesa1", 70, "La centralina non risponde ed \xE8 ancora in modalit\xE0 mappatura."},
    {"MessMappaturaSospesa2", 70, "Sar\xE0 riportata al funzionamento normale alla prossima connessione."},
    {"MessMappaturaRifiutata", 70, "La centralina ha rifiutato la modalit\xE0 mappatura:"},
    {"MessMappaNonScaricata", 70, "La mappa non \xE8 arrivata in centralina: riprovare o annullare."},
    {"MessCelleLimitate", 70, "Celle limitate alla variazione massima dalla mappa iniziale:"},
    {"MessTogliLimite", 70, "Togliere il limite solo per questo scarico?"},
    {"MessOpzioniNonSalvate", 70, "Le opzioni di mappatura non sono state salvate:"},
};

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
    // Wide enough for the longest value, so the rows do not move as the values change.
    value->setMinimumWidth(QFontMetrics(bold).horizontalAdvance(sample) + 6);
    return value;
}

QGroupBox* MakeGroup(QWidget* parent, const char* name, const QString& caption) {
    auto* group = new QGroupBox(caption, parent);
    group->setObjectName(QString::fromLatin1(name));
    return group;
}

QPushButton* MakeButton(QWidget* parent, const char* name, const QString& caption) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setAutoDefault(false);
    return button;
}

void SetTextColour(QLabel* label, const QColor& colour) {
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colour);
    label->setPalette(palette);
}

void SetBackground(QLabel* label, const QColor& colour) {
    QPalette palette = label->palette();
    palette.setColor(QPalette::Window, colour);
    label->setPalette(palette);
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Construction

TFormMappa::TFormMappa(AppContext& ctx, TModuloLingua& dictionary, QWidget* parent)
    : TFormMappa(ctx, dictionary, false, parent) {}

TFormMappa::TFormMappa(AppContext& ctx, TModuloLingua& dictionary, bool mode, QWidget* parent)
    : QDialog(parent),
      ctx_(ctx),
      dictionary_(dictionary),
      autoMapping(mode),
      session_(ctx.model, MappingJournal::PathIn(ctx.global.MainPath())),
      working_(EcuWorkLock::Kind::Shared, ctx.global.MainPath()) {
    setObjectName(QStringLiteral("TFormMappa"));
    setModal(true);
    for (const MessageText& m : kMessages) messages_[m.identifier] = m.builtIn;
    options_ = TFormOpzioniMappatura::Load(ctx_.global.MainPath());
    live_ = std::make_unique<MapEditorLive>(ctx_.link, ctx_.map, ctx_.car, ctx_.clock, autoMapping, options_);
    Initialise();
    if (autoMapping) ShowMappingControls();
}

TFormMappa::~TFormMappa() {
    // Reached without the exit (an exception on the way out of exec): the ECU still leaves mapping
    // mode; a message box is no longer possible, the next session clears a pending leave.
    if (autoMapping && !closed_) {
        closed_ = true;
        ctx_.map.ClearMappingPoints();
        session_.EnsureLeft();
    }
}

void TFormMappa::Initialise() {
    setWindowTitle(QStringLiteral("Mappa"));
    const double scale = PrimaryScreenScale();
    resize(int(kDesignWidth * scale), int(kDesignHeight * scale));
    // The texts are scaled with the window, or a small screen's layout cuts them.
    setFont(ScaledFont(font(), scale));
    cursorColour_ = Qt::red;
    BuildControls();

    formSet_ = new TFormSet(ctx_.map, ctx_.param, this);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(kTimerInterval);
    connect(Timer1, &QTimer::timeout, this, &TFormMappa::Timer1Timer);
    live_->ComputeBounds();
    liveEnabled = true;
    Timer1->start();
    Localize();
    FitPanel();

    // The window sees the keys before its controls.
    installEventFilter(this);
    for (QWidget* w : findChildren<QWidget*>()) w->installEventFilter(this);
}

void TFormMappa::BuildControls() {
    DrawGrid1 = new MapGrid(*this, this);
    DrawGrid1->setObjectName(QStringLiteral("DrawGrid1"));
    connect(DrawGrid1, &MapGrid::editRequested, this, &TFormMappa::EditSelection);
    BuildGridMenu();

    livePanel_ = new QWidget(this);
    GroupSensori = MakeGroup(livePanel_, "GroupSensori", QStringLiteral("Stato sensori"));
    LabelGiri = MakeLabel(GroupSensori, "LabelGiri", QStringLiteral("Giri"));
    LabGiri = MakeValue(GroupSensori, "LabGiri", QStringLiteral("88888 rpm"));
    LabelMap = MakeLabel(GroupSensori, "LabelMap", QStringLiteral("Map"));
    LabMap = MakeValue(GroupSensori, "LabMap", QStringLiteral("8.888 v"));
    LabelLambda = MakeLabel(GroupSensori, "LabelLambda", QStringLiteral("Lambda"));
    LabLambda = MakeValue(GroupSensori, "LabLambda", QStringLiteral("8.888 v"));
    LabLambda->setAlignment(Qt::AlignCenter);
    LabLambda->setAutoFillBackground(true);
    LabLambda->setFixedWidth(LabLambda->minimumWidth() + 8);
    LabelTps = MakeLabel(GroupSensori, "LabelTps", QStringLiteral("TPS"));
    LabTps = MakeValue(GroupSensori, "LabTps", QStringLiteral("8.888 v"));
    auto* sensors = new QGridLayout(GroupSensori);
    sensors->setVerticalSpacing(2);
    const std::pair<QLabel*, QLabel*> sensorRows[] = {
        {LabelGiri, LabGiri}, {LabelMap, LabMap}, {LabelLambda, LabLambda}, {LabelTps, LabTps}};
    for (int i = 0; i < 4; ++i) {
        sensors->addWidget(sensorRows[i].first, i, 0);
        sensors->addWidget(sensorRows[i].second, i, 1, Qt::AlignLeft);
    }

    GroupRid = MakeGroup(livePanel_, "GroupRid", QStringLiteral("Riduttore"));
    LabTempRid = MakeLabel(GroupRid, "LabTempRid", QStringLiteral("Temperatura"));
    LabelT = MakeValue(GroupRid, "LabelT", QStringLiteral("188.8 \u00B0C"));
    LabelT->setText(messND_);
    LabPressRid = MakeLabel(GroupRid, "LabPressRid", QStringLiteral("Pressione"));
    LabelP = MakeValue(GroupRid, "LabelP", QStringLiteral("8.888 bar"));
    LabelP->setText(QStringLiteral("0 bar"));
    LabelPMax = MakeValue(GroupRid, "LabelPMax", QStringLiteral("8.888  max"));
    LabelPMin = MakeValue(GroupRid, "LabelPMin", QStringLiteral("8.888  min"));
    auto* reducer = new QGridLayout(GroupRid);
    reducer->setVerticalSpacing(2);
    reducer->addWidget(LabTempRid, 0, 0);
    reducer->addWidget(LabelT, 0, 1);
    reducer->addWidget(LabPressRid, 1, 0);
    reducer->addWidget(LabelP, 1, 1);
    reducer->addWidget(LabelPMax, 2, 1);
    reducer->addWidget(LabelPMin, 3, 1);

    GroupValori = MakeGroup(livePanel_, "GroupValori", QStringLiteral("Valori calcolati"));
    LabelTarget = MakeLabel(GroupValori, "LabelTarget", QStringLiteral("Target"));
    LabTarget = MakeValue(GroupValori, "LabTarget", QStringLiteral("88888"));
    LabCorrMin = MakeLabel(GroupValori, "LabCorrMin", QStringLiteral("Correttore 1"));
    LabintMin = MakeValue(GroupValori, "LabintMin", QStringLiteral("-888"));
    LabCorrOutMin = MakeLabel(GroupValori, "LabCorrOutMin", QStringLiteral("Correttore 2"));
    LabintFuoriMin = MakeValue(GroupValori, "LabintFuoriMin", QStringLiteral("-888"));
    LabelCumulo = MakeLabel(GroupValori, "LabelCumulo", QStringLiteral("Cumulo"));
    LabCum = MakeValue(GroupValori, "LabCum", QStringLiteral("888"));
    auto* computed = new QGridLayout(GroupValori);
    computed->setVerticalSpacing(2);
    const std::pair<QLabel*, QLabel*> computedRows[] = {{LabelTarget, LabTarget},
                                                        {LabCorrMin, LabintMin},
                                                        {LabCorrOutMin, LabintFuoriMin},
                                                        {LabelCumulo, LabCum}};
    for (int i = 0; i < 4; ++i) {
        computed->addWidget(computedRows[i].first, i, 0);
        computed->addWidget(computedRows[i].second, i, 1);
    }

    GroupMotori = MakeGroup(livePanel_, "GroupMotori", QStringLiteral("Stato motori"));
    LabelApertura = MakeLabel(GroupMotori, "LabelApertura", QStringLiteral("Apertura"));
    LabApr = MakeValue(GroupMotori, "LabApr", QStringLiteral("88888"));
    LabelArricchimento = MakeLabel(GroupMotori, "LabelArricchimento", QStringLiteral("Arricchimento"));
    LabArr = MakeValue(GroupMotori, "LabArr", QStringLiteral("88888"));
    LabCutoff = MakeValue(GroupMotori, "LabCutoff", QStringLiteral("CUTOFF"));
    LabCutoff->setText(QStringLiteral("CUTOFF"));
    auto* actuators = new QGridLayout(GroupMotori);
    actuators->setVerticalSpacing(2);
    actuators->addWidget(LabelApertura, 0, 0);
    actuators->addWidget(LabApr, 0, 1);
    actuators->addWidget(LabelArricchimento, 1, 0);
    actuators->addWidget(LabArr, 1, 1);
    actuators->addWidget(LabCutoff, 2, 0, 1, 2);

    GroupAutoMap = MakeGroup(livePanel_, "GroupAutoMap", QStringLiteral("Mappatura automatica"));
    LabelStatoMappatura =
        MakeValue(GroupAutoMap, "LabelStatoMappatura", QStringLiteral("MAPPATURA INATTIVA"));
    LabelScostamento = MakeLabel(GroupAutoMap, "LabelScostamento", QStringLiteral("Scostamento dalla mappa"));
    LabelValoreCella = MakeValue(GroupAutoMap, "LabelValoreCella", QStringLiteral("-888"));
    LabelValoreCella->setText(QStringLiteral("n.d."));
    LabelPalleggio = MakeValue(GroupAutoMap, "LabelPalleggio", QStringLiteral("8.888 v"));
    LabelPalleggio->setText(QStringLiteral("LAMBDA"));
    LabelPalleggio->setAlignment(Qt::AlignCenter);
    LabelPalleggio->setAutoFillBackground(true);
    LabelContPalleggio = MakeValue(GroupAutoMap, "LabelContPalleggio", QStringLiteral("88"));
    auto* mapping = new QGridLayout(GroupAutoMap);
    mapping->setVerticalSpacing(2);
    mapping->addWidget(LabelStatoMappatura, 0, 0, 1, 2);
    mapping->addWidget(LabelScostamento, 1, 0);
    mapping->addWidget(LabelValoreCella, 1, 1);
    mapping->addWidget(LabelPalleggio, 2, 0);
    mapping->addWidget(LabelContPalleggio, 2, 1);
    // Beside the mapping group, and like it shown in mapping mode only.
    LabelRifiuti = MakeLabel(livePanel_, "LabelRifiuti");
    // The list of refusals keeps its width as they come and go.
    LabelRifiuti->setMinimumWidth(
        QFontMetrics(LabelRifiuti->font()).horizontalAdvance(QStringLiteral("correttore al limite: 8888")));
    GroupAutoMap->hide();
    LabelRifiuti->hide();

    ButtonEsci = MakeButton(livePanel_, "ButtonEsci", QStringLiteral("&Esci"));
    ButtonEsci2 = MakeButton(livePanel_, "ButtonEsci2", QStringLiteral("&Esci"));
    ButtonControllaMappa = MakeButton(livePanel_, "ButtonControllaMappa", QStringLiteral("&Controlla mappa"));
    ButtonOpzioni = MakeButton(livePanel_, "ButtonOpzioni", QStringLiteral("&Opzioni mappatura"));
    ButtonOpzioni->hide();
    connect(ButtonOpzioni, &QPushButton::clicked, this, &TFormMappa::ButtonOpzioniClick);
    ButtonEsci2->hide();
    ButtonControllaMappa->hide();
    ButtonControllaMappa->setEnabled(false);
    connect(ButtonEsci, &QPushButton::clicked, this, &TFormMappa::ButtonEsciClick);
    connect(ButtonEsci2, &QPushButton::clicked, this, &TFormMappa::ButtonEsciClick);
    connect(ButtonControllaMappa, &QPushButton::clicked, this, &TFormMappa::ButtonControllaMappaClick);

    auto* buttons = new QVBoxLayout();
    buttons->addStretch();
    buttons->addWidget(ButtonOpzioni);
    buttons->addWidget(ButtonControllaMappa);
    buttons->addWidget(ButtonEsci);
    buttons->addWidget(ButtonEsci2);

    auto* row = new QHBoxLayout(livePanel_);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(8);
    row->addWidget(GroupSensori);
    row->addWidget(GroupRid);
    row->addWidget(GroupValori);
    row->addWidget(GroupMotori);
    row->addWidget(GroupAutoMap);
    row->addWidget(LabelRifiuti);
    row->addStretch();
    row->addLayout(buttons);

    SetBackground(LabLambda, kLambdaRed);
    SetBackground(LabelPalleggio, kLambdaRed);
    SetTextColour(LabCutoff, palette().color(QPalette::Button));
    SetMappingState(messMappaturaOff_, kMappingOff);
    ShowLiveValues();
}

void TFormMappa::BuildGridMenu() {
    PopupGriglia = new QMenu(this);
    PopupGriglia->setObjectName(QStringLiteral("PopupGriglia"));
    MenuBloccaCelle = PopupGriglia->addAction(QStringLiteral("&Blocca/sblocca celle"));
    MenuBloccaCelle->setObjectName(QStringLiteral("MenuBloccaCelle"));
    MenuBloccaCelle->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_B));
    // The window handles the key itself; the menu only shows it.
    MenuBloccaCelle->setShortcutContext(Qt::WidgetShortcut);
    connect(MenuBloccaCelle, &QAction::triggered, this, &TFormMappa::ToggleLocks);
    if (autoMapping) return;
    DrawGrid1->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(DrawGrid1, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { PopupGriglia->exec(DrawGrid1->mapToGlobal(at)); });
}

void TFormMappa::ShowMappingControls() {
    GroupValori->hide();
    GroupMotori->hide();
    LabelPMax->hide();
    LabelPMin->hide();
    ButtonEsci->hide();
    ButtonControllaMappa->show();
    ButtonOpzioni->show();
    ButtonEsci2->show();
    GroupAutoMap->show();
    LabelRifiuti->show();
    DrawGrid1->SetEditing(false);
    // The mapping panel is wider than the edit mode's.
    FitPanel();
}

void TFormMappa::FitPanel() {
    // The window grows to show the panel whole, up to the screen; where the screen is narrower
    // (a long language on a small logical screen) the panel's texts are made smaller, never cut.
    const QScreen* screen = QGuiApplication::primaryScreen();
    const int room = (screen ? screen->availableGeometry().width() : width()) - 2 * kMargin;
    for (int i = 0; i < kFitSteps && livePanel_->sizeHint().width() > room; ++i)
        ShrinkPanel(FitFactor(livePanel_->sizeHint().width(), room));
    livePanel_->adjustSize();
    resize(std::max(width(), std::min(livePanel_->sizeHint().width(), room) + 2 * kMargin), height());
    SizeGrid();
}

void TFormMappa::ShrinkPanel(double factor) {
    // Each control from its own font (the values are bold) and with the room it keeps for its
    // longest value, all read before any is changed: a group passes its font on to its controls.
    struct Look {
        QWidget* widget;
        QFont font;
        int minimumWidth;
        bool fixedWidth;
    };
    std::vector<Look> looks;
    for (QWidget* w : livePanel_->findChildren<QWidget*>())
        looks.push_back({w, w->font(), w->minimumWidth(), w->minimumWidth() == w->maximumWidth()});
    for (const Look& look : looks) {
        look.widget->setFont(ScaledFont(look.font, factor));
        const int width = int(look.minimumWidth * factor);
        if (look.fixedWidth)
            look.widget->setFixedWidth(width);
        else
            look.widget->setMinimumWidth(width);
    }
}

void TFormMappa::Localize() {
    Localizer localizer(dictionary_);
    localizer.WindowTitle(this, QString::fromLatin1(autoMapping ? "FinestraMappatura" : "FinestraMappa"), 70)
        .Caption(GroupSensori, 20)
        .Caption(LabelGiri, 8)
        .Caption(LabelMap, 8)
        .Caption(LabelLambda, 8)
        .Caption(LabelTps, 8)
        .Caption(GroupRid, 20)
        .Caption(LabTempRid, 12)
        .Caption(LabPressRid, 12)
        .Caption(GroupValori, 30)
        .Caption(LabelTarget, 8)
        .Caption(LabCorrMin, 16)
        .Caption(LabCorrOutMin, 16)
        .Caption(LabelCumulo, 15)
        .Caption(GroupMotori, 20)
        .Caption(LabelApertura, 15)
        .Caption(LabelArricchimento, 15)
        .Caption(LabCutoff, 10)
        .Caption(GroupAutoMap, 40)
        .Caption(LabelScostamento, 30)
        .Caption(ButtonEsci, 20)
        .Caption(ButtonEsci2, 20)
        .Caption(ButtonControllaMappa, 30)
        .Caption(ButtonOpzioni, 30)
        .Caption(MenuBloccaCelle, 30)
        .Text(QStringLiteral("MessMappaturaOn"), 30, messMappaturaOn_)
        .Text(QStringLiteral("MessMappaturaOff"), 30, messMappaturaOff_)
        .Text(QStringLiteral("FinestraScaricaCpu"), 50, finestraScaricaCpu_)
        .Text(QStringLiteral("MessStartMapping"), 70, messStartMapping_)
        .Text(QStringLiteral("MessCompletato"), 15, messCompletato_)
        .Text(QStringLiteral("MessND"), 8, messND_)
        .Text(QStringLiteral("LabelOrigine2"), 8, labelOrigine2_)
        .Text(QStringLiteral("LabelBar"), 5, labelBar_)
        .Text(QStringLiteral("LabelRpm"), 30, labelRpm_)
        .Text(QStringLiteral("LabelC"), 3, labelC_)
        .WindowTitle(formSet_, QStringLiteral("FinestraModificaMappa"), 20)
        .Caption(formSet_->Button1, QStringLiteral("ButtonModifica"), 20)
        .Caption(formSet_->RadioButtonLinear, QStringLiteral("LabelLineare"), 10)
        .Caption(formSet_->RadioButtonProp, QStringLiteral("LabelProporz"), 15);
    for (const MessageText& m : kMessages)
        localizer.Text(QString::fromLatin1(m.identifier), m.cut, messages_[m.identifier]);
    for (int r = 0; r < kMappingRefusalCount; ++r) {
        refusalTexts_[r] = QString::fromLatin1(MappingRefusalBuiltIn(MappingRefusal(r)));
        localizer.Text(QString::fromLatin1(MappingRefusalLabel(MappingRefusal(r))), 30, refusalTexts_[r]);
    }
    localizer.Text(QStringLiteral("LabelCampioni"), 20, labelCampioni_)
        .Text(QStringLiteral("MessNessunRifiuto"), 40, labelNessunRifiuto_)
        .Text(QStringLiteral("MessAttesaMotore"), 40, waitTexts_[1])
        .Text(QStringLiteral("MessAttesaRiduttore"), 40, waitTexts_[2])
        .Text(QStringLiteral("MessAttesaCentralina"), 40, waitTexts_[3])
        .Text(QStringLiteral("MessAttesaPressione"), 40, waitTexts_[4])
        .Text(QStringLiteral("MessTempoRimasto"), 20, messTempoRimasto_);
    if (localizer.RunOrReport(ctx_.prompter, dictionary_messages::kMapEditor, AppContext::kTitle)) {
        SetMappingState(messMappaturaOff_, kMappingOff);
        ShowLiveValues();
    }
}

// ---------------------------------------------------------------------------------------------
// Layout

void TFormMappa::SizeGrid() {
    if (!DrawGrid1 || !livePanel_) return;
    const QSize panel = livePanel_->sizeHint();
    const int clientWidth = int(kGridShare * width());
    const int clientHeight = std::max(height() - panel.height() - 3 * kMargin, MapGrid::kRows * 2);
    DrawGrid1->SetCellSize(clientWidth / MapGrid::kColumns - 1, clientHeight / MapGrid::kRows - 1);
    DrawGrid1->move((width() - DrawGrid1->width()) / 2, kMargin);
    const int panelWidth = std::min(std::max(panel.width(), DrawGrid1->width()), width());
    livePanel_->setGeometry((width() - panelWidth) / 2, DrawGrid1->geometry().bottom() + 1 + kMargin,
                            panelWidth, panel.height());
    live_->PlaceCursor(DrawGrid1->Geometry());
    DrawGrid1->update();
}

void TFormMappa::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    SizeGrid();
}

// ---------------------------------------------------------------------------------------------
// Live tick

bool TFormMappa::TimerActive() const { return Timer1->isActive(); }

void TFormMappa::RestartTimer() {
    if (liveEnabled && !closed_) Timer1->start();
}

void TFormMappa::Timer1Timer() {
    // Another exchange (or one of its waits) is running, or this tick's own start sequence or
    // announcement paints the windows: a tick now would interleave with it.
    if (ctx_.link.IsBusy() || closed_ || inTick_) return;
    inTick_ = true;
    struct TickEnd {
        bool& flag;
        ~TickEnd() { flag = false; }
    } tickEnd{inTick_};
    if (autoMapping && !ctx_.link.IsConnected()) {
        // The session is gone (the link has said so): a way out like any other.
        Timer1->stop();
        FormClose();
        QDialog::done(QDialog::Rejected);
        return;
    }
    const MapEditorLive::Tick tick = live_->Step(DrawGrid1->Geometry());
    ShowTick(tick);
}

void TFormMappa::ShowTick(const MapEditorLive::Tick& tick) {
    const MapLiveValues& v = live_->Values();
    if (tick.beep) QApplication::beep();
    if (tick.pointAdded) {
        Announce(kAcquisitionSound);
        DrawGrid1->update();
    }
    if (tick.mapComplete) Announce(kCompleteSound);

    cursorColour_ = (v.statusFlags & MapEditorLive::kCursorGreenBit) ? Qt::green : Qt::red;
    if (tick.cursorMoved) {
        InvalidateCursor(tick.oldBox);
        InvalidateCursor(live_->Cursor().Box());
    }
    ShowLiveValues();
    ShowPeaks(tick.peaks);

    if (autoMapping && !ctx_.car.MAPPATURA_ATTIVA && tick.read) ShowWaiting();
    if (tick.wait == MappingWait::Outcome::Start) {
        if (!StartMapping()) return;
        ButtonControllaMappa->setEnabled(true);
    } else if (tick.wait == MappingWait::Outcome::TimeOut) {
        TimeOut();
    }
}

void TFormMappa::InvalidateCursor(const PixelBox& box) {
    // One pixel more than the box: the disc's smoothed edge.
    DrawGrid1->update(QRect(QPoint(box.left - 1, box.top - 1), QPoint(box.right + 1, box.bottom + 1)));
}

QString TFormMappa::FormatHundredths(int32_t value) { return QString::number(value * 0.01, 'g', 4); }

void TFormMappa::ShowLiveValues() {
    const MapLiveValues& v = live_->Values();
    LabGiri->setText(QString::number(v.rpm) + QStringLiteral(" ") + labelRpm_);
    LabTps->setText(FormatHundredths(v.tpsValue) + QStringLiteral(" v"));
    SetTextColour(LabTps, (v.statusFlags & MapEditorLive::kTpsRedBit) ? Qt::red : Qt::black);
    LabMap->setText(FormatHundredths(v.mapValue) + QStringLiteral(" v"));
    LabLambda->setText(FormatHundredths(v.lambdaValue) + QStringLiteral(" v"));
    LabelValoreCella->setText(QString::number(v.cellDeviation));
    const QColor lambda = live_->LambdaGreen() ? kLambdaGreen : kLambdaRed;
    SetBackground(LabLambda, lambda);
    SetBackground(LabelPalleggio, lambda);
    ShowAcquisition();
    LabTarget->setText(QString::number(v.target));
    LabintMin->setText(QString::number(v.corrector1));
    LabintFuoriMin->setText(QString::number(v.corrector2));
    LabCum->setText(QString::number(v.cumulus));
    LabApr->setText(QString::number(v.opening));
    LabArr->setText(QString::number(v.enrichment));
    SetTextColour(LabCutoff,
                  (v.statusFlags & MapEditorLive::kCutoffBit) ? Qt::red : palette().color(QPalette::Button));
    if (v.reducerTempRaw != 0)
        LabelT->setText(QString::number(ConfCar::RawToCelsius(v.reducerTempRaw), 'g', 4) +
                        QStringLiteral(" ") + labelC_);
    else
        LabelT->setText(messND_);
    LabelP->setText(FormatHundredths(live_->Pressure().Filtered()) + QStringLiteral(" ") + labelBar_);
}

void TFormMappa::ShowPeaks(const PressurePeaks::Refreshed& peaks) {
    if (peaks.max) LabelPMax->setText(FormatHundredths(live_->Pressure().Max()) + QStringLiteral("  max"));
    if (peaks.min) LabelPMin->setText(FormatHundredths(live_->Pressure().Min()) + QStringLiteral("  min"));
}

void TFormMappa::ShowAcquisition() {
    const FilteredAcquisition& acquisition = live_->Acquisition();
    LabelContPalleggio->setText(QString::number(acquisition.Accepted()) + QStringLiteral("/") +
                                QString::number(acquisition.Options().minSamples));
    QString text = labelCampioni_ + QStringLiteral(": ") + QString::number(acquisition.Accepted()) +
                   QStringLiteral("/") + QString::number(acquisition.Options().minSamples);
    const auto reasons = acquisition.ZoneReasons();
    if (reasons.empty() && acquisition.Zone() >= 0) text += QStringLiteral("\n") + labelNessunRifiuto_;
    for (const auto& [reason, count] : reasons)
        text += QStringLiteral("\n") + refusalTexts_[size_t(reason)] + QStringLiteral(": ") +
                QString::number(count);
    LabelRifiuti->setText(text);
}

void TFormMappa::ShowWaiting() {
    const MapLiveValues& v = live_->Values();
    const MappingWait& wait = live_->Wait();
    const MappingWait::Blocker why =
        wait.Why(v.rpm, v.reducerTempRaw, v.statusFlags, live_->Pressure().Filtered());
    QString text = messMappaturaOff_;
    if (why != MappingWait::Blocker::None) text += QStringLiteral("\n") + waitTexts_[size_t(why)];
    text += QStringLiteral("\n") + messTempoRimasto_ + QStringLiteral(" ") +
            QString::number(wait.SecondsLeft(kTimerInterval)) + QStringLiteral(" s");
    SetMappingState(text, kMappingOff);
}

void TFormMappa::SetMappingState(const QString& text, const QColor& colour) {
    LabelStatoMappatura->setText(text);
    SetTextColour(LabelStatoMappatura, colour);
}

// ---------------------------------------------------------------------------------------------
// Grid drawing

QString TFormMappa::CellText(int column, int row) const {
    const ConfMap& map = ctx_.map;
    if (column == 0 && row == 0) return labelOrigine2_;
    if (row == 0) return QString::number(map.GetRpm(column - 1) / 10 * 10);
    if (column == 0) return FormatHundredths(map.GetMap(row - 1));
    return QString::number(map.GetCell(row - 1, column - 1));
}

void TFormMappa::DrawGrid1DrawCell(QPainter& painter, int column, int row, const QRect& rect, bool selected) {
    const ConfMap& map = ctx_.map;
    const QString text = CellText(column, row);
    painter.save();
    if (column == 0 || row == 0) {
        painter.fillRect(rect, palette().color(QPalette::Button));
        painter.setPen(palette().color(QPalette::ButtonText));
    } else {
        QFont bold = painter.font();
        bold.setBold(true);
        painter.setFont(bold);
        QColor background = kGridColour;
        QColor ink = Qt::black;
        const int mapRow = row - 1;
        const int mapColumn = column - 1;
        if (selected && !autoMapping) {
            background = kSelectedCell;
            ink = Qt::white;
        } else if (autoMapping && map.mappingPhase != 0) {
            bool acquired = false;
            int zone = -1;
            if (map.FindZone(mapRow, mapColumn, acquired, zone))
                background = acquired ? kAcquiredZone : kOpenZone;
        } else if (!autoMapping && map.IsCellModified(mapRow, mapColumn)) {
            background = palette().color(QPalette::ToolTipBase);
        }
        painter.fillRect(rect, background);
        if (map.cellLocks.Locked(mapRow, mapColumn)) {
            painter.fillRect(rect, QBrush(kLockedInk, Qt::BDiagPattern));
            painter.setPen(QPen(kLockedInk, kLockedFrame));
            painter.drawRect(rect.adjusted(1, 1, -1, -1));
        }
        painter.setPen(ink);
    }
    // A text wider than its cell (the corner's, in some languages) is written smaller, not cut.
    const int room = rect.width() - 2;
    const int needed = painter.fontMetrics().horizontalAdvance(text);
    if (needed > room && room > 0) {
        QFont smaller = painter.font();
        if (smaller.pointSizeF() > 0)
            smaller.setPointSizeF(std::max(5.0, smaller.pointSizeF() * room / needed));
        else
            smaller.setPixelSize(std::max(7, smaller.pixelSize() * room / needed));
        painter.setFont(smaller);
    }
    painter.drawText(rect, Qt::AlignCenter, text);
    painter.restore();
}

void TFormMappa::DrawCursor(QPainter& painter) const {
    const MapCursor& cursor = live_->Cursor();
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(cursorColour_, kCursorPen));
    painter.setBrush(Qt::NoBrush);
    const int radius = MapCursor::kRadius - kCursorPen / 2;
    painter.drawEllipse(QPoint(cursor.X(), cursor.Y()), radius, radius);
    painter.restore();
}

// ---------------------------------------------------------------------------------------------
// Keys and editing

bool TFormMappa::eventFilter(QObject* watched, QEvent* event) {
    auto* widget = qobject_cast<QWidget*>(watched);
    if (event->type() == QEvent::KeyPress && widget && widget->window() == this) {
        if (FormKeyDown(*static_cast<QKeyEvent*>(event))) return true;
    }
    return QDialog::eventFilter(watched, event);
}

bool TFormMappa::FormKeyDown(const QKeyEvent& event) {
    switch (event.key()) {
        case Qt::Key_F1:
            Freeze();
            return true;
        case Qt::Key_F2:
            Resume();
            return true;
        case Qt::Key_Space:
            if (!autoMapping) return false;
            AcquireManually();
            return true;
        case Qt::Key_B:
            if (autoMapping || !(event.modifiers() & Qt::ControlModifier)) return false;
            ToggleLocks();
            return true;
        default:
            return false;
    }
}

void TFormMappa::Freeze() {
    liveEnabled = false;
    Timer1->stop();
}

void TFormMappa::Resume() {
    liveEnabled = true;
    RestartTimer();
}

void TFormMappa::AcquireManually() {
    live_->AddCurrentPoint();
    DrawGrid1->update();
}

void TFormMappa::ToggleLocks() {
    if (autoMapping) return;
    // The grid's first row and column are the axes.
    const QRect cells = DrawGrid1->Selection().translated(-1, -1);
    ctx_.map.cellLocks.Toggle(cells.top(), cells.bottom(), cells.left(), cells.right());
    DrawGrid1->update();
}

}  // namespace zov
