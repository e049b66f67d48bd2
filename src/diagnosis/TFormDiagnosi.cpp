#include "TFormDiagnosi.h"

#include <QFont>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <exception>

#include "ActuatorTestGuard.h"
#include "AppContext.h"
#include "DiagnosisFormat.h"
#include "DictionaryMessages.h"
#include "Localizer.h"
#include "PressureConversion.h"
#include "QtText.h"
#include "TModuloLingua.h"
#include "TimerPause.h"

namespace zov {
namespace {

constexpr int kButtonWidth = 200;

QLabel* MakeLabel(QWidget* parent, const char* name, const char* caption) {
    auto* label = new QLabel(QString::fromUtf8(caption), parent);
    label->setObjectName(QString::fromLatin1(name));
    return label;
}

QPushButton* MakeButton(QWidget* parent, const char* name, const char* caption) {
    auto* button = new QPushButton(QString::fromUtf8(caption), parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setAutoDefault(false);
    button->setMinimumWidth(kButtonWidth);
    return button;
}

}  // namespace

TFormDiagnosi::TFormDiagnosi(AppContext& ctx, TModuloLingua& dictionary, QWidget* parent)
    : QDialog(parent), ctx_(ctx), dictionary_(dictionary), actuators_(ctx.link, ctx.clock) {
    setObjectName(QStringLiteral("FormDiagnosi"));
    setWindowTitle(QStringLiteral("Diagnosi Centralina"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setModal(true);
    BuildControls();

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(kTimerInterval);
    connect(Timer1, &QTimer::timeout, this, [this] { Guarded([this] { Timer1Timer(); }); });

    localized_ = Localize();
    for (int b = 0; b < ActuatorTest::kActuators; ++b) ShowCaption(b);
    ShowMask();
}

TFormDiagnosi::~TFormDiagnosi() {
    // Destroyed without being closed (its owner went first): the actuators still go off.
    if (!switchedOff_) SwitchOffBeforeClosing();
}

void TFormDiagnosi::BuildControls() {
    LabelVerAtt = MakeLabel(this, "LabelVerAtt", "Comandi per la verifica degli attuatori");
    QFont heading = LabelVerAtt->font();
    heading.setBold(true);
    LabelVerAtt->setFont(heading);
    LabelMotGrosso = MakeLabel(this, "LabelMotGrosso", "Motore grosso");
    ButtonSGrosso = MakeButton(this, "ButtonSGrosso", "Attiva Test");
    LabelMotPiccolo = MakeLabel(this, "LabelMotPiccolo", "Motore piccolo");
    ButtonSPiccolo = MakeButton(this, "ButtonSPiccolo", "Attiva Test");
    ButtonGas = MakeButton(this, "ButtonGas", "Apri Elettrovalvola Gas");
    ButtonIndic = MakeButton(this, "ButtonIndic", "Attiva Indicatore");
    // The petrol relay has no bit of its own in the mask: the button stays hidden.
    ButtonRGialli = MakeButton(this, "ButtonRGialli", "Apri Relè Benzina");
    ButtonRGialli->hide();
    GroupPressRid = new QGroupBox(QStringLiteral("Pressione Riduttore"), this);
    GroupPressRid->setObjectName(QStringLiteral("GroupPressRid"));
    LabPress = MakeLabel(GroupPressRid, "LabPress", "Pressione");
    QFont value = LabPress->font();
    value.setBold(true);
    value.setPointSizeF(value.pointSizeF() * 1.5);
    LabPress->setFont(value);
    LabPress->setAlignment(Qt::AlignCenter);
    LabelValPress = MakeLabel(GroupPressRid, "LabelValPress", "La pressione potrebbe non essere precisa");
    LabelValPress->setAlignment(Qt::AlignCenter);
    Label5 = MakeLabel(this, "Label5", "OK");
    Label5->setAlignment(Qt::AlignCenter);
    // The mask in decimal, for the workshop's own checks; not shown.
    Label2 = MakeLabel(this, "Label2", "DIAGNOSI");
    Label2->hide();
    ButtonFineVerAtt = MakeButton(this, "ButtonFineVerAtt", "&Fine modalità diagnosi");

    auto* actuators = new QGridLayout;
    actuators->addWidget(LabelMotGrosso, 0, 0);
    actuators->addWidget(ButtonSGrosso, 0, 1);
    actuators->addWidget(LabelMotPiccolo, 1, 0);
    actuators->addWidget(ButtonSPiccolo, 1, 1);
    actuators->addWidget(ButtonGas, 2, 0, 1, 2);
    actuators->addWidget(ButtonIndic, 3, 0, 1, 2);
    actuators->addWidget(ButtonRGialli, 4, 0, 1, 2);

    auto* pressure = new QVBoxLayout(GroupPressRid);
    pressure->addWidget(LabPress);
    pressure->addWidget(LabelValPress);

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(Label5);
    bottom->addWidget(Label2);
    bottom->addStretch();
    bottom->addWidget(ButtonFineVerAtt);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(LabelVerAtt);
    layout->addLayout(actuators);
    layout->addWidget(GroupPressRid);
    layout->addLayout(bottom);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    // The action buttons and the close button show bold text while they have the focus.
    setStyleSheet(QStringLiteral("QPushButton:focus { font-weight: bold; }"));

    const std::array<QPushButton*, ActuatorTest::kActuators> buttons = {ButtonSGrosso, ButtonSPiccolo,
                                                                        ButtonGas, ButtonIndic};
    for (int b = 0; b < ActuatorTest::kActuators; ++b) {
        connect(buttons[size_t(b)], &QPushButton::clicked, this,
                [this, b] { Guarded([this, b] { ActuatorClick(b); }); });
    }
    connect(ButtonFineVerAtt, &QPushButton::clicked, this, &TFormDiagnosi::reject);
}

bool TFormDiagnosi::Localize() {
    return Localizer(dictionary_)
        .Caption(LabelVerAtt, 50)
        .Caption(LabelMotGrosso, 30)
        .Caption(LabelMotPiccolo, 30)
        .Caption(GroupPressRid, 30)
        .Caption(LabelValPress, 50)
        .Caption(ButtonFineVerAtt, 35)
        .WindowTitle(this, QStringLiteral("FinestraVerAtt"), 70)
        .Text(QStringLiteral("MessFineVerAtt1"), 70, texts_.fineVerAtt1)
        .Text(QStringLiteral("MessFineVerAtt2"), 70, texts_.fineVerAtt2)
        .Text(QStringLiteral("ButtonAttivaTest"), 30, texts_.attivaTest)
        .Text(QStringLiteral("ButtonFineTest"), 30, texts_.fineTest)
        .Text(QStringLiteral("ButtonApriEVGas"), 30, texts_.apriEVGas)
        .Text(QStringLiteral("ButtonChiudiEVGas"), 30, texts_.chiudiEVGas)
        .Text(QStringLiteral("ButtonIndicatoreOn"), 30, texts_.indicatoreOn)
        .Text(QStringLiteral("ButtonIndicatoreOff"), 30, texts_.indicatoreOff)
        .Text(QStringLiteral("MessNonDisp"), 15, texts_.nonDisp)
        .Text(QStringLiteral("MessProbConn1"), 70, texts_.probConn1)
        .Text(QStringLiteral("MessProbConn2"), 70, texts_.probConn2)
        .Text(QStringLiteral("LabelBar"), 5, texts_.bar)
        .Text(QStringLiteral("MessMotoreAcceso"), 70, texts_.motoreAcceso)
        .Text(QStringLiteral("MessSpegniMotore"), 70, texts_.spegniMotore)
        .Text(QStringLiteral("MessAttuatoriAccesi"), 70, texts_.attuatoriAccesi)
        .Text(QStringLiteral("MessSpegniQuadro"), 70, texts_.spegniQuadro)
        .RunOrReport(ctx_.prompter, dictionary_messages::kDiagnosis, AppContext::kTitle);
}

template <typename Handler>
void TFormDiagnosi::Guarded(Handler&& handler) {
    try {
        handler();
    } catch (...) {
        CloseNow();
    }
}

void TFormDiagnosi::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (shown_) return;
    shown_ = true;
    QTimer::singleShot(0, this, [this] { Guarded([this] { FormShow(); }); });
}

void TFormDiagnosi::FormShow() {
    // Closed before its first show came round: nothing may start now.
    if (closing_) return;
    switch (ActuatorTestGuard::ReadEngine(ctx_.link)) {
        case ActuatorTestGuard::Engine::Turning:
            Label5->setText(QStringLiteral("ERRORE"));
            Tell(texts_.motoreAcceso + "\n" + texts_.spegniMotore);
            CloseNow();
            return;
        case ActuatorTestGuard::Engine::Unknown:
            ShowWriteResult(false);
            CloseNow();
            return;
        case ActuatorTestGuard::Engine::Stopped:
            break;
    }
    if (!actuators_.SendMask()) {
        ShowWriteResult(false);
        CloseNow();
        return;
    }
    ButtonSGrosso->setFocus(Qt::OtherFocusReason);
    Label5->setText(QStringLiteral("OK"));
    pressureReading_ = PressureFromByte(actuators_.ReadPressure());
    ShowPressure();
    Timer1->start();
}

void TFormDiagnosi::ActuatorClick(int actuator) {
    const bool written = actuators_.Toggle(actuator);
    ShowCaption(actuator);
    ShowMask();
    ShowWriteResult(written);
    if (!ctx_.link.IsConnected()) CloseNow();
}

void TFormDiagnosi::Timer1Timer() {
    // An exchange (or a reconnect wait) is running: this tick has nothing to say.
    if (ctx_.link.IsBusy() || closing_) return;
    pressureReading_ = actuators_.ReadPressure();
    if (!ctx_.link.IsConnected()) {
        CloseNow();
        return;
    }
    ShowPressure();
    for (int b : actuators_.SwitchOffExpired()) {
        ShowMask();
        ShowCaption(b);
    }
}

QPushButton* TFormDiagnosi::ButtonOf(int actuator) const {
    switch (actuator) {
        case ActuatorTest::kLargeMotor:
            return ButtonSGrosso;
        case ActuatorTest::kSmallMotor:
            return ButtonSPiccolo;
        case ActuatorTest::kGasValve:
            return ButtonGas;
        default:
            return ButtonIndic;
    }
}

void TFormDiagnosi::ShowCaption(int actuator) {
    const bool on = actuators_.IsOn(actuator);
    QString caption;
    switch (actuator) {
        case ActuatorTest::kGasValve:
            caption = on ? texts_.chiudiEVGas : texts_.apriEVGas;
            break;
        case ActuatorTest::kIndicator:
            caption = on ? texts_.indicatoreOff : texts_.indicatoreOn;
            break;
        default:
            caption = on ? texts_.fineTest : texts_.attivaTest;
            break;
    }
    ButtonOf(actuator)->setText(caption);
}

void TFormDiagnosi::ShowMask() { Label2->setText(QString::number(actuators_.Mask())); }

void TFormDiagnosi::ShowPressure() {
    LabPress->setText(FromCp1252(FormatPressure(pressureReading_, texts_.bar, texts_.nonDisp)));
}

void TFormDiagnosi::ShowWriteResult(bool written) {
    if (written) {
        Label5->setText(QStringLiteral("OK"));
        return;
    }
    Label5->setText(QStringLiteral("ERRORE"));
    Tell(texts_.probConn1 + "\n" + texts_.probConn2);
}

std::string TFormDiagnosi::Caption() const { return ToCp1252(windowTitle()); }

void TFormDiagnosi::Tell(const std::string& text) {
    TimerPause pause(*Timer1);
    ctx_.prompter.Ask(text, Caption(), PromptIcon::Error, PromptButtons::Ok);
}

void TFormDiagnosi::reject() {
    if (closing_) return;
    Guarded([this] {
        {
            TimerPause pause(*Timer1);
            const PromptAnswer answer = ctx_.prompter.Ask(texts_.fineVerAtt1 + texts_.fineVerAtt2, Caption(),
                                                          PromptIcon::Information, PromptButtons::YesNo);
            if (answer != PromptAnswer::Yes) return;
        }
        CloseNow();
    });
}

void TFormDiagnosi::CloseNow() {
    if (closing_) return;
    closing_ = true;
    Timer1->stop();
    done(QDialog::Rejected);
}

void TFormDiagnosi::done(int result) {
    Timer1->stop();
    closing_ = true;
    if (!switchedOff_) SwitchOffBeforeClosing();
    QDialog::done(result);
}

void TFormDiagnosi::SwitchOffBeforeClosing() {
    switchedOff_ = true;
    if (!actuators_.SwitchAllOff() && actuators_.ActuatorsMayBeOn()) {
        try {
            Tell(texts_.attuatoriAccesi + "\n" + texts_.spegniQuadro);
        } catch (...) {
            // The window closes all the same; the box was the last thing it could do.
        }
    }
    for (int b = 0; b < ActuatorTest::kActuators; ++b) ShowCaption(b);
    ShowMask();
}

}  // namespace zov
