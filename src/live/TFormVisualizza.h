#pragma once

#include <QDialog>
#include <QString>
#include <array>
#include <optional>
#include <string>

#include "AppContext.h"
#include "LiveRecord.h"
#include "LiveRecording.h"
#include "LiveReplay.h"
#include "LiveViewRules.h"

class QFrame;
class QGroupBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QTimer;

namespace zov {

class TModuloLingua;

// "Visualizzazione Parametri Centralina": the engine and gas-system state of live record 150,
// refreshed every 150 ms, redrawn only where it changed. "Registra" writes every record read to a
// datalog; a log can be replayed into the window instead of the ECU's records. The caller shows
// the window modally and destroys it.
class TFormVisualizza : public QDialog {
    Q_OBJECT

  public:
    static constexpr int kRefreshMs = 150;

    TFormVisualizza(AppContext& ctx, TModuloLingua& dictionary, QWidget* parent = nullptr);
    ~TFormVisualizza() override;

    bool Localized() const { return localized_; }
    QString Caption() const { return windowTitle(); }

    void Timer1Timer();
    void ButtonAttClick();
    void ButtonRegistraClick();
    void ButtonLogClick();
    // Writes a numbered marker into the recording under way (the button, or the M key).
    void ButtonMarcatoreClick();
    // Shows `log` instead of the ECU's records, `speed` times as fast as it was recorded; false
    // (with the reason shown) for a log that is not a live-data log.
    bool StartReplay(const LiveLog& log, int speed);
    bool Replaying() const { return replay_.has_value(); }
    // Rows of the replayed log shown so far.
    int ReplayedRows() const { return replayedRows_; }

    // What the window shows, for the tests and the screenshots.
    const LiveValues& Values() const { return values_; }
    int32_t FullScale() const { return fullScaleRpm_; }
    int32_t FilteredPressure() const { return filteredPressure_; }
    int LambdaColumn() const { return lambdaColumn_; }
    int TpsLevelShown() const { return tpsLevel_; }
    PressureCheck PressureShown() const { return pressureCheck_; }
    int NeedleDraws() const { return needleDraws_; }
    int SegmentPaints() const { return segmentPaints_; }
    const LiveRecording& Recording() const { return recording_; }

    QLabel* LabGiriMot;
    QLabel* LabGiri;
    QLabel* LabMaxGiri;
    QFrame* BevelGiri;
    QGroupBox* GroupSensori;
    QLabel* LabelLambda;
    QLabel* LabLambda;
    QFrame* PanelLambda;
    QFrame* ShapeLambda;
    QLabel* Label12;
    QLabel* Label15;
    QLabel* LabelMap;
    QLabel* LabMap;
    QProgressBar* ProgressBarMap;
    QFrame* ShapeZeroMap;
    QLabel* LabelMaxMap;
    QLabel* LabelMinMap;
    QGroupBox* GroupCorr;
    QLabel* LabCorrMin;
    QLabel* LabIntInMin;
    QLabel* LabCorrOutMin;
    QLabel* LabIntOutMin;
    QGroupBox* GroupRid;
    QLabel* LabTempRid;
    QLabel* LabTemp;
    QLabel* LabPressRid;
    QLabel* LabPressione;
    QLabel* LabVerPress;
    QFrame* ShapeBassa;
    QFrame* ShapeOK;
    QFrame* ShapeAlta;
    QLabel* LabBassa;
    QLabel* LabOK;
    QLabel* LabAlta;
    QGroupBox* GroupAltro;
    QLabel* LabLivIndic;
    QLabel* LabLivello;
    QLabel* LabelComm;
    QLabel* LabComm;
    QLabel* LabelFunz;
    QLabel* LabFunz;
    QLabel* LabCutoff;
    QGroupBox* GroupTps;
    std::array<QFrame*, kTpsSegments> Shape{};  // Shape1 ... Shape10
    QLabel* LabTps;
    QLabel* LabelCumulo;
    QLabel* LabCum;
    QGroupBox* GroupLog;
    QPushButton* ButtonRegistra;
    QLabel* LabRegistra;
    QPushButton* ButtonMarcatore;
    QPushButton* ButtonLog;
    QPushButton* ButtonAtt;
    QPushButton* ButtonEsci;
    QTimer* Timer1;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void done(int result) override;

  private:
    void BuildControls();
    void BuildSensors();
    void BuildOthers();
    void PlaceControls();
    bool Localize();
    void SetUpScales();

    void ReadLiveRecord();
    void Take(const LiveValues& values);
    void ShowValues();
    void ShowSpeed();
    void ShowTps();
    void ShowManifold();
    void ShowLambda();
    void ShowStates();
    void ShowReducer();
    void ShowRecording();
    void StopRecording();
    void StepReplay();
    void EndReplay();
    void OpenActuatorTest();
    void ShowError(const std::string& text);

    QPoint DialCentre() const;
    int DialRadius() const;
    QRect NeedleBounds() const;

    AppContext& ctx_;
    TModuloLingua& dictionary_;
    double scale_ = 1.0;
    int screenWidth_ = 800;
    bool localized_ = false;

    LiveValues values_;
    int32_t shownRpm_ = -1;
    int32_t fullScaleRpm_ = 0;
    LambdaScale lambdaScale_{};
    int32_t mapBarTop_ = 0;
    PressureWindow pressureWindow_{};
    int32_t filteredPressure_ = 0;
    int lambdaColumn_ = 19;
    int tpsLevel_ = 0;
    PressureCheck pressureCheck_ = PressureCheck::Off;
    int needleDraws_ = 0;
    int segmentPaints_ = 0;

    LiveRecording recording_;
    std::optional<LiveReplay> replay_;
    int replayedRows_ = 0;

    // Texts that are not captions, from the dictionary.
    QString gasText_ = QStringLiteral("GAS");
    QString petrolText_ = QStringLiteral("BENZINA");
    QString notAvailable_ = QStringLiteral("n.d.");
    std::string messNoConn_ = "Centralina non connessa.";
    std::string messNoDiagn_ = "Impossibile entrare in diagnosi.";
    std::string messInVerAtt1_ = "Si sta per entrare nella verifica degli attuatori.";
    std::string messInVerAtt2_ = "Continuare?";
    std::string messMotoreInMoto_ =
        "Motore in moto: spegnere il motore prima della verifica degli attuatori.";
    std::string messDiagnosiSospesa1_ = "La centralina \xE8 rimasta in modalit\xE0 diagnosi.";
    std::string messDiagnosiSospesa2_ =
        "Sar\xE0 riportata al funzionamento normale alla prossima connessione.";
    QString messRecording_ = QStringLiteral("Registrazione: %1 righe, %2/s, %3");
    std::string messNotLiveLog_ = "Il file non \xE8 una registrazione dei dati in tempo reale.";
    QString replayTitle_ = QStringLiteral("Riproduzione registrazione");
    QString liveTitle_;
    QString barUnit_ = QStringLiteral(" bar");
    QString celsiusUnit_ = QStringLiteral(" \u00B0C");
    QString rpmUnit_ = QStringLiteral(" giri");
};

}  // namespace zov
