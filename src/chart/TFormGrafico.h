#pragma once

#include <QDialog>
#include <QPoint>
#include <QString>
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "AppContext.h"
#include "ArrowKeyStepper.h"
#include "FittedMapSession.h"

class QAction;
class QCheckBox;
class QKeyEvent;
class QLabel;
class QMenu;
class QMouseEvent;
class QPushButton;

class QCategoryAxis;
class QChart;
class QChartView;
class QLineSeries;
class QValueAxis;

namespace zov {

class TModuloLingua;

// The map chart: the main map as 16 curves (one per pressure row, cell value against engine
// speed), opened by the map editor on a freshly fitted map. Points are moved with the mouse or
// with Shift and the arrow keys, each change written to the ECU at once; curves are hidden and
// shown, the chart zoomed, the speed axis switched between logarithmic and linear; the fit can be
// undone and the map downloaded. Closing without either asks which of the two it is to be.
//
// Beside the fitted curves the map before the fit is drawn dashed (a toggle, on at opening), a
// line under the chart sums up the change and the cells moved by more than a quarter are marked.
//
// The speed axis shows the logarithm of the speed when logarithmic, so both scales are one value
// axis whose labels are placed at round speeds (ChartRules::RpmLabels).
//
// The window holds the controls, their texts and the order of the exchanges; the rules are in
// ChartRules, ArrowKeyStepper, MapChangeSummary and FittedMapSession.
class TFormGrafico : public QDialog {
    Q_OBJECT

  public:
    static constexpr int kRows = 16;
    static constexpr int kCols = 20;
    static constexpr int kHitRadius = 5;      // pixels around a point that count as on it
    static constexpr int kDragThreshold = 3;  // pixels the mouse moves before a point follows it
    static constexpr double kValueAxisFrom = -20;
    static constexpr double kValueAxisTo = 740;

    TFormGrafico(AppContext& ctx, TModuloLingua& dictionary, QWidget* parent = nullptr);
    ~TFormGrafico() override;

    // The window's tag: bit i shows row i's curve whenever the chart is filled. All rows unless
    // the opener says otherwise.
    void SetVisibleRows(uint16_t mask) { visibleRows_ = mask; }
    uint16_t VisibleRows() const { return visibleRows_; }

    // False when the dictionary could not give every text (the built-in ones stay).
    bool Localized() const { return localized_; }
    const FittedMapSession& Session() const { return session_; }

    // --- state, as the handlers leave it --------------------------------------------------------
    bool Dragging() const { return dragging_; }
    int DragSeries() const { return dragSeries_; }
    int DragPoint() const { return dragPoint_; }
    int KeySeries() const { return keySeries_; }
    int KeyPoint() const { return keyPoint_; }
    int KeyStep() const { return stepper_.Step(); }
    bool Zoomed() const { return zoomed_; }
    bool SeriesSelected(int row) const;
    // The hint's three lines; empty while it is hidden.
    const QString& Hint() const { return hint_; }
    // The mouse pointer as the window follows it, in ChartView1's viewport.
    QPoint Pointer() const { return pointer_; }
    // Where point (row, col) is drawn, in ChartView1's viewport.
    QPoint PointPosition(int row, int col) const;
    // The value-axis value at height y of ChartView1's viewport.
    double ValueAt(int y) const;
    // The speeds the bottom axis labels now.
    std::vector<int32_t> RpmAxisLabels() const { return rpmLabels_; }

    // --- controls (objectName = component name) --------------------------------------------------
    QChartView* ChartView1 = nullptr;
    QChart* Chart1 = nullptr;
    std::array<QLineSeries*, kRows> Series{};        // Series1..Series16: row i is Series[i]
    std::array<QLineSeries*, kRows> BeforeSeries{};  // the map before the fit, dashed
    QCategoryAxis* AxisGiri = nullptr;
    QValueAxis* AxisValore = nullptr;
    QMenu* PopupMenu1 = nullptr;
    QAction* MenuInsert = nullptr;
    QAction* MenuDelete = nullptr;
    QAction* MenuScalaLog = nullptr;
    QAction* MenuStampa = nullptr;
    QAction* MenuAnnullaZoom = nullptr;
    QAction* N3 = nullptr;
    QAction* MenuAnnullaInterpola = nullptr;
    QAction* MenuScaricaMappa = nullptr;
    // The undo and the download as buttons, their keys in the caption (after a fit only).
    QPushButton* ButtonAnnullaInterpola = nullptr;
    QPushButton* ButtonScaricaMappa = nullptr;
    QCheckBox* CheckMappaPrima = nullptr;
    QLabel* LabelRiepilogo = nullptr;
    QLabel* LabelCelleSegnate = nullptr;
    // The dragged point's value, over the chart beside the point and never outside the view.
    QLabel* LabelValoreTrascinato = nullptr;

    // --- operations -------------------------------------------------------------------------------
    // The cells the cap on change bound in the fit, marked until undone or moved by hand.
    void SetCapped(const MapFlags& capped) { session_.SetCapped(capped); }
    // The curves from the model, visibility from the tag; the undo command enabled as the undo
    // copy allows.
    void FillChart();
    // The summary line and the marked points, after every change of the map.
    void ShowChanges();

    // --- handlers ---------------------------------------------------------------------------------
    void MenuInsertClick();
    void MenuDeleteClick();
    void MenuScalaLogClick();
    void MenuAnnullaZoomClick();
    void MenuAnnullaInterpolaClick();
    // F12, the menu and the button: the download after the question naming the cells it changes.
    void MenuScaricaMappaClick();
    void CheckMappaPrimaClick();
    void FormShow();
    void FormKeyDown(QKeyEvent* event);
    void FormKeyUp(QKeyEvent* event);
    // True when the press picked a point or a curve (the chart's own zoom does not see it).
    bool ChartMouseDown(QMouseEvent* event);
    void ChartMouseMove(QMouseEvent* event);
    // True when the release ended a drag of a point (the chart's own zoom does not see it).
    bool ChartMouseUp(QMouseEvent* event);

  protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    // Every way of closing passes here: the question, then the window goes (or stays, when the
    // download it asked for did not reach the ECU).
    void done(int result) override;

  private:
    void ShowDragValue(int32_t value);

    struct Texts {
        QString riga;
        QString colonna;
        QString map;
        QString valore;
        QString finestraCancRiga;
        QString messCancRiga;
        QString finestraInsRiga;
        QString messInsRiga;
        std::string scaricaMappa;
        std::string mappaNonScaricata;
        std::string mappaNonRipristinata;
        std::string mappaMista;
        QString riepilogo;
        QString riepilogoDaZero;
        QString nessunaModifica;
        QString celleCambiano;
        QString celleLimitate;
        QString celleBloccate;
    };

    void BuildControls();
    void BuildChart();
    void BuildMenu();
    bool Localize();
    void ConnectHandlers();
    void BuildButtons();
    // The buttons' captions: the menu command's text and its key.
    void CaptionButtons();
    // The undo's menu entry and button enabled as the undo copy allows.
    void ShowUndoState();
    // The download itself, once it has been agreed to.
    void DownloadMap();

    double AxisX(int32_t rpm) const;
    double RpmOf(double axisX) const;
    void ApplyFullRanges();
    void UpdateAxisLabels();
    void ShowBeforeSeries();
    void SetSeriesVisible(int row, bool visible);

    void SelectSeries(int row, bool selected);
    void DeselectAll();
    bool AnySelected() const;
    // The first visible series with a point within kHitRadius of `pos`, scanning from the last
    // row to the first (or from the first to the last); its row and column.
    std::optional<std::pair<int, int>> PointAt(QPoint pos, bool fromLast) const;
    std::optional<int> LineAt(QPoint pos) const;
    void SetPointValue(int row, int col, int32_t value);
    void UpdateHint(QPoint pos);
    void MoveWithArrow(ArrowKeyStepper::Direction direction, bool shift);
    void PickWithShift();
    void DropPick();
    std::optional<int> AskRow(const QString& caption, const QString& prompt);
    void Tell(const std::string& text);

    AppContext& ctx_;
    TModuloLingua& dictionary_;
    FittedMapSession session_;
    Texts texts_;
    bool localized_ = false;
    uint16_t visibleRows_ = 0xFFFF;

    bool dragging_ = false;
    bool dragMoved_ = false;
    int dragSeries_ = -1;
    int dragPoint_ = -1;
    QPoint dragFrom_;
    int keySeries_ = -1;
    int keyPoint_ = -1;
    ArrowKeyStepper stepper_;
    QPoint pointer_;
    QString hint_;
    bool zoomed_ = false;
    bool closing_ = false;
    bool settingRanges_ = false;  // the window itself sets the axes, no zoom
    std::array<bool, kRows> selected_{};
    std::vector<int32_t> rpmLabels_;
};

}  // namespace zov
