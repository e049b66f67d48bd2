#include "TFormDiagnFunz.h"

#include <QCheckBox>
#include <QFont>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPalette>
#include <QPushButton>
#include <QVBoxLayout>

#include "AppContext.h"
#include "DiagnosisFormat.h"
#include "DictionaryMessages.h"
#include "Localizer.h"
#include "QtText.h"
#include "TModuloLingua.h"

namespace zov {
namespace {

struct CheckRow {
    const char* caption;
    const char* identifier;
};

// Bit i of the diagnosis words is check i.
constexpr std::array<CheckRow, FunctionalDiagnosis::kChecks> kCheckRows = {{
    {"Relè di Sicurezza", "LabelReleInc"},
    {"Elettrovalvola del Gas", "LabelVNGas"},
    {"Elettrovalvola Cutoff", "LabelVNCutoff"},
    {"Temperatura troppo bassa", "LabelTBassa"},
    {"Troppo Ricco per Correttore 1", "LabelMinBasso"},
    {"Troppo Magro per Correttore 1", "LabelMinAlto"},
    {"Troppo Ricco per Correttore 2", "LabelMaxBasso"},
    {"Troppo Magro per Correttore 2", "LabelMaxAlto"},
    {"Lambda non funzionante", "LabelLambdaKO"},
    {"Problemi sul MAP", "LabelProbMAP"},
}};

const QColor kStateOk(0, 128, 0);
const QColor kStateTripped(255, 0, 0);

QLabel* MakeLabel(QWidget* parent, const QString& name, const QString& caption) {
    auto* label = new QLabel(caption, parent);
    label->setObjectName(name);
    return label;
}

QLabel* MakeHeading(QWidget* parent, const char* name, const char* caption) {
    QLabel* label = MakeLabel(parent, QString::fromLatin1(name), QString::fromUtf8(caption));
    QFont bold = label->font();
    bold.setBold(true);
    label->setFont(bold);
    return label;
}

QPushButton* MakeButton(QWidget* parent, const char* name, const char* caption) {
    auto* button = new QPushButton(QString::fromUtf8(caption), parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setAutoDefault(false);
    return button;
}

}  // namespace

TFormDiagnFunz::TFormDiagnFunz(AppContext& ctx, TModuloLingua& dictionary, QWidget* parent)
    : QDialog(parent), ctx_(ctx), dictionary_(dictionary) {
    setObjectName(QStringLiteral("FormDiagnFunz"));
    setWindowTitle(QStringLiteral("Diagnosi di funzionamento"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setModal(true);
    BuildControls();

    localized_ = Localize();
    ShowOperatingTimes();
    ShowChecks(FunctionalDiagnosis::Read(ctx_.car));
    changed_ = false;
}

TFormDiagnFunz::~TFormDiagnFunz() = default;

void TFormDiagnFunz::BuildControls() {
    LabelControllo = MakeHeading(this, "LabelControllo", "Controllo");
    LabelAbilitazione = MakeHeading(this, "LabelAbilitazione", "Abilitazione");
    LabelEffetto = MakeHeading(this, "LabelEffetto", "Effetto");
    LabelStato = MakeHeading(this, "LabelStato", "Stato");

    auto* checks = new QGridLayout;
    checks->setHorizontalSpacing(16);
    checks->addWidget(LabelControllo, 0, 0);
    checks->addWidget(LabelAbilitazione, 0, 1, Qt::AlignRight);
    checks->addWidget(LabelEffetto, 0, 2);
    checks->addWidget(LabelStato, 0, 3);
    for (int i = 0; i < kChecks; ++i) {
        const QString n = QString::number(i + 1);
        auto* box = new QCheckBox(QString::fromUtf8(kCheckRows[size_t(i)].caption), this);
        box->setObjectName(QStringLiteral("CheckBox") + n);
        CheckBox[size_t(i)] = box;
        LabelE[size_t(i)] = MakeLabel(this, QStringLiteral("LabelE") + n, QStringLiteral("Nessuno"));
        LabelS[size_t(i)] = MakeLabel(this, QStringLiteral("LabelS") + n, QStringLiteral("OK"));
        // The check's name under "Controllo", its box at the right end under "Abilitazione".
        box->setLayoutDirection(Qt::RightToLeft);
        checks->addWidget(box, i + 1, 0, 1, 2);
        checks->addWidget(LabelE[size_t(i)], i + 1, 2);
        checks->addWidget(LabelS[size_t(i)], i + 1, 3);
        connect(box, &QCheckBox::clicked, this, [this, i] { CheckBoxClick(i); });
    }

    GroupTempi = new QGroupBox(QStringLiteral("Tempi di funzionamento"), this);
    GroupTempi->setObjectName(QStringLiteral("GroupTempi"));
    LabelTempoGas =
        MakeLabel(GroupTempi, QStringLiteral("LabelTempoGas"), QStringLiteral("Funzionamento a Gas"));
    LabelTGas = MakeLabel(GroupTempi, QStringLiteral("LabelTGas"), QString());
    LabelTempoBenzina =
        MakeLabel(GroupTempi, QStringLiteral("LabelTempoBenzina"), QStringLiteral("Funzionamento a Benzina"));
    LabelTBenza = MakeLabel(GroupTempi, QStringLiteral("LabelTBenza"), QString());
    auto* times = new QGridLayout(GroupTempi);
    times->addWidget(LabelTempoGas, 0, 0);
    times->addWidget(LabelTGas, 0, 1);
    times->addWidget(LabelTempoBenzina, 1, 0);
    times->addWidget(LabelTBenza, 1, 1);
    times->setColumnStretch(1, 1);

    ButtonModifica = MakeButton(this, "ButtonModifica", "&Modifica");
    ButtonResetta = MakeButton(this, "ButtonResetta", "A&zzera");
    ButtonEsci = MakeButton(this, "ButtonEsci", "&Esci");
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(ButtonModifica);
    buttons->addWidget(ButtonResetta);
    buttons->addStretch();
    buttons->addWidget(ButtonEsci);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(checks);
    layout->addWidget(GroupTempi);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(ButtonModifica, &QPushButton::clicked, this, &TFormDiagnFunz::ButtonModificaClick);
    connect(ButtonResetta, &QPushButton::clicked, this, &TFormDiagnFunz::ButtonResettaClick);
    connect(ButtonEsci, &QPushButton::clicked, this, &TFormDiagnFunz::reject);
}

bool TFormDiagnFunz::Localize() {
    Localizer localizer(dictionary_);
    for (int i = 0; i < kChecks; ++i)
        localizer.Caption(CheckBox[size_t(i)], QString::fromLatin1(kCheckRows[size_t(i)].identifier), 35);
    for (QLabel* heading : {LabelControllo, LabelAbilitazione, LabelEffetto, LabelStato})
        localizer.Caption(heading, 15);
    for (size_t e = 0; e < texts_.effetto.size(); ++e)
        localizer.Text(QStringLiteral("LabelEffetto") + QString::number(e), 25, texts_.effetto[e]);
    return localizer.Caption(GroupTempi, 25)
        .Caption(LabelTempoGas, 28)
        .Caption(LabelTempoBenzina, 28)
        .Caption(ButtonEsci, 10)
        .Caption(ButtonModifica, 15)
        .Caption(ButtonResetta, 15)
        .WindowTitle(this, QStringLiteral("FinestraDiagnosi"), 70)
        .Text(QStringLiteral("LabelStatoOK"), 10, texts_.statoOK)
        .Text(QStringLiteral("LabelStatoErrore"), 10, texts_.statoErrore)
        .Text(QStringLiteral("LabelOre"), 8, texts_.ore)
        .Text(QStringLiteral("LabelMinuti"), 8, texts_.minuti)
        .Text(QStringLiteral("MessErrDiagnosi"), 70, texts_.errDiagnosi)
        .Text(QStringLiteral("MessRiprogCpu"), 70, texts_.riprogCpu)
        .Text(QStringLiteral("MessValoriCambiati"), 70, texts_.valoriCambiati)
        .Text(QStringLiteral("MessScaricaValori"), 70, texts_.scaricaValori)
        .Text(QStringLiteral("MessMemorizzaValori"), 70, texts_.memorizzaValori)
        .RunOrReport(ctx_.prompter, dictionary_messages::kFunctionalDiagnosis, AppContext::kTitle);
}

void TFormDiagnFunz::ShowOperatingTimes() {
    LabelTGas->setText(FromCp1252(FormatOperatingTime(ctx_.car.VARIABILE_71, texts_.ore, texts_.minuti)));
    LabelTBenza->setText(FromCp1252(FormatOperatingTime(ctx_.car.VARIABILE_63, texts_.ore, texts_.minuti)));
}

void TFormDiagnFunz::ShowChecks(const DiagnosisWords& words) {
    for (int i = 0; i < kChecks; ++i) {
        const bool enabled = FunctionalDiagnosis::Bit(words.enabled, i);
        CheckBox[size_t(i)]->setChecked(enabled);
        ShowEnabled(i, enabled);
        ShowState(i, FunctionalDiagnosis::Bit(words.tripped, i));
        const DiagnosisEffect effect = FunctionalDiagnosis::EffectOf(words, i);
        if (effect == DiagnosisEffect::Invalid) {
            LabelE[size_t(i)]->clear();
            ctx_.prompter.Ask(texts_.errDiagnosi + " " + std::to_string(i + 1) + " \n" + texts_.riprogCpu,
                              Caption(), PromptIcon::Warning, PromptButtons::Ok);
            continue;
        }
        LabelE[size_t(i)]->setText(texts_.effetto[size_t(effect)]);
    }
}

void TFormDiagnFunz::ShowEnabled(int check, bool enabled) {
    LabelE[size_t(check)]->setEnabled(enabled);
    LabelS[size_t(check)]->setEnabled(enabled);
}

void TFormDiagnFunz::ShowState(int check, bool tripped) {
    QLabel* label = LabelS[size_t(check)];
    label->setText(tripped ? texts_.statoErrore : texts_.statoOK);
    // A disabled check keeps the greyed text of its group.
    QPalette palette = label->palette();
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive})
        palette.setColor(group, QPalette::WindowText, tripped ? kStateTripped : kStateOk);
    label->setPalette(palette);
}

void TFormDiagnFunz::CheckBoxClick(int check) {
    ShowEnabled(check, CheckBox[size_t(check)]->isChecked());
    changed_ = true;
}

void TFormDiagnFunz::ButtonResettaClick() {
    FunctionalDiagnosis::ClearTripped(ctx_.car, ctx_.link);
    for (int i = 0; i < kChecks; ++i) ShowState(i, false);
}

void TFormDiagnFunz::ButtonModificaClick() {
    changed_ = false;
    int32_t mask = 0;
    for (int i = 0; i < kChecks; ++i)
        if (CheckBox[size_t(i)]->isChecked()) mask |= 1 << i;
    const int32_t tripped = FunctionalDiagnosis::Send(ctx_.car, ctx_.link, mask);
    for (int i = 0; i < kChecks; ++i) ShowState(i, FunctionalDiagnosis::Bit(tripped, i));
}

std::string TFormDiagnFunz::Caption() const { return ToCp1252(windowTitle()); }

bool TFormDiagnFunz::FormCloseQuery() {
    if (!changed_) return true;
    const std::string question = texts_.valoriCambiati + "\n" +
                                 (ctx_.link.IsConnected() ? texts_.scaricaValori : texts_.memorizzaValori);
    switch (ctx_.prompter.Ask(question, Caption(), PromptIcon::Question, PromptButtons::YesNoCancel)) {
        case PromptAnswer::Yes:
            ButtonModificaClick();
            return true;
        case PromptAnswer::No:
            return true;
        default:
            return false;
    }
}

void TFormDiagnFunz::reject() {
    if (FormCloseQuery()) QDialog::reject();
}

}  // namespace zov
