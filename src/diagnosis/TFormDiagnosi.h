#pragma once

#include <QDialog>
#include <QString>
#include <array>
#include <cstdint>
#include <string>

#include "ActuatorTest.h"

class QGroupBox;
class QLabel;
class QPushButton;
class QTimer;

namespace zov {

class AppContext;
class TModuloLingua;

// "Diagnosi Centralina", the actuator test: the installer switches the large and small motor, the
// gas solenoid valve and the indicator on and off one by one, and reads the reducer pressure every
// half second. Each actuator switched on goes off again after five minutes.
//
// The caller has already put the ECU into diagnosis mode (variable 88) and shows the window
// modally. The test starts only with the engine at rest (ActuatorTestGuard). However the window
// closes — its button, the close box, Escape, a lost session, a failure inside a handler, its
// destruction — mask 0 goes to the ECU first, and a failed write is said plainly: no actuator, the
// gas solenoid valve above all, may stay on after the test.
class TFormDiagnosi : public QDialog {
    Q_OBJECT

  public:
    static constexpr int kTimerInterval = 500;

    TFormDiagnosi(AppContext& ctx, TModuloLingua& dictionary, QWidget* parent = nullptr);
    ~TFormDiagnosi() override;

    bool Localized() const { return localized_; }

    // `FormShow`: the engine check, the first mask (0) and the first pressure. The first show
    // posts it, so the window is on screen and its modal loop runs when it closes itself.
    void FormShow();
    // The action of the four actuator buttons, `actuator` being the bit.
    void ActuatorClick(int actuator);
    // `Timer1Timer`: pressure, lost session and five-minute switch-off; public so tests drive it
    // tick by tick on the virtual clock.
    void Timer1Timer();

    const ActuatorTest& Actuators() const { return actuators_; }
    int32_t PressureReading() const { return pressureReading_; }
    QTimer* Timer() const { return Timer1; }

    QLabel* LabelVerAtt;
    QLabel* LabelMotGrosso;
    QPushButton* ButtonSGrosso;
    QLabel* LabelMotPiccolo;
    QPushButton* ButtonSPiccolo;
    QPushButton* ButtonGas;
    QPushButton* ButtonIndic;
    QPushButton* ButtonRGialli;
    QGroupBox* GroupPressRid;
    QLabel* LabPress;
    QLabel* LabelValPress;
    QLabel* Label5;
    QLabel* Label2;
    QPushButton* ButtonFineVerAtt;

  public slots:
    // Every way of closing asks first (button, Escape, close box); Yes switches off and closes.
    void reject() override;
    void done(int result) override;

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    struct Texts {
        std::string fineVerAtt1 = "Gli attuatori verranno spenti.";
        std::string fineVerAtt2 = "\nTerminare la verifica degli attuatori?";
        QString attivaTest = QStringLiteral("Attiva Test");
        QString fineTest = QStringLiteral("Fine Test");
        QString apriEVGas = QStringLiteral("Apri Elettrovalvola Gas");
        QString chiudiEVGas = QStringLiteral("Chiudi Elettrovalvola Gas");
        QString indicatoreOn = QStringLiteral("Attiva Indicatore");
        QString indicatoreOff = QStringLiteral("Disattiva Indicatore");
        std::string nonDisp = "n.d.";
        std::string probConn1 = "Problemi di comunicazione con la centralina.";
        std::string probConn2 = "Controllare il collegamento e riprovare.";
        std::string bar = "bar";
        std::string motoreAcceso = "Il motore \xE8 in moto: la verifica degli attuatori non \xE8 possibile.";
        std::string spegniMotore = "Spegnere il motore e riprovare.";
        std::string attuatoriAccesi = "Impossibile spegnere gli attuatori: potrebbero essere ancora accesi.";
        std::string spegniQuadro = "Spegnere subito il quadro del veicolo.";
    };

    void BuildControls();
    bool Localize();
    QPushButton* ButtonOf(int actuator) const;
    void ShowCaption(int actuator);
    void ShowMask();
    void ShowPressure();
    void ShowWriteResult(bool written);
    std::string Caption() const;
    void Tell(const std::string& text);
    // Closes without asking (a refusal at show, a lost session, a failure inside a handler).
    void CloseNow();
    // Mask 0 to the ECU, once; a failure that may leave an actuator on is said.
    void SwitchOffBeforeClosing();
    // Runs a handler; anything thrown out of it closes the window the safe way.
    template <typename Handler>
    void Guarded(Handler&& handler);

    AppContext& ctx_;
    TModuloLingua& dictionary_;
    ActuatorTest actuators_;
    Texts texts_;
    QTimer* Timer1;
    bool localized_ = false;
    bool shown_ = false;
    bool switchedOff_ = false;
    bool closing_ = false;
    int32_t pressureReading_ = 0;
};

}  // namespace zov
