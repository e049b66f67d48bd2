// The enrichment page against the simulated ECU: the grid and its headers, the live marker from
// record 151 with its interpolation, redraw thinning and held peaks, the lambda colour. Editing, the
// timer and the texts are in EnrichmentPageEditingTest.cpp. Time is virtual: every tick is a call
// of the timer handler after the virtual clock moved by the timer's interval.

#include <gtest/gtest.h>

#include <QGroupBox>
#include <QGuiApplication>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <ostream>
#include <set>
#include <string>
#include <vector>

#include "EnrichmentPage.h"
#include "EnrichmentPageBench.h"
#include "TFormSet.h"

namespace zov {
namespace {

using test::enrichment::CellWrite;
using test::enrichment::EnrichmentBench;
using test::enrichment::kCellHeight;
using test::enrichment::kCellWidth;
using test::enrichment::Left;
using test::enrichment::PageBench;
using test::enrichment::Top;

// --- grid ------------------------------------------------------------------------------------

TEST(EnrichmentGridCells, HeadersCornerAndCellsComeFromTheModel) {
    PageBench b;
    b.Ctx().param.SetEnrichment(0, 0, 5);
    b.Ctx().param.SetEnrichment(7, 7, -12);
    b.Ctx().param.SetEnrichment(2, 5, 99);
    b.Ctx().param.SetEnrichment(0, 1, 0);
    const struct {
        int column, row;
        QString text;
    } cases[] = {
        {0, 0, b.DictText("LabelOrigine", 12)},
        {1, 0, QStringLiteral("800")},
        {8, 0, QStringLiteral("3600")},
        {0, 1, QStringLiteral("8")},
        {0, 8, QStringLiteral("120")},
        {1, 1, QStringLiteral("5")},
        {8, 8, QStringLiteral("-12")},
        {6, 3, QStringLiteral("99")},  // column 6 = RPM centre 5, row 3 = accumulation centre 2
        {2, 1, QStringLiteral("0")},
    };
    for (const auto& c : cases)
        EXPECT_EQ(b.page->CellText(c.column, c.row), c.text) << c.column << "," << c.row;
}

TEST(EnrichmentGridCells, CellBoundsLieHalfwayBetweenTheCentres) {
    PageBench b;
    b.page->BuildTpsCellBounds();
    const int columns[9] = {0, 1000, 1400, 1800, 2200, 2600, 3000, 3400, 4400};
    const int rows[9] = {0, 16, 32, 48, 64, 80, 96, 112, 212};
    for (int i = 0; i < 9; ++i) {
        EXPECT_EQ(b.page->ColBound(i), columns[i]) << i;
        EXPECT_EQ(b.page->RowBound(i), rows[i]) << i;
    }
}

TEST(EnrichmentGridCells, TheGridTakesFourFifthsOfThePageInNineEqualCellsCentred) {
    for (const QSize size : {QSize(780, 470), QSize(1260, 860)}) {
        SCOPED_TRACE(size.width());
        PageBench b;
        b.page->resize(size);
        b.page->show();
        b.page->StopLiveTimer();
        const EnrichmentGrid& grid = b.page->Grid();
        const int columnWidth = int(0.8 * size.width()) / 9 - 1;
        EXPECT_EQ(grid.ColumnWidth(), columnWidth);
        EXPECT_EQ(grid.width(), 9 * (columnWidth + 1));
        EXPECT_EQ(grid.height(), 9 * (grid.RowHeight() + 1));
        EXPECT_EQ(grid.x(), (size.width() - grid.width()) / 2);
        EXPECT_LE(grid.width(), int(0.8 * size.width()));
        EXPECT_GT(grid.RowHeight(), 20);
        // The live values sit below the grid, inside the page.
        for (const char* name : {"LabGiri", "LabCum", "LabLambda", "LabelPMin", "EditMinCumulo"}) {
            auto* w = b.page->findChild<QWidget*>(QString::fromLatin1(name));
            ASSERT_NE(w, nullptr) << name;
            const QRect r(w->mapTo(b.page.get(), QPoint(0, 0)), w->size());
            EXPECT_GT(r.top(), grid.geometry().bottom()) << name;
            EXPECT_LE(r.bottom(), size.height()) << name;
        }
    }
}

TEST(EnrichmentGridCells, SelectionIsBlueOthersYellowAndTheMarkerRedOnTop) {
    PageBench b;
    b.Enter();
    b.Hold(9375, 8);  // 800 rpm and accumulation 8: the middle of the first cell
    b.Tick();
    b.page->Grid().SetSelection(2, 3, 3, 3);
    const QImage image = b.page->Grid().grab().toImage();
    const auto at = [&](int x, int y) { return image.pixel(x, y); };
    EXPECT_EQ(at(Left(1) + 30, Top(1) + 15), QColor(Qt::red).rgb()) << "marker centre";
    EXPECT_EQ(at(Left(1) + 30 + 7, Top(1) + 15), QColor(Qt::red).rgb()) << "inside the radius";
    EXPECT_EQ(at(Left(1) + 30 + 12, Top(1) + 15), QColor(Qt::yellow).rgb()) << "beyond the radius";
    EXPECT_EQ(at(Left(2) + 2, Top(3) + 2), QColor(0, 0, 128).rgb()) << "selected";
    EXPECT_EQ(at(Left(3) + 2, Top(3) + 2), QColor(0, 0, 128).rgb()) << "selected";
    EXPECT_EQ(at(Left(4) + 2, Top(3) + 2), QColor(Qt::yellow).rgb());
    EXPECT_EQ(at(Left(5) + 2, Top(7) + 2), QColor(Qt::yellow).rgb());
    EXPECT_EQ(at(Left(0) + 2, Top(3) + 2), b.page->palette().color(QPalette::Button).rgb()) << "header";
    EXPECT_EQ(at(Left(2) - 1, Top(5) + 2), b.page->palette().color(QPalette::Mid).rgb()) << "grid line";
}

TEST(EnrichmentGridCells, MouseAndKeysSelectOnlyMapCells) {
    PageBench b;
    EnrichmentGrid& grid = b.page->Grid();
    const auto centre = [](int column, int row) { return QPoint(Left(column) + 20, Top(row) + 10); };
    QTest::mouseClick(&grid, Qt::LeftButton, {}, centre(3, 2));
    EXPECT_EQ(grid.Selection(), QRect(QPoint(3, 2), QPoint(3, 2)));
    QTest::mouseClick(&grid, Qt::LeftButton, Qt::ShiftModifier, centre(5, 4));
    EXPECT_EQ(grid.Selection(), QRect(QPoint(3, 2), QPoint(5, 4)));
    QTest::mouseClick(&grid, Qt::LeftButton, {}, centre(0, 4));  // a header: nothing
    EXPECT_EQ(grid.Selection(), QRect(QPoint(3, 2), QPoint(5, 4)));
    QTest::keyClick(&grid, Qt::Key_Left);
    EXPECT_EQ(grid.Selection(), QRect(QPoint(4, 4), QPoint(4, 4))) << "from the moving corner";
    QTest::keyClick(&grid, Qt::Key_Up, Qt::ShiftModifier);
    EXPECT_EQ(grid.Selection(), QRect(QPoint(4, 3), QPoint(4, 4)));
    for (int i = 0; i < 10; ++i) QTest::keyClick(&grid, Qt::Key_Left);
    EXPECT_EQ(grid.Selection(), QRect(QPoint(1, 3), QPoint(1, 3))) << "never onto the headers";
    QTest::keyClick(&grid, Qt::Key_End, Qt::ShiftModifier);
    EXPECT_EQ(grid.Selection(), QRect(QPoint(1, 3), QPoint(8, 3)));
}

// --- the marker ------------------------------------------------------------------------------

struct MarkerCase {
    const char* name;
    int period;
    int cumulus;
    int x, y;
};
void PrintTo(const MarkerCase& c, std::ostream* os) { *os << c.name; }

class EnrichmentMarker : public ::testing::TestWithParam<MarkerCase> {};

TEST_P(EnrichmentMarker, SitsWhereSpeedAndAccumulationPutIt) {
    const MarkerCase& c = GetParam();
    PageBench b;
    b.Enter();
    b.Hold(c.period, c.cumulus);
    b.Settle();
    EXPECT_EQ(b.page->Cursor(), QPoint(c.x, c.y));
}

// Default centres: speed 800, 1200 ... 3600 (bounds 0, 1000 ... 3400, 4400); accumulation 8, 24
// ... 120 (bounds 0, 16 ... 112, 212). Cells 60 x 30: half 30 and 15.
INSTANTIATE_TEST_SUITE_P(
    Cases, EnrichmentMarker,
    ::testing::Values(
        MarkerCase{"PeriodZeroIsTheLeftEdgeOfTheFirstColumn", 0, 0, Left(1), Top(1)},
        MarkerCase{"AtTheFirstCentres", 9375, 8, Left(1) + 30, Top(1) + 15},
        MarkerCase{"AtTheFirstUpperBounds", 7500, 16, Left(1) + 60, Top(1) + 30},
        MarkerCase{"BelowACentre", 6818, 20, Left(2) + 15, Top(2) + 7},  // 1100 rpm, accumulation 20
        MarkerCase{"AtASecondCentre", 6250, 24, Left(2) + 30, Top(2) + 15},
        MarkerCase{"JustBelowTheLastBounds", 1705, 211, Left(8) + 59, Top(8) + 29},  // 4398 rpm
        MarkerCase{"AtTheLastBoundsTheRightAndBottomEdges", 1704, 212, Left(8) + 60, Top(8) + 30},  // 4401
        MarkerCase{"FarBeyondTheLastBounds", 1, 255, Left(8) + 60, Top(8) + 30}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(EnrichmentMarkerBeforeTheFirstShowing, SitsAtTheBottomRightCorner) {
    PageBench b;
    b.page->StopLiveTimer();
    b.Hold(7500, 20);
    b.Tick();
    EXPECT_EQ(b.page->Rpm(), 1000);
    EXPECT_EQ(b.page->Cursor(), QPoint(Left(8) + 60, Top(8) + 30));
}

TEST(EnrichmentMarkerOnShowing, StartsOnTheFirstCellAndMovesAtTheFirstTick) {
    PageBench b;
    b.Enter();
    b.Hold(6250, 24);  // the middle of cell (2, 2)
    b.Settle();
    const QPoint live(Left(2) + 30, Top(2) + 15);
    ASSERT_EQ(b.page->Cursor(), live);
    b.page->PageLeft();
    b.Enter();
    EXPECT_EQ(b.page->Cursor(), QPoint(Left(1), Top(1))) << "never on the headers";
    // Speed and accumulation as when the page was left: shown at once all the same.
    b.Tick();
    EXPECT_EQ(b.page->Cursor(), live);
    EXPECT_EQ(b.Label("LabCum"), QStringLiteral("24"));
}

TEST(EnrichmentMarkerOffset, InterpolatesInsideTheCellAndNeverDividesByZero) {
    const struct {
        int value, lower, centre, upper, half, offset;
    } cases[] = {
        {1000, 1000, 1200, 1400, 30, 0},
        {1100, 1000, 1200, 1400, 30, 15},
        {1200, 1000, 1200, 1400, 30, 30},
        {1300, 1000, 1200, 1400, 30, 45},
        {1400, 1000, 1200, 1400, 30, 60},
        {1399, 1000, 1200, 1400, 31, 61},
        // Empty intervals (equal centres): the middle.
        {1000, 1000, 1000, 1000, 30, 30},
        {0, 0, 0, 0, 30, 30},
        {500, 1000, 1000, 2000, 30, 30},
        // Inverted intervals (decreasing centres): never outside the cell.
        {900, 1000, 800, 1200, 30, 37},
        {1300, 1000, 1400, 1200, 30, 22},
        {1500, 1000, 1400, 1200, 30, 30},
        {2000, 1000, 1400, 1800, 30, 60},
    };
    for (const auto& c : cases)
        EXPECT_EQ(EnrichmentPage::MarkerOffset(c.value, c.lower, c.centre, c.upper, c.half), c.offset)
            << c.value << " in " << c.lower << " / " << c.centre << " / " << c.upper;
}

TEST(EnrichmentMarkerWithBadCentres, WarnsAndStillPlacesTheMarkerInsideACell) {
    const struct {
        const char* name;
        std::array<int, 8> rpm;
        std::array<int, 8> cumulo;
        const char* message;
    } cases[] = {
        {"EqualSpeedCentres",
         {1000, 1000, 1000, 1000, 1000, 1000, 1000, 1000},
         {8, 24, 40, 56, 72, 88, 104, 120},
         ConfParam::kRpmCentresMessage},
        {"ZeroSpeedCentres",
         {0, 0, 0, 0, 0, 0, 0, 0},
         {8, 24, 40, 56, 72, 88, 104, 120},
         ConfParam::kRpmCentresMessage},
        {"DecreasingSpeedCentres",
         {3600, 3200, 2800, 2400, 2000, 1600, 1200, 800},
         {8, 24, 40, 56, 72, 88, 104, 120},
         ConfParam::kRpmCentresMessage},
        {"EqualAccumulationCentres",
         {800, 1200, 1600, 2000, 2400, 2800, 3200, 3600},
         {50, 50, 50, 50, 50, 50, 50, 50},
         ConfParam::kCumuloCentresMessage},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        PageBench b;
        for (int i = 0; i < 8; ++i) {
            b.Ctx().param.CENTRI_GIRI_TPS[i] = c.rpm[i];
            b.Ctx().param.CTC[i] = c.cumulo[i];
        }
        b.prompter.shown.clear();
        b.page->PageEntered();
        ASSERT_EQ(b.prompter.shown.size(), 1u);
        EXPECT_EQ(b.prompter.shown[0].text, c.message);
        EXPECT_EQ(b.prompter.shown[0].caption, ConfParam::kCentresCaption);
        EXPECT_TRUE(b.page->LiveTimerActive()) << "the page goes on";
        b.page->StopLiveTimer();
        // Speeds and accumulations across the whole range, the centres' values included: the
        // marker stays on the map's cells.
        for (int period : {0, 9375, 7500, 6250, 3125, 2083, 1500, 1}) {
            for (int cumulus : {0, 8, 50, 51, 120, 255}) {
                b.Hold(period, cumulus);
                b.Settle();
                const QPoint at = b.page->Cursor();
                EXPECT_GE(at.x(), Left(1));
                EXPECT_LE(at.x(), Left(8) + kCellWidth);
                EXPECT_GE(at.y(), Top(1));
                EXPECT_LE(at.y(), Top(8) + kCellHeight);
            }
        }
    }
    // Equal speed centres at their value: the middle of the first column (an empty interval).
    PageBench b;
    for (int i = 0; i < 8; ++i) b.Ctx().param.CENTRI_GIRI_TPS[i] = 1000;
    b.Enter();
    b.Hold(7500, 8);
    b.Tick();
    EXPECT_EQ(b.page->Cursor(), QPoint(Left(1) + 30, Top(1) + 15));
}

TEST(EnrichmentMarkerWithGoodCentres, NoWarning) {
    PageBench b;
    b.prompter.shown.clear();
    b.page->PageEntered();
    EXPECT_TRUE(b.prompter.shown.empty());
}

TEST(EnrichmentMarkerInvalidation, OnlyTheOldAndTheNewSquaresAreRepainted) {
    PageBench b;
    b.page->resize(800, 500);
    b.page->show();
    b.Enter();
    b.page->Grid().SetCellSize(kCellWidth, kCellHeight);
    QCoreApplication::processEvents();
    // Count the paint events of the grid and the area they cover.
    struct Spy : QObject {
        QRegion painted;
        bool eventFilter(QObject*, QEvent* e) override {
            if (e->type() == QEvent::Paint) painted += static_cast<QPaintEvent*>(e)->region();
            return false;
        }
    } spy;
    b.page->Grid().installEventFilter(&spy);
    b.Hold(9375, 8);
    b.Tick();
    QCoreApplication::processEvents();
    spy.painted = QRegion();
    b.Hold(6250, 24);  // from the middle of cell (1, 1) to the middle of cell (2, 2)
    b.Tick();
    QCoreApplication::processEvents();
    const QRegion expected = QRegion(QRect(Left(1) + 30 - 10, Top(1) + 15 - 10, 21, 21)) +
                             QRegion(QRect(Left(2) + 30 - 10, Top(2) + 15 - 10, 21, 21));
    EXPECT_EQ(spy.painted, expected);
}

// --- live values -----------------------------------------------------------------------------

// `value` is the whole part of numerator / denominator (0 for a denominator of 0).
bool WholePartOf(int64_t value, int64_t numerator, int64_t denominator) {
    if (denominator == 0) return value == 0;
    return value * denominator <= numerator && numerator < (value + 1) * denominator;
}

// `value` is numerator / denominator rounded to the nearest whole number, halves up.
bool Nearest(int64_t value, int64_t numerator, int64_t denominator) {
    return 2 * numerator >= (2 * value - 1) * denominator && 2 * numerator < (2 * value + 1) * denominator;
}

TEST(EnrichmentLive, TheMarkerFollowsRecord151AlongTheDriveCycle) {
    sim::EcuConfig config;
    config.engine.mode = sim::DriveMode::DriveCycle;
    PageBench b(std::make_shared<sim::HeldSensors>(), config);  // nothing held
    b.Enter();
    std::set<std::pair<int, int>> cells;
    std::set<int> rows;
    const int reads = b.RecordReads();
    int ticks = 0;
    const auto cellOf = [](const int32_t(&bounds)[9], int value) {
        if (value >= bounds[8]) return 7;
        int i = 0;
        while (bounds[i + 1] < value) ++i;
        return i;
    };
    int32_t colBounds[9];
    int32_t rowBounds[9];
    for (int i = 0; i < 9; ++i) {
        colBounds[i] = b.page->ColBound(i);
        rowBounds[i] = b.page->RowBound(i);
    }
    // The second tour of the zones, 80 ms at a time.
    b.clock.AdvanceTo(68 * 1'000'000LL);
    while (b.clock.NowUs() < 116 * 1'000'000LL) {
        b.Tick();
        ++ticks;
        const sim::EngineSnapshot engine = b.ecu.Engine();
        // The record as the ECU sent it at this tick; the units are pinned by the label test.
        ASSERT_EQ(b.page->Cumulo(), engine.cumulus);
        ASSERT_TRUE(WholePartOf(b.page->Rpm(), 7500000, engine.period)) << engine.period;
        ASSERT_TRUE(Nearest(b.page->LambdaValue(), engine.lambda * 500, 255)) << int(engine.lambda);
        ASSERT_TRUE(WholePartOf(b.page->ReducerPressure(), engine.reducerPressure * 1000, 1020))
            << int(engine.reducerPressure);
        const int i = cellOf(colBounds, b.page->Rpm());
        const int j = cellOf(rowBounds, b.page->Cumulo());
        // The marker, where it was last drawn, is in the cell of the values it was drawn for.
        const QPoint at = b.page->Cursor();
        if (b.Label("LabCum") == QString::number(b.page->Cumulo()) &&
            b.Label("LabGiri").startsWith(QString::number(b.page->Rpm()) + QStringLiteral(" "))) {
            EXPECT_GE(at.x(), Left(i + 1));
            EXPECT_LE(at.x(), Left(i + 1) + kCellWidth);
            EXPECT_GE(at.y(), Top(j + 1));
            EXPECT_LE(at.y(), Top(j + 1) + kCellHeight);
        }
        cells.insert({i, j});
        rows.insert(j);
    }
    EXPECT_EQ(b.RecordReads() - reads, ticks) << "one read of record 151 per tick";
    EXPECT_EQ(rows.size(), 8u) << "the accumulation sweeps every row";
    EXPECT_GE(cells.size(), 15u);
}

TEST(EnrichmentLive, LabelsShowSpeedAccumulationPressureAndLambda) {
    const struct {
        int period, cumulus, pressure, lambda;  // record 151 as the ECU sends it
        int rpm, hundredthsOfBar, hundredthsOfVolt;
        const char *giri, *cum, *p, *lambdaText;
    } cases[] = {
        {7500, 20, 102, 23, 1000, 100, 45, "1000", "20", "1", "0.45"},
        {0, 0, 51, 0, 0, 50, 0, "0", "0", "0.5", "0"},
        {6250, 255, 255, 255, 1200, 250, 500, "1200", "255", "2.5", "5"},
        {1190, 7, 110, 41, 6302, 107, 80, "6302", "7", "1.07", "0.8"},
        {9375, 1, 0, 5, 800, 0, 10, "800", "1", "0", "0.1"},
        {65535, 2, 1, 1, 114, 0, 2, "114", "2", "0", "0.02"},
    };
    PageBench b;
    b.Enter();
    const QString rpm = QStringLiteral(" ") + b.DictText("LabelRpm", 30);
    const QString bar = QStringLiteral(" ") + b.DictText("LabelBar", 5);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.giri);
        b.Hold(c.period, c.cumulus, c.pressure, c.lambda);
        b.Tick();
        EXPECT_EQ(b.page->Rpm(), c.rpm);
        EXPECT_EQ(b.page->Cumulo(), c.cumulus);
        EXPECT_EQ(b.page->ReducerPressure(), c.hundredthsOfBar);
        EXPECT_EQ(b.page->LambdaValue(), c.hundredthsOfVolt);
        EXPECT_EQ(b.Label("LabGiri"), QString::fromLatin1(c.giri) + rpm);
        EXPECT_EQ(b.Label("LabCum"), QString::fromLatin1(c.cum));
        EXPECT_EQ(b.Label("LabelP"), QString::fromLatin1(c.p) + bar);
        EXPECT_EQ(b.Label("LabLambda"), QString::fromLatin1(c.lambdaText) + QStringLiteral(" v"));
    }
}

TEST(EnrichmentLive, TheDisplayIsRefreshedAtEveryChangeAndAtLeastEveryNinthTick) {
    PageBench b;
    b.Enter();
    const QString bar = QStringLiteral(" ") + b.DictText("LabelBar", 5);
    b.Hold(7500, 20, 102);
    b.Tick();
    EXPECT_EQ(b.Label("LabelP"), QStringLiteral("1") + bar);
    // Same speed and accumulation: eight ticks read the ECU but leave the display alone.
    b.Hold(7500, 20, 51);
    const int reads = b.RecordReads();
    for (int i = 1; i <= 8; ++i) {
        b.Tick();
        EXPECT_EQ(b.Label("LabelP"), QStringLiteral("1") + bar) << "tick " << i;
    }
    EXPECT_EQ(b.RecordReads() - reads, 8);
    EXPECT_EQ(b.page->ReducerPressure(), 50) << "read, not yet shown";
    b.Tick();
    EXPECT_EQ(b.Label("LabelP"), QStringLiteral("0.5") + bar) << "the ninth";
    // A change of speed or of accumulation shows at once.
    b.Hold(7500, 20, 102);
    b.Tick();
    EXPECT_EQ(b.Label("LabelP"), QStringLiteral("0.5") + bar);
    b.Hold(7500, 21, 102);
    b.Tick();
    EXPECT_EQ(b.Label("LabelP"), QStringLiteral("1") + bar);
    b.Hold(6818, 21, 51);
    b.Tick();
    EXPECT_EQ(b.Label("LabelP"), QStringLiteral("0.5") + bar);
}

TEST(EnrichmentLive, WithoutASessionTheLastValuesStayAndNothingIsSent) {
    PageBench b;
    b.Enter();
    b.Hold(6250, 24, 102, 23);
    b.Tick();
    const QPoint marker = b.page->Cursor();
    b.Ctx().link.Disconnect();
    b.ecu.ClearRequests();
    b.Hold(9375, 100, 51, 41);
    for (int i = 0; i < 20; ++i) b.Tick();
    EXPECT_TRUE(b.ecu.Requests().empty());
    EXPECT_EQ(b.page->Rpm(), 1200);
    EXPECT_EQ(b.page->Cumulo(), 24);
    EXPECT_EQ(b.page->Cursor(), marker);
    EXPECT_EQ(b.Label("LabGiri"), QStringLiteral("1200 ") + b.DictText("LabelRpm", 30));
    EXPECT_EQ(b.Label("LabLambda"), QStringLiteral("0.45 v"));
}

TEST(EnrichmentLive, ATickWhileTheLinkIsBusySendsNothing) {
    sim::EcuConfig config;
    config.faults.latencyUs = 3000;  // the link waits for every answer
    PageBench b(std::make_shared<sim::HeldSensors>(), config);
    b.Enter();
    b.Hold(7500, 20);
    int nested = 0;
    b.clock.onSleep = [&](int64_t) {
        if (!b.Ctx().link.IsBusy()) return;
        ++nested;
        b.page->Timer1Timer();
    };
    b.ecu.ClearRequests();
    b.Ctx().link.ReadVar(72, nullptr);  // any exchange: the keep-alive's
    b.clock.onSleep = nullptr;
    EXPECT_GT(nested, 0);
    EXPECT_EQ(b.RecordReads(), 0);
    EXPECT_EQ(b.ecu.Requests().size(), 1u);
    b.Tick();
    EXPECT_EQ(b.RecordReads(), 1) << "the next tick reads";
    EXPECT_EQ(b.page->Rpm(), 1000);
}

// Pressure bytes tick by tick, with speed changing every tick so that every tick is a display step.
struct PeakCase {
    const char* name;
    std::vector<int> pressures;
    std::vector<const char*> max;
    std::vector<const char*> min;
};
void PrintTo(const PeakCase& c, std::ostream* os) { *os << c.name; }

class EnrichmentPeaks : public ::testing::TestWithParam<PeakCase> {};

TEST_P(EnrichmentPeaks, AreHeldForThreeDisplayStepsUnlessExceeded) {
    const PeakCase& c = GetParam();
    PageBench b;
    b.Enter();
    for (size_t i = 0; i < c.pressures.size(); ++i) {
        SCOPED_TRACE(i);
        b.Hold(i % 2 ? 7500 : 6818, 20, c.pressures[i]);
        b.Tick();
        EXPECT_EQ(b.Label("LabelPMax"), QString::fromLatin1(c.max[i]) + QStringLiteral("  max"));
        EXPECT_EQ(b.Label("LabelPMin"), QString::fromLatin1(c.min[i]) + QStringLiteral("  min"));
    }
}

// Bytes 102, 112, 122, 82, 92 are 100, 109, 119, 80, 90 hundredths of a bar.
INSTANTIATE_TEST_SUITE_P(Cases, EnrichmentPeaks,
                         ::testing::Values(PeakCase{"RisingRefreshesTheMaximumEveryStep",
                                                    {102, 112, 122},
                                                    {"1", "1.09", "1.19"},
                                                    {"1", "1", "1"}},
                                           PeakCase{"SteadyRefreshesEveryThirdStep",
                                                    {102, 82, 82, 82, 82, 82, 82, 92},
                                                    {"1", "1", "1", "0.8", "0.8", "0.8", "0.8", "0.9"},
                                                    {"1", "0.8", "0.8", "0.8", "0.8", "0.8", "0.8", "0.9"}},
                                           PeakCase{"FallingRefreshesTheMinimumEveryStep",
                                                    {122, 112, 102, 82},
                                                    {"1.19", "1.19", "1.19", "0.8"},
                                                    {"1.19", "1.09", "1", "0.8"}}),
                         [](const auto& info) { return std::string(info.param.name); });

struct LambdaCase {
    const char* name;
    int period;
    int rpm;  // of the period
    int lambda;
    int column;  // whose reference applies
    bool green;
};
void PrintTo(const LambdaCase& c, std::ostream* os) { *os << c.name; }

class EnrichmentLambda : public ::testing::TestWithParam<LambdaCase> {};

TEST_P(EnrichmentLambda, IsGreenBelowTheReferenceOfTheSpeedsColumnAndRedOtherwise) {
    const LambdaCase& c = GetParam();
    PageBench b;
    ASSERT_FALSE(b.Ctx().car.IsLambdaInverted());
    // Every column's reference 0.45 V, except two: 18 is 0.29 V and 19 is 0.61 V.
    for (int k = 0; k < 20; ++k) b.Ctx().car.RIF_LAMBDA[k] = 23;
    b.Ctx().car.RIF_LAMBDA[18] = 15;
    b.Ctx().car.RIF_LAMBDA[19] = 31;
    b.Enter();
    b.Hold(c.period, 20, 102, c.lambda);
    b.Tick();
    EXPECT_EQ(b.page->Rpm(), c.rpm);
    EXPECT_EQ(b.page->LambdaColumn(c.rpm), c.column);
    auto* label = b.page->findChild<QLabel*>(QStringLiteral("LabLambda"));
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->palette().color(QPalette::Window), c.green ? QColor(0, 128, 0) : QColor(255, 0, 0));
    EXPECT_TRUE(label->autoFillBackground());
}

// Default main-map speeds 450 ... 5900, 6500: column k runs up to the midpoint with k + 1.
INSTANTIATE_TEST_SUITE_P(
    Cases, EnrichmentLambda,
    ::testing::Values(LambdaCase{"LeanAtIdle", 8823, 850, 5, 3, true},    // 850 rpm, 0.1 V < 0.45 V
                      LambdaCase{"RichAtIdle", 8823, 850, 41, 3, false},  // 0.8 V
                      LambdaCase{"AtTheReferenceIsRed", 8823, 850, 23, 3, false},
                      LambdaCase{"BetweenTwoMidpoints", 7500, 1000, 5, 4, true},  // 875 <= 1000 < 1050
                      LambdaCase{"JustBelowTheLastColumnUsesIt", 1190, 6302, 23, 19,
                                 true},  // 6302 rpm: 0.46 < 0.61
                      LambdaCase{"BelowTheLastMidpointUsesColumn18", 1229, 6102, 23, 18, false},  // 6102 rpm
                      LambdaCase{"FarAboveTheLastColumn", 986, 7606, 23, 19, true},               // 7606 rpm
                      LambdaCase{"StoppedEngine", 0, 0, 5, 0, true}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace zov
