// Recording the live window to a datalog and replaying a log into it.
#include <QPushButton>
#include <QTest>
#include <cmath>
#include <filesystem>
#include <string>

#include "EcuVariables.h"
#include "LiveLog.h"
#include "LiveLogFormat.h"
#include "LiveRecording.h"
#include "LiveReplay.h"
#include "LiveSupport.h"

namespace zov::test {
namespace {

using zov::testing::ReadFile;
using zov::testing::ScratchDir;
using zov::testing::WriteFile;

std::tm At(int year, int month, int day, int hour, int minute, int second) {
    std::tm t{};
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    t.tm_hour = hour;
    t.tm_min = minute;
    t.tm_sec = second;
    return t;
}

TEST(LiveRecording, NamedByDateAndVehicleNeverOverAnother) {
    const std::tm t = At(2026, 12, 10, 15, 30, 12);
    EXPECT_EQ(LiveRecording::FileName(t, "FIAT PUNTO 1.2 8V"), "20261210-153012_FIAT_PUNTO_1_2_8V.csv");
    EXPECT_EQ(LiveRecording::FileName(t, "../etc/passwd"), "20261210-153012_etc_passwd.csv");
    EXPECT_EQ(LiveRecording::FileName(t, "Citro\xEBn C3"), "20261210-153012_Citro_n_C3.csv");
    EXPECT_EQ(LiveRecording::FileName(t, ""), "20261210-153012_veicolo.csv");
    EXPECT_EQ(LiveRecording::FileName(t, "Golf", 3), "20261210-153012_Golf_3.csv");

    ScratchDir dir;
    LiveRecording first;
    LiveRecording second;
    ASSERT_TRUE(first.Start(dir.Path().string(), "Golf", t, 0)) << first.Error();
    ASSERT_TRUE(second.Start(dir.Path().string(), "Golf", t, 0)) << second.Error();
    EXPECT_EQ(first.Path(), (dir.Path() / "Log" / "20261210-153012_Golf.csv").string());
    EXPECT_EQ(second.Path(), (dir.Path() / "Log" / "20261210-153012_Golf_2.csv").string());

    LiveValues v;
    v.rpm = 800;
    EXPECT_TRUE(first.Add(v, 150'000));
    EXPECT_TRUE(first.Add(v, 2'150'000));
    EXPECT_EQ(first.Rows(), 2);
    EXPECT_DOUBLE_EQ(first.Rate(2'000'000), 1.0);
    first.Stop();
    EXPECT_FALSE(first.Add(v, 3'000'000));
    const std::string text = ReadFile(first.Path());
    EXPECT_NE(text.find("\n150,800,"), std::string::npos) << text;
    EXPECT_NE(text.find("\n2150,800,"), std::string::npos) << text;

    // A runtime folder the recording cannot write in: a clear reason, no file.
    WriteFile(dir.File("plain"), "x");
    LiveRecording blocked;
    EXPECT_FALSE(blocked.Start(dir.File("plain"), "Golf", t, 0));
    EXPECT_NE(blocked.Error().find("plain"), std::string::npos) << blocked.Error();
    EXPECT_FALSE(blocked.Active());
}

TEST(LiveRecording, NeedsASessionAndSaysWhyItStops) {
    LiveBench b;
    auto w = b.Open();
    b.context->link.Disconnect();
    w->ButtonRegistra->click();
    EXPECT_FALSE(w->Recording().Active());
    EXPECT_FALSE(w->ButtonRegistra->isChecked());
    ASSERT_EQ(b.prompter.shown.size(), 1u);
    EXPECT_EQ(b.prompter.shown[0].text, b.DictCp("MessNoConn", 70));

    ASSERT_TRUE(b.context->link.Connect());
    b.prompter.shown.clear();
    w->ButtonRegistra->click();
    ASSERT_TRUE(w->Recording().Active());
    Tick(*w, 2);
    const std::string path = w->Recording().Path();
    const std::string before = ReadFile(path);
    {
        // The disk fills up: the next row does not fit.
        zov::testing::FileSizeLimit full(before.size() + 10);
        Tick(*w);
    }
    EXPECT_FALSE(w->Recording().Active());
    EXPECT_FALSE(w->ButtonRegistra->isChecked());
    ASSERT_EQ(b.prompter.shown.size(), 1u);
    EXPECT_EQ(b.prompter.shown[0].icon, PromptIcon::Error);
    EXPECT_NE(b.prompter.shown[0].text.find(path), std::string::npos) << b.prompter.shown[0].text;
    EXPECT_EQ(ReadFile(path), before);
    const LiveLogLoad load = ReadLiveLog(path);
    ASSERT_TRUE(load.ok) << load.error;
    EXPECT_EQ(load.log.RowCount(), 2u);
}

LiveLog ThreeRows() {
    LiveLog log;
    log.SetColumns(LiveLogHeader(kRecordLive));
    for (int64_t t : {1000, 1150, 1600}) {
        LiveValues v;
        v.rpm = int32_t(t);
        std::vector<float> row;
        for (const std::string& cell : LiveLogCells(v))
            row.push_back(cell.empty() ? std::nanf("") : std::stof(cell));
        log.AppendRow(t, row);
    }
    return log;
}

TEST(LiveReplay, RowsComeDueAtTheirTimeTimesTheSpeed) {
    const auto rpms = [](const std::vector<LiveValues>& due) {
        std::vector<int32_t> out;
        for (const LiveValues& v : due) out.push_back(v.rpm);
        return out;
    };
    std::optional<LiveReplay> normal = LiveReplay::Of(ThreeRows(), 1);
    ASSERT_TRUE(normal);
    EXPECT_EQ(rpms(normal->Step(150)), (std::vector<int32_t>{1000}));  // the first row at once
    EXPECT_EQ(rpms(normal->Step(150)), (std::vector<int32_t>{1150}));
    EXPECT_EQ(rpms(normal->Step(150)), (std::vector<int32_t>{}));
    EXPECT_EQ(rpms(normal->Step(150)), (std::vector<int32_t>{}));
    EXPECT_FALSE(normal->Finished());
    EXPECT_EQ(rpms(normal->Step(150)), (std::vector<int32_t>{1600}));
    EXPECT_TRUE(normal->Finished());

    std::optional<LiveReplay> fast = LiveReplay::Of(ThreeRows(), 4);
    ASSERT_TRUE(fast);
    EXPECT_EQ(rpms(fast->Step(150)), (std::vector<int32_t>{1000}));
    EXPECT_EQ(rpms(fast->Step(150)), (std::vector<int32_t>{1150, 1600}));  // 600 ms of log in one step
    EXPECT_TRUE(fast->Finished());

    LiveLog other;
    other.SetColumns({"t_ms", "rpm"});
    other.AppendRow(0, {800});
    EXPECT_FALSE(LiveReplay::Of(other, 1));
    LiveLog empty;
    empty.SetColumns(LiveLogHeader(kRecordLive));
    EXPECT_FALSE(LiveReplay::Of(empty, 1));

    // Columns beyond the live ones (raw bytes kept beside them) do not stop a replay.
    LiveLog wider;
    std::vector<std::string> columns = LiveLogHeader(kRecordLive);
    columns.insert(columns.begin() + 2, "raw_period");
    wider.SetColumns(columns);
    std::vector<float> row(wider.ChannelCount(), 0.0f);
    row[0] = 2400;
    row[1] = 12345;
    wider.AppendRow(0, row);
    std::optional<LiveReplay> extra = LiveReplay::Of(wider, 1);
    ASSERT_TRUE(extra);
    EXPECT_EQ(rpms(extra->Step(150)), (std::vector<int32_t>{2400}));
}

// The texts that change with the record, as the installer reads them.
QStringList Shown(const TFormVisualizza& w) {
    return {w.LabGiri->text(),
            w.LabLambda->text(),
            w.LabTps->text(),
            w.LabMap->text(),
            w.LabIntInMin->text(),
            w.LabIntOutMin->text(),
            w.LabCum->text(),
            w.LabTemp->text(),
            w.LabPressione->text(),
            w.LabComm->text(),
            w.LabFunz->text(),
            w.LabLivello->text(),
            QString::number(w.FilteredPressure()),
            QString::number(int(w.PressureShown())),
            QString::number(w.TpsLevelShown())};
}

TEST(LiveRecording, ARecordedDriveReplaysAsItWasShown) {
    // The engine runs on its own: warm-up, idle, the mapping tour.
    LiveBench b(0, 200, nullptr);
    auto w = b.Open();
    w->ButtonRegistra->click();
    ASSERT_TRUE(w->Recording().Active()) << w->Recording().Error();
    EXPECT_TRUE(w->ButtonRegistra->isChecked());
    std::vector<QStringList> recorded;
    for (int tick = 0; tick < 40; ++tick) {
        b.clock.SleepUs(150'000);
        Tick(*w);
        recorded.push_back(Shown(*w));
        // Two markers while the engine runs, by the button and by the key, after rows 10 and 20.
        if (tick == 9) w->ButtonMarcatore->click();
        if (tick == 19) QTest::keyClick(w->ButtonLog, Qt::Key_M);  // the focus on another control
    }
    // What the label counts, and in which file.
    const QString label = w->LabRegistra->text();
    EXPECT_TRUE(
        label.startsWith(b.Dict("MessRegistrazione", 70).arg(40).section(QLatin1Char(','), 0, 0) + ","))
        << label.toStdString();
    EXPECT_TRUE(label.endsWith(
        QString::fromStdString(std::filesystem::path(w->Recording().Path()).filename().string())))
        << label.toStdString();

    w->ButtonRegistra->click();
    EXPECT_FALSE(w->Recording().Active());
    const std::string path = w->Recording().Path();
    EXPECT_EQ(std::filesystem::path(path).parent_path().string(), (b.runtime.Path() / "Log").string());
    EXPECT_TRUE(std::filesystem::path(path).filename().string().ends_with("_FIAT_PUNTO_1_2_8V.csv")) << path;
    w.reset();

    const LiveLogLoad load = ReadLiveLog(path);
    ASSERT_TRUE(load.ok) << load.error;
    ASSERT_EQ(load.log.RowCount(), 40u);
    EXPECT_EQ(load.log.markers, (std::vector<LogMarker>{{1, load.log.times[9]}, {2, load.log.times[19]}}));
    // The drive changed while recording, or the comparison below would prove little.
    EXPECT_NE(recorded.front(), recorded.back());

    // Played back at 1x with the window's 150 ms ticks: every row (150 ms apart) comes due alone,
    // and each shows what the ECU's record showed.
    b.context->link.Disconnect();
    auto replay = b.Open();
    ASSERT_TRUE(replay->StartReplay(load.log, 1));
    EXPECT_FALSE(replay->ButtonAtt->isEnabled());
    EXPECT_FALSE(replay->ButtonRegistra->isEnabled());
    std::vector<QStringList> replayed = {Shown(*replay)};
    ASSERT_EQ(replay->ReplayedRows(), 1);
    for (int tick = 0; tick < 200 && replayed.size() < recorded.size(); ++tick) {
        const int rows = replay->ReplayedRows();
        Tick(*replay);
        ASSERT_LE(replay->ReplayedRows(), rows + 1);
        if (replay->ReplayedRows() == rows + 1) replayed.push_back(Shown(*replay));
    }
    ASSERT_EQ(replayed.size(), recorded.size());
    for (size_t i = 0; i < recorded.size(); ++i) EXPECT_EQ(replayed[i], recorded[i]) << "row " << i;
}

}  // namespace
}  // namespace zov::test
