#pragma once

#include <QString>
#include <QWidget>
#include <array>
#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

class QGridLayout;
class QLabel;
class QLineEdit;
class QPushButton;

namespace zov {

class AppContext;
class ConfCar;
class ConfParam;
class Localizer;
class TUpDown;

// The parameter editor's page "Adattatività" (objectName "PageAdattativita"): the state of the
// ECU's self-adaptation per engine-speed zone, switching it on or off and resetting its steps at
// once on the ECU, the installer's steps (four zones) or the automatic maximum (eight zones,
// `ADATTATIVITA_ESTESA`), and two enrichment parameters set with up-downs.
//
// The checked edit(s) of the page belong to the editor's limits table: the editor checks them
// when they are left (CheckedEdits names them with their rows). The page reports every change
// that the editor's close question must know of by `valuesChanged`. Its exchanges with the ECU
// run through `runExchange`, which the editor sets to keep its live timer still meanwhile.
class AdaptationPage : public QWidget {
    Q_OBJECT

  public:
    explicit AdaptationPage(AppContext& ctx, QWidget* parent = nullptr);

    // The page's captions and kept texts, into the window's localizer (all or none).
    void AddTexts(Localizer& localizer);
    bool EightZones() const { return eightZones_; }
    // The editable edits of the layout with their rows of the editor's limits table.
    std::vector<std::pair<QLineEdit*, int>> CheckedEdits() const;
    // `Editem1` with eight zones, `EditFattiInst1` with four.
    QLineEdit* FirstEdit() const;

    // `LabelFascia1`..3 from the map columns that end the first three zones.
    void FillZoneLimits();
    // `FillAdaptation`: the state texts and the edit grid from the model.
    void FillAdaptation();
    // Positions and edits of the two up-downs from the parameters.
    void FillUpDowns();
    // `PageAdattativitaEnter` without the editor's changed flag: with a session open, the ECU's
    // counters are read again; steps typed and not stored stay typed.
    void PageEntered();
    void ButtonAbilitaClick();
    void ButtonAzzeraClick();
    void UpDownVarArrClick(TUpDown* upDown);
    void EditPassiTpsExit();
    void EditArrMinExit();
    // Both up-downs take what their edits hold, within their ranges.
    void SyncUpDowns();
    // Store step of the editor: the installer's steps or the automatic maximum into the model,
    // then the self-adaptation group to the ECU.
    void StoreToModel();
    // The model part of that store into `car` and `param`; nothing is sent.
    void ApplyTo(ConfCar& car, ConfParam& param);
    // The two up-down positions into the parameters (sent when their link has a session open).
    void StoreScalars(ConfParam& param);

    std::function<void(const std::function<void()>&)> runExchange =
        [](const std::function<void()>& exchange) { exchange(); };
    // Names the variables the ECU refused of the page's own writes (the editor's message).
    std::function<void(const std::vector<int>&)> reportRefused;

    QLabel* LabAdatta;
    QLabel* LabStatoAdat;
    QPushButton* ButtonAbilita;
    QPushButton* ButtonAzzera;
    QLabel* LabRifGiri;
    std::array<QLabel*, 3> LabelFascia{};
    QLabel* LabMaxPassi;
    QLabel* LabPassiFatti;
    QLabel* LabErrMedio;
    QLabel* LabInst1;
    QLabel* LabInst2;
    QLabel* LabAut1;
    QLabel* LabAut2;
    std::array<QLineEdit*, 4> EditMaxInst{};
    std::array<QLineEdit*, 4> EditMaxAut{};
    std::array<QLineEdit*, 4> EditFattiInst{};
    std::array<QLineEdit*, 4> EditFattiAut{};
    std::array<QLineEdit*, 4> Editem{};
    QLabel* LabelPassiTps;
    QLineEdit* EditPassiTps;
    TUpDown* UpDownVarArr;
    QLabel* LabelArrMin;
    QLineEdit* EditArrMin;
    TUpDown* UpDownArrMin;

  signals:
    void valuesChanged();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    // The configuration register, whose bit switches the self-adaptation.
    static constexpr int kRegisterVariable = 39;
    void Report(const std::vector<int>& refused);
    void BuildControls();
    void BuildGrid();
    void BuildUpDowns();
    void ArrangeEightZones();
    void ConnectHandlers();
    void ShowState();
    // A mean error of 100 is not available: `MessND`.
    void FillMeanError(QLineEdit* edit, int32_t value);
    void SyncUpDown(TUpDown* upDown, QLineEdit* edit);

    AppContext& ctx_;
    const bool eightZones_;
    QGridLayout* grid_ = nullptr;

    QString nd_ = QStringLiteral("n.d.");
    QString attiva_;
    QString inattiva_;
    QString abilitaAd_;
    QString disabilitaAd_;
};

}  // namespace zov
