#pragma once

#include <QPoint>
#include <QRect>
#include <QString>
#include <QWidget>
#include <cstdint>

#include "CellGrid.h"

class QGroupBox;
class QLabel;
class QLineEdit;
class QPainter;
class QResizeEvent;
class QTimer;

namespace zov {

class AppContext;
class EnrichmentPage;
class TFormSet;
class TModuloLingua;

// `DrawGrid1`: 9 x 9 cells, row 0 and column 0 the headers. The page paints the cells and the
// marker.
class EnrichmentGrid : public CellGrid {
    Q_OBJECT

  public:
    static constexpr int kCells = 9;

    explicit EnrichmentGrid(EnrichmentPage& page, QWidget* parent = nullptr);

  protected:
    void PaintCell(QPainter& painter, int column, int row, const QRect& rect, bool selected) override;
    void PaintOverlay(QPainter& painter) override;

  private:
    EnrichmentPage& page_;
};

// The parameter editor's page "Mappa TPS" (objectName "PageTps"): the 8 x 8 enrichment map with
// the engine's live operating point marked on it, the live values beside it and the edit of the
// minimum accumulation.
//
// The page owns `Timer1` (80 ms) and its own value entry dialog. Like the window it lives in,
// `Timer1` runs from construction; PageEntered/PageLeft follow the page becoming current or not.
//
// `LabelMinCum` and `EditMinCumulo` sit on this page, but the edit is one of the editor window's
// checked fields: the window finds it by objectName and owns its limits, its check on leaving
// and its store. FillFromModel fills it like the window fills every edit.
class EnrichmentPage : public QWidget {
    Q_OBJECT

  public:
    static constexpr int kTimerInterval = 80;
    static constexpr int kMarkerRadius = 9;
    static constexpr int kThinningTicks = 8;
    static constexpr int kHoldSteps = 3;

    EnrichmentPage(AppContext& ctx, TModuloLingua& dictionary, QWidget* parent = nullptr);
    ~EnrichmentPage() override;

    // Repaints the grid from the model and fills `EditMinCumulo` (`GetValue`(12)).
    void FillFromModel();
    // `PageTpsShow`: resets the live state, warns through `CheckCentres`, builds the cell bounds,
    // starts `Timer1` and focuses the grid. The reset marker sits on the first map cell and the
    // first tick shows the live values even when they did not change.
    void PageEntered();
    // `PageTpsHide`: stops `Timer1`.
    void PageLeft();
    // Around modal boxes of the window: nothing may talk to the ECU while one is open. The pairs
    // nest; the last StartLiveTimer restarts `Timer1` only when it ran at the first StopLiveTimer.
    void StopLiveTimer();
    void StartLiveTimer();
    bool LiveTimerActive() const;

    // Looks up the page's captions and kept texts and the value entry dialog's texts, each with
    // its cut length; all or nothing. False on a dictionary error (the caller reports it).
    bool Localize();

    // `Timer1Timer`, public so the live logic can be driven tick by tick.
    void Timer1Timer();
    // `UpdateLiveTps` and `BuildTpsCellBounds`.
    void UpdateLiveTps();
    void BuildTpsCellBounds();
    // Sizes the grid to the page (`FormShow` of the window, and every resize): 80 % of the page
    // width, nine equal columns and rows, centred horizontally, the live values below it.
    void SizeGrid();
    // Opens the value entry dialog on the grid's selection (`DrawGrid1DblClick` and Enter).
    void EditSelection();

    // `DrawGrid1DrawCell`: one cell's background and text.
    void DrawGrid1DrawCell(QPainter& painter, int column, int row, const QRect& rect, bool selected);
    // The marker, drawn after the cells so that it stays on top of them.
    void DrawMarker(QPainter& painter) const;
    // Text of grid cell (column, row): a header value, the corner text or an enrichment cell.
    QString CellText(int column, int row) const;

    // Offset of the marker from a cell's left (top) edge: linear from the lower boundary to the
    // centre (offset `half`) and from the centre to the upper boundary (offset 2 x `half`). An
    // empty or inverted interval, possible only with centres that do not increase, puts the
    // marker in the middle; the result never leaves the cell.
    static int32_t MarkerOffset(int32_t value, int32_t lower, int32_t centre, int32_t upper, int32_t half);
    // `%g` with precision 4 of hundredths.
    static QString FormatHundredths(int32_t value);
    // The main-map column whose lambda reference applies at `rpm`.
    int LambdaColumn(int32_t rpm) const;

    // Live state, for the window and the tests.
    int32_t ColBound(int i) const { return colBounds_[i]; }
    int32_t RowBound(int j) const { return rowBounds_[j]; }
    int32_t Rpm() const { return rpm_; }
    int32_t Cumulo() const { return cumulo_; }
    int32_t LambdaValue() const { return lambdaValue_; }
    int32_t ReducerPressure() const { return reducerPressure_; }
    int32_t PressureMax() const { return pressureMax_; }
    int32_t PressureMin() const { return pressureMin_; }
    QPoint Cursor() const { return QPoint(cursorX_, cursorY_); }
    EnrichmentGrid& Grid() { return *DrawGrid1; }
    TFormSet& ValueDialog() { return *formSet_; }

  signals:
    void valuesChanged();

  protected:
    void resizeEvent(QResizeEvent* event) override;

  private:
    void BuildControls();
    // Steps 4 to 6 of UpdateLiveTps: the marker's centre from the live values and the cells.
    void PlaceMarker();
    void InvalidateMarker();
    // Steps 8 to 10: the labels, the held peaks and the lambda colour.
    void ShowLiveValues();
    void ShowLambda();

    AppContext& ctx_;
    TModuloLingua& dictionary_;

    EnrichmentGrid* DrawGrid1 = nullptr;
    QLabel* LabGiriMot = nullptr;
    QLabel* LabGiri = nullptr;
    QLabel* LabelCumulo = nullptr;
    QLabel* LabCum = nullptr;
    QLabel* LabelLambda = nullptr;
    QLabel* LabLambda = nullptr;
    QGroupBox* GroupRid = nullptr;
    QLabel* LabPressRid = nullptr;
    QLabel* LabelP = nullptr;
    QLabel* LabelPMax = nullptr;
    QLabel* LabelPMin = nullptr;
    QLabel* LabelMinCum = nullptr;
    QLineEdit* EditMinCumulo = nullptr;
    QWidget* livePanel_ = nullptr;
    QTimer* Timer1 = nullptr;
    TFormSet* formSet_ = nullptr;
    // StopLiveTimer calls not yet matched by StartLiveTimer, and whether Timer1 ran at the first.
    int stopDepth_ = 0;
    bool runBeforeStop_ = false;

    // Texts kept from the dictionary.
    QString labelOrigine_ = QStringLiteral("Origine");
    QString labelRpm_ = QStringLiteral("rpm");
    QString labelBar_ = QStringLiteral(" bar");

    int32_t colBounds_[9] = {};
    int32_t rowBounds_[9] = {};
    int32_t rpm_ = 0;
    int32_t cumulo_ = 0;
    int32_t lambdaValue_ = 0;
    int32_t reducerPressure_ = 0;
    int32_t pressureMax_ = 0;
    int32_t pressureMin_ = 5;
    uint32_t maxCountdown_ = 0;
    uint32_t minCountdown_ = 0;
    int32_t lastRpm_ = 0;
    int32_t lastCumulo_ = 0;
    int32_t unchangedTicks_ = 0;
    int32_t cursorX_ = 0;
    int32_t cursorY_ = 0;
};

}  // namespace zov
