#include "TFormModifica.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFocusEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTabWidget>
#include <algorithm>

#include "AdaptationPage.h"
#include "DictionaryMessages.h"
#include "EditReading.h"
#include "EditorFieldMap.h"
#include "EditorPageRules.h"
#include "EditorStoreRules.h"
#include "EnrichmentPage.h"
#include "LivePause.h"
#include "QtText.h"
#include "TFormAttesaFile.h"
#include "TModuloLingua.h"
#include "TUpDown.h"
#include "UndoLastWrite.h"
#include "WindowScale.h"

namespace zov {
namespace {

using Rules = EditorPageRules;
using F = EditorFieldMap;

constexpr int kEmulationWavesVariable = 8;

QString Utf(const char* text) { return QString::fromUtf8(text); }

QString Percent(int32_t sixteenths) {
    return QString::number(Rules::OpeningPercent(sixteenths)) + QStringLiteral("%");
}

void SetEnabled(std::initializer_list<QWidget*> widgets, bool enabled) {
    for (QWidget* w : widgets) w->setEnabled(enabled);
}

void SetVisible(std::initializer_list<QWidget*> widgets, bool visible) {
    for (QWidget* w : widgets) w->setVisible(visible);
}

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
    texts_.finestraScaricaCpu = Utf("Scarica configurazione");
    texts_.aggiornaCpu = Utf("Scrittura dei dati in centralina in corso...");
    texts_.valoriInScrittura = "Valori che cambieranno nella centralina:";
    texts_.anteprimaNonDisp = "Impossibile elencare i valori che cambieranno (disco pieno).";
    texts_.annullaNonDisp = ToCp1252(Utf("Questa scrittura non potrà essere annullata."));
    texts_.annullaScrittura = "Riportare la centralina ai valori precedenti l'ultima scrittura?";
    texts_.errAnnulla = "Impossibile annullare l'ultima scrittura:";
    texts_.scritturaRifiutata = "La centralina ha rifiutato queste variabili: non ha preso i valori";
    texts_.cutoffSpento = ToCp1252(Utf("(tipo «Nessuno»: oltre 8500 giri/min il cutoff è spento)"));
    texts_.noFile = "File della mappa base non trovato.";
    texts_.noCil = "Nessuna mappa base per questa cilindrata.";
    texts_.corruptedFile = ToCp1252(Utf("Il file della mappa base è danneggiato."));
    texts_.baseMapLimits = "Nessuna mappa base: fuori da %1-%2 cc le celle andrebbero ai limiti.";
    texts_.finestraIstruzioni = Utf("Istruzioni di montaggio");
    texts_.noIstrLingua =
        "Le istruzioni non sono disponibili nella lingua scelta.\nScegliere una delle lingue disponibili:";
    texts_.noIstruzioni = "Istruzioni non disponibili in nessuna lingua.";
    texts_.buttonOK = Utf("OK");
    texts_.buttonAnnulla = Utf("Annulla");
    texts_.cerca = Utf("Cerca:");
    texts_.istrIlleggibili = Utf("Impossibile aprire il documento delle istruzioni.");
    SetUpWindow();
}

TFormModifica::~TFormModifica() { FormClose(); }

void TFormModifica::SetUpWindow() {
    scale_ = PrimaryScreenScale();
    setFont(ScaledFont(font(), scale_));
    BuildControls();
    ConnectHandlers();

    returnPage_ = PageGenerale;
    ButtonIstruzioniKit->setVisible(outOfArchive_);

    PageControl1->setCurrentWidget(PageGenerale);
    localized_ = Localize();
    if (!localized_ && dictionary_.FirstReportOf(dictionary_messages::kParameterEditor)) {
        LivePause pause(enrichment_);
        ctx_.prompter.Ask(dictionary_messages::kParameterEditor, AppContext::kTitle, PromptIcon::Error,
                          PromptButtons::Ok);
    }

    if (Rules::FourthEmulationOffered(ctx_.link.IsConnected(), ctx_.map.mapBPresent != 0))
        ComboTipoEm->addItem(texts_.fourthEmulation);

    // The range comes before the fill, which puts the position into it: what the edit shows is
    // what will be stored.
    UpDownCutOff->SetRange(8, 16);

    PageControl1->setCurrentWidget(PageGenerale);
    currentPage_ = PageGenerale;
    FillFromModel();
    FillAdaptation();
    PageAdattativita->FillUpDowns();

    AttachLimits();
    ApplyVersionVisibility();

    // Keys reach the window before its controls; every control of the window is watched.
    installEventFilter(this);
    for (QWidget* w : findChildren<QWidget*>()) w->installEventFilter(this);
    // Maximised; where no window manager does it, the window still covers the screen.
    if (const QScreen* screen = QGuiApplication::primaryScreen()) setGeometry(screen->availableGeometry());
    setWindowState(windowState() | Qt::WindowMaximized);
}

std::vector<std::pair<QLineEdit*, int>> TFormModifica::CheckedEdits() const {
    std::vector<std::pair<QLineEdit*, int>> edits = {
        {EditCilindrata, F::kCilindrata},
        {EditIstTps, F::kIstTps},
        {EditRitMax, F::kRitMax},
        {EditRitMin, F::kRitMin},
        {EditTMin, F::kTMin},
        {EditTSovrappos, F::kTSovrappos},
        {EditGiriMin, F::kGiriMin},
        {EditFuoriGiri, F::kFuoriGiri},
        {EditEmOnde, F::kEmOnde},
        {EditEmBasso, F::kEmBasso},
        {EditEmAlto, F::kEmAlto},
        {EditEmTri, F::kEmTri},
        {EditIsteresi, F::kIsteresi},
        {EditRif1, F::kRif1},
        {EditRif2, F::kRif2},
        {EditRif3, F::kRif3},
        {EditRif4, F::kRif4},
        {EditGiriACF, F::kGiriACF},
        {EditGiriUCF, F::kGiriUCF},
        {EditRitCutoff, F::kRitCutoff},
        {EditMinCumulo, F::kMinCumulo},
        {EditGApMin, F::kGApMin},
        {EditGChMin, F::kGChMin},
        {EditMaxErrInteg, F::kMaxErrInteg},
        {EditMinErrInteg, F::kMinErrInteg},
        {EditMaxErrIntegMin, F::kMaxErrIntegMin},
        {EditMinErrIntegMin, F::kMinErrIntegMin},
    };
    for (const auto& edit : PageAdattativita->CheckedEdits()) edits.push_back(edit);
    return edits;
}

void TFormModifica::AttachLimits() {
    fieldLimits_ = FieldLimits::Build(ctx_.car.MAX_STEPV);
    limitOf_.clear();
    for (const auto& [edit, field] : CheckedEdits())
        if (edit != nullptr) limitOf_[edit] = field;
}

const FieldLimits* TFormModifica::LimitsOf(const QWidget* edit) const {
    const auto it = limitOf_.find(edit);
    return it == limitOf_.end() ? nullptr : &fieldLimits_[size_t(it->second)];
}

void TFormModifica::ApplyVersionVisibility() {
    const int32_t version = ctx_.car.VERSIONE_CENTRALINA;
    if (!Rules::OffersColdChangeover(version)) CheckBoxCambioFreddo->hide();
    if (!Rules::OffersVehicleSettings(version))
        SetEnabled({ComboAlim, ComboCilindri, EditCilindrata, ComboLambda, ComboTps, ComboTpsSwitch}, false);
    if (!Rules::OffersPetrolCutoff(version)) CheckCutoffBenzina->setEnabled(false);
}

void TFormModifica::ConnectHandlers() {
    const auto changed = [this] { ComboAlimChange(); };
    for (QComboBox* c : {ComboAlim, ComboLambda, ComboCilindri, ComboTps, ComboTpsSwitch})
        connect(c, &QComboBox::currentIndexChanged, this, changed);
    for (QLineEdit* e :
         {EditCilindrata,  EditIstTps,      EditTMin,           EditTSovrappos,     EditGiriMin,
          EditFuoriGiri,   EditEmOnde,      EditEmBasso,        EditEmAlto,         EditEmTri,
          EditIsteresi,    EditRif1,        EditRif2,           EditRif3,           EditRif4,
          EditRitCutoff,   EditGiriUCF,     EditGiriACF,        EditGApMin,         EditGChMin,
          EditMaxErrInteg, EditMinErrInteg, EditMaxErrIntegMin, EditMinErrIntegMin, EditMinCumulo})
        connect(e, &QLineEdit::textChanged, this, changed);
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
    connect(ButtonModifica, &QPushButton::clicked, this, [this] { ButtonModificaClick(); });
    connect(ButtonIstruzioniKit, &QPushButton::clicked, this, [this] { ButtonIstruzioniKitClick(); });
    connect(ButtonAnnullaScrittura, &QPushButton::clicked, this, [this] { ButtonAnnullaScritturaClick(); });
    // An undo left by an earlier store of this session stays on offer.
    ButtonAnnullaScrittura->setEnabled(LastWriteUndoable(ctx_));
    connect(ButtonEsci, &QPushButton::clicked, this, [this] { reject(); });
    connect(PageControl1, &QTabWidget::currentChanged, this, [this] { PageControl1Change(); });
    connect(enrichment_, &EnrichmentPage::valuesChanged, this, changed);
    connect(PageAdattativita, &AdaptationPage::valuesChanged, this, changed);
    PageAdattativita->runExchange = [this](const std::function<void()>& exchange) {
        LivePause pause(enrichment_);
        exchange();
    };
    PageAdattativita->reportRefused = [this](const std::vector<int>& refused) {
        ReportRefusedWrites(refused);
    };
}

void TFormModifica::ReportRefusedWrites(const std::vector<int>& refused) {
    if (!refused.empty())
        Ask(RefusalText(texts_.scritturaRifiutata, refused), PromptIcon::Warning, PromptButtons::Ok);
}

// --- reading and filling edits -------------------------------------------------------------------

int32_t TFormModifica::ReadEditInt(QLineEdit* edit, int32_t fallback) {
    return EditReading::ReadInt(edit, fallback);
}

double TFormModifica::ReadEditFloat(QLineEdit* edit, double fallback) {
    return EditReading::ReadDecimal(edit, fallback);
}

EditorFieldMap TFormModifica::Fields() const { return EditorFieldMap(ctx_.car, ctx_.param); }

void TFormModifica::FillField(QLineEdit* edit, int field) {
    const EditorFieldMap fields = Fields();
    if (F::IsDecimal(field))
        EditReading::FillDecimal(edit, fields.ShownDecimal(field));
    else
        EditReading::Fill(edit, fields.Shown(field, ComboSens->currentIndex()));
}

// --- filling -------------------------------------------------------------------------------------

void TFormModifica::FillFromModel() {
    ConfCar& car = ctx_.car;

    for (const auto& [edit, field] :
         std::initializer_list<std::pair<QLineEdit*, int>>{{EditRitMax, F::kRitMax},
                                                           {EditRitMin, F::kRitMin},
                                                           {EditTMin, F::kTMin},
                                                           {EditTSovrappos, F::kTSovrappos},
                                                           {EditGiriMin, F::kGiriMin},
                                                           {EditFuoriGiri, F::kFuoriGiri}})
        FillField(edit, field);
    (car.CAMBIO_IN_DECELERAZIONE ? RadioCambioDec : RadioCambioAcc)->setChecked(true);

    FillEmulation();
    FillLevelSensor();
    PageAdattativita->FillZoneLimits();
    FillCutoff();

    CheckBoxCambioFreddo->setChecked(
        EditorStoreRules::HasColdChangeover(car.DEFAULT_REGISTRO_CONFIGURAZIONE));

    FillField(EditMinCumulo, F::kMinCumulo);
    enrichment_->FillFromModel();
    ComboAlim->setCurrentIndex(car.TIPO_DI_CARBURANTE == 0 ? 0 : 1);
    FillField(EditCilindrata, F::kCilindrata);
    ComboCilindri->setCurrentIndex(car.GetValue(78));
    ComboLambda->setCurrentIndex(car.GetValue(76));
    lambdaTypeAtLoad_ = ComboLambda->currentIndex();
    ComboTps->setCurrentIndex(EditorStoreRules::LinearTpsIndex(car.TIPO_DI_TPS));
    ComboTpsSwitch->setCurrentIndex(EditorStoreRules::SwitchTpsIndex(car.TIPO_DI_TPS));
    FillField(EditIstTps, F::kIstTps);

    FillField(EditGApMin, F::kGApMin);
    FillField(EditGChMin, F::kGChMin);
    CheckOpenLoop->setChecked(EditorStoreRules::IsOpenLoop(car));
    CheckOpenLoopClick();

    for (const auto& [edit, field] :
         std::initializer_list<std::pair<QLineEdit*, int>>{{EditMaxErrInteg, F::kMaxErrInteg},
                                                           {EditMinErrInteg, F::kMinErrInteg},
                                                           {EditMaxErrIntegMin, F::kMaxErrIntegMin},
                                                           {EditMinErrIntegMin, F::kMinErrIntegMin}})
        FillField(edit, field);
}

void TFormModifica::FillEmulation() {
    ConfCar& car = ctx_.car;
    for (const auto& [edit, field] :
         std::initializer_list<std::pair<QLineEdit*, int>>{{EditEmOnde, F::kEmOnde},
                                                           {EditEmBasso, F::kEmBasso},
                                                           {EditEmAlto, F::kEmAlto},
                                                           {EditEmTri, F::kEmTri}})
        FillField(edit, field);
    const Rules::EmulationChoice choice =
        Rules::EmulationTypeOf({car.DEF_NUMERO_ONDE_EMULAZIONE, car.DEF_TEMPO_DI_EMULAZIONE_ALTO,
                                car.DEF_TEMPO_DI_EMULAZIONE_BASSO, car.DEF_TEMPO_DI_EMULAZIONE_TRISTATE},
                               ComboTipoEm->count() > Rules::kFourthEmulation);
    if (choice.demoteToOneWave) {
        // This ECU cannot run the fourth type: a built wave of one wave, in the ECU at once.
        car.DEF_NUMERO_ONDE_EMULAZIONE = 1;
        FillField(EditEmOnde, F::kEmOnde);
        if (ctx_.car.Send(kEmulationWavesVariable, 1) == WriteOutcome::Refused)
            ReportRefusedWrites({kEmulationWavesVariable});
    }
    ComboTipoEm->setCurrentIndex(choice.type);
    SetEmulationEnabled(choice.type == Rules::kBuiltWave);
}

void TFormModifica::FillLevelSensor() {
    ComboSens->setCurrentIndex(ctx_.car.TIPO_DI_SENSORE);
    FillField(EditIsteresi, F::kIsteresi);
    const std::array<QLineEdit*, 4> refs = LevelReferenceEdits();
    for (int i = 0; i < 4; ++i) FillField(refs[size_t(i)], F::kRif1 + i);
    SetLevelEditsEnabled(!Rules::IsStandardSensor(ComboSens->currentIndex()));
}

void TFormModifica::FillCutoff() {
    const ConfCar& car = ctx_.car;
    FillField(EditRitCutoff, F::kRitCutoff);
    FillField(EditGiriACF, F::kGiriACF);
    FillField(EditGiriUCF, F::kGiriUCF);
    UpDownCutOff->SetPosition(car.COEFF16_APERTURA_CUTOFF);
    EditPosCutoff->setText(Percent(UpDownCutOff->Position()));
    if (Rules::OffersPetrolCutoff(car.VERSIONE_CENTRALINA))
        CheckCutoffBenzina->setChecked(
            EditorStoreRules::HasPetrolCutoff(car.DEFAULT_REGISTRO_CONFIGURAZIONE));
    const int type = Rules::CutoffTypeOf({car.GetValue(22), car.PERIODO_X_APRIRE_ELETTROVALVOLA_IN_CUTOFF});
    {
        const QSignalBlocker block(cutoffGroup_);
        GroupTipoCutoffItems[size_t(type)]->setChecked(true);
    }
    GroupTipoCutoffClick();
}

void TFormModifica::FillAdaptation() { PageAdattativita->FillAdaptation(); }

void TFormModifica::SetEmulationEnabled(bool enabled) {
    SetEnabled({LabelEmOnde, LabelEmBasso, LabelEmAlto, LabelEmTri, LabelMs1, LabelMs2, LabelS1, EditEmOnde,
                EditEmBasso, EditEmAlto, EditEmTri},
               enabled);
}

void TFormModifica::SetLevelEditsEnabled(bool enabled) {
    SetEnabled({EditIsteresi, EditRif1, EditRif2, EditRif3, EditRif4, LabelIsteresi, LabelRiferimenti,
                LabelRifRiserva, LabelRif1_4, LabelRif2_4, LabelRif3_4},
               enabled);
}

// --- dependent controls --------------------------------------------------------------------------

void TFormModifica::ComboAlimChange() { MarkChanged(); }

void TFormModifica::ComboTipoEmChange() {
    const int index = ComboTipoEm->currentIndex();
    if (index == Rules::kBuiltWave) {
        SetEmulationEnabled(true);
        EditEmOnde->setText(QStringLiteral("1"));
    } else if (index >= 0) {
        SetEmulationEnabled(false);
        const Rules::EmulationPreset p = Rules::EmulationPresetOf(index);
        EditReading::Fill(EditEmOnde, p.waves);
        EditReading::Fill(EditEmBasso, p.low);
        EditReading::Fill(EditEmAlto, p.high);
        EditReading::FillDecimal(EditEmTri, p.tristateSeconds);
    }
    MarkChanged();
}

void TFormModifica::ComboSensChange() {
    const int index = ComboSens->currentIndex();
    if (index >= 0) {
        const Rules::LevelPreset preset = Rules::LevelPresetOf(index);
        const bool standard = Rules::IsStandardSensor(index);
        if (standard) EditReading::Fill(EditIsteresi, preset.hysteresis);
        const std::array<QLineEdit*, 4> refs = LevelReferenceEdits();
        for (size_t i = 0; i < 4; ++i) EditReading::Fill(refs[i], preset.references[i]);
        SetLevelEditsEnabled(!standard);
    }
    MarkChanged();
}

int TFormModifica::CutoffType() const { return cutoffGroup_->checkedId(); }

void TFormModifica::ShowCutoffRows(int type) {
    const bool shown = type != Rules::kNoCutoff;
    SetVisible({LabelGiriUCF, EditGiriUCF, LabelRpm2}, shown);
    SetVisible({LabelGiriACF, EditGiriACF, LabelRpm3}, type == Rules::kTotalAndPartialCutoff);
    SetVisible({LabelPosCF, EditPosCutoff, UpDownCutOff},
               type == Rules::kPartialCutoff || type == Rules::kTotalAndPartialCutoff);
    SetVisible({LabelRitCF, EditRitCutoff, LabelMs4, CheckCutoffBenzina}, shown);
}

void TFormModifica::GroupTipoCutoffClick() {
    const Rules::CutoffSpeeds typed{ReadEditInt(EditGiriUCF, 2500), ReadEditInt(EditGiriACF, 2000)};
    MarkChanged();
    const int type = CutoffType();
    if (type < 0) return;
    switch (type) {
        case Rules::kTotalCutoff:
            LabelGiriUCF->setText(texts_.giriUCF);
            break;
        case Rules::kPartialCutoff:
            // Partial cutoff only: its end speed is entered in the row of the total one.
            LabelGiriUCF->setText(texts_.giriACF);
            break;
        case Rules::kTotalAndPartialCutoff:
            LabelGiriACF->setText(texts_.giriUCF);
            LabelGiriUCF->setText(texts_.giriACF);
            break;
        default:
            CheckCutoffBenzina->setChecked(false);
            break;
    }
    ShowCutoffRows(type);
    const Rules::CutoffSpeeds speeds = Rules::CutoffSpeedsFor(type, typed);
    EditGiriACF->setText(QString::number(speeds.opening));
    EditGiriUCF->setText(QString::number(speeds.end));
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
    const int32_t m = Fields().Shown(limits->field, ComboSens->currentIndex());
    if (limits->Accepts(v, m)) return true;
    checking_ = true;
    Ask(texts_.fuoriRange + limits->RangeText(false), PromptIcon::Error, PromptButtons::Ok);
    edit->setText(QString::number(limits->Restored(m)));
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
    const double m = Fields().ShownDecimal(limits->field);
    if (limits->Accepts(v, m)) return true;
    checking_ = true;
    Ask(texts_.fuoriRange + limits->RangeText(true), PromptIcon::Error, PromptButtons::Ok);
    EditReading::FillDecimal(edit, m);
    edit->setFocus(Qt::OtherFocusReason);
    floatAtEnter_ = ReadEditFloat(edit, 0);
    checking_ = false;
    return false;
}

bool TFormModifica::CheckFocusedEdit() {
    auto* edit = qobject_cast<QLineEdit*>(QApplication::focusWidget());
    if (edit == nullptr || edit->window() != this) return true;
    const FieldLimits* limits = LimitsOf(edit);
    if (limits == nullptr) return true;
    return F::IsDecimal(limits->field) ? EditEmTriExit(edit) : EditEmOndeExit(edit);
}

void TFormModifica::PageAdattativitaEnter() {
    const bool changed = valuesChanged_;
    PageAdattativita->PageEntered();
    valuesChanged_ = changed;
}

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
    // A page that cannot be opened (its tab greyed) is passed over, as the mouse cannot open it;
    // so is "Mappa", which has no controls and would open the map editor on the way through.
    const auto usable = [this](int i) {
        return PageControl1->isTabVisible(i) && PageControl1->isTabEnabled(i) &&
               PageControl1->widget(i) != PageMappa;
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
    if (page == PageTps) enrichment_->PageLeft();
}

void TFormModifica::PageEntered(QWidget* page) {
    if (page == PageTps) enrichment_->PageEntered();
    if (page == PageAdattativita) PageAdattativitaEnter();
}

void TFormModifica::PageControl1Change() {
    QWidget* page = PageControl1->currentWidget();
    if (page == currentPage_) return;
    PageLeft(currentPage_);
    currentPage_ = page;
    if (page == PageMappa) {
        // The page has no controls: it opens the map grid editor and leads back.
        if (ctx_.openMapEditor) {
            enrichment_->StopLiveTimer();
            ctx_.openMapEditor(dictionary_, this);
            // An edit of the map is undone from here as well.
            ButtonAnnullaScrittura->setEnabled(LastWriteUndoable(ctx_));
            enrichment_->StartLiveTimer();
        }
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
            const FieldLimits* limits = LimitsOf(edit);
            if (limits == nullptr) break;
            const bool decimal = F::IsDecimal(limits->field);
            if (event->type() == QEvent::FocusIn)
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
    enrichment_->SizeGrid();
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
            // The close question was the one question of this store.
            ButtonModificaClick(true);
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
    enrichment_->StopLiveTimer();
}

void TFormModifica::reject() {
    if (!FormCloseQuery()) return;
    FormClose();
    QDialog::reject();
}

// --- storing -------------------------------------------------------------------------------------

bool TFormModifica::CheckLevelReferences() {
    const std::array<QLineEdit*, 4> edits = LevelReferenceEdits();
    // Read as shown, with the fallbacks of a sensor that reads upwards.
    int32_t shown[4];
    for (int i = 0; i < 4; ++i) shown[i] = ReadEditInt(edits[size_t(i)], F::Fallback(F::kRif1 + i, 0));
    if (Rules::LevelReferencesInOrder(shown, ComboSens->currentIndex())) return true;
    Ask(texts_.erroreSens, PromptIcon::Error, PromptButtons::Ok);
    return false;
}

}  // namespace zov
