#pragma once

#include <QDialog>
#include <QString>
#include <array>
#include <cstdint>
#include <string>

#include "FunctionalDiagnosis.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QPushButton;

namespace zov {

class AppContext;
class TModuloLingua;

// "Diagnosi di funzionamento": the ECU's ten self-diagnosis checks, each enabled or not, with
// its effect on a trip and whether it has tripped, and the operating times on gas and petrol.
// The installer enables or disables checks and sends them (`ButtonModifica`), or clears the
// tripped states at once (`ButtonResetta`). Opened modally from the ECU management menu (F2).
class TFormDiagnFunz : public QDialog {
    Q_OBJECT

  public:
    static constexpr int kChecks = FunctionalDiagnosis::kChecks;

    TFormDiagnFunz(AppContext& ctx, TModuloLingua& dictionary, QWidget* parent = nullptr);
    ~TFormDiagnFunz() override;

    bool Localized() const { return localized_; }
    bool Changed() const { return changed_; }

    // Handlers, public so tests drive them as a click would.
    void CheckBoxClick(int check);
    void ButtonResettaClick();
    void ButtonModificaClick();

    std::array<QCheckBox*, kChecks> CheckBox{};
    std::array<QLabel*, kChecks> LabelE{};
    std::array<QLabel*, kChecks> LabelS{};
    QLabel* LabelControllo;
    QLabel* LabelAbilitazione;
    QLabel* LabelEffetto;
    QLabel* LabelStato;
    QGroupBox* GroupTempi;
    QLabel* LabelTempoGas;
    QLabel* LabelTGas;
    QLabel* LabelTempoBenzina;
    QLabel* LabelTBenza;
    QPushButton* ButtonEsci;
    QPushButton* ButtonModifica;
    QPushButton* ButtonResetta;

  public slots:
    // Every way of closing; with unsent changes it asks first.
    void reject() override;

  private:
    struct Texts {
        std::array<QString, 5> effetto = {QStringLiteral("Nessuno"), QStringLiteral("Passaggio benzina"),
                                          QStringLiteral("Forzato benzina"), QStringLiteral("OpenLoop"),
                                          QStringLiteral("Forzato OpenLoop")};
        QString statoOK = QStringLiteral("OK");
        QString statoErrore = QStringLiteral("ERRORE");
        std::string ore = "Ore";
        std::string minuti = "Minuti";
        std::string errDiagnosi = "Combinazione di effetti non valida per il controllo";
        std::string riprogCpu = "Riprogrammare la centralina.";
        std::string valoriCambiati = "Alcuni valori sono stati modificati.";
        std::string scaricaValori = "Scaricarli in centralina?";
        std::string memorizzaValori = "Memorizzarli nella configurazione?";
    };

    void BuildControls();
    bool Localize();
    void ShowOperatingTimes();
    void ShowChecks(const DiagnosisWords& words);
    void ShowEnabled(int check, bool enabled);
    void ShowState(int check, bool tripped);
    bool FormCloseQuery();
    std::string Caption() const;

    AppContext& ctx_;
    TModuloLingua& dictionary_;
    Texts texts_;
    bool localized_ = false;
    bool changed_ = false;
};

}  // namespace zov
