#include "AdaptationPage.h"

#include <QEvent>
#include <QFocusEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

#include "AppContext.h"
#include "EditReading.h"
#include "EditorFieldMap.h"
#include "EditorPageRules.h"
#include "EditorStoreRules.h"
#include "EditorWidgets.h"
#include "Localizer.h"
#include "TUpDown.h"

namespace zov {
namespace {

using namespace editor_widgets;

constexpr int kStatusGap = 5;  // between "Adattatività" and its state text
// Rows of the grid: 1-2 maximum steps, 4-5 steps made, 7 mean error; 3 and 6 keep them apart.
constexpr int kMaxRow = 1;
constexpr int kDoneRow = 4;
constexpr int kErrorRow = 7;
constexpr int kZones = 4;

constexpr int32_t kMeanErrorNotAvailable = 100;
constexpr int kVariationScalar = 17;  // VARIABILE_17, sent as a signed byte
constexpr int kIdleEnrichmentScalar = 54;

QString Utf(const char* text) { return QString::fromUtf8(text); }

}  // namespace

AdaptationPage::AdaptationPage(AppContext& ctx, QWidget* parent)
    : QWidget(parent), ctx_(ctx), eightZones_(ctx.car.ADATTATIVITA_ESTESA != 0) {
    setObjectName(QStringLiteral("PageAdattativita"));
    attiva_ = Utf("Attiva");
    inattiva_ = Utf("Non attiva");
    abilitaAd_ = Utf("&Abilita Adattatività");
    disabilitaAd_ = Utf("&Disabilita Adattatività");
    BuildControls();
    if (eightZones_) ArrangeEightZones();
    UpDownVarArr->SetRange(-5, 5);
    UpDownArrMin->SetRange(0, 20);
    if (!EditorPageRules::OffersVehicleSettings(ctx_.car.VERSIONE_CENTRALINA)) {
        for (QWidget* w : std::initializer_list<QWidget*>{LabelPassiTps, EditPassiTps, UpDownVarArr})
            w->hide();
    }
    ConnectHandlers();
}

void AdaptationPage::BuildControls() {
    auto* page = new QVBoxLayout(this);
    page->setContentsMargins(kPageMargin, kPageMargin, kPageMargin, kPageMargin);
    page->setSpacing(14);

    auto* state = new QHBoxLayout();
    state->setSpacing(kStatusGap);
    LabAdatta = MakeLabel(this, "LabAdatta", "Adattatività");
    LabStatoAdat = MakeLabel(this, "LabStatoAdat", "");
    QFont bold = LabStatoAdat->font();
    bold.setBold(true);
    LabStatoAdat->setFont(bold);
    ButtonAbilita = new QPushButton(abilitaAd_, this);
    ButtonAbilita->setObjectName(QStringLiteral("ButtonAbilita"));
    ButtonAzzera = new QPushButton(Utf("A&zzera modifiche"), this);
    ButtonAzzera->setObjectName(QStringLiteral("ButtonAzzera"));
    for (QPushButton* b : {ButtonAbilita, ButtonAzzera}) b->setAutoDefault(false);
    state->addWidget(LabAdatta);
    state->addWidget(LabStatoAdat);
    state->addSpacing(30);
    state->addWidget(ButtonAbilita);
    state->addSpacing(10);
    state->addWidget(ButtonAzzera);
    state->addStretch(1);
    page->addLayout(state);

    BuildGrid();
    page->addLayout(grid_);
    BuildUpDowns();
}

void AdaptationPage::BuildGrid() {
    // Zone n (1..4) spans the two half columns 2n and 2n + 1; the limit between zones n and n + 1
    // spans 2n + 1 and 2n + 2, so it sits centred on their border.
    QGridLayout* g = grid_ = new QGridLayout();
    g->setHorizontalSpacing(4);
    g->setVerticalSpacing(6);
    LabRifGiri = MakeLabel(this, "LabRifGiri", "Fascie giri motore");
    g->addWidget(LabRifGiri, 0, 0, 1, 2);
    for (int i = 0; i < 3; ++i) {
        QLabel* l = LabelFascia[size_t(i)] =
            MakeLabel(this, QStringLiteral("LabelFascia%1").arg(i + 1).toLatin1().constData(), "");
        l->setAlignment(Qt::AlignCenter);
        g->addWidget(l, 0, 2 * (i + 1) + 1, 1, 2);
    }
    LabMaxPassi = MakeLabel(this, "LabMaxPassi", "Numero massimo passi di modifica");
    LabPassiFatti = MakeLabel(this, "LabPassiFatti", "Passi di modifica effettuati");
    LabErrMedio = MakeLabel(this, "LabErrMedio", "Errore medio attuale");
    LabInst1 = MakeLabel(this, "LabInst1", "Installatore");
    LabAut1 = MakeLabel(this, "LabAut1", "Automatico");
    LabInst2 = MakeLabel(this, "LabInst2", "Installatore");
    LabAut2 = MakeLabel(this, "LabAut2", "Automatico");
    g->addWidget(LabMaxPassi, kMaxRow, 0);
    g->addWidget(LabInst1, kMaxRow, 1);
    g->addWidget(LabAut1, kMaxRow + 1, 1);
    g->addWidget(LabPassiFatti, kDoneRow, 0);
    g->addWidget(LabInst2, kDoneRow, 1);
    g->addWidget(LabAut2, kDoneRow + 1, 1);
    g->addWidget(LabErrMedio, kErrorRow, 0);
    const auto row = [&](std::array<QLineEdit*, 4>& edits, const char* prefix, int gridRow) {
        for (int i = 0; i < kZones; ++i) {
            QLineEdit* e = edits[size_t(i)] = MakeEdit(
                this, QStringLiteral("%1%2").arg(QLatin1String(prefix)).arg(i + 1).toLatin1().constData());
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
}

void AdaptationPage::BuildUpDowns() {
    auto* page = static_cast<QVBoxLayout*>(layout());
    auto* enrichment = new QGridLayout();
    enrichment->setHorizontalSpacing(10);
    enrichment->setVerticalSpacing(8);
    LabelPassiTps = MakeLabel(this, "LabelPassiTps", "Variazione di arricchimento");
    EditPassiTps = MakeEdit(this, "EditPassiTps");
    UpDownVarArr = new TUpDown(QStringLiteral("UpDownVarArr"), this);
    LabelArrMin = MakeLabel(this, "LabelArrMin", "Arricchimento al minimo");
    EditArrMin = MakeEdit(this, "EditArrMin");
    UpDownArrMin = new TUpDown(QStringLiteral("UpDownArrMin"), this);
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

void AdaptationPage::ArrangeEightZones() {
    // The ECU learns in eight zones by itself: the installer sets only its maximum steps.
    SetLook(Editem[0], true);
    for (size_t i = 1; i < kZones; ++i) Editem[i]->hide();
    for (QLabel* l : {LabInst1, LabAut1, LabInst2, LabAut2}) l->hide();
    grid_->removeWidget(LabErrMedio);
    grid_->removeWidget(LabMaxPassi);
    grid_->addWidget(LabErrMedio, kMaxRow, 0);
    grid_->addWidget(LabMaxPassi, kErrorRow, 0);
    for (QLineEdit* e : EditFattiInst) SetLook(e, false);
}

void AdaptationPage::ConnectHandlers() {
    // Only what the installer may type marks the editor changed; the counters the page shows
    // do not.
    const std::vector<QLineEdit*> typed =
        eightZones_ ? std::vector<QLineEdit*>{Editem[0]}
                    : std::vector<QLineEdit*>(EditFattiInst.begin(), EditFattiInst.end());
    for (QLineEdit* e : typed) connect(e, &QLineEdit::textChanged, this, [this] { emit valuesChanged(); });
    connect(ButtonAbilita, &QPushButton::clicked, this, [this] { ButtonAbilitaClick(); });
    connect(ButtonAzzera, &QPushButton::clicked, this, [this] { ButtonAzzeraClick(); });
    UpDownVarArr->beforeStep = [this] { SyncUpDown(UpDownVarArr, EditPassiTps); };
    UpDownArrMin->beforeStep = [this] { SyncUpDown(UpDownArrMin, EditArrMin); };
    connect(UpDownVarArr, &TUpDown::clicked, this, [this] { UpDownVarArrClick(UpDownVarArr); });
    connect(UpDownArrMin, &TUpDown::clicked, this, [this] { UpDownVarArrClick(UpDownArrMin); });
    EditPassiTps->installEventFilter(this);
    EditArrMin->installEventFilter(this);
}

void AdaptationPage::AddTexts(Localizer& l) {
    for (const auto& [control, length] : std::initializer_list<std::pair<QObject*, int>>{{ButtonAzzera, 30},
                                                                                         {LabRifGiri, 30},
                                                                                         {LabMaxPassi, 40},
                                                                                         {LabPassiFatti, 40},
                                                                                         {LabErrMedio, 40},
                                                                                         {LabAdatta, 20},
                                                                                         {LabelPassiTps, 30},
                                                                                         {LabelArrMin, 40}})
        l.Caption(control, length);
    for (QLabel* label : {LabInst1, LabInst2}) l.Caption(label, QStringLiteral("LabInst"), 20);
    for (QLabel* label : {LabAut1, LabAut2}) l.Caption(label, QStringLiteral("LabAut"), 20);
    l.Text(QStringLiteral("MessND"), 5, nd_);
    l.Text(QStringLiteral("MessAttiva"), 25, attiva_);
    l.Text(QStringLiteral("MessInattiva"), 25, inattiva_);
    l.Text(QStringLiteral("ButtonAbilitaAd"), 30, abilitaAd_);
    l.Text(QStringLiteral("ButtonDisabilitaAd"), 30, disabilitaAd_);
}

std::vector<std::pair<QLineEdit*, int>> AdaptationPage::CheckedEdits() const {
    if (eightZones_) return {{Editem[0], EditorFieldMap::kEditem1}};
    std::vector<std::pair<QLineEdit*, int>> edits;
    for (int i = 0; i < kZones; ++i)
        edits.emplace_back(EditFattiInst[size_t(i)], EditorFieldMap::kFattiInst1 + i);
    return edits;
}

QLineEdit* AdaptationPage::FirstEdit() const { return eightZones_ ? Editem[0] : EditFattiInst[0]; }

// --- filling ---------------------------------------------------------------------------------

void AdaptationPage::FillZoneLimits() {
    const ConfCar& car = ctx_.car;
    const int32_t columns[3] = {car.FASCIA_GIRI_X_MINIMO, car.RIFERIMENTO_COLONNA_ONE,
                                car.RIFERIMENTO_COLONNA_TWO};
    for (size_t i = 0; i < 3; ++i) {
        const int32_t c = columns[i];
        LabelFascia[i]->setText(
            QString::number(EditorPageRules::ZoneLimit(ctx_.map.GetRpm(c), ctx_.map.GetRpm(c + 1))));
    }
}

void AdaptationPage::ShowState() {
    const bool active = EditorStoreRules::IsAdaptationActive(ctx_.car.DEFAULT_REGISTRO_CONFIGURAZIONE);
    LabStatoAdat->setText(active ? attiva_ : inattiva_);
    ButtonAbilita->setText(active ? disabilitaAd_ : abilitaAd_);
}

void AdaptationPage::FillMeanError(QLineEdit* edit, int32_t value) {
    if (value == kMeanErrorNotAvailable)
        edit->setText(nd_);
    else
        EditReading::Fill(edit, value);
}

void AdaptationPage::FillAdaptation() {
    const ConfCar& car = ctx_.car;
    ShowState();
    if (eightZones_) {
        // The grid's first row pair now holds the eight mean errors, the second the eight
        // automatic step counts.
        EditReading::Fill(Editem[0], car.MAX_STEPL[0]);
        for (size_t i = 0; i < kZones; ++i) {
            FillMeanError(EditMaxInst[i], car.ERRORE_MEDIO[i]);
            FillMeanError(EditMaxAut[i], car.ERRORE_MEDIO[i + kZones]);
            EditReading::Fill(EditFattiInst[i], car.PASSI_FATTI_AUTOMATICI[i]);
            EditReading::Fill(EditFattiAut[i], car.PASSI_FATTI_AUTOMATICI[i + kZones]);
        }
        return;
    }
    for (size_t i = 0; i < kZones; ++i) {
        EditReading::Fill(EditMaxInst[i], car.MAX_STEPV[i]);
        EditReading::Fill(EditMaxAut[i], car.MAX_STEPL[i]);
        EditReading::Fill(EditFattiInst[i], car.PASSI_FATTI_INSTALLATORE[i]);
        EditReading::Fill(EditFattiAut[i], car.PASSI_FATTI_AUTOMATICI[i]);
        FillMeanError(Editem[i], car.ERRORE_MEDIO[i]);
    }
}

void AdaptationPage::FillUpDowns() {
    UpDownVarArr->SetPosition(ctx_.param.GetScalar(kVariationScalar));
    EditReading::Fill(EditPassiTps, UpDownVarArr->Position());
    UpDownArrMin->SetPosition(ctx_.param.GetScalar(kIdleEnrichmentScalar));
    EditReading::Fill(EditArrMin, UpDownArrMin->Position());
}

// --- handlers --------------------------------------------------------------------------------

void AdaptationPage::PageEntered() {
    ConfCar& car = ctx_.car;
    if (ctx_.link.IsConnected()) {
        // What the installer typed and has not stored yet stays typed: only the ECU's own
        // counters are brought up to date.
        std::vector<std::pair<QLineEdit*, QString>> pending;
        if (eightZones_) {
            if (Editem[0]->text() != QString::number(car.MAX_STEPL[0]))
                pending.emplace_back(Editem[0], Editem[0]->text());
        } else {
            for (size_t i = 0; i < kZones; ++i)
                if (EditFattiInst[i]->text() != QString::number(car.PASSI_FATTI_INSTALLATORE[i]))
                    pending.emplace_back(EditFattiInst[i], EditFattiInst[i]->text());
        }
        runExchange([&car] { car.ReadAdaptation(); });
        FillAdaptation();
        for (const auto& [edit, text] : pending) edit->setText(text);
    }
    FirstEdit()->setFocus(Qt::OtherFocusReason);
}

void AdaptationPage::ButtonAbilitaClick() {
    ConfCar& car = ctx_.car;
    const int32_t before = car.DEFAULT_REGISTRO_CONFIGURAZIONE;
    car.DEFAULT_REGISTRO_CONFIGURAZIONE = EditorStoreRules::ToggleAdaptation(before);
    WriteOutcome written = WriteOutcome::Answered;
    runExchange([&] { written = car.Send(kRegisterVariable, car.DEFAULT_REGISTRO_CONFIGURAZIONE); });
    // The ECU kept its state: the page shows that one.
    if (written == WriteOutcome::Refused) car.DEFAULT_REGISTRO_CONFIGURAZIONE = before;
    ShowState();
    if (written == WriteOutcome::Refused) Report({kRegisterVariable});
}

void AdaptationPage::ButtonAzzeraClick() {
    for (size_t i = 0; i < kZones; ++i) {
        EditFattiInst[i]->setText(QStringLiteral("0"));
        EditFattiAut[i]->setText(QStringLiteral("0"));
    }
    ctx_.model.ClearRefusedWrites();
    WriteOutcome reset = WriteOutcome::Answered;
    runExchange([&] { reset = ctx_.car.ResetAdaptation(); });
    if (reset == WriteOutcome::Refused) Report(ctx_.model.RefusedWrites());
}

void AdaptationPage::Report(const std::vector<int>& refused) {
    if (reportRefused) reportRefused(refused);
}

void AdaptationPage::UpDownVarArrClick(TUpDown* upDown) {
    QLineEdit* edit = upDown == UpDownVarArr ? EditPassiTps : EditArrMin;
    edit->setText(QString::number(upDown->Position()));
    if (!edit->hasFocus()) edit->setFocus(Qt::OtherFocusReason);
    emit valuesChanged();
}

void AdaptationPage::SyncUpDown(TUpDown* upDown, QLineEdit* edit) {
    const int32_t v = EditReading::ReadInt(edit, upDown->Position());
    const int32_t clamped = std::clamp(v, int32_t(upDown->Minimum()), int32_t(upDown->Maximum()));
    if (clamped != v) edit->setText(QString::number(clamped));
    upDown->SetPosition(clamped);
}

void AdaptationPage::EditPassiTpsExit() { SyncUpDown(UpDownVarArr, EditPassiTps); }

void AdaptationPage::EditArrMinExit() { SyncUpDown(UpDownArrMin, EditArrMin); }

void AdaptationPage::SyncUpDowns() {
    EditPassiTpsExit();
    EditArrMinExit();
}

bool AdaptationPage::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusOut) {
        // Another window coming to the front, or a pop-up, is no leaving of the edit.
        const auto reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) {
            if (watched == EditPassiTps) EditPassiTpsExit();
            if (watched == EditArrMin) EditArrMinExit();
        }
    }
    return QWidget::eventFilter(watched, event);
}

// --- storing ---------------------------------------------------------------------------------

void AdaptationPage::StoreToModel() {
    ApplyTo(ctx_.car, ctx_.param);
    // Refusals land in the model's log, which the editor's store reports.
    (void)ctx_.car.WriteAdaptation();
}

void AdaptationPage::ApplyTo(ConfCar& car, ConfParam& param) {
    EditorFieldMap fields(car, param);
    for (const auto& [edit, field] : CheckedEdits())
        fields.Store(field, EditReading::ReadInt(edit, EditorFieldMap::Fallback(field, 0)), 0);
}

void AdaptationPage::StoreScalars(ConfParam& param) {
    param.SetScalar(kVariationScalar, int8_t(UpDownVarArr->Position()));
    param.SetScalar(kIdleEnrichmentScalar, UpDownArrMin->Position());
}

}  // namespace zov
