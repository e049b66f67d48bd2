#include "TFormModifica.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFocusEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProxyStyle>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QStyleFactory>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <memory>

#include "DictionaryMessages.h"
#include "EnrichmentPage.h"
#include "Localizer.h"
#include "QtText.h"
#include "TFormAttesaFile.h"
#include "TModuloLingua.h"
#include "TUpDown.h"
#include "WindowScale.h"

namespace zov {
namespace {

constexpr int kReadLength = 8;  // characters of an edit that count as its number
constexpr int kEditChars = 9;   // width of a value edit, in digits
constexpr int kComboChars = 22;
constexpr int kPageMargin = 18;
constexpr int kStatusGap = 5;  // between "Adattatività" and its state text
// Rows of the self-adaptation grid.
constexpr int kMaxRow = 1;
constexpr int kDoneRow = 4;
constexpr int kErrorRow = 7;

// Register DEFAULT_REGISTRO_CONFIGURAZIONE.
constexpr int32_t kAdaptationBit = 0x01;
constexpr int32_t kColdChangeoverBit = 0x02;
constexpr int32_t kPetrolCutoffBit = 0x20;
constexpr int kPetrolCutoffVersion = 208;
constexpr int kNewLayoutVersion = 200;
constexpr int kColdChangeoverVersion = 9;  // up to this version the ECU has no such option

// TIPO_DI_TPS: bit 0 linear TPS inverted, bit 1 MonoBosch (kept), bits 2-3 switch TPS.
constexpr int32_t kMonoBoschBit = 0x02;

// Open-loop entries the "OpenLoop" box sets: upper part (bits 2-5) and lower part (bits 0-1).
constexpr int kOpenLoopEntries = 6;
constexpr int kOpenLoopUpperPart = 0;
constexpr int kOpenLoopLowerPart = 1;
constexpr int32_t kOpenLoopUpper = 13;
constexpr int32_t kOpenLoopLower = 3;
constexpr int kIdleGainColumns = 6;

constexpr int32_t kMeanErrorNotAvailable = 100;

// Rows of the limits table, which are also the fields the edits show.
enum Field : int {
    kCilindrata = 0,
    kIstTps,
    kRitMax,
    kRitMin,
    kTMin,
    kTSovrappos,
    kGiriMin,
    kFuoriGiri,
    kEmOnde,
    kEmBasso,
    kEmAlto,
    kEmTri,
    kIsteresi,
    kRif1,
    kRif2,
    kRif3,
    kRif4,
    kGiriACF,
    kGiriUCF,
    kRitCutoff,
    kFattiInst1,
    kFattiInst2,
    kFattiInst3,
    kFattiInst4,
    kMinCumulo,
    kGApMin,
    kGChMin,
    kMaxErrInteg,
    kMinErrInteg,
    kMaxErrIntegMin,
    kMinErrIntegMin,
    kEditem1,
};

// Fixed values of the emulation edits for the types other than "Onda Costruita":
// waves, low time (ms), high time (ms), tristate time (s).
struct EmulationPreset {
    int32_t waves, low, high;
    double tristate;
};
constexpr EmulationPreset kEmulationPresets[4] = {
    {1, 360, 0, 0}, {1, 0, 0, 1}, {0, 0, 0, 0}, {TFormModifica::kFourthEmulationWaves, 360, 360, 0}};
constexpr int kBuiltWave = 2;  // "Onda Costruita"

QString Utf(const char* text) { return QString::fromUtf8(text); }

// The C conversions the edits were read with, without their locale: decimal only.
bool ParseInt(QStringView text, int32_t& out) {
    if (text.isEmpty()) {
        out = 0;
        return true;
    }
    qsizetype i = 0;
    while (i < text.size() && (text[i] == u' ' || text[i] == u'\t')) ++i;
    std::string digits;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
        if (text[i] == u'-') digits += '-';
        ++i;
    }
    if (i == text.size()) return false;
    for (; i < text.size(); ++i) {
        if (text[i] < u'0' || text[i] > u'9') return false;
        digits += char(text[i].unicode());
    }
    long long value = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (error != std::errc() || end != digits.data() + digits.size()) return false;
    out = int32_t(value);
    return true;
}

bool ParseFloat(QStringView text, double& out) {
    if (text.isEmpty()) {
        out = 0;
        return true;
    }
    qsizetype i = 0;
    while (i < text.size() && (text[i] == u' ' || text[i] == u'\t')) ++i;
    std::string number;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
        if (text[i] == u'-') number += '-';
        ++i;
    }
    // Digits, one point, an exponent: what strtod takes as a decimal number (no hex, inf, nan).
    bool mantissaDigit = false;
    bool point = false;
    for (; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c >= u'0' && c <= u'9') {
            mantissaDigit = true;
        } else if (c == u'.' && !point) {
            point = true;
        } else {
            break;
        }
        number += char(c.unicode());
    }
    if (!mantissaDigit) return false;
    if (i < text.size() && (text[i] == u'e' || text[i] == u'E')) {
        number += 'e';
        ++i;
        if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) number += char(text[i++].unicode());
        bool exponentDigit = false;
        for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i) {
            exponentDigit = true;
            number += char(text[i].unicode());
        }
        if (!exponentDigit) return false;
    }
    if (i != text.size()) return false;
    double value = 0;
    const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), value);
    if (error != std::errc() || end != number.data() + number.size()) return false;
    out = value;
    return true;
}

// trunc(value x scale) for a value read from an edit: the binary form of a typed decimal (0.29,
// 0.57) lies a hair below it and would lose its last digit; a value with more digits than the
// unit still loses them.
int32_t TruncScaled(double value, double scale) {
    const double scaled = value * scale;
    return int32_t(std::trunc(scaled + (scaled >= 0 ? 1e-7 : -1e-7)));
}

QString Percent(int sixteenths) { return QString::number(sixteenths * 100 / 16) + QStringLiteral("%"); }

void SetLook(QLineEdit* edit, bool editable) {
    edit->setReadOnly(!editable);
    edit->setFocusPolicy(editable ? Qt::StrongFocus : Qt::ClickFocus);
    QPalette p = edit->palette();
    p.setColor(QPalette::Base, QApplication::palette().color(editable ? QPalette::Base : QPalette::Button));
    edit->setPalette(p);
}

// The program's own style with less room beside a tab's caption.
class NarrowTabStyle : public QProxyStyle {
  public:
    NarrowTabStyle() : QProxyStyle(QStyleFactory::create(QApplication::style()->name())) {}
    int pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const override {
        if (metric == PM_TabBarTabHSpace) return QProxyStyle::pixelMetric(metric, option, widget) / 2;
        return QProxyStyle::pixelMetric(metric, option, widget);
    }
};

// Stops a live timer for as long as a modal box or an exchange sequence runs.
class LivePause {
  public:
    explicit LivePause(EnrichmentPage* page) : page_(page), wasActive_(page && page->LiveTimerActive()) {
        if (wasActive_) page_->StopLiveTimer();
    }
    ~LivePause() {
        if (wasActive_) page_->StartLiveTimer();
    }
    LivePause(const LivePause&) = delete;
    LivePause& operator=(const LivePause&) = delete;

  private:
    EnrichmentPage* page_;
    bool wasActive_;
};

}  // namespace

// --- construction --------------------------------------------------------------------------------

TFormModifica::TFormModifica(AppContext& ctx, TModuloLingua& dictionary, QWidget* parent, bool outOfArchive)
    : QDialog(parent), ctx_(ctx), dictionary_(dictionary), outOfArchive_(outOfArchive) {
    setObjectName(QStringLiteral("FormModifica"));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint |
                   Qt::WindowCloseButtonHint);
    setWindowTitle(Utf(outOfArchive_ ? "Auto fuori archivio" : "Modifica parametri"));
    setModal(true);
    texts_.giriUCF = Utf("Giri termine CutOff totale");
    texts_.giriACF = Utf("Giri termine CutOff parziale");
    texts_.fourthEmulation = Utf("Emulazione Onda Quadra");
    texts_.fuoriRange = "Valore fuori dai limiti";
    texts_.erroreSens = "I riferimenti del sensore di livello devono essere in ordine";
    texts_.valoriCambiati = "Alcuni valori sono stati modificati.";
    texts_.scaricaValori = "Scaricarli in centralina?";
    texts_.memorizzaValori = "Memorizzarli?";
    texts_.nd = QStringLiteral("n.d.");
    texts_.attiva = Utf("Attiva");
    texts_.inattiva = Utf("Non attiva");
    texts_.abilitaAd = Utf("&Abilita Adattatività");
    texts_.disabilitaAd = Utf("&Disabilita Adattatività");
    texts_.finestraScaricaCpu = Utf("Scarica configurazione");
    texts_.aggiornaCpu = Utf("Scrittura dei dati in centralina in corso...");
    SetUpWindow();
}

TFormModifica::~TFormModifica() { FormClose(); }

void TFormModifica::SetUpWindow() {
    scale_ = PrimaryScreenScale();
    if (scale_ != 1.0) {
        QFont f = font();
        f.setPointSizeF(f.pointSizeF() * scale_);
        setFont(f);
    }
    BuildControls();
    ConnectHandlers();

    returnPage_ = PageGenerale;
    ButtonIstruzioniKit->setVisible(outOfArchive_);
    // The base map and kit instructions are not part of this build: the button is seen, greyed.
    ButtonIstruzioniKit->setEnabled(false);

    if (ctx_.car.ADATTATIVITA_ESTESA) ArrangeEightZones();

    PageControl1->setCurrentWidget(PageGenerale);
    localized_ = Localize();

    // Without a session anything may be prepared; with one, only an ECU with map B has the
    // fourth emulation.
    if (!ctx_.link.IsConnected() || ctx_.map.mapBPresent) ComboTipoEm->addItem(texts_.fourthEmulation);

    // The ranges come before the fill, which puts the positions into them: what the edits show is
    // what will be stored.
    UpDownCutOff->SetRange(8, 16);
    UpDownVarArr->SetRange(-5, 5);
    UpDownArrMin->SetRange(0, 20);

    PageControl1->setCurrentWidget(PageGenerale);
    currentPage_ = PageGenerale;
    FillFromModel();
    FillAdaptation();

    UpDownVarArr->SetPosition(ctx_.param.GetScalar(17));
    Fill(EditPassiTps, UpDownVarArr->Position());
    UpDownArrMin->SetPosition(ctx_.param.GetScalar(54));
    Fill(EditArrMin, UpDownArrMin->Position());

    AttachLimits();

    ApplyVersionVisibility();

    // Keys reach the window before its controls; every control of the window is watched.
    installEventFilter(this);
    for (QWidget* w : findChildren<QWidget*>()) w->installEventFilter(this);
    // Maximised; where no window manager does it, the window still covers the screen.
    if (const QScreen* screen = QGuiApplication::primaryScreen()) setGeometry(screen->availableGeometry());
    setWindowState(windowState() | Qt::WindowMaximized);
}

namespace {

QLabel* MakeLabel(QWidget* parent, const char* name, const char* caption) {
    auto* l = new QLabel(Utf(caption), parent);
    l->setObjectName(QString::fromLatin1(name));
    return l;
}

QLineEdit* MakeEdit(QWidget* parent, const char* name) {
    auto* e = new QLineEdit(parent);
    e->setObjectName(QString::fromLatin1(name));
    e->setFixedWidth(e->fontMetrics().horizontalAdvance(QString(kEditChars, u'0')) + 12);
    e->setAlignment(Qt::AlignRight);
    return e;
}

QComboBox* MakeCombo(QWidget* parent, const char* name, std::initializer_list<const char*> items) {
    auto* c = new QComboBox(parent);
    c->setObjectName(QString::fromLatin1(name));
    for (const char* item : items) c->addItem(Utf(item));
    c->setMinimumWidth(c->fontMetrics().horizontalAdvance(QString(kComboChars, u'0')));
    c->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    return c;
}

QWidget* MakePage(const char* name) {
    auto* page = new QWidget();
    page->setObjectName(QString::fromLatin1(name));
    return page;
}

// A page's controls in rows of caption, edit and unit, kept to the top left.
QGridLayout* PageGrid(QWidget* page) {
    auto* grid = new QGridLayout(page);
    grid->setContentsMargins(kPageMargin, kPageMargin, kPageMargin, kPageMargin);
    grid->setHorizontalSpacing(10);
    grid->setVerticalSpacing(8);
    return grid;
}

void Finish(QGridLayout* grid) {
    grid->setColumnStretch(grid->columnCount(), 1);
    grid->setRowStretch(grid->rowCount(), 1);
}

// The unit follows its edit closely, whatever the width of the column's combos.
void AddRow(QGridLayout* grid, QWidget* caption, QWidget* field, QWidget* unit = nullptr) {
    const int row = grid->rowCount();
    if (caption != nullptr) grid->addWidget(caption, row, 0);
    if (unit == nullptr) {
        grid->addWidget(field, row, 1, Qt::AlignLeft);
        return;
    }
    auto* box = new QHBoxLayout();
    box->setSpacing(8);
    box->addWidget(field);
    box->addWidget(unit);
    box->addStretch(1);
    grid->addLayout(box, row, 1);
}

}  // namespace

void TFormModifica::BuildControls() {
    auto* layout = new QVBoxLayout(this);
    PageControl1 = new QTabWidget(this);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    // Nine tabs share an 800 pixel screen: narrow padding, and a caption that still does not fit
    // is shortened rather than a tab pushed out of sight.
    auto* narrowTabs = new NarrowTabStyle();
    narrowTabs->setParent(PageControl1);
    PageControl1->tabBar()->setStyle(narrowTabs);
    PageControl1->setUsesScrollButtons(false);
    PageControl1->setElideMode(Qt::ElideRight);
    layout->addWidget(PageControl1, 1);

    BuildGenerale();
    BuildCambio();
    BuildEmulazione();
    BuildSensore();
    BuildCutoff();
    BuildAdattativita();
    PageMappa = MakePage("PageMappa");
    enrichment_ = new EnrichmentPage(ctx_, dictionary_);
    PageTps = enrichment_;
    EditMinCumulo = PageTps->findChild<QLineEdit*>(QStringLiteral("EditMinCumulo"));
    BuildEmissioni();

    const std::pair<QWidget*, const char*> pages[] = {
        {PageGenerale, "Caratteristiche vettura"},
        {PageCambio, "Cambio"},
        {PageEmulazione, "Emulazione lambda"},
        {PageSensore, "Sensore livello"},
        {PageCutoff, "Cutoff"},
        {PageAdattativita, "Adattatività"},
        {PageMappa, "Mappa"},
        {PageTps, "Mappa TPS"},
        {PageEmissioni, "Emissioni"},
    };
    for (const auto& [page, caption] : pages) PageControl1->addTab(page, Utf(caption));
    // The map grid editor this page opens is not part of this build.
    PageControl1->setTabEnabled(PageControl1->indexOf(PageMappa), false);

    layout->addLayout(BuildButtons());
}

void TFormModifica::BuildGenerale() {
    QWidget* p = PageGenerale = MakePage("PageGenerale");
    QGridLayout* g = PageGrid(p);
    LabelAlim = MakeLabel(p, "LabelAlim", "Alimentazione");
    ComboAlim = MakeCombo(p, "ComboAlim", {"GPL", "METANO"});
    LabelTipoLambda = MakeLabel(p, "LabelTipoLambda", "Tipo sonda lambda");
    ComboLambda = MakeCombo(
        p, "ComboLambda",
        {"0 - 1V", "0.8 - 1.6V", "0 - 5 V     'A'", "0 - 5 V     'B'", "5 - 0 V     'A'", "5 - 0 V     'B'"});
    LabelCilindri = MakeLabel(p, "LabelCilindri", "Numero cilindri");
    ComboCilindri = MakeCombo(p, "ComboCilindri", {"3", "4", "5", "6", "8", "Bibobina"});
    LabelCilindrata = MakeLabel(p, "LabelCilindrata", "Cilindrata (cc)");
    EditCilindrata = MakeEdit(p, "EditCilindrata");
    LabelTpsLineare = MakeLabel(p, "LabelTpsLineare", "TPS lineare");
    ComboTps = MakeCombo(p, "ComboTps", {"diritto", "invertito"});
    LabelTpsSwitch = MakeLabel(p, "LabelTpsSwitch", "TPS switch");
    ComboTpsSwitch = MakeCombo(p, "ComboTpsSwitch", {"assente", "diritto", "invertito"});
    LabelIstTps = MakeLabel(p, "LabelIstTps", "Isteresi del minimo TPS");
    EditIstTps = MakeEdit(p, "EditIstTps");
    LabelV = MakeLabel(p, "LabelV", "V");
    AddRow(g, LabelAlim, ComboAlim);
    AddRow(g, LabelTipoLambda, ComboLambda);
    AddRow(g, LabelCilindri, ComboCilindri);
    AddRow(g, LabelCilindrata, EditCilindrata);
    AddRow(g, LabelTpsLineare, ComboTps);
    AddRow(g, LabelTpsSwitch, ComboTpsSwitch);
    AddRow(g, LabelIstTps, EditIstTps, LabelV);
    Finish(g);
    ComboAlim->setEnabled(false);
}

void TFormModifica::BuildCambio() {
    QWidget* p = PageCambio = MakePage("PageCambio");
    QGridLayout* g = PageGrid(p);
    LabelMaxRit = MakeLabel(p, "LabelMaxRit", "Ritardo massimo cambio");
    EditRitMax = MakeEdit(p, "EditRitMax");
    LabelS2 = MakeLabel(p, "LabelS2", "s");
    LabelMinRit = MakeLabel(p, "LabelMinRit", "Ritardo minimo cambio");
    EditRitMin = MakeEdit(p, "EditRitMin");
    LabelS3 = MakeLabel(p, "LabelS3", "s");
    LabelTMin = MakeLabel(p, "LabelTMin", "Temperatura minima per cambio");
    EditTMin = MakeEdit(p, "EditTMin");
    LabelC = MakeLabel(p, "LabelC", "°C");
    LabelTSovrappos = MakeLabel(p, "LabelTSovrappos", "Tempo di sovrapposizione");
    EditTSovrappos = MakeEdit(p, "EditTSovrappos");
    LabelMs3 = MakeLabel(p, "LabelMs3", "ms");
    LabelGiriMin = MakeLabel(p, "LabelGiriMin", "Giri minimi per il cambio");
    EditGiriMin = MakeEdit(p, "EditGiriMin");
    LabelRpm = MakeLabel(p, "LabelRpm", "RPM");
    LabelFuoriGiri = MakeLabel(p, "LabelFuoriGiri", "Soglia per fuori giri");
    EditFuoriGiri = MakeEdit(p, "EditFuoriGiri");
    LabelRpm4 = MakeLabel(p, "LabelRpm4", "RPM");
    RadioCambioAcc = new QRadioButton(Utf("Cambio in Accelerazione"), p);
    RadioCambioAcc->setObjectName(QStringLiteral("RadioCambioAcc"));
    RadioCambioDec = new QRadioButton(Utf("Cambio in Decelerazione"), p);
    RadioCambioDec->setObjectName(QStringLiteral("RadioCambioDec"));
    CheckBoxCambioFreddo = new QCheckBox(Utf("Cambio anche con sonda Lambda fredda"), p);
    CheckBoxCambioFreddo->setObjectName(QStringLiteral("CheckBoxCambioFreddo"));
    AddRow(g, LabelMaxRit, EditRitMax, LabelS2);
    AddRow(g, LabelMinRit, EditRitMin, LabelS3);
    AddRow(g, LabelTMin, EditTMin, LabelC);
    AddRow(g, LabelTSovrappos, EditTSovrappos, LabelMs3);
    AddRow(g, LabelGiriMin, EditGiriMin, LabelRpm);
    AddRow(g, LabelFuoriGiri, EditFuoriGiri, LabelRpm4);
    g->setRowMinimumHeight(g->rowCount(), 8);
    g->addWidget(RadioCambioAcc, g->rowCount(), 0, 1, 3);
    g->addWidget(RadioCambioDec, g->rowCount(), 0, 1, 3);
    g->setRowMinimumHeight(g->rowCount(), 8);
    g->addWidget(CheckBoxCambioFreddo, g->rowCount(), 0, 1, 3);
    Finish(g);
    // Not offered to the installer: a store writes back the delays the model holds.
    for (QWidget* w :
         std::initializer_list<QWidget*>{LabelMaxRit, EditRitMax, LabelS2, LabelMinRit, EditRitMin, LabelS3})
        w->hide();
}

void TFormModifica::BuildEmulazione() {
    QWidget* p = PageEmulazione = MakePage("PageEmulazione");
    QGridLayout* g = PageGrid(p);
    LabelEmTipo = MakeLabel(p, "LabelEmTipo", "Tipo di emulazione");
    ComboTipoEm = MakeCombo(p, "ComboTipoEm", {"Emulazione Massa", "Emulazione Tristate", "Onda Costruita"});
    LabelEmOnde = MakeLabel(p, "LabelEmOnde", "Numero onde emulazione");
    EditEmOnde = MakeEdit(p, "EditEmOnde");
    LabelEmBasso = MakeLabel(p, "LabelEmBasso", "Tempo emulazione basso");
    EditEmBasso = MakeEdit(p, "EditEmBasso");
    LabelMs1 = MakeLabel(p, "LabelMs1", "ms");
    LabelEmAlto = MakeLabel(p, "LabelEmAlto", "Tempo emulazione alto");
    EditEmAlto = MakeEdit(p, "EditEmAlto");
    LabelMs2 = MakeLabel(p, "LabelMs2", "ms");
    LabelEmTri = MakeLabel(p, "LabelEmTri", "Tempo emulazione tristate");
    EditEmTri = MakeEdit(p, "EditEmTri");
    LabelS1 = MakeLabel(p, "LabelS1", "s");
    AddRow(g, LabelEmTipo, ComboTipoEm);
    g->setRowMinimumHeight(g->rowCount(), 8);
    AddRow(g, LabelEmOnde, EditEmOnde);
    AddRow(g, LabelEmBasso, EditEmBasso, LabelMs1);
    AddRow(g, LabelEmAlto, EditEmAlto, LabelMs2);
    AddRow(g, LabelEmTri, EditEmTri, LabelS1);
    Finish(g);
}

void TFormModifica::BuildSensore() {
    QWidget* p = PageSensore = MakePage("PageSensore");
    QGridLayout* g = PageGrid(p);
    LabelTipoSens = MakeLabel(p, "LabelTipoSens", "Tipo di sensore");
    ComboSens =
        MakeCombo(p, "ComboSens", {"Non standard", "Non standard invertito", "Quembra", "Ovalix", "0-90ohm"});
    LabelIsteresi = MakeLabel(p, "LabelIsteresi", "Isteresi livello");
    EditIsteresi = MakeEdit(p, "EditIsteresi");
    LabelRiferimenti = MakeLabel(p, "LabelRiferimenti", "Riferimenti del sensore di livello");
    LabelRifRiserva = MakeLabel(p, "LabelRifRiserva", "Riserva");
    EditRif1 = MakeEdit(p, "EditRif1");
    LabelRif1_4 = MakeLabel(p, "LabelRif1_4", "1/4");
    EditRif2 = MakeEdit(p, "EditRif2");
    LabelRif2_4 = MakeLabel(p, "LabelRif2_4", "2/4");
    EditRif3 = MakeEdit(p, "EditRif3");
    LabelRif3_4 = MakeLabel(p, "LabelRif3_4", "3/4");
    EditRif4 = MakeEdit(p, "EditRif4");
    AddRow(g, LabelTipoSens, ComboSens);
    AddRow(g, LabelIsteresi, EditIsteresi);
    g->setRowMinimumHeight(g->rowCount(), 8);
    g->addWidget(LabelRiferimenti, g->rowCount(), 0, 1, 3);
    AddRow(g, LabelRifRiserva, EditRif1);
    AddRow(g, LabelRif1_4, EditRif2);
    AddRow(g, LabelRif2_4, EditRif3);
    AddRow(g, LabelRif3_4, EditRif4);
    Finish(g);
    // Not offered to the installer: a standard sensor brings its own, a store writes back the rest.
    LabelIsteresi->hide();
    EditIsteresi->hide();
}

void TFormModifica::BuildCutoff() {
    QWidget* p = PageCutoff = MakePage("PageCutoff");
    QGridLayout* g = PageGrid(p);
    GroupTipoCutoff = new QGroupBox(Utf("Tipo di CutOff"), p);
    GroupTipoCutoff->setObjectName(QStringLiteral("GroupTipoCutoff"));
    auto* column = new QVBoxLayout(GroupTipoCutoff);
    cutoffGroup_ = new QButtonGroup(this);
    const char* items[4] = {"&Totale", "&Parziale", "T&otale + Parziale", "&Nessuno (disabilitato)"};
    for (int i = 0; i < 4; ++i) {
        auto* radio = new QRadioButton(Utf(items[i]), GroupTipoCutoff);
        radio->setObjectName(QStringLiteral("GroupTipoCutoff%1").arg(i));
        cutoffGroup_->addButton(radio, i);
        column->addWidget(radio);
        GroupTipoCutoffItems[size_t(i)] = radio;
    }
    LabelRitCF = MakeLabel(p, "LabelRitCF", "Ritardo innesco CutOff");
    EditRitCutoff = MakeEdit(p, "EditRitCutoff");
    LabelMs4 = MakeLabel(p, "LabelMs4", "ms");
    LabelGiriUCF = MakeLabel(p, "LabelGiriUCF", "Giri termine CutOff totale");
    EditGiriUCF = MakeEdit(p, "EditGiriUCF");
    LabelRpm2 = MakeLabel(p, "LabelRpm2", "RPM");
    LabelGiriACF = MakeLabel(p, "LabelGiriACF", "Giri termine CutOff parziale");
    EditGiriACF = MakeEdit(p, "EditGiriACF");
    LabelRpm3 = MakeLabel(p, "LabelRpm3", "RPM");
    LabelPosCF = MakeLabel(p, "LabelPosCF", "Apertura motore in CutOff parziale");
    auto* opening = new QWidget(p);
    auto* openingRow = new QHBoxLayout(opening);
    openingRow->setContentsMargins(0, 0, 0, 0);
    openingRow->setSpacing(0);
    EditPosCutoff = MakeEdit(p, "EditPosCutoff");
    SetLook(EditPosCutoff, false);
    UpDownCutOff = new TUpDown(QStringLiteral("UpDownCutOff"), p);
    UpDownCutOff->setFixedHeight(EditPosCutoff->sizeHint().height());
    openingRow->addWidget(EditPosCutoff);
    openingRow->addWidget(UpDownCutOff);
    CheckCutoffBenzina = new QCheckBox(Utf("Cutoff in assenza segnale iniettori"), p);
    CheckCutoffBenzina->setObjectName(QStringLiteral("CheckCutoffBenzina"));
    g->addWidget(GroupTipoCutoff, 0, 0, 1, 3, Qt::AlignLeft);
    g->setRowMinimumHeight(g->rowCount(), 8);
    AddRow(g, LabelRitCF, EditRitCutoff, LabelMs4);
    AddRow(g, LabelGiriACF, EditGiriACF, LabelRpm3);
    AddRow(g, LabelGiriUCF, EditGiriUCF, LabelRpm2);
    AddRow(g, LabelPosCF, opening);
    g->setRowMinimumHeight(g->rowCount(), 8);
    g->addWidget(CheckCutoffBenzina, g->rowCount(), 0, 1, 3);
    Finish(g);
}

void TFormModifica::BuildAdattativita() {
    QWidget* p = PageAdattativita = MakePage("PageAdattativita");
    auto* page = new QVBoxLayout(p);
    page->setContentsMargins(kPageMargin, kPageMargin, kPageMargin, kPageMargin);
    page->setSpacing(14);

    auto* state = new QHBoxLayout();
    state->setSpacing(kStatusGap);
    LabAdatta = MakeLabel(p, "LabAdatta", "Adattatività");
    LabStatoAdat = MakeLabel(p, "LabStatoAdat", "");
    QFont bold = LabStatoAdat->font();
    bold.setBold(true);
    LabStatoAdat->setFont(bold);
    ButtonAbilita = new QPushButton(texts_.abilitaAd, p);
    ButtonAbilita->setObjectName(QStringLiteral("ButtonAbilita"));
    ButtonAzzera = new QPushButton(Utf("A&zzera modifiche"), p);
    ButtonAzzera->setObjectName(QStringLiteral("ButtonAzzera"));
    state->addWidget(LabAdatta);
    state->addWidget(LabStatoAdat);
    state->addSpacing(30);
    state->addWidget(ButtonAbilita);
    state->addSpacing(10);
    state->addWidget(ButtonAzzera);
    state->addStretch(1);
    page->addLayout(state);

    // Zone n (1..4) spans the two half columns 2n and 2n + 1; the limit between zones n and n + 1
    // spans 2n + 1 and 2n + 2, so it sits centred on their border.
    QGridLayout* g = adaptationGrid_ = new QGridLayout();
    g->setHorizontalSpacing(4);
    g->setVerticalSpacing(6);
    LabRifGiri = MakeLabel(p, "LabRifGiri", "Fascie giri motore");
    g->addWidget(LabRifGiri, 0, 0, 1, 2);
    for (int i = 0; i < 3; ++i) {
        QLabel* l = LabelFascia[size_t(i)] =
            MakeLabel(p, QStringLiteral("LabelFascia%1").arg(i + 1).toLatin1().constData(), "");
        l->setAlignment(Qt::AlignCenter);
        g->addWidget(l, 0, 2 * (i + 1) + 1, 1, 2);
    }
    LabMaxPassi = MakeLabel(p, "LabMaxPassi", "Numero massimo passi di modifica");
    LabPassiFatti = MakeLabel(p, "LabPassiFatti", "Passi di modifica effettuati");
    LabErrMedio = MakeLabel(p, "LabErrMedio", "Errore medio attuale");
    LabInst1 = MakeLabel(p, "LabInst1", "Installatore");
    LabAut1 = MakeLabel(p, "LabAut1", "Automatico");
    LabInst2 = MakeLabel(p, "LabInst2", "Installatore");
    LabAut2 = MakeLabel(p, "LabAut2", "Automatico");
    // Rows: 1-2 maximum steps, 4-5 steps made, 7 mean error; 3 and 6 keep the groups apart.
    g->addWidget(LabMaxPassi, kMaxRow, 0);
    g->addWidget(LabInst1, kMaxRow, 1);
    g->addWidget(LabAut1, kMaxRow + 1, 1);
    g->addWidget(LabPassiFatti, kDoneRow, 0);
    g->addWidget(LabInst2, kDoneRow, 1);
    g->addWidget(LabAut2, kDoneRow + 1, 1);
    g->addWidget(LabErrMedio, kErrorRow, 0);
    const auto row = [&](std::array<QLineEdit*, 4>& edits, const char* prefix, int gridRow) {
        for (int i = 0; i < 4; ++i) {
            QLineEdit* e = edits[size_t(i)] = MakeEdit(
                p, QStringLiteral("%1%2").arg(QLatin1String(prefix)).arg(i + 1).toLatin1().constData());
            SetLook(e, false);
            g->addWidget(e, gridRow, 2 * (i + 1), 1, 2, Qt::AlignCenter);
        }
    };
    row(EditMaxInst, "EditMaxInst", kMaxRow);
    row(EditMaxAut, "EditMaxAut", kMaxRow + 1);
    row(EditFattiInst, "EditFattiInst", kDoneRow);
    row(EditFattiAut, "EditFattiAut", kDoneRow + 1);
    row(Editem, "Editem", kErrorRow);
    for (QLineEdit* e : EditFattiInst) SetLook(e, true);
    g->setRowMinimumHeight(kDoneRow - 1, 8);
    g->setRowMinimumHeight(kErrorRow - 1, 8);
    for (int c = 2; c < 10; ++c) g->setColumnMinimumWidth(c, EditMaxInst[0]->width() / 2 + 6);
    g->setColumnMinimumWidth(1, 12);
    g->setColumnStretch(10, 1);
    page->addLayout(g);

    auto* enrichment = new QGridLayout();
    enrichment->setHorizontalSpacing(10);
    enrichment->setVerticalSpacing(8);
    LabelPassiTps = MakeLabel(p, "LabelPassiTps", "Variazione di arricchimento");
    EditPassiTps = MakeEdit(p, "EditPassiTps");
    UpDownVarArr = new TUpDown(QStringLiteral("UpDownVarArr"), p);
    LabelArrMin = MakeLabel(p, "LabelArrMin", "Arricchimento al minimo");
    EditArrMin = MakeEdit(p, "EditArrMin");
    UpDownArrMin = new TUpDown(QStringLiteral("UpDownArrMin"), p);
    const auto upDownRow = [&](int r, QLabel* caption, QLineEdit* edit, TUpDown* upDown) {
        upDown->setFixedHeight(edit->sizeHint().height());
        auto* box = new QHBoxLayout();
        box->setSpacing(0);
        box->addWidget(edit);
        box->addWidget(upDown);
        box->addStretch(1);
        enrichment->addWidget(caption, r, 0);
        enrichment->addLayout(box, r, 1);
    };
    upDownRow(0, LabelPassiTps, EditPassiTps, UpDownVarArr);
    upDownRow(1, LabelArrMin, EditArrMin, UpDownArrMin);
    enrichment->setColumnStretch(2, 1);
    page->addSpacing(10);
    page->addLayout(enrichment);
    page->addStretch(1);
}

void TFormModifica::BuildEmissioni() {
    QWidget* p = PageEmissioni = MakePage("PageEmissioni");
    QGridLayout* g = PageGrid(p);
    LabelGuadApertMin = MakeLabel(p, "LabelGuadApertMin", "Guadagno in apertura al minimo");
    EditGApMin = MakeEdit(p, "EditGApMin");
    LabelRangeGAp = MakeLabel(p, "LabelRangeGAp", "(1 - 4)");
    LabelGuadChiusMin = MakeLabel(p, "LabelGuadChiusMin", "Guadagno in chiusura al minimo");
    EditGChMin = MakeEdit(p, "EditGChMin");
    LabelRangeGCh = MakeLabel(p, "LabelRangeGCh", "(1 - 4)");
    CheckOpenLoop = new QCheckBox(Utf("OpenLoop"), p);
    CheckOpenLoop->setObjectName(QStringLiteral("CheckOpenLoop"));
    LabelMaxErrInteg = MakeLabel(p, "LabelMaxErrInteg", "Massimo errore integrale");
    EditMaxErrInteg = MakeEdit(p, "EditMaxErrInteg");
    LabelPassi1 = MakeLabel(p, "LabelPassi1", "passi");
    LabelMinErrInteg = MakeLabel(p, "LabelMinErrInteg", "Minimo errore integrale");
    EditMinErrInteg = MakeEdit(p, "EditMinErrInteg");
    LabelPassi2 = MakeLabel(p, "LabelPassi2", "passi");
    LabelMaxErrIntegMin = MakeLabel(p, "LabelMaxErrIntegMin", "Massimo errore integrale al minimo");
    EditMaxErrIntegMin = MakeEdit(p, "EditMaxErrIntegMin");
    LabelPassi3 = MakeLabel(p, "LabelPassi3", "passi");
    LabelMinErrIntegMin = MakeLabel(p, "LabelMinErrIntegMin", "Minimo errore integrale al minimo");
    EditMinErrIntegMin = MakeEdit(p, "EditMinErrIntegMin");
    LabelPassi4 = MakeLabel(p, "LabelPassi4", "passi");
    AddRow(g, LabelGuadApertMin, EditGApMin, LabelRangeGAp);
    AddRow(g, LabelGuadChiusMin, EditGChMin, LabelRangeGCh);
    g->addWidget(CheckOpenLoop, g->rowCount(), 0, 1, 3);
    g->setRowMinimumHeight(g->rowCount(), 8);
    AddRow(g, LabelMaxErrInteg, EditMaxErrInteg, LabelPassi1);
    AddRow(g, LabelMinErrInteg, EditMinErrInteg, LabelPassi2);
    AddRow(g, LabelMaxErrIntegMin, EditMaxErrIntegMin, LabelPassi3);
    AddRow(g, LabelMinErrIntegMin, EditMinErrIntegMin, LabelPassi4);
    Finish(g);
}

QLayout* TFormModifica::BuildButtons() {
    auto* row = new QHBoxLayout();
    const auto button = [this](const char* name, const char* caption) {
        auto* b = new QPushButton(Utf(caption), this);
        b->setObjectName(QString::fromLatin1(name));
        b->setAutoDefault(false);
        b->setMinimumWidth(b->fontMetrics().horizontalAdvance(QString(24, u'x')));
        return b;
    };
    ButtonIstruzioniKit = button("ButtonIstruzioniKit", "Istruzioni &KIT");
    ButtonModifica = button("ButtonModifica", "&Scarica configurazione");
    ButtonEsci = button("ButtonEsci", "&Esci");
    // Stretches on both sides keep the visible buttons centred as a group.
    row->addStretch(1);
    row->addWidget(ButtonIstruzioniKit);
    row->addSpacing(20);
    row->addWidget(ButtonModifica);
    row->addSpacing(20);
    row->addWidget(ButtonEsci);
    row->addStretch(1);
    for (QPushButton* b : findChildren<QPushButton*>()) b->setAutoDefault(false);
    return row;
}

void TFormModifica::ArrangeEightZones() {
    // The ECU learns in eight zones by itself: the installer sets only its maximum steps.
    QGridLayout* g = adaptationGrid_;
    SetLook(Editem[0], true);
    for (size_t i = 1; i < 4; ++i) Editem[i]->hide();
    for (QLabel* l : {LabInst1, LabAut1, LabInst2, LabAut2}) l->hide();
    g->removeWidget(LabErrMedio);
    g->removeWidget(LabMaxPassi);
    g->addWidget(LabErrMedio, kMaxRow, 0);
    g->addWidget(LabMaxPassi, kErrorRow, 0);
    for (QLineEdit* e : EditFattiInst) SetLook(e, false);
}

bool TFormModifica::Localize() {
    Localizer l(dictionary_);
    const std::pair<QWidget*, int> pages[] = {{PageGenerale, 30}, {PageCambio, 20}, {PageEmulazione, 30},
                                              {PageSensore, 20},  {PageCutoff, 20}, {PageAdattativita, 30},
                                              {PageMappa, 20},    {PageTps, 20},    {PageEmissioni, 20}};
    for (const auto& [page, length] : pages) l.Caption(page, length);
    struct Named {
        QObject* control;
        int length;
    };
    const Named named[] = {
        {ButtonAzzera, 30},        {ButtonEsci, 20},
        {ButtonIstruzioniKit, 30}, {LabelEmTipo, 30},
        {LabelEmOnde, 30},         {LabelEmBasso, 30},
        {LabelEmAlto, 30},         {LabelEmTri, 30},
        {LabelTipoSens, 30},       {LabelIsteresi, 30},
        {LabelRiferimenti, 40},    {LabelRifRiserva, 10},
        {LabelRif1_4, 10},         {LabelRif2_4, 10},
        {LabelRif3_4, 10},         {LabelTMin, 40},
        {LabelTSovrappos, 40},     {LabelGiriMin, 40},
        {LabelFuoriGiri, 40},      {LabelMaxRit, 30},
        {LabelMinRit, 30},         {LabelC, 30},
        {LabRifGiri, 30},          {LabMaxPassi, 40},
        {LabPassiFatti, 40},       {LabErrMedio, 40},
        {LabAdatta, 20},           {LabelPassiTps, 30},
        {LabelArrMin, 40},         {GroupTipoCutoff, 40},
        {LabelPosCF, 45},          {LabelRitCF, 45},
        {CheckCutoffBenzina, 50},  {LabelAlim, 40},
        {LabelCilindri, 40},       {LabelCilindrata, 40},
        {LabelTipoLambda, 40},     {LabelTpsLineare, 40},
        {LabelTpsSwitch, 40},      {LabelIstTps, 40},
        {LabelGuadChiusMin, 40},   {LabelGuadApertMin, 40},
        {LabelMaxErrInteg, 50},    {LabelMinErrInteg, 50},
        {LabelMaxErrIntegMin, 50}, {LabelMinErrIntegMin, 50},
    };
    for (const Named& n : named) l.Caption(n.control, n.length);
    l.Apply(QStringLiteral("LabelRpm"), 30, [this](const QString& t) {
        for (QLabel* label : {LabelRpm, LabelRpm2, LabelRpm3, LabelRpm4}) label->setText(t);
    });
    l.Caption(ButtonModifica, QStringLiteral("ButtonScarica"), 40);
    l.WindowTitle(this, QString::fromLatin1(outOfArchive_ ? "FinestraAutoFuoriArchivio" : "FinestraModifica"),
                  50);
    l.Caption(CheckBoxCambioFreddo, QStringLiteral("LabelCambioFreddo"), 40);
    l.Caption(RadioCambioAcc, QStringLiteral("LabelCambioAcc"), 35);
    l.Caption(RadioCambioDec, QStringLiteral("LabelCambioDec"), 35);
    for (QLabel* label : {LabelMs1, LabelMs2, LabelMs3, LabelMs4})
        l.Caption(label, QStringLiteral("LabelMs"), 12);
    for (QLabel* label : {LabelS1, LabelS2, LabelS3}) l.Caption(label, QStringLiteral("LabelS"), 10);
    for (QLabel* label : {LabelPassi1, LabelPassi2, LabelPassi3, LabelPassi4})
        l.Caption(label, QStringLiteral("LabelPassi"), 15);
    for (QLabel* label : {LabInst1, LabInst2}) l.Caption(label, QStringLiteral("LabInst"), 20);
    for (QLabel* label : {LabAut1, LabAut2}) l.Caption(label, QStringLiteral("LabAut"), 20);

    const auto item = [&l](QComboBox* combo, int index, const char* identifier) {
        l.Apply(QString::fromLatin1(identifier), 30,
                [combo, index](const QString& t) { combo->setItemText(index, t); });
    };
    for (int i = 0; i < 3; ++i) item(ComboTipoEm, i, QStringLiteral("ComboTipoEm%1").arg(i + 1).toLatin1());
    l.Text(QStringLiteral("ComboTipoEm4"), 30, texts_.fourthEmulation);
    for (int i = 0; i < 5; ++i) item(ComboSens, i, QStringLiteral("ComboSensore%1").arg(i + 1).toLatin1());
    const char* cutoffItems[4] = {"LabelCFTot", "LabelCFParz", "LabelCFMisto", "LabelCFDisab"};
    for (size_t i = 0; i < 4; ++i)
        l.Caption(GroupTipoCutoffItems[i], QString::fromLatin1(cutoffItems[i]), 30);
    item(ComboAlim, 0, "LabelGpl");
    item(ComboAlim, 1, "LabelMetano");
    item(ComboTps, 0, "LabelDiritto");
    item(ComboTps, 1, "LabelInvertito");
    item(ComboTpsSwitch, 0, "LabelAssente");
    item(ComboTpsSwitch, 1, "LabelDiritto");
    item(ComboTpsSwitch, 2, "LabelInvertito");
    item(ComboCilindri, 5, "ComboCil2");

    l.Text(QStringLiteral("LabelGiriUCF"), 45, texts_.giriUCF);
    l.Text(QStringLiteral("LabelGiriACF"), 45, texts_.giriACF);
    l.Text(QStringLiteral("MessFuoriRange"), 70, texts_.fuoriRange);
    l.Text(QStringLiteral("MessErroreSens"), 70, texts_.erroreSens);
    l.Text(QStringLiteral("MessValoriCambiati"), 70, texts_.valoriCambiati);
    l.Text(QStringLiteral("MessScaricaValori"), 70, texts_.scaricaValori);
    l.Text(QStringLiteral("MessMemorizzaValori"), 70, texts_.memorizzaValori);
    l.Text(QStringLiteral("MessND"), 5, texts_.nd);
    l.Text(QStringLiteral("MessAttiva"), 25, texts_.attiva);
    l.Text(QStringLiteral("MessInattiva"), 25, texts_.inattiva);
    l.Text(QStringLiteral("ButtonAbilitaAd"), 30, texts_.abilitaAd);
    l.Text(QStringLiteral("ButtonDisabilitaAd"), 30, texts_.disabilitaAd);
    l.Text(QStringLiteral("MessNoFile"), 70, texts_.noFile);
    l.Text(QStringLiteral("MessNoCil"), 70, texts_.noCil);
    l.Text(QStringLiteral("MessCorruptedFile"), 70, texts_.corruptedFile);
    l.Text(QStringLiteral("FinestraIstruzioni"), 70, texts_.finestraIstruzioni);
    l.Apply(QStringLiteral("MessNoIstrLingua1"), 70,
            [this](const QString& t) { texts_.noIstrLingua = ToCp1252(t) + texts_.noIstrLingua; });
    l.Apply(QStringLiteral("MessNoIstrLingua2"), 70,
            [this](const QString& t) { texts_.noIstrLingua += "\n" + ToCp1252(t); });
    l.Text(QStringLiteral("MessNoIstruzioni"), 70, texts_.noIstruzioni);
    l.Text(QStringLiteral("FinestraScaricaCpu"), 50, texts_.finestraScaricaCpu);
    l.Text(QStringLiteral("MessAggiornaCpu"), 50, texts_.aggiornaCpu);
    l.Text(QStringLiteral("MessCompletato"), 15, texts_.completato);

    // The enrichment page looks up its own texts, and only when these were all found, so the
    // window never shows a mix of dictionary and built-in texts of its own.
    const bool ok = !l.Run().has_value() && enrichment_->Localize();
    if (!ok && dictionary_.FirstReportOf(dictionary_messages::kParameterEditor)) {
        LivePause pause(enrichment_);
        ctx_.prompter.Ask(dictionary_messages::kParameterEditor, AppContext::kTitle, PromptIcon::Error,
                          PromptButtons::Ok);
    }
    LabelGiriACF->setText(texts_.giriACF);
    LabelGiriUCF->setText(texts_.giriUCF);
    return ok;
}

void TFormModifica::AttachLimits() {
    const ConfCar& car = ctx_.car;
    fieldLimits_ = {{
        {5000, 500, kCilindrata},
        {5, 0, kIstTps},
        {10000, 0, kRitMax},
        {255, 0, kRitMin},
        {40, 15, kTMin},
        {5000, 0, kTSovrappos},
        {4000, 200, kGiriMin},
        {8000, 3000, kFuoriGiri},
        {254, 1, kEmOnde},
        {5000, 0, kEmBasso},
        {5000, 0, kEmAlto},
        {1300, 0, kEmTri},
        {5, 0, kIsteresi},
        {254, 1, kRif1},
        {254, 1, kRif2},
        {254, 1, kRif3},
        {254, 1, kRif4},
        {7000, 1300, kGiriACF},
        {7000, 1300, kGiriUCF},
        {2000, 0, kRitCutoff},
        {car.MAX_STEPV[0], -car.MAX_STEPV[0], kFattiInst1},
        {car.MAX_STEPV[1], -car.MAX_STEPV[1], kFattiInst2},
        {car.MAX_STEPV[2], -car.MAX_STEPV[2], kFattiInst3},
        {car.MAX_STEPV[3], -car.MAX_STEPV[3], kFattiInst4},
        {100, 0, kMinCumulo},
        {4, 1, kGApMin},
        {4, 1, kGChMin},
        {50, 0, kMaxErrInteg},
        {0, -50, kMinErrInteg},
        {50, 0, kMaxErrIntegMin},
        {0, -50, kMinErrIntegMin},
        {50, 0, kEditem1},
    }};
    const bool eightZones = car.ADATTATIVITA_ESTESA != 0;
    const std::pair<QLineEdit*, int> edits[] = {
        {EditCilindrata, kCilindrata},
        {EditIstTps, kIstTps},
        {EditRitMax, kRitMax},
        {EditRitMin, kRitMin},
        {EditTMin, kTMin},
        {EditTSovrappos, kTSovrappos},
        {EditGiriMin, kGiriMin},
        {EditFuoriGiri, kFuoriGiri},
        {EditEmOnde, kEmOnde},
        {EditEmBasso, kEmBasso},
        {EditEmAlto, kEmAlto},
        {EditEmTri, kEmTri},
        {EditIsteresi, kIsteresi},
        {EditRif1, kRif1},
        {EditRif2, kRif2},
        {EditRif3, kRif3},
        {EditRif4, kRif4},
        {EditGiriACF, kGiriACF},
        {EditGiriUCF, kGiriUCF},
        {EditRitCutoff, kRitCutoff},
        {eightZones ? nullptr : EditFattiInst[0], kFattiInst1},
        {eightZones ? nullptr : EditFattiInst[1], kFattiInst2},
        {eightZones ? nullptr : EditFattiInst[2], kFattiInst3},
        {eightZones ? nullptr : EditFattiInst[3], kFattiInst4},
        {EditMinCumulo, kMinCumulo},
        {EditGApMin, kGApMin},
        {EditGChMin, kGChMin},
        {EditMaxErrInteg, kMaxErrInteg},
        {EditMinErrInteg, kMinErrInteg},
        {EditMaxErrIntegMin, kMaxErrIntegMin},
        {EditMinErrIntegMin, kMinErrIntegMin},
        {eightZones ? Editem[0] : nullptr, kEditem1},
    };
    limitOf_.clear();
    for (const auto& [edit, row] : edits)
        if (edit != nullptr) limitOf_[edit] = row;
    floatEdits_ = {EditIstTps, EditEmTri};
}

const FieldLimits* TFormModifica::LimitsOf(const QWidget* edit) const {
    const auto it = limitOf_.find(edit);
    return it == limitOf_.end() ? nullptr : &fieldLimits_[size_t(it->second)];
}

void TFormModifica::ApplyVersionVisibility() {
    const int32_t version = ctx_.car.VERSIONE_CENTRALINA;
    if (version <= kColdChangeoverVersion) CheckBoxCambioFreddo->hide();
    if (version < kNewLayoutVersion) {
        for (QWidget* w : std::initializer_list<QWidget*>{LabelPassiTps, EditPassiTps, UpDownVarArr})
            w->hide();
        for (QWidget* w : std::initializer_list<QWidget*>{ComboAlim, ComboCilindri, EditCilindrata,
                                                          ComboLambda, ComboTps, ComboTpsSwitch})
            w->setEnabled(false);
    }
    if (version < kPetrolCutoffVersion) CheckCutoffBenzina->setEnabled(false);
}

void TFormModifica::ConnectHandlers() {
    const auto changed = [this] { ComboAlimChange(); };
    for (QComboBox* c : {ComboAlim, ComboLambda, ComboCilindri, ComboTps, ComboTpsSwitch})
        connect(c, &QComboBox::currentIndexChanged, this, changed);
    std::vector<QLineEdit*> edits = {
        EditCilindrata,  EditIstTps,      EditTMin,           EditTSovrappos,    EditGiriMin,
        EditFuoriGiri,   EditEmOnde,      EditEmBasso,        EditEmAlto,        EditEmTri,
        EditIsteresi,    EditRif1,        EditRif2,           EditRif3,          EditRif4,
        EditRitCutoff,   EditGiriUCF,     EditGiriACF,        EditGApMin,        EditGChMin,
        EditMaxErrInteg, EditMinErrInteg, EditMaxErrIntegMin, EditMinErrIntegMin};
    if (EditMinCumulo != nullptr) edits.push_back(EditMinCumulo);
    if (ctx_.car.ADATTATIVITA_ESTESA)
        edits.push_back(Editem[0]);
    else
        edits.insert(edits.end(), EditFattiInst.begin(), EditFattiInst.end());
    for (QLineEdit* e : edits) connect(e, &QLineEdit::textChanged, this, changed);
    for (QAbstractButton* b :
         std::initializer_list<QAbstractButton*>{RadioCambioAcc, RadioCambioDec, CheckCutoffBenzina})
        connect(b, &QAbstractButton::toggled, this, changed);

    // What the user chooses; the fill sets these selections itself.
    connect(ComboTipoEm, &QComboBox::activated, this, [this] { ComboTipoEmChange(); });
    connect(ComboSens, &QComboBox::activated, this, [this] { ComboSensChange(); });
    connect(cutoffGroup_, &QButtonGroup::idToggled, this, [this](int, bool checked) {
        if (checked) GroupTipoCutoffClick();
    });
    connect(UpDownCutOff, &TUpDown::clicked, this, [this] { UpDownCutOffClick(); });
    connect(CheckOpenLoop, &QCheckBox::toggled, this, [this] { CheckOpenLoopClick(); });
    connect(CheckBoxCambioFreddo, &QCheckBox::toggled, this, [this] { CheckBoxCambioFreddoClick(); });
    connect(ButtonAbilita, &QPushButton::clicked, this, [this] { ButtonAbilitaClick(); });
    connect(ButtonAzzera, &QPushButton::clicked, this, [this] { ButtonAzzeraClick(); });
    UpDownVarArr->beforeStep = [this] { SyncUpDown(UpDownVarArr, EditPassiTps); };
    UpDownArrMin->beforeStep = [this] { SyncUpDown(UpDownArrMin, EditArrMin); };
    connect(UpDownVarArr, &TUpDown::clicked, this, [this] { UpDownVarArrClick(UpDownVarArr); });
    connect(UpDownArrMin, &TUpDown::clicked, this, [this] { UpDownVarArrClick(UpDownArrMin); });
    connect(ButtonModifica, &QPushButton::clicked, this, [this] { ButtonModificaClick(); });
    connect(ButtonEsci, &QPushButton::clicked, this, [this] { reject(); });
    connect(PageControl1, &QTabWidget::currentChanged, this, [this] { PageControl1Change(); });
    if (enrichment_ != nullptr) connect(enrichment_, &EnrichmentPage::valuesChanged, this, changed);
}

// --- reading and filling edits -------------------------------------------------------------------

int32_t TFormModifica::ReadEditInt(QLineEdit* edit, int32_t fallback) {
    int32_t value = 0;
    if (ParseInt(QStringView(edit->text()).left(kReadLength), value)) return value;
    edit->setText(QString::number(fallback));
    return fallback;
}

double TFormModifica::ReadEditFloat(QLineEdit* edit, double fallback) {
    double value = 0;
    if (ParseFloat(QStringView(edit->text()).left(kReadLength), value)) return value;
    edit->setText(QString::number(fallback, 'g', 5));
    return fallback;
}

void TFormModifica::Fill(QLineEdit* edit, int32_t value) {
    edit->setText(QStringLiteral("xx"));
    ReadEditInt(edit, value);
}

void TFormModifica::FillFloat(QLineEdit* edit, double value) {
    edit->setText(QStringLiteral("xx"));
    ReadEditFloat(edit, value);
}

bool TFormModifica::IsInvertedSensor() const {
    const int index = ComboSens->currentIndex();
    return index == 1 || index == 3;
}

int32_t TFormModifica::ModelValue(int field) const {
    const ConfCar& car = ctx_.car;
    switch (field) {
        case kCilindrata:
            return car.GetValue(40);
        case kRitMax:
            return car.GetValue(0);
        case kRitMin:
            return car.RITARDO_MINIMO_CAMBIO;
        case kTMin:
            return car.GetValue(2);
        case kTSovrappos:
            return car.TEMPO_SOVRAPPOSIZIONE;
        case kGiriMin:
            return car.GIRI_MINIMI_PER_CAMBIO;
        case kFuoriGiri:
            return car.GetValue(6);
        case kEmOnde:
            return car.DEF_NUMERO_ONDE_EMULAZIONE;
        case kEmBasso:
            return car.DEF_TEMPO_DI_EMULAZIONE_BASSO;
        case kEmAlto:
            return car.DEF_TEMPO_DI_EMULAZIONE_ALTO;
        case kIsteresi:
            return car.GetValue(15);
        case kRif1:
        case kRif2:
        case kRif3:
        case kRif4: {
            const int32_t stored = car.RIF_SENS[field - kRif1];
            return IsInvertedSensor() ? 255 - stored : stored;
        }
        case kGiriACF:
            return car.PERIODO_X_APRIRE_ELETTROVALVOLA_IN_CUTOFF;
        case kGiriUCF:
            return car.GetValue(22);
        case kRitCutoff:
            return car.DEF_RITARDO_INNESCO_CUTOFF;
        case kFattiInst1:
        case kFattiInst2:
        case kFattiInst3:
        case kFattiInst4:
            return car.PASSI_FATTI_INSTALLATORE[field - kFattiInst1];
        case kMinCumulo:
            return car.GetValue(12);
        case kGApMin:
            return ctx_.param.GetGain(0, ConfParam::kGainOpening);
        case kGChMin:
            return ctx_.param.GetGain(0, ConfParam::kGainClosing);
        case kMaxErrInteg:
            return car.GetValue(18);
        case kMinErrInteg:
            return car.GetValue(19);
        case kMaxErrIntegMin:
            return car.GetValue(30);
        case kMinErrIntegMin:
            return car.GetValue(31);
        case kEditem1:
            return car.MAX_STEPL[0];
        default:
            return 0;
    }
}

double TFormModifica::ModelFloat(int field) const {
    if (field == kIstTps) return ctx_.car.GetValue(27) * 0.01;
    return ctx_.car.DEF_TEMPO_DI_EMULAZIONE_TRISTATE * 0.001;
}

// --- filling -------------------------------------------------------------------------------------

void TFormModifica::FillFromModel() {
    ConfCar& car = ctx_.car;
    const int32_t version = car.VERSIONE_CENTRALINA;

    Fill(EditRitMax, car.GetValue(0));
    Fill(EditRitMin, car.RITARDO_MINIMO_CAMBIO);
    Fill(EditTMin, car.GetValue(2));
    Fill(EditTSovrappos, car.TEMPO_SOVRAPPOSIZIONE);
    Fill(EditGiriMin, car.GIRI_MINIMI_PER_CAMBIO);
    Fill(EditFuoriGiri, car.GetValue(6));
    (car.CAMBIO_IN_DECELERAZIONE ? RadioCambioDec : RadioCambioAcc)->setChecked(true);

    // Emulation type from the four values.
    Fill(EditEmOnde, car.DEF_NUMERO_ONDE_EMULAZIONE);
    Fill(EditEmBasso, car.DEF_TEMPO_DI_EMULAZIONE_BASSO);
    Fill(EditEmAlto, car.DEF_TEMPO_DI_EMULAZIONE_ALTO);
    FillFloat(EditEmTri, car.DEF_TEMPO_DI_EMULAZIONE_TRISTATE * 0.001);
    const int32_t w = car.DEF_NUMERO_ONDE_EMULAZIONE, h = car.DEF_TEMPO_DI_EMULAZIONE_ALTO,
                  lo = car.DEF_TEMPO_DI_EMULAZIONE_BASSO, t = car.DEF_TEMPO_DI_EMULAZIONE_TRISTATE;
    int emulation = kBuiltWave;
    if (w == 1 && h == 0 && lo == 360 && t == 0) {
        emulation = 0;
    } else if (w == 1 && h == 0 && lo == 0 && t == 1000) {
        emulation = 1;
    } else if (w == kFourthEmulationWaves) {
        emulation = 3;
        if (ComboTipoEm->count() < 4) {
            // This ECU cannot run the fourth type: it falls back to a built wave of one wave, in
            // the ECU at once.
            car.DEF_NUMERO_ONDE_EMULAZIONE = 1;
            Fill(EditEmOnde, car.DEF_NUMERO_ONDE_EMULAZIONE);
            ctx_.link.WriteVar(8, 1);
            emulation = kBuiltWave;
        }
    }
    ComboTipoEm->setCurrentIndex(emulation);
    SetEmulationEnabled(emulation == kBuiltWave);

    // Level sensor.
    ComboSens->setCurrentIndex(car.TIPO_DI_SENSORE);
    Fill(EditIsteresi, car.GetValue(15));
    const bool inverted = IsInvertedSensor();
    QLineEdit* refs[4] = {EditRif1, EditRif2, EditRif3, EditRif4};
    for (int i = 0; i < 4; ++i) Fill(refs[i], inverted ? 255 - car.RIF_SENS[i] : car.RIF_SENS[i]);
    SetLevelEditsEnabled(ComboSens->currentIndex() <= 1);

    // Zone limits of the self-adaptation page.
    const int32_t columns[3] = {car.FASCIA_GIRI_X_MINIMO, car.RIFERIMENTO_COLONNA_ONE,
                                car.RIFERIMENTO_COLONNA_TWO};
    for (size_t i = 0; i < 3; ++i) {
        const int32_t c = columns[i];
        LabelFascia[i]->setText(QString::number(((ctx_.map.GetRpm(c) + ctx_.map.GetRpm(c + 1)) / 200) * 100));
    }

    // Cutoff.
    Fill(EditRitCutoff, car.DEF_RITARDO_INNESCO_CUTOFF);
    Fill(EditGiriACF, car.PERIODO_X_APRIRE_ELETTROVALVOLA_IN_CUTOFF);
    Fill(EditGiriUCF, car.GetValue(22));
    UpDownCutOff->SetPosition(car.COEFF16_APERTURA_CUTOFF);
    EditPosCutoff->setText(Percent(UpDownCutOff->Position()));
    if (version >= kPetrolCutoffVersion)
        CheckCutoffBenzina->setChecked((car.DEFAULT_REGISTRO_CONFIGURAZIONE & kPetrolCutoffBit) != 0);
    const int32_t u = car.GetValue(22);
    const int32_t a = car.PERIODO_X_APRIRE_ELETTROVALVOLA_IN_CUTOFF;
    int cutoff = 2;
    if (u > kCutoffOffRpm)
        cutoff = 3;
    else if (a < 1200 || u >= a)
        cutoff = 0;
    else if (a > kCutoffOffRpm)
        cutoff = 1;
    {
        const QSignalBlocker block(cutoffGroup_);
        GroupTipoCutoffItems[size_t(cutoff)]->setChecked(true);
    }
    GroupTipoCutoffClick();

    CheckBoxCambioFreddo->setChecked((car.DEFAULT_REGISTRO_CONFIGURAZIONE & kColdChangeoverBit) != 0);

    if (EditMinCumulo != nullptr) Fill(EditMinCumulo, car.GetValue(12));
    if (enrichment_ != nullptr) enrichment_->FillFromModel();
    ComboAlim->setCurrentIndex(car.TIPO_DI_CARBURANTE == 0 ? 0 : 1);
    Fill(EditCilindrata, car.GetValue(40));
    ComboCilindri->setCurrentIndex(car.GetValue(78));
    ComboLambda->setCurrentIndex(car.GetValue(76));
    lambdaTypeAtLoad_ = ComboLambda->currentIndex();
    ComboTps->setCurrentIndex(car.TIPO_DI_TPS & 1);
    ComboTpsSwitch->setCurrentIndex((car.TIPO_DI_TPS >> 2) & 3);
    FillFloat(EditIstTps, car.GetValue(27) * 0.01);

    Fill(EditGApMin, ctx_.param.GetGain(0, ConfParam::kGainOpening));
    Fill(EditGChMin, ctx_.param.GetGain(0, ConfParam::kGainClosing));
    CheckOpenLoop->setChecked(car.GetOpenLoop(0, kOpenLoopLowerPart) == kOpenLoopLower &&
                              car.GetOpenLoop(0, kOpenLoopUpperPart) == kOpenLoopUpper);
    CheckOpenLoopClick();

    Fill(EditMaxErrInteg, car.GetValue(18));
    Fill(EditMinErrInteg, car.GetValue(19));
    Fill(EditMaxErrIntegMin, car.GetValue(30));
    Fill(EditMinErrIntegMin, car.GetValue(31));
}

void TFormModifica::SetEmulationEnabled(bool enabled) {
    for (QWidget* w :
         std::initializer_list<QWidget*>{LabelEmOnde, LabelEmBasso, LabelEmAlto, LabelEmTri, LabelMs1,
                                         LabelMs2, LabelS1, EditEmOnde, EditEmBasso, EditEmAlto, EditEmTri})
        w->setEnabled(enabled);
}

void TFormModifica::SetLevelEditsEnabled(bool enabled) {
    for (QWidget* w : std::initializer_list<QWidget*>{EditIsteresi, EditRif1, EditRif2, EditRif3, EditRif4,
                                                      LabelIsteresi, LabelRiferimenti, LabelRifRiserva,
                                                      LabelRif1_4, LabelRif2_4, LabelRif3_4})
        w->setEnabled(enabled);
}

void TFormModifica::ShowAdaptationState() {
    const bool active = (ctx_.car.DEFAULT_REGISTRO_CONFIGURAZIONE & kAdaptationBit) != 0;
    LabStatoAdat->setText(active ? texts_.attiva : texts_.inattiva);
    ButtonAbilita->setText(active ? texts_.disabilitaAd : texts_.abilitaAd);
}

void TFormModifica::FillAdaptationEdit(QLineEdit* edit, int32_t value, bool meanError) {
    if (meanError && value == kMeanErrorNotAvailable)
        edit->setText(texts_.nd);
    else
        Fill(edit, value);
}

void TFormModifica::FillAdaptation() {
    const ConfCar& car = ctx_.car;
    ShowAdaptationState();
    if (car.ADATTATIVITA_ESTESA) {
        Fill(Editem[0], car.MAX_STEPL[0]);
        for (size_t i = 0; i < 4; ++i) {
            FillAdaptationEdit(EditMaxInst[i], car.ERRORE_MEDIO[i], true);
            FillAdaptationEdit(EditMaxAut[i], car.ERRORE_MEDIO[i + 4], true);
            Fill(EditFattiInst[i], car.PASSI_FATTI_AUTOMATICI[i]);
            Fill(EditFattiAut[i], car.PASSI_FATTI_AUTOMATICI[i + 4]);
        }
        return;
    }
    for (size_t i = 0; i < 4; ++i) {
        Fill(EditMaxInst[i], car.MAX_STEPV[i]);
        Fill(EditMaxAut[i], car.MAX_STEPL[i]);
        Fill(EditFattiInst[i], car.PASSI_FATTI_INSTALLATORE[i]);
        Fill(EditFattiAut[i], car.PASSI_FATTI_AUTOMATICI[i]);
        FillAdaptationEdit(Editem[i], car.ERRORE_MEDIO[i], true);
    }
}

// --- dependent controls --------------------------------------------------------------------------

void TFormModifica::ComboAlimChange() { MarkChanged(); }

void TFormModifica::ComboTipoEmChange() {
    const int index = ComboTipoEm->currentIndex();
    if (index == kBuiltWave) {
        SetEmulationEnabled(true);
        EditEmOnde->setText(QStringLiteral("1"));
    } else if (index >= 0 && index < 4) {
        SetEmulationEnabled(false);
        const EmulationPreset& p = kEmulationPresets[index];
        Fill(EditEmOnde, p.waves);
        Fill(EditEmBasso, p.low);
        Fill(EditEmAlto, p.high);
        FillFloat(EditEmTri, p.tristate);
    }
    MarkChanged();
}

void TFormModifica::ComboSensChange() {
    const int index = ComboSens->currentIndex();
    QLineEdit* refs[4] = {EditRif1, EditRif2, EditRif3, EditRif4};
    if (index > 1) {
        const int32_t* preset = kLevelPresets[index - 2];
        Fill(EditIsteresi, preset[0]);
        for (int i = 0; i < 4; ++i) Fill(refs[i], preset[i + 1]);
        SetLevelEditsEnabled(false);
    } else if (index >= 0) {
        // A non-standard sensor starts from the references of the standard sensor of its sense.
        SetLevelEditsEnabled(true);
        const int32_t* preset = kLevelPresets[index];
        for (int i = 0; i < 4; ++i) Fill(refs[i], preset[i + 1]);
    }
    MarkChanged();
}

int TFormModifica::CutoffType() const { return cutoffGroup_->checkedId(); }

void TFormModifica::SetCutoffType(int index) {
    if (index < 0 || index > 3) return;
    QRadioButton* item = GroupTipoCutoffItems[size_t(index)];
    if (item->isChecked())
        GroupTipoCutoffClick();
    else
        item->setChecked(true);  // the group's toggle runs the click handler
}

void TFormModifica::GroupTipoCutoffClick() {
    int32_t u = ReadEditInt(EditGiriUCF, 2500);
    int32_t a = ReadEditInt(EditGiriACF, 2000);
    MarkChanged();
    const int index = CutoffType();
    const auto show = [](std::initializer_list<QWidget*> widgets, bool visible) {
        for (QWidget* w : widgets) w->setVisible(visible);
    };
    const std::initializer_list<QWidget*> ucfRow = {LabelGiriUCF, EditGiriUCF, LabelRpm2};
    const std::initializer_list<QWidget*> acfRow = {LabelGiriACF, EditGiriACF, LabelRpm3};
    const std::initializer_list<QWidget*> openingRow = {LabelPosCF, EditPosCutoff, UpDownCutOff};
    const std::initializer_list<QWidget*> delayRow = {LabelRitCF, EditRitCutoff, LabelMs4,
                                                      CheckCutoffBenzina};
    switch (index) {
        case 0:
        case 1:
            if (index == 0) {
                a = 1000;
                LabelGiriUCF->setText(texts_.giriUCF);
            } else {
                // Partial cutoff only: its end speed is entered in the row of the total one.
                a = 10000;
                LabelGiriUCF->setText(texts_.giriACF);
            }
            show(ucfRow, true);
            show(acfRow, false);
            show(openingRow, index == 1);
            show(delayRow, true);
            if (u > kCutoffOffRpm) u = 2500;
            break;
        case 2:
            // Total above the higher speed, partial down to the lower one.
            LabelGiriACF->setText(texts_.giriUCF);
            LabelGiriUCF->setText(texts_.giriACF);
            show(ucfRow, true);
            show(acfRow, true);
            show(openingRow, true);
            show(delayRow, true);
            if (u > kCutoffOffRpm) u = 2500;
            if (a < u || a > kCutoffOffRpm) a = std::min(u + 1000, 7000);
            break;
        case 3:
            show(ucfRow, false);
            show(acfRow, false);
            show(openingRow, false);
            show(delayRow, false);
            CheckCutoffBenzina->setChecked(false);
            u = 10000;
            break;
        default:
            return;
    }
    EditGiriACF->setText(QString::number(a));
    EditGiriUCF->setText(QString::number(u));
}

void TFormModifica::UpDownCutOffClick() {
    EditPosCutoff->setText(Percent(UpDownCutOff->Position()));
    MarkChanged();
}

void TFormModifica::CheckOpenLoopClick() {
    const bool open = CheckOpenLoop->isChecked();
    for (QLineEdit* e : {EditGApMin, EditGChMin}) {
        e->setEnabled(!open);
        QPalette p = e->palette();
        p.setColor(QPalette::Base, QApplication::palette().color(open ? QPalette::Midlight : QPalette::Base));
        e->setPalette(p);
    }
    MarkChanged();
}

void TFormModifica::CheckBoxCambioFreddoClick() { MarkChanged(); }

// --- checking typed values -----------------------------------------------------------------------

void TFormModifica::EditEmOndeEnter(QLineEdit* edit) { intAtEnter_ = ReadEditInt(edit, 0); }

bool TFormModifica::EditEmOndeExit(QLineEdit* edit) {
    const FieldLimits* limits = LimitsOf(edit);
    if (limits == nullptr) return true;
    const int32_t v = ReadEditInt(edit, intAtEnter_);
    const int32_t m = ModelValue(limits->field);
    if (v == m || (limits->minimum <= v && v <= limits->maximum)) return true;
    checking_ = true;
    Ask(texts_.fuoriRange + " (" + std::to_string(limits->minimum) + " , " + std::to_string(limits->maximum) +
            ")",
        PromptIcon::Error, PromptButtons::Ok);
    const bool modelInRange = limits->minimum <= m && m <= limits->maximum;
    edit->setText(QString::number(modelInRange ? m : limits->minimum));
    edit->setFocus(Qt::OtherFocusReason);
    intAtEnter_ = ReadEditInt(edit, 0);
    checking_ = false;
    return false;
}

void TFormModifica::EditEmTriEnter(QLineEdit* edit) { floatAtEnter_ = ReadEditFloat(edit, 0); }

bool TFormModifica::EditEmTriExit(QLineEdit* edit) {
    const FieldLimits* limits = LimitsOf(edit);
    if (limits == nullptr) return true;
    const double v = ReadEditFloat(edit, floatAtEnter_);
    const double m = ModelFloat(limits->field);
    if (v == m || (limits->minimum <= v && v <= limits->maximum)) return true;
    checking_ = true;
    Ask(texts_.fuoriRange + " (" + std::to_string(limits->minimum) + " - " + std::to_string(limits->maximum) +
            ")",
        PromptIcon::Error, PromptButtons::Ok);
    FillFloat(edit, m);
    edit->setFocus(Qt::OtherFocusReason);
    floatAtEnter_ = ReadEditFloat(edit, 0);
    checking_ = false;
    return false;
}

bool TFormModifica::CheckFocusedEdit() {
    auto* edit = qobject_cast<QLineEdit*>(QApplication::focusWidget());
    if (edit == nullptr || edit->window() != this) return true;
    if (edit == EditPassiTps || edit == EditArrMin) {
        SyncUpDown(edit == EditPassiTps ? UpDownVarArr : UpDownArrMin, edit);
        return true;
    }
    if (LimitsOf(edit) == nullptr) return true;
    const bool decimal = std::find(floatEdits_.begin(), floatEdits_.end(), edit) != floatEdits_.end();
    return decimal ? EditEmTriExit(edit) : EditEmOndeExit(edit);
}

// --- self-adaptation page ------------------------------------------------------------------------

void TFormModifica::PageAdattativitaEnter() {
    const bool changed = valuesChanged_;
    ConfCar& car = ctx_.car;
    if (ctx_.link.IsConnected()) {
        // What the installer typed and has not stored yet stays typed: only the ECU's own
        // counters are brought up to date.
        std::vector<std::pair<QLineEdit*, QString>> pending;
        if (car.ADATTATIVITA_ESTESA) {
            if (Editem[0]->text() != QString::number(car.MAX_STEPL[0]))
                pending.emplace_back(Editem[0], Editem[0]->text());
        } else {
            for (size_t i = 0; i < 4; ++i)
                if (EditFattiInst[i]->text() != QString::number(car.PASSI_FATTI_INSTALLATORE[i]))
                    pending.emplace_back(EditFattiInst[i], EditFattiInst[i]->text());
        }
        LivePause pause(enrichment_);
        car.ReadAdaptation();
        FillAdaptation();
        for (const auto& [edit, text] : pending) edit->setText(text);
    }
    (car.ADATTATIVITA_ESTESA ? Editem[0] : EditFattiInst[0])->setFocus(Qt::OtherFocusReason);
    valuesChanged_ = changed;
}

void TFormModifica::ButtonAbilitaClick() {
    ConfCar& car = ctx_.car;
    car.DEFAULT_REGISTRO_CONFIGURAZIONE ^= kAdaptationBit;
    ShowAdaptationState();
    LivePause pause(enrichment_);
    ctx_.link.WriteVar(39, car.DEFAULT_REGISTRO_CONFIGURAZIONE);
}

void TFormModifica::ButtonAzzeraClick() {
    for (size_t i = 0; i < 4; ++i) {
        EditFattiInst[i]->setText(QStringLiteral("0"));
        EditFattiAut[i]->setText(QStringLiteral("0"));
    }
    LivePause pause(enrichment_);
    ctx_.car.ResetAdaptation();
}

void TFormModifica::UpDownVarArrClick(TUpDown* upDown) {
    QLineEdit* edit = upDown == UpDownVarArr ? EditPassiTps : EditArrMin;
    edit->setText(QString::number(upDown->Position()));
    if (!edit->hasFocus()) edit->setFocus(Qt::OtherFocusReason);
    MarkChanged();
}

void TFormModifica::SyncUpDown(TUpDown* upDown, QLineEdit* edit) {
    const int32_t v = ReadEditInt(edit, upDown->Position());
    const int32_t clamped = std::clamp(v, int32_t(upDown->Minimum()), int32_t(upDown->Maximum()));
    if (clamped != v) edit->setText(QString::number(clamped));
    upDown->SetPosition(clamped);
}

void TFormModifica::EditPassiTpsExit() { SyncUpDown(UpDownVarArr, EditPassiTps); }

void TFormModifica::EditArrMinExit() { SyncUpDown(UpDownArrMin, EditArrMin); }

// --- keyboard and pages --------------------------------------------------------------------------

bool TFormModifica::MoveFocus(QWidget* from, bool forward) {
    for (QWidget* w = forward ? from->nextInFocusChain() : from->previousInFocusChain(); w != from;
         w = forward ? w->nextInFocusChain() : w->previousInFocusChain()) {
        const bool canFocus =
            w->isVisible() && w->isEnabled() && (w->focusPolicy() & Qt::TabFocus) == Qt::TabFocus;
        if (!canFocus) continue;
        if (w->parentWidget() != from->parentWidget()) return false;
        w->setFocus(forward ? Qt::TabFocusReason : Qt::BacktabFocusReason);
        return true;
    }
    return false;
}

bool TFormModifica::ComboTipoEmKeyDown(QWidget* control, QKeyEvent* key) {
    switch (key->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            MoveFocus(control, true);
            return false;
        case Qt::Key_Up:
            MoveFocus(control, false);
            return true;
        case Qt::Key_Down:
            MoveFocus(control, true);
            return true;
        default:
            return false;
    }
}

bool TFormModifica::FormKeyDown(QKeyEvent* key) {
    if (key->key() != Qt::Key_PageUp && key->key() != Qt::Key_PageDown) return false;
    const bool forward = key->key() == Qt::Key_PageDown;
    const int count = PageControl1->count();
    // A page that cannot be opened (its tab greyed) is passed over, as the mouse cannot open it.
    const auto usable = [this](int i) {
        return PageControl1->isTabVisible(i) && PageControl1->isTabEnabled(i);
    };
    if (key->modifiers() & Qt::ControlModifier) {
        for (int n = 0; n < count; ++n) {
            const int i = forward ? count - 1 - n : n;
            if (usable(i)) {
                SelectPage(i);
                break;
            }
        }
        return true;
    }
    const int current = PageControl1->currentIndex();
    for (int n = 1; n < count; ++n) {
        const int i = (current + (forward ? n : count - n)) % count;
        if (usable(i)) {
            SelectPage(i);
            break;
        }
    }
    return true;
}

void TFormModifica::SelectPage(int index) {
    if (index != PageControl1->currentIndex()) PageControl1->setCurrentIndex(index);
}

void TFormModifica::PageLeft(QWidget* page) {
    if (page == PageTps && enrichment_ != nullptr) enrichment_->PageLeft();
}

void TFormModifica::PageEntered(QWidget* page) {
    if (page == PageTps && enrichment_ != nullptr) enrichment_->PageEntered();
    if (page == PageAdattativita) PageAdattativitaEnter();
}

void TFormModifica::PageControl1Change() {
    QWidget* page = PageControl1->currentWidget();
    if (page == currentPage_) return;
    PageLeft(currentPage_);
    currentPage_ = page;
    if (page == PageMappa) {
        // The map grid editor opens here; until it exists the page only leads back.
        PageControl1->setCurrentWidget(returnPage_);
        return;
    }
    returnPage_ = page;
    PageEntered(page);
}

// --- events --------------------------------------------------------------------------------------

bool TFormModifica::eventFilter(QObject* watched, QEvent* event) {
    auto* widget = qobject_cast<QWidget*>(watched);
    if (widget == nullptr || widget->window() != this) return QDialog::eventFilter(watched, event);
    switch (event->type()) {
        case QEvent::KeyPress: {
            auto* key = static_cast<QKeyEvent*>(event);
            if (FormKeyDown(key)) return true;
            const bool pageControl = qobject_cast<QComboBox*>(widget) != nullptr ||
                                     qobject_cast<QLineEdit*>(widget) != nullptr ||
                                     qobject_cast<QRadioButton*>(widget) != nullptr;
            if (pageControl && ComboTipoEmKeyDown(widget, key)) return true;
            break;
        }
        case QEvent::FocusIn:
        case QEvent::FocusOut: {
            auto* edit = qobject_cast<QLineEdit*>(widget);
            const auto reason = static_cast<QFocusEvent*>(event)->reason();
            // Another window coming to the front, or a pop-up, is no leaving of the edit.
            if (edit == nullptr || checking_ || reason == Qt::ActiveWindowFocusReason ||
                reason == Qt::PopupFocusReason)
                break;
            const bool in = event->type() == QEvent::FocusIn;
            if (edit == EditPassiTps || edit == EditArrMin) {
                if (in) break;
                if (edit == EditPassiTps)
                    EditPassiTpsExit();
                else
                    EditArrMinExit();
                break;
            }
            if (LimitsOf(edit) == nullptr) break;
            const bool decimal = std::find(floatEdits_.begin(), floatEdits_.end(), edit) != floatEdits_.end();
            if (in)
                decimal ? EditEmTriEnter(edit) : EditEmOndeEnter(edit);
            else
                decimal ? EditEmTriExit(edit) : EditEmOndeExit(edit);
            break;
        }
        default:
            break;
    }
    return QDialog::eventFilter(watched, event);
}

void TFormModifica::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (shown_) return;
    shown_ = true;
    if (enrichment_ != nullptr) enrichment_->SizeGrid();
    if (ComboCilindri->isVisible() && ComboCilindri->isEnabled())
        ComboCilindri->setFocus(Qt::OtherFocusReason);
    else
        EditIstTps->setFocus(Qt::OtherFocusReason);
    valuesChanged_ = false;
}

std::string TFormModifica::Caption() const { return ToCp1252(windowTitle()); }

PromptAnswer TFormModifica::Ask(const std::string& text, PromptIcon icon, PromptButtons buttons) {
    LivePause pause(enrichment_);
    return ctx_.prompter.Ask(text, Caption(), icon, buttons);
}

// --- closing -------------------------------------------------------------------------------------

bool TFormModifica::FormCloseQuery() {
    if (!valuesChanged_) return true;
    const std::string question = texts_.valoriCambiati + "\n" +
                                 (ctx_.link.IsConnected() ? texts_.scaricaValori : texts_.memorizzaValori);
    switch (Ask(question, PromptIcon::Question, PromptButtons::YesNoCancel)) {
        case PromptAnswer::Yes:
            ButtonModificaClick();
            return !valuesChanged_;
        case PromptAnswer::No:
            return true;
        default:
            return false;
    }
}

void TFormModifica::FormClose() {
    if (closed_) return;
    closed_ = true;
    if (enrichment_ != nullptr) enrichment_->StopLiveTimer();
}

void TFormModifica::reject() {
    if (!FormCloseQuery()) return;
    FormClose();
    QDialog::reject();
}

// --- storing -------------------------------------------------------------------------------------

bool TFormModifica::CheckLevelReferences() {
    const int32_t r[4] = {ReadEditInt(EditRif1, 10), ReadEditInt(EditRif2, 20), ReadEditInt(EditRif3, 30),
                          ReadEditInt(EditRif4, 40)};
    const bool inverted = IsInvertedSensor();
    for (int i = 0; i < 3; ++i) {
        const bool ordered = inverted ? r[i] > r[i + 1] : r[i] < r[i + 1];
        if (!ordered) {
            Ask(texts_.erroreSens, PromptIcon::Error, PromptButtons::Ok);
            return false;
        }
    }
    return true;
}

void TFormModifica::ButtonModificaClick() {
    if (!CheckFocusedEdit()) return;
    if (!CheckLevelReferences()) return;
    LivePause pause(enrichment_);
    StoreToModel();
    SyncUpDown(UpDownVarArr, EditPassiTps);
    SyncUpDown(UpDownArrMin, EditArrMin);
    ctx_.param.SetScalar(17, int8_t(UpDownVarArr->Position()));
    ctx_.param.SetScalar(54, UpDownArrMin->Position());
    for (int i = 0; i < kIdleGainColumns; ++i) {
        ctx_.param.SetGain(i, ConfParam::kGainOpening, ReadEditInt(EditGApMin, 3));
        ctx_.param.SetGain(i, ConfParam::kGainClosing, ReadEditInt(EditGChMin, 3));
    }
}

void TFormModifica::StoreToModel() {
    ConfCar& car = ctx_.car;
    const int32_t version = car.VERSIONE_CENTRALINA;

    TFormAttesaFile progress(this);
    progress.setWindowTitle(texts_.finestraScaricaCpu);
    progress.Label1->setText(texts_.aggiornaCpu);
    progress.completionText = texts_.completato;
    progress.show();
    progress.repaint();

    // Changeover.
    car.SetValue(0, ReadEditInt(EditRitMax, 1000));
    car.RITARDO_MINIMO_CAMBIO = ReadEditInt(EditRitMin, 2);
    car.SetValue(2, ReadEditInt(EditTMin, 100));
    car.TEMPO_SOVRAPPOSIZIONE = ReadEditInt(EditTSovrappos, 200);
    car.GIRI_MINIMI_PER_CAMBIO = ReadEditInt(EditGiriMin, 3000);
    car.SetValue(6, ReadEditInt(EditFuoriGiri, 6500));
    car.CAMBIO_IN_DECELERAZIONE = RadioCambioAcc->isChecked() ? 0 : 1;
    progress.SetProgress(20, true);

    // Emulation.
    car.DEF_NUMERO_ONDE_EMULAZIONE = ReadEditInt(EditEmOnde, 6);
    car.DEF_TEMPO_DI_EMULAZIONE_ALTO = ReadEditInt(EditEmAlto, 200);
    car.DEF_TEMPO_DI_EMULAZIONE_BASSO = ReadEditInt(EditEmBasso, 200);
    car.DEF_TEMPO_DI_EMULAZIONE_TRISTATE = TruncScaled(ReadEditFloat(EditEmTri, 200.0), 1000);

    // Level sensor. A sensor type the combo cannot show keeps its index.
    if (ComboSens->currentIndex() >= 0) car.TIPO_DI_SENSORE = ComboSens->currentIndex();
    car.SetValue(15, ReadEditInt(EditIsteresi, 4));
    QLineEdit* refs[4] = {EditRif1, EditRif2, EditRif3, EditRif4};
    const bool inverted = IsInvertedSensor();
    for (int i = 0; i < 4; ++i) {
        car.RIF_SENS[i] =
            inverted ? 255 - ReadEditInt(refs[i], 40 - 10 * i) : ReadEditInt(refs[i], 10 + 10 * i);
    }
    progress.SetProgress(40, true);

    // Cutoff.
    car.DEF_RITARDO_INNESCO_CUTOFF = ReadEditInt(EditRitCutoff, 200);
    car.SetValue(22, ReadEditInt(EditGiriUCF, 2500));
    car.COEFF16_APERTURA_CUTOFF = UpDownCutOff->Position();
    car.PERIODO_X_APRIRE_ELETTROVALVOLA_IN_CUTOFF = ReadEditInt(EditGiriACF, 2000);
    int32_t reg = car.DEFAULT_REGISTRO_CONFIGURAZIONE;
    reg = (version >= kPetrolCutoffVersion && CheckCutoffBenzina->isChecked()) ? reg | kPetrolCutoffBit
                                                                               : reg & ~kPetrolCutoffBit;
    reg = CheckBoxCambioFreddo->isChecked() ? reg | kColdChangeoverBit : reg & ~kColdChangeoverBit;
    car.DEFAULT_REGISTRO_CONFIGURAZIONE = reg;

    // Vehicle. Combos without a selection (a code outside their list) leave the model's code.
    if (EditMinCumulo != nullptr) car.SetValue(12, ReadEditInt(EditMinCumulo, 4));
    if ((car.TIPO_DI_CARBURANTE != 0 ? 1 : 0) != ComboAlim->currentIndex())
        car.TIPO_DI_CARBURANTE = ComboAlim->currentIndex();
    car.SetValue(40, ReadEditInt(EditCilindrata, 1000));
    if (ComboCilindri->currentIndex() >= 0) car.SetValue(78, ComboCilindri->currentIndex());
    const int lambda = ComboLambda->currentIndex();
    if (lambda >= 0) car.SetValue(76, lambda);

    // A new lambda type gets its references.
    if (lambda != lambdaTypeAtLoad_ && lambda >= 0 && lambda < kLambdaPresetRows &&
        version >= kNewLayoutVersion) {
        lambdaTypeAtLoad_ = lambda;
        car.SetValue(99, kLambdaPresets[lambda][0]);
        car.SetValue(25, kLambdaPresets[lambda][1]);
        car.SetValue(24, kLambdaPresets[lambda][2]);
        car.SetValue(4, 0);
    }

    const int32_t switchTps =
        ComboTpsSwitch->currentIndex() >= 0 ? ComboTpsSwitch->currentIndex() : (car.TIPO_DI_TPS >> 2) & 3;
    car.TIPO_DI_TPS = (car.TIPO_DI_TPS & kMonoBoschBit) | (ComboTps->currentIndex() & 1) | (switchTps << 2);
    car.SetValue(27, TruncScaled(ReadEditFloat(EditIstTps, 0), 100));

    const bool openLoop = CheckOpenLoop->isChecked();
    for (int i = 0; i < kOpenLoopEntries; ++i) {
        car.SetOpenLoop(i, kOpenLoopUpperPart, openLoop ? kOpenLoopUpper : 0);
        car.SetOpenLoop(i, kOpenLoopLowerPart, openLoop ? kOpenLoopLower : 0);
    }

    car.SetValue(18, ReadEditInt(EditMaxErrInteg, 50));
    car.SetValue(19, ReadEditInt(EditMinErrInteg, -50));
    car.SetValue(30, ReadEditInt(EditMaxErrIntegMin, 50));
    car.SetValue(31, ReadEditInt(EditMinErrIntegMin, -50));

    car.WriteToEcu();
    progress.SetProgress(80, true);

    if (car.ADATTATIVITA_ESTESA) {
        const int32_t maximum = ReadEditInt(Editem[0], 40);
        std::fill(std::begin(car.MAX_STEPL), std::end(car.MAX_STEPL), maximum);
    } else {
        for (size_t i = 0; i < 4; ++i) car.PASSI_FATTI_INSTALLATORE[i] = ReadEditInt(EditFattiInst[i], 0);
    }
    car.WriteAdaptation();
    valuesChanged_ = false;
    progress.SetProgress(100, true);
    progress.close();
}

}  // namespace zov
