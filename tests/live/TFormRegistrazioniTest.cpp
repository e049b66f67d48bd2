// The log viewer: channels, the cursor reading every channel, zoom and pan, a bad file refused,
// and the way back to the live window for a replay.
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

#include "EcuVariables.h"
#include "LiveLogFormat.h"
#include "LiveLogWriter.h"
#include "LiveSupport.h"
#include "LogChartView.h"
#include "TFormRegistrazioni.h"
#include "TFormVisualizza.h"

namespace zov::test {
namespace {

using zov::testing::ReadFile;
using zov::testing::ScratchDir;
using zov::testing::WriteFile;

// Ten live rows 200 ms apart: rpm 1000, 1100, ...; lambda 0.00, 0.10, ...
std::string WriteDrive(const ScratchDir& dir) {
    const std::string path = dir.File("drive.csv");
    LiveLogWriter writer;
    EXPECT_TRUE(writer.Open(path, LiveLogHeader(kRecordLive)));
    for (int i = 0; i < 10; ++i) {
        LiveValues v;
        v.rpm = 1000 + 100 * i;
        v.lambda = 10 * i;
        v.mapPressure = 60;
        EXPECT_TRUE(writer.WriteRow(200 * i, LiveLogCells(v)));
    }
    return path;
}

TEST(LogViewer, ChannelsCursorZoomAndPan) {
    LiveBench b;
    ScratchDir dir;
    const std::string path = WriteDrive(dir);
    TFormRegistrazioni viewer(*b.context, b.Dictionary());
    EXPECT_EQ(viewer.windowTitle(), b.Dict("FinestraRegistrazioni", 70));
    viewer.show();
    ASSERT_TRUE(viewer.OpenLog(QString::fromStdString(path)));
    EXPECT_EQ(viewer.ListCanali->count(), 14);
    EXPECT_EQ(viewer.ListCanali->item(0)->text(), QStringLiteral("rpm"));
    // rpm, lambda and manifold pressure to start with; the installer adds the TPS.
    EXPECT_EQ(viewer.ShownChannels(), (std::vector<int>{0, 1, 3}));
    viewer.ShowChannel(2, true);
    EXPECT_EQ(viewer.ShownChannels(), (std::vector<int>{0, 1, 2, 3}));
    int plotted = 0;
    for (const QAbstractSeries* series : viewer.ChartView->chart()->series()) plotted += series->isVisible();
    EXPECT_EQ(plotted, 4);

    // Between two rows the cursor reads the earlier one, every channel of it.
    viewer.SetCursor(650);
    const QString text = viewer.LabCursore->text();
    EXPECT_TRUE(text.startsWith(QStringLiteral("t 0.650 s"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("rpm 1300"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("lambda_v 0.3 "))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("map_bar 0.6 "))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("reducer_temp_c -"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("level 0"))) << text.toStdString();

    // The whole log on view; zoom in about the middle, pan right by a quarter, zoom out.
    const struct {
        double zoom, pan, from, to;
    } steps[] = {{1, 0, 0, 1800}, {2, 0, 450, 1350}, {1, 0.25, 675, 1575}, {0.5, 0, 225, 2025}};
    for (const auto& s : steps) {
        viewer.Zoom(s.zoom);
        viewer.Pan(s.pan);
        EXPECT_NEAR(viewer.VisibleSpan().first, s.from, 1e-6);
        EXPECT_NEAR(viewer.VisibleSpan().second, s.to, 1e-6);
    }

    // A click in the plot places the cursor at the time under it.
    viewer.resize(900, 560);
    QApplication::processEvents();
    QChart* chart = viewer.ChartView->chart();
    ASSERT_GT(chart->plotArea().width(), 100) << "the plot is laid out";
    // Half way up the plot, at 1.3 s.
    const QPointF at(chart->mapToPosition(QPointF(1.3, 0), chart->series().front()).x(),
                     chart->plotArea().center().y());
    QTest::mouseClick(viewer.ChartView->viewport(), Qt::LeftButton, {},
                      viewer.ChartView->mapFromScene(chart->mapToScene(at)));
    EXPECT_NEAR(double(viewer.CursorTime()), 1300.0, 10.0);
    EXPECT_TRUE(viewer.LabCursore->text().contains(QStringLiteral("rpm 1600")))
        << viewer.LabCursore->text().toStdString();
}

TEST(LogViewer, ABadFileIsRefusedAndTheLogOnViewStays) {
    LiveBench b;
    ScratchDir dir;
    const std::string good = WriteDrive(dir);
    const std::string bad = dir.File("bad.csv");
    WriteFile(bad, "t_ms,rpm\n0,800\n150,fast\n");
    TFormRegistrazioni viewer(*b.context, b.Dictionary());
    ASSERT_TRUE(viewer.OpenLog(QString::fromStdString(good)));
    EXPECT_TRUE(viewer.ButtonRiproduci1->isEnabled());

    EXPECT_FALSE(viewer.OpenLog(QString::fromStdString(bad)));
    ASSERT_EQ(b.prompter.shown.size(), 1u);
    EXPECT_EQ(b.prompter.shown[0].icon, PromptIcon::Error);
    EXPECT_NE(b.prompter.shown[0].text.find(b.DictCp("MessRegNonLeggibile", 70)), std::string::npos);
    EXPECT_NE(b.prompter.shown[0].text.find("line 3: rpm \"fast\" is not a number"), std::string::npos)
        << b.prompter.shown[0].text;
    EXPECT_EQ(viewer.Log().rows.size(), 10u);
    EXPECT_EQ(viewer.ListCanali->count(), 14);
    // The file itself is left as it was.
    EXPECT_EQ(ReadFile(bad), "t_ms,rpm\n0,800\n150,fast\n");

    // A log of another record is plotted but cannot be replayed in the live window.
    const std::string other = dir.File("parameters.csv");
    WriteFile(other, "t_ms,rpm,lambda_v,cumulo,reducer_pressure_bar\n0,800,0.45,3,0.95\n");
    ASSERT_TRUE(viewer.OpenLog(QString::fromStdString(other)));
    EXPECT_EQ(viewer.ShownChannels(), (std::vector<int>{0, 1}));
    EXPECT_FALSE(viewer.ButtonRiproduci1->isEnabled());
    EXPECT_FALSE(viewer.ButtonRiproduci4->isEnabled());
}

TEST(LogViewer, ReplayFromTheLiveWindowAtFourTimes) {
    LiveBench b;
    ScratchDir dir;
    const std::string path = WriteDrive(dir);
    auto w = b.Open();
    ModalWatcher watcher([&](QWidget& modal) {
        auto* viewer = qobject_cast<TFormRegistrazioni*>(&modal);
        ASSERT_NE(viewer, nullptr);
        ASSERT_TRUE(viewer->OpenLog(QString::fromStdString(path)));
        viewer->ButtonRiproduci4->click();
    });
    w->ButtonLog->click();
    EXPECT_EQ(watcher.seen, QStringLiteral("FormRegistrazioni"));
    ASSERT_TRUE(w->Replaying());
    b.ecu.ClearRequests();
    // 600 ms of the log per 150 ms tick: three rows a tick after the first.
    EXPECT_EQ(w->Values().rpm, 1000);
    Tick(*w);
    EXPECT_EQ(w->Values().rpm, 1300);
    EXPECT_EQ(w->ReplayedRows(), 4);
    Tick(*w, 3);
    EXPECT_EQ(w->Values().rpm, 1900);
    EXPECT_EQ(w->ReplayedRows(), 10);
    // The replay does not talk to the ECU.
    EXPECT_EQ(b.RecordReads(), 0);
}

TEST(LogViewer, TheMainWindowsFileMenuReplaysInTheLiveWindow) {
    LiveBench b;
    ScratchDir dir;
    const std::string path = WriteDrive(dir);
    int32_t shownRpm = 0;
    bool replaying = false;
    std::unique_ptr<ModalWatcher> live;
    ModalWatcher viewer([&](QWidget& modal) {
        auto* form = qobject_cast<TFormRegistrazioni*>(&modal);
        ASSERT_NE(form, nullptr);
        ASSERT_TRUE(form->OpenLog(QString::fromStdString(path)));
        live = std::make_unique<ModalWatcher>([&](QWidget& next) {
            auto* window = qobject_cast<TFormVisualizza*>(&next);
            ASSERT_NE(window, nullptr);
            replaying = window->Replaying();
            shownRpm = window->Values().rpm;
            window->ButtonEsci->click();
        });
        form->ButtonRiproduci1->click();
    });
    b.ecu.ClearRequests();
    b.form->MenuRegistrazioni->trigger();
    EXPECT_EQ(viewer.seen, QStringLiteral("FormRegistrazioni"));
    ASSERT_NE(live, nullptr);
    EXPECT_EQ(live->seen, QStringLiteral("FormVisualizza"));
    EXPECT_TRUE(replaying);
    EXPECT_GE(shownRpm, 1000);
    EXPECT_EQ(b.RecordReads(), 0);
}

}  // namespace
}  // namespace zov::test
