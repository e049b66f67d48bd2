// The log viewer's rules: the points a plot receives for any span of any length, and the panes'
// channels as the settings keep them.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "ChannelDecimator.h"
#include "LogPaneLayout.h"
#include "ScatterBinner.h"

namespace zov::test {
namespace {

struct Channel {
    std::vector<int64_t> times;
    std::vector<float> values;
};

// A noisy signal 25 ms apart with empty cells now and then.
Channel Noise(size_t rows, unsigned seed) {
    Channel c;
    std::mt19937 random(seed);
    std::uniform_real_distribution<float> value(-50.0f, 50.0f);
    for (size_t r = 0; r < rows; ++r) {
        c.times.push_back(int64_t(r) * 25);
        c.values.push_back(random() % 97 == 0 ? std::nanf("") : value(random));
    }
    return c;
}

TEST(ChannelDecimator, ASingleRowSpikeSurvivesEveryZoom) {
    Channel c;
    constexpr size_t kRows = 200000;
    constexpr size_t kSpike = 123457;
    for (size_t r = 0; r < kRows; ++r) {
        c.times.push_back(int64_t(r) * 25);
        c.values.push_back(r == kSpike ? 9000.0f : r == kSpike + 1 ? -9000.0f : 800.0f);
    }
    const ChannelDecimator decimator(c.times, c.values);
    const double spikeMs = double(kSpike) * 25;
    for (const double span : {5e6, 1e6, 1e5, 1e4, 1e3, 100.0}) {
        for (const int columns : {37, 800, 1920}) {
            const std::vector<PlotPoint> points =
                decimator.Points(spikeMs - span / 3, spikeMs + span * 2 / 3, columns);
            EXPECT_LE(points.size(), size_t(columns) * 2 + 4);
            float high = 0;
            float low = 0;
            for (const PlotPoint& p : points) {
                high = std::max(high, p.value);
                low = std::min(low, p.value);
            }
            EXPECT_EQ(high, 9000.0f) << span << " " << columns;
            EXPECT_EQ(low, -9000.0f) << span << " " << columns;
        }
    }
}

TEST(ChannelDecimator, EachColumnHoldsTheExtremesABruteScanFinds) {
    const Channel c = Noise(50000, 7);
    const ChannelDecimator decimator(c.times, c.values);
    std::mt19937 random(11);
    for (int trial = 0; trial < 40; ++trial) {
        const size_t first = random() % c.times.size();
        const size_t last = first + random() % (c.times.size() - first) + 1;
        float low = INFINITY;
        float high = -INFINITY;
        for (size_t r = first; r < last; ++r) {
            if (std::isnan(c.values[r])) continue;
            low = std::min(low, c.values[r]);
            high = std::max(high, c.values[r]);
        }
        const auto extremes = decimator.Extremes(first, last);
        ASSERT_EQ(extremes.has_value(), std::isfinite(low)) << first << ".." << last;
        if (!extremes) continue;
        EXPECT_EQ(c.values[extremes->first], low) << first << ".." << last;
        EXPECT_EQ(c.values[extremes->second], high) << first << ".." << last;
    }

    // Whole plots: every point is a row of the log, in time order, and the points within each
    // pixel column carry that column's brute-force extremes.
    const double from = 100000.3;
    const double to = 1000000.0;
    constexpr int kColumns = 640;
    const std::vector<PlotPoint> points = decimator.Points(from, to, kColumns);
    for (size_t i = 1; i < points.size(); ++i) ASSERT_LT(points[i - 1].tMs, points[i].tMs);
    const double width = (to - from) / kColumns;
    for (int column = 0; column < kColumns; ++column) {
        const double start = from + width * column;
        const double stop = start + width;
        float low = INFINITY;
        float high = -INFINITY;
        for (size_t r = 0; r < c.times.size(); ++r) {
            if (double(c.times[r]) < start || double(c.times[r]) >= stop || std::isnan(c.values[r])) continue;
            low = std::min(low, c.values[r]);
            high = std::max(high, c.values[r]);
        }
        float shownLow = INFINITY;
        float shownHigh = -INFINITY;
        for (const PlotPoint& p : points) {
            if (p.tMs < start || p.tMs >= stop) continue;
            shownLow = std::min(shownLow, p.value);
            shownHigh = std::max(shownHigh, p.value);
        }
        ASSERT_EQ(shownLow, low) << "column " << column;
        ASSERT_EQ(shownHigh, high) << "column " << column;
    }
    // The rows either side of the span are there, so the line reaches both edges.
    EXPECT_LT(points.front().tMs, from);
    EXPECT_GT(points.back().tMs, to);

    // A span with fewer rows than columns gives every row.
    const std::vector<PlotPoint> close = decimator.Points(1000, 1500, 800);
    size_t rows = 0;
    for (size_t r = 39; r <= 61; ++r) rows += std::isnan(c.values[r]) ? 0 : 1;
    EXPECT_EQ(close.size(), rows);
    EXPECT_TRUE(decimator.Points(10, 10, 800).empty());
}

TEST(LogPaneLayout, RememberedPanesFollowTheLogsChannels) {
    const std::vector<std::string> live = {"rpm", "lambda_v", "tps_v", "map_bar", "opening"};
    LogPaneLayout layout = LogPaneLayout::Default(live);
    EXPECT_EQ(layout.Encode(), "rpm,lambda_v,map_bar");
    layout.SetPaneCount(3);
    layout.Show(0, "lambda_v", false);
    layout.Show(1, "lambda_v", true);
    layout.Show(2, "opening", true);
    layout.Show(2, "opening", true);
    EXPECT_EQ(layout.Encode(), "rpm,map_bar;lambda_v;opening");
    EXPECT_TRUE(layout.Shows(2, "opening"));
    EXPECT_FALSE(layout.Shows(3, "opening"));

    const struct {
        const char* remembered;
        std::vector<std::string> channels;
        const char* layout;
    } cases[] = {
        {"rpm,map_bar;lambda_v;opening", live, "rpm,map_bar;lambda_v;opening"},
        // A log without some of them keeps the panes, with what it has.
        {"rpm,map_bar;lambda_v;opening", {"rpm", "lambda_v"}, "rpm;lambda_v;"},
        // Nothing of it in this log, or nothing remembered: the default.
        {"cell_value;cell_deviation", live, "rpm,lambda_v,map_bar"},
        {"", {"cumulo"}, "cumulo"},
        // Never more than four panes, never a channel twice in one.
        {"rpm;rpm,rpm;tps_v;map_bar;opening", live, "rpm;rpm;tps_v;map_bar"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(LogPaneLayout::ForLog(c.remembered, c.channels).Encode(), c.layout) << c.remembered;

    layout.SetPaneCount(9);
    EXPECT_EQ(layout.PaneCount(), LogPaneLayout::kMaxPanes);
    layout.SetPaneCount(1);
    EXPECT_EQ(layout.Encode(), "rpm,map_bar");
}

TEST(ScatterBinner, RowsFallInTheirCellsWithTheMeanColour) {
    // 10 x 4 cells over rpm 0..1000 and 0..2 bar.
    ScatterBinner binner(10, 4, {0, 1000}, {0, 2});
    const struct {
        float x, y, colour;
    } rows[] = {
        {50, 0.1f, 1.0f},    // cell 0,0
        {99, 0.4f, 3.0f},    // cell 0,0 again: mean 2
        {1000, 2.0f, 5.0f},  // the top edge belongs to the last cell
        {550, 1.2f, NAN},    // no colour value: counted, colour NaN
        {1001, 1.0f, 1.0f},  // outside: left out
        {NAN, 1.0f, 1.0f},   // an empty cell: left out
        {500, -0.1f, 1.0f},  // below: left out
    };
    for (const auto& r : rows) binner.Add(r.x, r.y, r.colour);
    const std::vector<ScatterBinner::Bin> bins = binner.Bins();
    ASSERT_EQ(bins.size(), 3u);
    EXPECT_EQ(bins[0].column, 0);
    EXPECT_EQ(bins[0].row, 0);
    EXPECT_EQ(bins[0].count, 2);
    EXPECT_FLOAT_EQ(bins[0].colour, 2.0f);
    EXPECT_EQ(bins[1].column, 5);
    EXPECT_EQ(bins[1].row, 2);
    EXPECT_TRUE(std::isnan(bins[1].colour));
    EXPECT_EQ(bins[2].column, 9);
    EXPECT_EQ(bins[2].row, 3);
    EXPECT_FLOAT_EQ(bins[2].colour, 5.0f);

    // A million rows still give at most columns x rows cells.
    ScatterBinner dense(50, 40, {0, 1}, {0, 1});
    std::mt19937 random(3);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    for (int i = 0; i < 1000000; ++i) dense.Add(unit(random), unit(random), 0.5f);
    const std::vector<ScatterBinner::Bin> all = dense.Bins();
    EXPECT_EQ(all.size(), 2000u);
    int counted = 0;
    for (const ScatterBinner::Bin& bin : all) counted += bin.count;
    EXPECT_EQ(counted, 1000000);
}

}  // namespace
}  // namespace zov::test
