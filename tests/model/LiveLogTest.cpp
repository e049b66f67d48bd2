// The datalog: its columns in engineering units, the writer that leaves whole rows whatever stops
// it, and the reader that refuses what is not a log.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <thread>

#include "EcuVariables.h"
#include "LiveLog.h"
#include "LiveLogFormat.h"
#include "LiveLogWriter.h"
#include "TestFiles.h"

namespace zov {
namespace {

using testing::FileSizeLimit;
using testing::ReadFile;
using testing::ScratchDir;
using testing::WriteFile;

constexpr const char* kLiveHeader =
    "t_ms,rpm,lambda_v,tps_v,map_bar,integrator1,integrator2,target,cumulo,opening,enrichment,status,"
    "reducer_temp_c,reducer_pressure_bar,level";

TEST(LiveLogFormat, RecordsInEngineeringUnits) {
    // lambda 45 -> 0.88 V, TPS 24 -> 0.47 V, manifold 102 -> 1.10 bar, accumulation 0xF0 -> -16,
    // period 1000 -> 7500 rpm, temperature byte 0 -> no sensor, pressure (97 + 102) -> 0.95 bar.
    const int32_t live[kLiveRecordValues] = {45, 24, 102, -3, 4, 500, 0xF0, 1000, 40, 1000, 0x48, 0, 97, 7};
    std::vector<std::string> expected = {"7500", "0.88", "0.47", "1.10", "-3", "4",    "500",
                                         "-16",  "1000", "40",   "72",   "",   "0.95", "7"};
    EXPECT_EQ(LiveLogCells(kRecordLive, live, 0), expected);
    // A manifold byte of 0 is no reading, whatever the sensor would make of it.
    const int32_t noMap[kLiveRecordValues] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(LiveLogCells(kRecordLive, noMap, 0)[3], "");
    EXPECT_EQ(LiveLogCells(kRecordLive, noMap, 1)[3], "");

    // Sensor type 1: 153 -> 100 - 20 = 0.80 bar absolute.
    const int32_t porter[kLiveRecordValues] = {0, 0, 153, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(LiveLogCells(kRecordLive, porter, 1)[3], "0.80");

    const int32_t parameters[4] = {3750, 255, 12, 102};
    EXPECT_EQ(LiveLogCells(kRecordParameters, parameters, 0),
              (std::vector<std::string>{"2000", "5.00", "12", "1.00"}));
    const int32_t mapping[kMappingRecordValues] = {1, 2, 51, 2500, 360, 0, 0x08FE, 97};
    EXPECT_EQ(
        LiveLogCells(kRecordMapping, mapping, 0),
        (std::vector<std::string>{"3000", "0.02", "0.04", "0.60", "360", "-2", "", "8", "0.95", "1.00"}))
        << "the last cell is the manifold sensor's volts, which place a replayed point in the map's rows";
    EXPECT_EQ(LiveLogHeader(kRecordParameters),
              (std::vector<std::string>{"t_ms", "rpm", "lambda_v", "cumulo", "reducer_pressure_bar"}));
    EXPECT_EQ(LiveLogHeader(kRecordMapping).size(), 11u);

    EXPECT_EQ(HundredthsText(-5), "-0.05");
    EXPECT_EQ(HundredthsText(-120), "-1.20");
    EXPECT_EQ(HundredthsText(7), "0.07");
}

TEST(LiveLog, WrittenAndReadBack) {
    ScratchDir dir;
    const std::string path = dir.File("drive.csv");
    {
        LiveLogWriter writer;
        ASSERT_TRUE(writer.Open(path, LiveLogHeader(kRecordLive))) << writer.Error();
        const int32_t first[kLiveRecordValues] = {45,   24, 102,  -3,   4,  500, 0xF0,
                                                  1000, 40, 1000, 0x48, 90, 97,  7};
        const int32_t second[kLiveRecordValues] = {200, 255, 0, 0, 0, 0, 3, 0, 0, 0, 0x01, 0, 0, 0};
        EXPECT_TRUE(writer.WriteRow(0, LiveLogCells(kRecordLive, first, 0)));
        EXPECT_TRUE(writer.WriteRow(152, LiveLogCells(kRecordLive, second, 0)));
        EXPECT_EQ(writer.Rows(), 2);
    }
    const std::string text = ReadFile(path);
    EXPECT_EQ(text.substr(0, text.find('\n')), kLiveHeader);
    EXPECT_NE(text.find("\n152,0,3.92,5.00,,0,0,0,3,0,0,1,,0.00,0\n"), std::string::npos) << text;

    const LiveLogLoad load = ReadLiveLog(path);
    ASSERT_TRUE(load.ok) << load.error;
    EXPECT_FALSE(load.cutShort);
    ASSERT_EQ(load.log.RowCount(), 2u);
    EXPECT_EQ(load.log.times, (std::vector<int64_t>{0, 152}));
    EXPECT_EQ(load.log.Channel("rpm"), 0);
    EXPECT_EQ(load.log.Channel("level"), 13);
    EXPECT_EQ(load.log.Channel("speed"), -1);
    EXPECT_DOUBLE_EQ(load.log.Value(0, 0), 7500.0);
    EXPECT_TRUE(std::isnan(load.log.Value(1, 3)));  // the empty manifold cell

    const std::optional<LiveValues> back = LiveValuesOfRow(load.log, 0);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->rpm, 7500);
    EXPECT_EQ(back->lambda, 88);
    EXPECT_EQ(back->tps, 47);
    EXPECT_EQ(back->mapPressure, 110);
    EXPECT_EQ(back->cumulo, -16);
    EXPECT_EQ(back->status, 0x48);
    ASSERT_TRUE(back->reducerTempC);
    EXPECT_EQ(back->reducerPressure, 95);
    EXPECT_FALSE(LiveValuesOfRow(load.log, 1)->reducerTempC);

    // The cursor's row: the last one at or before the time.
    EXPECT_EQ(load.log.RowAt(-5), 0u);
    EXPECT_EQ(load.log.RowAt(151), 0u);
    EXPECT_EQ(load.log.RowAt(152), 1u);
    EXPECT_EQ(load.log.RowAt(9999), 1u);
    EXPECT_EQ(load.log.Range(0), (std::pair<double, double>{0.0, 7500.0}));
    EXPECT_EQ(load.log.Range(3), (std::pair<double, double>{1.10f, 1.10f}));

    // Never over an existing file: a second recording cannot destroy the first.
    LiveLogWriter again;
    EXPECT_FALSE(again.Open(path, LiveLogHeader(kRecordLive)));
    EXPECT_NE(again.Error().find("exists"), std::string::npos);
    EXPECT_EQ(ReadFile(path), text);
}

TEST(LiveLog, BadFilesAreRefusedWithTheLine) {
    ScratchDir dir;
    const struct {
        const char* content;
        const char* error;
    } cases[] = {
        {"", "line 1: empty file"},
        {"rpm,lambda_v\n1,2\n", "line 1: not a datalog"},
        {"t_ms,rpm\n0,800\n150,900,3\n", "line 3: 3 cells where the header has 2"},
        {"t_ms,rpm\n0,800\n150,fast\n", "line 3: rpm \"fast\" is not a number"},
        {"t_ms,rpm\n0,800\n-4,800\n", "line 3: t_ms \"-4\" is not a time"},
        {"t_ms,rpm\n300,800\n150,800\n", "line 3: t_ms goes back in time"},
        {"t_ms,rpm\n0,800\n150,nan\n", "line 3: rpm \"nan\" is not a number"},
        {"t_ms,rpm\n0,800\n150,inf\n", "line 3: rpm \"inf\" is not a number"},
        {"t_ms,rpm\n0,800\n150,1e99\n", "line 3: rpm \"1e99\" is not a number"},
        {"t_ms,rpm\n0,800\n150,8 00\n", "line 3: rpm \"8 00\" is not a number"},
        {"t_ms,rpm\n0,800\n1.5,800\n", "line 3: t_ms \"1.5\" is not a time"},
        {"t_ms,rpm\n0,800\n,800\n", "line 3: t_ms \"\" is not a time"},
        {"t_ms,rpm\n0,800\n150\n", "line 3: 1 cells where the header has 2"},
        {"t_ms,rpm\n0,800\n#marker,x,150\n", "line 3: \"#marker,x,150\" is not a marker"},
        {"t_ms,rpm\n0,800\n#marker,1\n", "line 3: \"#marker,1\" is not a marker"},
    };
    for (const auto& c : cases) {
        const std::string path = dir.File("bad.csv");
        WriteFile(path, c.content);
        const LiveLogLoad load = ReadLiveLog(path);
        EXPECT_FALSE(load.ok) << c.content;
        EXPECT_NE(load.error.find(c.error), std::string::npos) << load.error;
        EXPECT_EQ(load.log.RowCount(), 0u);
    }
    const LiveLogLoad missing = ReadLiveLog(dir.File("none.csv"));
    EXPECT_FALSE(missing.ok);
    EXPECT_NE(missing.error.find("No such file"), std::string::npos) << missing.error;

    // A last line without its end was being written when the recording stopped: left out.
    const std::string path = dir.File("cut.csv");
    WriteFile(path, "t_ms,rpm\r\n0,800\r\n150,9");
    const LiveLogLoad cut = ReadLiveLog(path);
    ASSERT_TRUE(cut.ok) << cut.error;
    EXPECT_TRUE(cut.cutShort);
    EXPECT_EQ(cut.log.RowCount(), 1u);

    // Markers between rows, and columns the reader does not know, are taken as they come.
    const std::string marked = dir.File("marked.csv");
    WriteFile(marked, "t_ms,rpm,raw_x\n0,800,1\n#marker,1,120\n150,,2\n#marker,2,150\n");
    const LiveLogLoad withMarkers = ReadLiveLog(marked);
    ASSERT_TRUE(withMarkers.ok) << withMarkers.error;
    EXPECT_EQ(withMarkers.log.RowCount(), 2u);
    EXPECT_EQ(withMarkers.log.markers, (std::vector<LogMarker>{{1, 120}, {2, 150}}));
    EXPECT_TRUE(std::isnan(withMarkers.log.Value(1, 0)));
    EXPECT_EQ(withMarkers.log.Value(1, 1), 2.0f);
}

TEST(LiveLog, ALargeLogReadsBackExactly) {
    // More rows than one read block holds, so lines are cut across blocks; every value the
    // writer produces (integers, hundredths, six-digit temperatures, empty cells) comes back.
    ScratchDir dir;
    const std::string path = dir.File("long.csv");
    constexpr int kRows = 40000;
    std::vector<std::vector<std::string>> written;
    std::string content = std::string(kLiveHeader) + "\n";
    for (int r = 0; r < kRows; ++r) {
        int32_t raw[kLiveRecordValues];
        for (int i = 0; i < kLiveRecordValues; ++i) raw[i] = (r * 37 + i * 101) % 256;
        raw[7] = 200 + r % 4000;  // the period: every rpm the ECU can report
        written.push_back(LiveLogCells(kRecordLive, raw, r % 2));
        content += std::to_string(r * 25);
        for (const std::string& cell : written.back()) content += "," + cell;
        content += "\n";
    }
    ASSERT_GT(content.size(), size_t(2) << 20) << "lines must cross read blocks";
    WriteFile(path, content);
    const LiveLogLoad load = ReadLiveLog(path);
    ASSERT_TRUE(load.ok) << load.error;
    ASSERT_EQ(load.log.RowCount(), size_t(kRows));
    for (size_t r = 0; r < size_t(kRows); ++r) {
        ASSERT_EQ(load.log.times[r], int64_t(r) * 25);
        for (size_t c = 0; c < written[r].size(); ++c) {
            const std::string& cell = written[r][c];
            const float back = load.log.Value(r, int(c));
            if (cell.empty()) {
                ASSERT_TRUE(std::isnan(back)) << r << "," << c;
            } else {
                ASSERT_EQ(back, std::stof(cell)) << "row " << r << " column " << c << " " << cell;
            }
        }
    }
}

TEST(LiveLog, AFullDiskLeavesOnlyWholeRows) {
    ScratchDir dir;
    const std::string path = dir.File("full.csv");
    LiveLogWriter writer;
    ASSERT_TRUE(writer.Open(path, {"t_ms", "rpm", "lambda_v"}));
    int64_t written = 0;
    {
        // Room for the header (18 bytes) and two rows of 15: the third runs out of disk half way.
        FileSizeLimit limit(18 + 2 * 15 + 5);
        for (int64_t t = 0; t < 10; ++t) {
            if (!writer.WriteRow(1000 + t, {"7500", "0.88"})) break;
            ++written;
        }
    }
    EXPECT_EQ(written, 2);
    EXPECT_FALSE(writer.Error().empty());
    EXPECT_EQ(ReadFile(path), "t_ms,rpm,lambda_v\n1000,7500,0.88\n1001,7500,0.88\n");
}

TEST(LiveLog, AKilledRecorderLeavesAReadableLog) {
    ScratchDir dir;
    const std::string path = dir.File("killed.csv");
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        LiveLogWriter writer;
        if (!writer.Open(path, LiveLogHeader(kRecordLive))) _exit(2);
        // A row every 0.1 ms for long enough to be killed; a recorder never killed gives up.
        for (int64_t t = 0; t < int64_t(150) * 200000; t += 150) {
            const int32_t record[kLiveRecordValues] = {
                int32_t(t % 256), 24, 102, -3, 4, 500, 3, 1000, 40, 1000 + int32_t(t % 500), 0x48, 90, 97, 7};
            if (!writer.WriteRow(t, LiveLogCells(kRecordLive, record, 0))) _exit(3);
            usleep(100);
        }
        _exit(4);
    }
    // Killed mid-recording, once a good few rows are in.
    for (int wait = 0; wait < 2000 && ReadFile(path).size() < 20000; ++wait)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    ASSERT_EQ(kill(child, SIGKILL), 0);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status)) << "the recorder stopped on its own: " << WEXITSTATUS(status);

    const std::string text = ReadFile(path);
    const LiveLogLoad load = ReadLiveLog(path);
    ASSERT_TRUE(load.ok) << load.error;
    EXPECT_FALSE(load.cutShort);
    const auto lines = std::count(text.begin(), text.end(), '\n');
    EXPECT_EQ(int64_t(load.log.RowCount()), lines - 1);
    EXPECT_GT(load.log.RowCount(), 100u);
    // Every row is whole, up to the last: the times run on in steps of 150 ms.
    for (size_t r = 0; r < load.log.RowCount(); ++r) ASSERT_EQ(load.log.times[r], int64_t(r) * 150) << r;
    EXPECT_EQ(load.log.channels[13].back(), 7.0f);
}

}  // namespace
}  // namespace zov
