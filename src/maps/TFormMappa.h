#pragma once

#include <QColor>
#include <QDialog>
#include <QString>
#include <map>
#include <memory>
#include <string>

#include "EcuWorkLock.h"
#include "MapEditorLive.h"
#include "MappingSession.h"
#include "Prompter.h"

class QAction;
class QGroupBox;
class QKeyEvent;
class QMenu;
class QLabel;
class QPainter;
class QPushButton;
class QTimer;

namespace zov {

class AppContext;
class MapGrid;
class TFormSet;
class TModuloLingua;

// The main fuel map of the connected ECU as a 16 x 20 grid with the engine's operating point on
// it, in one of two modes fixed at construction:
// - edit mode: cells are changed through the value entry dialog, each change written at once;
// - automatic mapping (`autoMapping`): the window waits for a warm, ready engine with a steady
//   reducer pressure, starts the mapping, takes a point in each zone and at the end fits the map
//   to the points and shows it in the chart window.
// The rules live in MapEditorLive (the tick) and MappingSession (the exchanges of a mapping); the
// window holds the controls, the texts and the order of the boxes.
class TFormMappa : public QDialog {
    Q_OBJECT

  public:
    static constexpr int kTimerInterval = 100;
    static constexpr int kActionPauseMs = 500;
    static constexpr int kAnnouncementPauseMs = 1000;
    static constexpr const char* kAcquisitionSound = "Sound/acquisitionDone.wav";
    static constexpr const char* kCompleteSound = "Sound/mapComplete.wav";

    // Edit mode.
    TFormMappa(AppContext& ctx, TModuloLingua& dictionary, QWidget* parent = nullptr);
    // `mode` true: automatic mapping.
    TFormMappa(AppContext& ctx, TModuloLingua& dictionary, bool mode, QWidget* parent = nullptr);
    // A way out that skipped the exit (an exception through exec) still leaves mapping mode.
    ~TFormMappa() override;

    // Handlers.
    void Timer1Timer();
    void ButtonEsciClick();
    void ButtonControllaMappaClick();
    // "Opzioni mappatura": the thresholds for the samples from now on, kept for the next runs.
    void ButtonOpzioniClick();
    // Double click or Enter on the grid: the question, then the value entry dialog.
    void EditSelection();
    // F1 and F2.
    void Freeze();
    void Resume();
    // Space in mapping mode.
    void AcquireManually();
    // Ctrl+B and the grid's menu in edit mode: the selected cells locked, or unlocked when all of
    // them were (MapLocks::Toggle). The fit and the download leave locked cells as they are.
    void ToggleLocks();

    // `DrawGrid1DrawCell` and the cursor disc, painted after the cells.
    void DrawGrid1DrawCell(QPainter& painter, int column, int row, const QRect& rect, bool selected);
    void DrawCursor(QPainter& painter) const;
    QString CellText(int column, int row) const;
    // `%g` with at most 4 significant digits of hundredths (150 -> "1.5").
    static QString FormatHundredths(int32_t value);

    bool AutoMapping() const { return autoMapping; }
    bool LiveEnabled() const { return liveEnabled; }
    const MappingOptions& Options() const { return options_; }
    bool TimerActive() const;
    MapEditorLive& Live() { return *live_; }
    MappingSession& Session() { return session_; }
    TFormSet& ValueDialog() { return *formSet_; }
    MapGrid& Grid() { return *DrawGrid1; }

    // Controls, named as the window's components.
    MapGrid* DrawGrid1 = nullptr;
    QGroupBox* GroupSensori = nullptr;
    QLabel* LabelGiri = nullptr;
    QLabel* LabGiri = nullptr;
    QLabel* LabelMap = nullptr;
    QLabel* LabMap = nullptr;
    QLabel* LabelLambda = nullptr;
    QLabel* LabLambda = nullptr;
    QLabel* LabelTps = nullptr;
    QLabel* LabTps = nullptr;
    QGroupBox* GroupRid = nullptr;
    QLabel* LabTempRid = nullptr;
    QLabel* LabelT = nullptr;
    QLabel* LabPressRid = nullptr;
    QLabel* LabelP = nullptr;
    QLabel* LabelPMax = nullptr;
    QLabel* LabelPMin = nullptr;
    QGroupBox* GroupValori = nullptr;
    QLabel* LabelTarget = nullptr;
    QLabel* LabTarget = nullptr;
    QLabel* LabCorrMin = nullptr;
    QLabel* LabintMin = nullptr;
    QLabel* LabCorrOutMin = nullptr;
    QLabel* LabintFuoriMin = nullptr;
    QLabel* LabelCumulo = nullptr;
    QLabel* LabCum = nullptr;
    QGroupBox* GroupMotori = nullptr;
    QLabel* LabelApertura = nullptr;
    QLabel* LabApr = nullptr;
    QLabel* LabelArricchimento = nullptr;
    QLabel* LabArr = nullptr;
    QLabel* LabCutoff = nullptr;
    QGroupBox* GroupAutoMap = nullptr;
    QLabel* LabelStatoMappatura = nullptr;
    QLabel* LabelScostamento = nullptr;
    QLabel* LabelValoreCella = nullptr;
    QLabel* LabelPalleggio = nullptr;
    QLabel* LabelContPalleggio = nullptr;
    // The current zone's refused samples by reason, the largest first.
    QLabel* LabelRifiuti = nullptr;
    QPushButton* ButtonEsci = nullptr;
    QPushButton* ButtonEsci2 = nullptr;
    QPushButton* ButtonControllaMappa = nullptr;
    QPushButton* ButtonOpzioni = nullptr;
    QTimer* Timer1 = nullptr;
    // The grid's right-click menu (edit mode).
    QMenu* PopupGriglia = nullptr;
    QAction* MenuBloccaCelle = nullptr;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void reject() override;

  private:
    // The mapping state's text colour: on, off.
    static inline const QColor kMappingOn{255, 0, 0};
    static inline const QColor kMappingOff{0, 0, 128};
    void Initialise();
    void BuildControls();
    void ShowMappingControls();
    void Localize();
    void SizeGrid();
    void FitPanel();
    void ShrinkPanel(double factor);
    bool FormKeyDown(const QKeyEvent& event);
    void BuildGridMenu();

    void ShowTick(const MapEditorLive::Tick& tick);
    void ShowLiveValues();
    void ShowPeaks(const PressurePeaks::Refreshed& peaks);
    void SetMappingState(const QString& text, const QColor& colour);
    void ShowAcquisition();
    // While waiting: the state, what holds the start back and the time left before the time-out.
    void ShowWaiting();
    void InvalidateCursor(const PixelBox& box);
    void RestartTimer();

    // Start of automatic mapping, the time-out, and the end with the fit.
    // False when the ECU did not take the start: the window has then left and closed.
    bool StartMapping();
    void TimeOut();
    void EndWithFit();
    // The fit and the chart; false when the fit failed (the user has been told, with
    // `failureText` under the first line).
    bool FitAndShowChart(const std::string& failureText);
    void OpenChart();
    // The exit's question and what follows it; false when the window stays open.
    bool ExitAsked();
    // `FormClose`, once: the timer off, the points dropped and, in mapping mode, the ECU taken out
    // of mapping mode if that has not been done.
    void FormClose();
    // Leave and, when the ECU could not be reached, the plain message saying it stays in mapping
    // mode until the next connection.
    void LeaveMapping();
    void ReportLeavePending();
    // Two beeps a second apart, or the named sound when the runtime folder has it.
    void Announce(const char* sound);

    void ShowError(const std::string& text);
    PromptAnswer Ask(const std::string& text, PromptIcon icon, PromptButtons buttons);
    std::string Caption() const;

    AppContext& ctx_;
    TModuloLingua& dictionary_;
    const bool autoMapping;
    bool liveEnabled = true;
    bool closed_ = false;
    bool inTick_ = false;
    std::unique_ptr<MapEditorLive> live_;
    MappingOptions options_;
    MappingSession session_;
    // No archive update of the runtime directory runs while the map window is open.
    EcuWorkLock working_;
    TFormSet* formSet_ = nullptr;
    QWidget* livePanel_ = nullptr;
    QColor cursorColour_;

    // Texts kept from the dictionary.
    QString labelRpm_ = QStringLiteral("rpm");
    QString labelBar_ = QStringLiteral("bar");
    QString labelC_ = QStringLiteral("°C");
    QString labelOrigine2_ = QStringLiteral("Map/Giri");
    QString messND_ = QStringLiteral("n.d.");
    QString messMappaturaOn_ = QStringLiteral("MAPPATURA ATTIVA");
    QString messMappaturaOff_ = QStringLiteral("MAPPATURA INATTIVA");
    QString finestraScaricaCpu_ = QStringLiteral("Finestra di attesa");
    QString messStartMapping_ = QStringLiteral("Avvio della mappatura automatica...");
    QString messCompletato_ = QStringLiteral("completato");
    QString labelCampioni_ = QStringLiteral("Campioni");
    QString labelNessunRifiuto_ = QStringLiteral("Nessun campione rifiutato");
    QString refusalTexts_[kMappingRefusalCount];
    // Why the mapping waits, by MappingWait::Blocker (None unused), and the time-left text.
    QString waitTexts_[5] = {QString(), QStringLiteral("motore fermo"), QStringLiteral("riduttore freddo"),
                             QStringLiteral("centralina non in mappatura"),
                             QStringLiteral("pressione riduttore fuori finestra")};
    QString messTempoRimasto_ = QStringLiteral("time-out fra");
    // Message texts by identifier, Windows-1252 as the boxes take them.
    std::map<std::string, std::string> messages_;
    std::string Message(const char* identifier) const;
    std::string Pair(const char* first, const char* second) const;
};

}  // namespace zov
