// The map chart's mouse and keys against the simulator: dragging and keying points (each change
// in the ECU at once), the hint, the zoom and the speed scale.
#include <gtest/gtest.h>

#include <QCategoryAxis>
#include <QChart>
#include <QChartView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineSeries>
#include <QMouseEvent>
#include <QValueAxis>
#include <cmath>

#include "ChartSupport.h"

namespace zov::test {
namespace {

// Rows 100, 130, ... 550: every point of a column stands apart from its neighbours.
struct InputBench : ChartBench {
    InputBench() {
        LoadRows(100, 30);
        Fitted({});
        form = Open();
    }

    QWidget* Viewport() { return form->ChartView1->viewport(); }

    void Mouse(QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons buttons,
               Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QMouseEvent event(type, at, Viewport()->mapToGlobal(at), button, buttons, modifiers);
        QApplication::sendEvent(Viewport(), &event);
    }
    void Press(QPoint at, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        Mouse(QEvent::MouseButtonPress, at, Qt::LeftButton, Qt::LeftButton, modifiers);
    }
    void DragTo(QPoint at) { Mouse(QEvent::MouseMove, at, Qt::NoButton, Qt::LeftButton); }
    void MoveTo(QPoint at) { Mouse(QEvent::MouseMove, at, Qt::NoButton, Qt::NoButton); }
    void Release(QPoint at) { Mouse(QEvent::MouseButtonRelease, at, Qt::LeftButton, Qt::NoButton); }

    void KeyDown(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QKeyEvent event(QEvent::KeyPress, key, modifiers);
        QApplication::sendEvent(form.get(), &event);
    }
    void KeyUp(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier, bool autoRepeat = false) {
        QKeyEvent event(QEvent::KeyRelease, key, modifiers, QString(), autoRepeat);
        QApplication::sendEvent(form.get(), &event);
    }
    // A held key: press and auto-repeated release, as the keyboard sends it.
    void Held(int key, Qt::KeyboardModifiers modifiers) {
        KeyDown(key, modifiers);
        KeyUp(key, modifiers, true);
    }

    // Qt's own mapping between the chart's values and the viewport, straight from the chart.
    QPoint Where(int row, double value) {
        QLineSeries* s = form->Series[size_t(row)];
        const QPointF inChart = form->Chart1->mapToPosition(QPointF(s->at(0).x(), value), s);
        return form->ChartView1->mapFromScene(form->Chart1->mapToScene(inChart));
    }
    double ValueAtPixel(int y) {
        const QPointF inChart = form->Chart1->mapFromScene(form->ChartView1->mapToScene(QPoint(0, y)));
        return form->Chart1->mapToValue(inChart, form->Series[0]).y();
    }

    int CellWrites() const {
        int n = 0;
        for (const int var : WrittenVars()) n += var == 50 ? 1 : 0;
        return n;
    }
    int32_t EcuCell(int row, int col) const { return ecu.Value(50, row * 20 + col); }

    std::unique_ptr<TFormGrafico> form;
};

// --- dragging ------------------------------------------------------------------------------------

TEST(ChartDrag, ThePointFollowsTheMouseAndTheCellGoesToTheEcuWhenDropped) {
    InputBench b;
    const QPoint from = b.form->PointPosition(4, 7);
    const QPoint to(from.x(), b.Where(4, 300.5).y());
    const int32_t expected = int32_t(std::trunc(b.ValueAtPixel(to.y())));
    ASSERT_NEAR(expected, 300, 2);

    b.Press(from);
    EXPECT_TRUE(b.form->Dragging());
    EXPECT_EQ(b.form->DragSeries(), 4);
    EXPECT_EQ(b.form->DragPoint(), 7);
    b.DragTo(to);
    EXPECT_EQ(b.form->Series[4]->at(7).y(), expected);
    // Nothing is written while the point moves.
    EXPECT_EQ(b.CellWrites(), 0);
    EXPECT_EQ(b.Map().GetCell(4, 7), 220);

    b.Release(to);
    EXPECT_FALSE(b.form->Dragging());
    EXPECT_EQ(b.Map().GetCell(4, 7), expected);
    EXPECT_EQ(b.EcuCell(4, 7), expected);
    EXPECT_EQ(b.CellWrites(), 1);
    // The neighbours stay where they were.
    EXPECT_EQ(b.EcuCell(4, 6), 220);
    EXPECT_EQ(b.EcuCell(5, 7), 250);
}

// The dragged point's value is written beside it, over every curve, whole inside the view: at the
// top and the bottom of the scale and in the first and the last column.
TEST(ChartDrag, TheDraggedValueIsShownBesideThePointAndNeverCut) {
    struct Case {
        int row, col;
        double value;
    };
    for (const Case c : {Case{15, 19, 719.5}, Case{0, 0, 0.5}, Case{7, 10, 400.5}, Case{15, 0, 719.5}}) {
        SCOPED_TRACE(::testing::Message() << "row " << c.row << " col " << c.col << " to " << c.value);
        InputBench b;
        QLabel* value = b.form->LabelValoreTrascinato;
        EXPECT_FALSE(value->isVisible());
        const QPoint from = b.form->PointPosition(c.row, c.col);
        b.Press(from);
        b.DragTo(QPoint(from.x(), b.Where(c.row, c.value).y()));
        ASSERT_TRUE(value->isVisible());
        const QPoint point = b.form->PointPosition(c.row, c.col);
        EXPECT_EQ(value->text(), QString::number(b.form->Series[size_t(c.row)]->at(c.col).y()));
        EXPECT_TRUE(b.Viewport()->rect().contains(value->geometry()));
        // Clear of the point's marker, the largest one included.
        EXPECT_FALSE(value->geometry().intersects(QRect(point - QPoint(4, 4), QSize(9, 9))));
        b.Release(point);
        EXPECT_FALSE(value->isVisible());
    }
}

TEST(ChartDrag, AValueBeyondTheLimitsIsRefusedAndThePointKeepsItsLastGoodValue) {
    for (const double beyond : {735.0, -15.0}) {
        SCOPED_TRACE(beyond);
        InputBench b;
        const QPoint from = b.form->PointPosition(2, 3);
        const QPoint good(from.x(), b.Where(2, 500.5).y());
        const int32_t accepted = int32_t(std::trunc(b.ValueAtPixel(good.y())));
        const QPoint refused(from.x(), b.Where(2, beyond).y());

        b.Press(from);
        b.DragTo(good);
        b.DragTo(refused);
        EXPECT_EQ(b.Viewport()->cursor().shape(), Qt::ForbiddenCursor);
        EXPECT_EQ(b.form->Series[2]->at(3).y(), accepted);
        b.Release(refused);
        EXPECT_EQ(b.Map().GetCell(2, 3), accepted);
        EXPECT_EQ(b.EcuCell(2, 3), accepted);
    }
}

TEST(ChartDrag, AClickSelectsTheCurveAndWritesNothing) {
    InputBench b;
    const QPoint at = b.form->PointPosition(9, 4);
    b.Press(at);
    // Less than the threshold: still a click.
    b.DragTo(at + QPoint(0, 2));
    b.Release(at + QPoint(0, 2));
    EXPECT_TRUE(b.form->SeriesSelected(9));
    EXPECT_EQ(b.form->Series[9]->at(4).y(), 370);
    EXPECT_EQ(b.CellWrites(), 0);
    // A press on empty chart drops the selection; with Ctrl it stays.
    const QPoint empty = b.Where(0, 700);
    b.Press(empty, Qt::ControlModifier);
    b.Release(empty);
    EXPECT_TRUE(b.form->SeriesSelected(9));
    b.Press(empty);
    b.Release(empty);
    EXPECT_FALSE(b.form->SeriesSelected(9));
    // A click is no zoom.
    EXPECT_FALSE(b.form->Zoomed());
}

TEST(ChartDrag, LettingGoOutsideTheChartPutsThePointBack) {
    InputBench b;
    const QPoint from = b.form->PointPosition(6, 12);
    b.Press(from);
    b.DragTo(QPoint(from.x(), b.Where(6, 400).y()));
    b.Release(QPoint(-20, from.y()));
    EXPECT_EQ(b.form->Series[6]->at(12).y(), 280);
    EXPECT_EQ(b.Map().GetCell(6, 12), 280);
    EXPECT_EQ(b.CellWrites(), 0);
}

// --- the hint ------------------------------------------------------------------------------------

TEST(ChartHint, NamesRowSpeedAndValueOfThePointUnderTheMouse) {
    InputBench b;
    b.Map().SetRpm(8, 1873);
    b.form->FillChart();
    b.MoveTo(b.form->PointPosition(2, 8) + QPoint(2, -1));
    EXPECT_EQ(b.form->Hint(), QStringLiteral("Riga 3\nGiri 1850\nValore 160"));
    b.MoveTo(b.Where(0, 700));
    EXPECT_TRUE(b.form->Hint().isEmpty());
}

// --- Shift and the arrow keys --------------------------------------------------------------------

TEST(ChartKeys, ShiftPicksThePointUnderThePointerAndHeldArrowsMoveItFaster) {
    InputBench b;
    const QPoint start = b.form->PointPosition(5, 10);
    b.MoveTo(start);
    b.KeyDown(Qt::Key_Shift, Qt::ShiftModifier);
    EXPECT_EQ(b.form->KeySeries(), 5);
    EXPECT_EQ(b.form->KeyPoint(), 10);
    EXPECT_TRUE(b.form->SeriesSelected(5));

    for (int i = 0; i < 3; ++i) b.Held(Qt::Key_Up, Qt::ShiftModifier);
    // 1 + 2 + 3 pixels up.
    EXPECT_EQ(b.form->Pointer(), start - QPoint(0, 6));
    EXPECT_EQ(b.form->KeyStep(), 4);
    const int32_t expected = int32_t(std::trunc(b.ValueAtPixel(start.y() - 6)));
    EXPECT_GT(expected, 250);
    EXPECT_EQ(b.form->Series[5]->at(10).y(), expected);
    EXPECT_EQ(b.Map().GetCell(5, 10), expected);
    EXPECT_EQ(b.EcuCell(5, 10), expected);
    EXPECT_EQ(b.CellWrites(), 3);

    // Letting the arrow go ends the acceleration; letting Shift go drops the point.
    b.KeyUp(Qt::Key_Up, Qt::ShiftModifier);
    EXPECT_EQ(b.form->KeyStep(), 1);
    b.KeyUp(Qt::Key_Shift);
    EXPECT_EQ(b.form->KeySeries(), -1);
    EXPECT_FALSE(b.form->SeriesSelected(5));
}

TEST(ChartKeys, ShiftAndArrowsBeforeAnyPointWasPickedChangeNothing) {
    InputBench b;
    b.MoveTo(b.Where(0, 700));
    b.KeyDown(Qt::Key_Shift, Qt::ShiftModifier);
    EXPECT_EQ(b.form->KeySeries(), -1);
    for (int i = 0; i < 5; ++i) b.Held(Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(b.CellWrites(), 0);
    for (int r = 0; r < 16; ++r)
        for (int c = 0; c < 20; ++c) ASSERT_EQ(b.Map().GetCell(r, c), 100 + 30 * r);
}

TEST(ChartKeys, AKeyedValueBeyondTheTopIsRefused) {
    InputBench b;
    b.MoveTo(b.form->PointPosition(15, 0));
    b.KeyDown(Qt::Key_Shift, Qt::ShiftModifier);
    ASSERT_EQ(b.form->KeySeries(), 15);
    // Far enough to leave the value axis: the pointer stops at the top of the chart.
    for (int i = 0; i < 40; ++i) b.Held(Qt::Key_Up, Qt::ShiftModifier);
    EXPECT_EQ(b.form->Pointer().y(), 0);
    EXPECT_EQ(b.Viewport()->cursor().shape(), Qt::ForbiddenCursor);
    EXPECT_LT(b.CellWrites(), 40);
    EXPECT_GE(b.Map().GetCell(15, 0), 650);
    EXPECT_LE(b.Map().GetCell(15, 0), 720);
    EXPECT_EQ(b.EcuCell(15, 0), b.Map().GetCell(15, 0));
}

TEST(ChartKeys, ArrowsWithoutShiftMoveThePointerAndTheHintFollows) {
    InputBench b;
    const QPoint point = b.form->PointPosition(6, 12);
    b.MoveTo(point - QPoint(12, 0));
    EXPECT_TRUE(b.form->Hint().isEmpty());
    for (int i = 0; i < 4; ++i) b.Held(Qt::Key_Right, Qt::NoModifier);
    EXPECT_EQ(b.form->Pointer(), point - QPoint(2, 0));
    EXPECT_TRUE(b.form->Hint().startsWith(QStringLiteral("Riga 7\n")));
    EXPECT_EQ(b.CellWrites(), 0);
}

// --- zoom and scale ------------------------------------------------------------------------------

TEST(ChartZoom, ARectangleDraggedOnEmptyChartZoomsAndCtrlZGoesBack) {
    InputBench b;
    const double fullFrom = b.form->AxisGiri->min(), fullTo = b.form->AxisGiri->max();
    const QPoint corner = b.Where(0, 700);
    const QPoint other = b.form->PointPosition(0, 12) + QPoint(0, 30);
    b.Press(corner);
    b.DragTo(corner + QPoint(20, 20));
    b.DragTo(other);
    b.Release(other);
    ASSERT_TRUE(b.form->Zoomed());
    EXPECT_GT(b.form->AxisGiri->min(), fullFrom);
    EXPECT_LT(b.form->AxisGiri->max(), fullTo);
    EXPECT_LT(b.form->AxisValore->max(), 710);  // the rectangle began at about 700
    // Zoomed, the labels come closer than every thousand.
    const std::vector<int32_t> labels = b.form->RpmAxisLabels();
    ASSERT_GE(labels.size(), 2u);
    EXPECT_LT(labels[1] - labels[0], 1000);
    EXPECT_EQ(b.CellWrites(), 0);

    b.KeyDown(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_FALSE(b.form->Zoomed());
    EXPECT_DOUBLE_EQ(b.form->AxisGiri->min(), fullFrom);
    EXPECT_DOUBLE_EQ(b.form->AxisGiri->max(), fullTo);
    EXPECT_EQ(b.form->AxisValore->min(), -20);
    EXPECT_EQ(b.form->AxisValore->max(), 740);
    EXPECT_EQ(b.form->RpmAxisLabels(), (std::vector<int32_t>{1000, 2000, 3000, 4000, 5000, 6000}));
}

TEST(ChartZoom, TheRightButtonNeverZoomsOut) {
    InputBench b;
    const double from = b.form->AxisGiri->min();
    const QPoint at = b.Where(0, 700);
    b.Mouse(QEvent::MouseButtonPress, at, Qt::RightButton, Qt::RightButton);
    b.Mouse(QEvent::MouseButtonRelease, at, Qt::RightButton, Qt::NoButton);
    EXPECT_FALSE(b.form->Zoomed());
    EXPECT_EQ(b.form->AxisGiri->min(), from);
}

TEST(ChartScale, TheSpeedAxisSwitchesBetweenLogarithmicAndLinear) {
    InputBench b;
    b.form->MenuScalaLog->trigger();
    EXPECT_FALSE(b.form->MenuScalaLog->isChecked());
    EXPECT_EQ(b.form->Series[3]->at(5).x(), 1150);
    EXPECT_EQ(b.form->BeforeSeries[3]->at(5).x(), 1150);
    EXPECT_EQ(b.form->AxisGiri->min(), 450 - 150);
    EXPECT_EQ(b.form->AxisGiri->max(), 6504 + 150);  // the ECU's 6500 rpm, through its period
    EXPECT_EQ(b.form->RpmAxisLabels(), (std::vector<int32_t>{1000, 2000, 3000, 4000, 5000, 6000}));
    // Dragging works on either scale.
    const QPoint from = b.form->PointPosition(3, 5);
    EXPECT_EQ(b.form->Series[3]->at(5).y(), 190);
    b.Press(from);
    b.DragTo(from + QPoint(0, -25));
    b.Release(from + QPoint(0, -25));
    EXPECT_GT(b.EcuCell(3, 5), 190);

    b.form->MenuScalaLog->trigger();
    EXPECT_TRUE(b.form->MenuScalaLog->isChecked());
    EXPECT_DOUBLE_EQ(b.form->Series[3]->at(5).x(), std::log10(1150.0));
}

// --- ways out after a drag ---------------------------------------------------------------------

// However the chart is left after a point was dragged (and sent at once), the ECU, the model and
// the curves hold the same map: the undo sends the map before the fit back to the ECU.
TEST(ChartWaysOut, AfterADragTheEcuTheModelAndTheCurvesAgree) {
    enum class Way { CloseNo, CloseYes, UndoThenClose, DownloadThenClose };
    const struct {
        const char* name;
        Way way;
        bool dragKept;
    } cases[] = {{"close, No", Way::CloseNo, false},
                 {"close, Yes", Way::CloseYes, true},
                 {"Backspace, then close", Way::UndoThenClose, false},
                 {"F12, then close", Way::DownloadThenClose, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        InputBench b;
        const QPoint from = b.form->PointPosition(4, 7);
        const QPoint to(from.x(), b.Where(4, 300.5).y());
        b.Press(from);
        b.DragTo(to);
        b.Release(to);
        ASSERT_NE(b.EcuCell(4, 7), 220);
        switch (c.way) {
            case Way::CloseNo:
            case Way::CloseYes:
                b.prompter.answers = {c.way == Way::CloseYes ? PromptAnswer::Yes : PromptAnswer::No};
                break;
            case Way::UndoThenClose:
                b.KeyDown(Qt::Key_Backspace);
                b.KeyUp(Qt::Key_Backspace);
                break;
            case Way::DownloadThenClose:
                b.prompter.answers = {PromptAnswer::Yes};
                b.KeyDown(Qt::Key_F12);
                b.KeyUp(Qt::Key_F12);
                break;
        }
        b.form->close();
        ASSERT_FALSE(b.form->isVisible());

        EXPECT_EQ(b.Map().GetCell(4, 7) != 220, c.dragKept);
        std::vector<int32_t> model;
        std::vector<int32_t> shown;
        for (int r = 0; r < 16; ++r) {
            for (int col = 0; col < 20; ++col) {
                model.push_back(b.Map().GetCell(r, col));
                shown.push_back(int32_t(b.form->Series[size_t(r)]->at(col).y()));
            }
        }
        EXPECT_EQ(b.ecu.Values(50), model);
        EXPECT_EQ(shown, model);
        EXPECT_TRUE(b.prompter.shown.size() <= 1u);
    }
}

// A locked cell does not follow a drag: nothing goes to the ECU and the point goes back.
TEST(ChartWaysOut, ALockedCellStaysWhereItWasDragged) {
    InputBench b;
    b.Map().cellLocks.Set(4, 7, true);
    const QPoint from = b.form->PointPosition(4, 7);
    const QPoint to(from.x(), b.Where(4, 300.5).y());
    b.Press(from);
    b.DragTo(to);
    b.Release(to);
    EXPECT_EQ(b.Map().GetCell(4, 7), 220);
    EXPECT_EQ(b.EcuCell(4, 7), 220);
    EXPECT_EQ(b.form->Series[4]->at(7).y(), 220);
    EXPECT_TRUE(b.WrittenVars().empty());
}

TEST(ChartWaysOut, AnUndoThatCannotReachTheEcuSaysSo) {
    InputBench b;
    const QPoint from = b.form->PointPosition(4, 7);
    const QPoint to(from.x(), b.Where(4, 300.5).y());
    b.Press(from);
    b.DragTo(to);
    b.Release(to);
    const int32_t dragged = b.EcuCell(4, 7);
    b.ecu.MutableFaults().deadLine = true;
    b.prompter.fallback = PromptAnswer::No;

    b.KeyDown(Qt::Key_Backspace);
    b.KeyUp(Qt::Key_Backspace);

    ASSERT_FALSE(b.prompter.shown.empty());
    EXPECT_EQ(b.prompter.shown.back().text, b.DictCp("MessMappaNonRipristinata", 70));
    EXPECT_EQ(b.prompter.shown.back().icon, PromptIcon::Error);
    EXPECT_EQ(b.Map().GetCell(4, 7), 220);
    EXPECT_EQ(b.form->Series[4]->at(7).y(), 220);
    EXPECT_EQ(b.EcuCell(4, 7), dragged);
}

}  // namespace
}  // namespace zov::test
