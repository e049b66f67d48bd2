#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProxyStyle>
#include <QPushButton>
#include <QRadioButton>
#include <QStyleFactory>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>

#include "AdaptationPage.h"
#include "EditorWidgets.h"
#include "EnrichmentPage.h"
#include "Localizer.h"
#include "QtText.h"
#include "TFormModifica.h"
#include "TModuloLingua.h"
#include "TUpDown.h"

// The parameter editor's controls, their layout on the pages and their texts.

namespace zov {
namespace {

using namespace editor_widgets;

QString Utf(const char* text) { return QString::fromUtf8(text); }

// The program's own style with less room beside a tab's caption.
class NarrowTabStyle : public QProxyStyle {
  public:
    NarrowTabStyle() : QProxyStyle(QStyleFactory::create(QApplication::style()->name())) {}
    int pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const override {
        if (metric == PM_TabBarTabHSpace) return QProxyStyle::pixelMetric(metric, option, widget) / 2;
        return QProxyStyle::pixelMetric(metric, option, widget);
    }
};

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
    PageAdattativita = new AdaptationPage(ctx_);
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
    // The page opens the map grid editor, when the program has one to open.
    PageControl1->setTabEnabled(PageControl1->indexOf(PageMappa), bool(ctx_.openMapEditor));

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
    ButtonAnnullaScrittura = button("ButtonAnnullaScrittura", "&Annulla ultima scrittura");
    ButtonEsci = button("ButtonEsci", "&Esci");
    // Stretches on both sides keep the visible buttons centred as a group.
    row->addStretch(1);
    row->addWidget(ButtonIstruzioniKit);
    row->addSpacing(20);
    row->addWidget(ButtonModifica);
    row->addSpacing(20);
    row->addWidget(ButtonAnnullaScrittura);
    row->addSpacing(20);
    row->addWidget(ButtonEsci);
    row->addStretch(1);
    for (QPushButton* b : findChildren<QPushButton*>()) b->setAutoDefault(false);
    return row;
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
        {ButtonEsci, 20},          {ButtonIstruzioniKit, 30}, {LabelEmTipo, 30},
        {LabelEmOnde, 30},         {LabelEmBasso, 30},        {LabelEmAlto, 30},
        {LabelEmTri, 30},          {LabelTipoSens, 30},       {LabelIsteresi, 30},
        {LabelRiferimenti, 40},    {LabelRifRiserva, 10},     {LabelRif1_4, 10},
        {LabelRif2_4, 10},         {LabelRif3_4, 10},         {LabelTMin, 40},
        {LabelTSovrappos, 40},     {LabelGiriMin, 40},        {LabelFuoriGiri, 40},
        {LabelMaxRit, 30},         {LabelMinRit, 30},         {LabelC, 30},

        {GroupTipoCutoff, 40},     {LabelPosCF, 45},          {LabelRitCF, 45},
        {CheckCutoffBenzina, 50},  {LabelAlim, 40},           {LabelCilindri, 40},
        {LabelCilindrata, 40},     {LabelTipoLambda, 40},     {LabelTpsLineare, 40},
        {LabelTpsSwitch, 40},      {LabelIstTps, 40},         {LabelGuadChiusMin, 40},
        {LabelGuadApertMin, 40},   {LabelMaxErrInteg, 50},    {LabelMinErrInteg, 50},
        {LabelMaxErrIntegMin, 50}, {LabelMinErrIntegMin, 50},
    };
    for (const Named& n : named) l.Caption(n.control, n.length);
    l.Apply(QStringLiteral("LabelRpm"), 30, [this](const QString& t) {
        for (QLabel* label : {LabelRpm, LabelRpm2, LabelRpm3, LabelRpm4}) label->setText(t);
    });
    l.Caption(ButtonModifica, QStringLiteral("ButtonScarica"), 40);
    l.Caption(ButtonAnnullaScrittura, QStringLiteral("ButtonAnnullaScrittura"), 40);
    l.WindowTitle(this, QString::fromLatin1(outOfArchive_ ? "FinestraAutoFuoriArchivio" : "FinestraModifica"),
                  50);
    l.Caption(CheckBoxCambioFreddo, QStringLiteral("LabelCambioFreddo"), 40);
    l.Caption(CheckOpenLoop, QStringLiteral("LabelEffetto3"), 25);
    l.Caption(RadioCambioAcc, QStringLiteral("LabelCambioAcc"), 35);
    l.Caption(RadioCambioDec, QStringLiteral("LabelCambioDec"), 35);
    for (QLabel* label : {LabelMs1, LabelMs2, LabelMs3, LabelMs4})
        l.Caption(label, QStringLiteral("LabelMs"), 12);
    for (QLabel* label : {LabelS1, LabelS2, LabelS3}) l.Caption(label, QStringLiteral("LabelS"), 10);
    for (QLabel* label : {LabelPassi1, LabelPassi2, LabelPassi3, LabelPassi4})
        l.Caption(label, QStringLiteral("LabelPassi"), 15);
    PageAdattativita->AddTexts(l);

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
    l.Text(QStringLiteral("MessNoFile"), 70, texts_.noFile);
    l.Text(QStringLiteral("MessNoCil"), 70, texts_.noCil);
    l.Text(QStringLiteral("MessCorruptedFile"), 70, texts_.corruptedFile);
    l.Text(QStringLiteral("MessMappaBaseLimiti"), 70, texts_.baseMapLimits);
    l.Text(QStringLiteral("FinestraIstruzioni"), 70, texts_.finestraIstruzioni);
    l.Apply(QStringLiteral("MessNoIstrLingua1"), 70,
            [this](const QString& t) { texts_.noIstrLingua = ToCp1252(t); });
    l.Apply(QStringLiteral("MessNoIstrLingua2"), 70,
            [this](const QString& t) { texts_.noIstrLingua += "\n" + ToCp1252(t); });
    l.Text(QStringLiteral("MessNoIstruzioni"), 70, texts_.noIstruzioni);
    l.Text(QStringLiteral("ButtonOK"), 15, texts_.buttonOK);
    l.Text(QStringLiteral("ButtonAnnulla"), 15, texts_.buttonAnnulla);
    l.Text(QStringLiteral("LabelCerca"), 15, texts_.cerca);
    l.Text(QStringLiteral("MessIstrIlleggibili"), 70, texts_.istrIlleggibili);
    l.Text(QStringLiteral("FinestraScaricaCpu"), 50, texts_.finestraScaricaCpu);
    l.Text(QStringLiteral("MessAggiornaCpu"), 50, texts_.aggiornaCpu);
    l.Text(QStringLiteral("MessCompletato"), 15, texts_.completato);
    l.Text(QStringLiteral("MessValoriInScrittura"), 70, texts_.valoriInScrittura);
    l.Text(QStringLiteral("MessAnteprimaNonDisp"), 70, texts_.anteprimaNonDisp);
    l.Text(QStringLiteral("MessAnnullaNonDisp"), 70, texts_.annullaNonDisp);
    l.Text(QStringLiteral("MessAnnullaScrittura"), 70, texts_.annullaScrittura);
    l.Text(QStringLiteral("MessErrAnnulla"), 70, texts_.errAnnulla);
    l.Text(QStringLiteral("MessScritturaRifiutata"), 70, texts_.scritturaRifiutata);
    l.Text(QStringLiteral("MessCutoffSpento"), 70, texts_.cutoffSpento);

    // The enrichment page looks up its own texts, and only when these were all found, so the
    // window never shows a mix of dictionary and built-in texts of its own.
    const bool ok = !l.Run().has_value() && enrichment_->Localize();
    LabelGiriACF->setText(texts_.giriACF);
    LabelGiriUCF->setText(texts_.giriUCF);
    return ok;
}

}  // namespace zov
