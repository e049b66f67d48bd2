// What the chart does to the map and the ECU, against the simulator: single cells, the undo, the
// download with the self-adaptation reset, and what closing owes.
#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>

#include "ChartSupport.h"
#include "FittedMapSession.h"
#include "MapFit.h"

namespace zov::test {
namespace {

std::vector<int32_t> EcuMap(const sim::EcuSimulator& ecu) { return ecu.Values(50); }

std::vector<int32_t> ModelMap(const ConfMap& map) {
    std::vector<int32_t> cells;
    for (int r = 0; r < ConfMap::kRows; ++r)
        for (int c = 0; c < ConfMap::kCols; ++c) cells.push_back(map.GetCell(r, c));
    return cells;
}

FittedMapSession SessionOf(ChartBench& b) {
    return FittedMapSession(b.context->link, b.Map(), b.Car(), true);
}

TEST(FittedMapSession, DownloadSendsTheWholeMapThenZeroesTheSelfAdaptation) {
    struct Kind {
        bool eightZones;
        std::vector<int> counters;  // the step counters this kind of ECU keeps
    };
    for (const Kind& kind : {Kind{false, {114, 115}}, Kind{true, {129}}}) {
        SCOPED_TRACE(kind.eightZones ? "eight zones" : "four zones");
        ChartBench b(200, kind.eightZones);
        for (const int var : kind.counters)
            ASSERT_NE(b.ecu.Values(var), std::vector<int32_t>(b.ecu.Values(var).size()));
        // The map editor's own sequence: undo copy, then the fit in the model.
        b.Map().SaveBackup();
        const std::vector<ConfMap::MappingPoint> points = {
            {900, 40, 150}, {3000, 60, 320}, {5000, 150, 520}, {1500, 170, 410}};
        ASSERT_TRUE(FitMapToPoints(b.Map(), points));
        FittedMapSession session = SessionOf(b);
        ASSERT_TRUE(session.AsksOnClose());
        ASSERT_NE(EcuMap(b.ecu), ModelMap(b.Map()));

        EXPECT_TRUE(session.Download());

        EXPECT_EQ(EcuMap(b.ecu), ModelMap(b.Map()));
        for (const int var : kind.counters)
            EXPECT_EQ(b.ecu.Values(var), std::vector<int32_t>(b.ecu.Values(var).size(), 0)) << var;
        // Sixteen rows of table 50, then the counters.
        std::vector<int> expected(16, 50);
        expected.insert(expected.end(), kind.counters.begin(), kind.counters.end());
        EXPECT_EQ(b.WrittenVars(), expected);
        EXPECT_TRUE(session.Decided());
        EXPECT_FALSE(session.AsksOnClose());
        EXPECT_FALSE(session.UndoFitAvailable());
    }
}

// The undo leaves the ECU holding the map before the fit: written again when anything of the
// chart reached the ECU since, not written when the fit never left the model.
TEST(FittedMapSession, UndoLeavesTheEcuWithTheMapBeforeTheFit) {
    const struct {
        const char* what;
        bool moveAPoint;
        bool failedDownload;  // the line was lost during it, then came back
        std::vector<int> written;
    } cases[] = {
        {"nothing sent", false, false, {}},
        {"a point moved", true, false, std::vector<int>(16, 50)},
        {"a download that failed", false, true, std::vector<int>(16, 50)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ChartBench b(200);
        b.Fitted({{0, 0, 260}, {5, 6, 100}});
        FittedMapSession session = SessionOf(b);
        ASSERT_TRUE(session.UndoFitAvailable());
        if (c.moveAPoint) {
            ASSERT_TRUE(session.WriteCell(2, 3, 333));
        }
        if (c.failedDownload) {
            b.ecu.MutableFaults().deadLine = true;
            ASSERT_FALSE(session.Download());
            b.ecu.MutableFaults().deadLine = false;
            ASSERT_TRUE(b.context->link.Connect());
        }
        b.ecu.ClearRequests();

        EXPECT_TRUE(session.UndoFit());

        EXPECT_EQ(ModelMap(b.Map()), std::vector<int32_t>(320, 200));
        EXPECT_EQ(EcuMap(b.ecu), ModelMap(b.Map()));
        EXPECT_EQ(b.WrittenVars(), c.written);
        EXPECT_TRUE(session.Decided());
        EXPECT_FALSE(session.AsksOnClose());
        EXPECT_FALSE(session.UndoFitAvailable());
    }
}

TEST(FittedMapSession, AnUndoThatCannotReachTheEcuSaysSo) {
    ChartBench b(200);
    b.Fitted({{0, 0, 260}});
    FittedMapSession session = SessionOf(b);
    ASSERT_TRUE(session.WriteCell(2, 3, 333));
    b.ecu.MutableFaults().deadLine = true;

    EXPECT_FALSE(session.UndoFit());

    // The model is back; the ECU keeps the moved point, and the installer is not kept in the chart.
    EXPECT_EQ(ModelMap(b.Map()), std::vector<int32_t>(320, 200));
    EXPECT_EQ(b.ecu.Value(50, 2 * 20 + 3), 333);
    EXPECT_TRUE(session.Decided());
    EXPECT_FALSE(session.AsksOnClose());
}

TEST(FittedMapSession, ACellGoesToTheEcuAtOnceWithinTheCellRange) {
    ChartBench b(200);
    b.Fitted({});
    FittedMapSession session = SessionOf(b);
    const CellValue cases[] = {{4, 7, 377}, {0, 19, 720}, {15, 0, 0}, {9, 9, 1000}, {9, 10, -5}};
    const int32_t stored[] = {377, 720, 0, 720, 0};
    for (size_t i = 0; i < std::size(cases); ++i) {
        const CellValue& c = cases[i];
        EXPECT_TRUE(session.WriteCell(c.row, c.col, c.value));
        EXPECT_EQ(b.Map().GetCell(c.row, c.col), stored[i]);
        EXPECT_EQ(b.ecu.Value(50, c.row * 20 + c.col), stored[i]);
    }
    EXPECT_EQ(b.WrittenVars(), std::vector<int>(5, 50));
    // Moving points decides nothing.
    EXPECT_TRUE(session.AsksOnClose());
    EXPECT_TRUE(session.UndoFitAvailable());
}

// A locked cell is never written from the chart, so a download cannot change it in table 50.
TEST(FittedMapSession, ALockedCellIsNeitherStoredNorSent) {
    ChartBench b(200);
    b.Fitted({});
    b.Map().cellLocks.Set(4, 7, true);
    FittedMapSession session = SessionOf(b);
    EXPECT_FALSE(session.WriteCell(4, 7, 377));
    EXPECT_EQ(b.Map().GetCell(4, 7), 200);
    EXPECT_TRUE(b.WrittenVars().empty());
    EXPECT_TRUE(session.WriteCell(4, 8, 377));
    ASSERT_TRUE(session.Download());
    EXPECT_EQ(b.ecu.Value(50, 4 * 20 + 7), 200);
    EXPECT_EQ(b.ecu.Value(50, 4 * 20 + 8), 377);
}

// The download's question counts the cells the ECU does not hold yet: the fit's, less those
// already sent one by one; none after the download; the cap's marks go with the undo.
TEST(FittedMapSession, TheCellsToDownloadAreThoseTheEcuDoesNotHold) {
    ChartBench b(200);
    b.Fitted({{0, 0, 260}, {3, 4, 150}, {5, 6, 250}});
    FittedMapSession session = SessionOf(b);
    MapFlags capped{};
    capped[5][6] = capped[3][4] = true;
    session.SetCapped(capped);
    EXPECT_EQ(session.CellsToDownload(), 3);
    EXPECT_EQ(session.Changes().CappedCount(), 2);
    ASSERT_TRUE(session.WriteCell(3, 4, 170));  // sent at once, and no longer the cap's value
    EXPECT_EQ(session.CellsToDownload(), 2);
    EXPECT_EQ(session.Changes().CappedCount(), 1);
    ASSERT_TRUE(session.WriteCell(9, 9, 210));
    EXPECT_EQ(session.CellsToDownload(), 2);
    ASSERT_TRUE(session.Download());
    EXPECT_EQ(session.CellsToDownload(), 0);

    ChartBench undone(200);
    undone.Fitted({{5, 6, 250}});
    FittedMapSession undoing = SessionOf(undone);
    undoing.SetCapped(capped);
    ASSERT_TRUE(undoing.UndoFit());
    EXPECT_EQ(undoing.Changes().CappedCount(), 0);
    EXPECT_EQ(undoing.CellsToDownload(), 0);
}

// Rows the ECU refused: the download is not decided, the fitted map and its undo stay for a retry,
// no self-adaptation reset follows, and the rows the ECU holds new are named.
TEST(FittedMapSession, ARefusedDownloadNamesTheNewRowsAndKeepsTheMap) {
    ChartBench b(200);
    b.Fitted({{3, 3, 400}});
    FittedMapSession session = SessionOf(b);
    const std::vector<int32_t> counters = b.ecu.Values(115);
    b.ecu.MutableFaults().writesBeforeRefusal[50] = 5;

    EXPECT_FALSE(session.Download());

    EXPECT_EQ(session.NewRowsOfLastDownload(), "0-4");
    EXPECT_TRUE(session.AsksOnClose());
    EXPECT_TRUE(session.UndoFitAvailable());
    EXPECT_EQ(b.ecu.Value(50, 3 * 20 + 3), 400) << "row 3 is new";
    EXPECT_EQ(b.ecu.Values(115), counters) << "no self-adaptation reset";
}

TEST(FittedMapSession, ADownloadThatNeverArrivesKeepsTheUndoAndTheQuestion) {
    ChartBench b(200);
    b.Fitted({{3, 3, 400}});
    FittedMapSession session = SessionOf(b);
    b.ecu.MutableFaults().deadLine = true;

    EXPECT_FALSE(session.Download());

    EXPECT_FALSE(b.context->link.IsConnected());
    EXPECT_FALSE(session.Decided());
    EXPECT_TRUE(session.AsksOnClose());
    EXPECT_TRUE(session.UndoFitAvailable());
    EXPECT_EQ(b.Map().GetCell(3, 3), 400);
    session.UndoFit();
    EXPECT_EQ(b.Map().GetCell(3, 3), 200);
}

TEST(FittedMapSession, TheMapBeforeTheFitOutlivesTheUndoCopy) {
    ChartBench b(200);
    b.Fitted({{1, 2, 300}, {7, 8, 120}});
    FittedMapSession session = SessionOf(b);
    ASSERT_TRUE(session.HasBefore());
    ASSERT_TRUE(session.Download());

    EXPECT_EQ(session.Before()[1][2], 200);
    EXPECT_EQ(session.Before()[7][8], 200);
    const MapChangeSummary changes = session.Changes();
    EXPECT_EQ(changes.Changed(), 2);
    EXPECT_EQ(changes.Largest().row, 1);
    EXPECT_EQ(changes.Largest().col, 2);
    EXPECT_DOUBLE_EQ(changes.Largest().percent, 50.0);
}

TEST(FittedMapSession, WithoutAnUndoCopyThereIsNothingBeforeAndNothingChanges) {
    ChartBench b(200);
    b.Map().SetCell(4, 4, 500, false);
    FittedMapSession session = SessionOf(b);
    EXPECT_FALSE(session.HasBefore());
    EXPECT_FALSE(session.UndoFitAvailable());
    EXPECT_EQ(session.Changes().Changed(), 0);
    session.UndoFit();
    EXPECT_EQ(b.Map().GetCell(4, 4), 500);
}

}  // namespace
}  // namespace zov::test
