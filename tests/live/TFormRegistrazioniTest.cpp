// The log viewer: channels, the cursor reading every channel, zoom and pan, a bad file refused,
// and the way back to the live window for a replay.
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <QValueAxis>

#include "EcuVariables.h"
#include "LiveLogFormat.h"
#include "LiveLogWriter.h"
#include "LiveRecord.h"
#include "LiveSupport.h"
#include "LogChartView.h"
#include "LogScatterView.h"
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
    // Nothing open yet: the window says what to do.
    EXPECT_TRUE(viewer.LabSuggerimento->isVisible());
    EXPECT_EQ(viewer.LabSuggerimento->text(), b.Dict("LabSuggerimento", 70));
    ASSERT_TRUE(viewer.OpenLog(QString::fromStdString(path)));
    EXPECT_FALSE(viewer.LabSuggerimento->isVisible());
    EXPECT_EQ(viewer.ListCanali->count(), 14);
    // Channels by their names and units in the window's language, never the file's column names.
    EXPECT_EQ(viewer.ListCanali->item(0)->text(), b.Dict("CanaleGiri", 40));
    EXPECT_EQ(viewer.ChannelName(11), b.Dict("CanaleTempRiduttore", 40));
    // rpm, lambda and manifold pressure to start with; the installer adds the TPS.
    EXPECT_EQ(viewer.ShownChannels(), (std::vector<int>{0, 1, 3}));
    viewer.ShowChannel(2, true);
    EXPECT_EQ(viewer.ShownChannels(), (std::vector<int>{0, 1, 2, 3}));
    int plotted = 0;
    for (const QAbstractSeries* series : viewer.PaneView(0)->chart()->series())
        plotted += series->isVisible();
    EXPECT_EQ(plotted, 4);

    // Between two rows the cursor reads the earlier one, every channel of it.
    viewer.SetCursor(650);
    const QString text = viewer.LabCursore->text();
    EXPECT_TRUE(text.startsWith(QStringLiteral("t 0.650 s"))) << text.toStdString();
    const auto reads = [&](int channel, const char* value) {
        return text.contains(viewer.ChannelName(channel) + " " + value);
    };
    EXPECT_TRUE(reads(0, "1300 ")) << text.toStdString();
    EXPECT_TRUE(reads(1, "0.3 ")) << text.toStdString();
    EXPECT_TRUE(reads(3, "0.6 ")) << text.toStdString();
    EXPECT_TRUE(reads(11, "- ")) << text.toStdString();
    EXPECT_TRUE(text.endsWith(viewer.ChannelName(13) + " 0")) << text.toStdString();

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
    QChart* chart = viewer.PaneView(0)->chart();
    ASSERT_GT(chart->plotArea().width(), 100) << "the plot is laid out";
    // Half way up the plot, at 1.3 s.
    const QPointF at(chart->mapToPosition(QPointF(1.3, 0), chart->series().front()).x(),
                     chart->plotArea().center().y());
    QTest::mouseClick(viewer.PaneView(0)->viewport(), Qt::LeftButton, {},
                      viewer.PaneView(0)->mapFromScene(chart->mapToScene(at)));
    EXPECT_NEAR(double(viewer.CursorTime()), 1300.0, 10.0);
    EXPECT_TRUE(viewer.LabCursore->text().contains(viewer.ChannelName(0) + " 1600"))
        << viewer.LabCursore->text().toStdString();
}

int PlottedSeries(const TFormRegistrazioni& viewer, int pane) {
    int plotted = 0;
    for (const QAbstractSeries* series : viewer.PaneView(pane)->chart()->series())
        plotted += series->isVisible();
    return plotted;
}

TEST(LogViewer, PanesShareTheTimeAxisAndAreRemembered) {
    LiveBench b;
    ScratchDir dir;
    const std::string path = WriteDrive(dir);
    {
        TFormRegistrazioni viewer(*b.context, b.Dictionary());
        viewer.resize(900, 700);
        viewer.show();
        ASSERT_TRUE(viewer.OpenLog(QString::fromStdString(path)));
        EXPECT_EQ(viewer.PaneCount(), 1);
        viewer.SpinRiquadri->setValue(3);
        ASSERT_EQ(viewer.PaneCount(), 3);
        EXPECT_EQ(viewer.ComboRiquadro->count(), 3);
        viewer.ComboRiquadro->setCurrentIndex(1);
        EXPECT_TRUE(viewer.ShownChannels().empty());
        viewer.ListCanali->item(8)->setCheckState(Qt::Checked);  // the opening, in pane 2
        viewer.ChoosePane(2);
        viewer.ShowChannel(2, true);
        EXPECT_EQ(PlottedSeries(viewer, 0), 3);
        EXPECT_EQ(PlottedSeries(viewer, 1), 1);
        EXPECT_EQ(PlottedSeries(viewer, 2), 1);
        // One zoom moves every pane.
        viewer.Zoom(2);
        for (int pane = 0; pane < 3; ++pane) {
            const auto* time =
                qobject_cast<QValueAxis*>(viewer.PaneView(pane)->chart()->axes(Qt::Horizontal).front());
            ASSERT_NE(time, nullptr);
            EXPECT_NEAR(time->min(), 0.45, 1e-9) << pane;
            EXPECT_NEAR(time->max(), 1.35, 1e-9) << pane;
        }
    }
    // The next viewer, and the next log, come with the same panes.
    TFormRegistrazioni again(*b.context, b.Dictionary());
    ASSERT_TRUE(again.OpenLog(QString::fromStdString(path)));
    ASSERT_EQ(again.PaneCount(), 3);
    EXPECT_EQ(PlottedSeries(again, 1), 1);
    again.ChoosePane(1);
    EXPECT_EQ(again.ShownChannels(), (std::vector<int>{8}));
    again.ChoosePane(2);
    EXPECT_EQ(again.ShownChannels(), (std::vector<int>{2}));
}

TEST(LogViewer, TheScatterShowsTheSpanOnViewOverTheMapsBreakpoints) {
    LiveBench b;
    ScratchDir dir;
    for (int c = 0; c < ConfMap::kCols; ++c) b.context->map.SetRpm(c, 1000 + 100 * c);
    for (int r = 0; r < ConfMap::kRows; ++r) b.context->map.CM[r] = 0;
    b.context->map.CM[0] = 51;
    const std::string path = WriteDrive(dir);
    TFormRegistrazioni viewer(*b.context, b.Dictionary());
    viewer.resize(900, 600);
    viewer.show();
    ASSERT_TRUE(viewer.OpenLog(QString::fromStdString(path)));
    viewer.Schede->setCurrentWidget(viewer.PageDispersione);
    QApplication::processEvents();
    // rpm against manifold pressure, coloured by lambda, to start with.
    EXPECT_EQ(viewer.ComboAsseX->currentText(), viewer.ChannelName(0));
    EXPECT_EQ(viewer.ComboAsseY->currentText(), viewer.ChannelName(3));
    EXPECT_EQ(viewer.ComboColore->currentText(), viewer.ChannelName(1));
    const ScatterPicture& all = viewer.Dispersione->Picture();
    int rows = 0;
    for (const ScatterBinner::Bin& bin : all.bins) rows += bin.count;
    EXPECT_EQ(rows, 10);
    EXPECT_EQ(all.xGrid.size(), size_t(ConfMap::kCols));
    EXPECT_EQ(all.xGrid.front(), 1000.0);
    EXPECT_EQ(all.yGrid,
              (std::vector<double>{ManifoldPressure(51, b.context->car.TIPO_SENSORE_MAP) / 100.0}));
    // Zoomed to 0.45 .. 1.35 s: the four rows of 0.6 to 1.2 s.
    viewer.Zoom(2);
    rows = 0;
    for (const ScatterBinner::Bin& bin : viewer.Dispersione->Picture().bins) rows += bin.count;
    EXPECT_EQ(rows, 4);
    // Lambda against TPS: a channel without map breakpoints has no grid.
    viewer.ComboAsseX->setCurrentIndex(1);
    EXPECT_TRUE(viewer.Dispersione->Picture().xGrid.empty());
}

TEST(LogViewer, MarkersAreListedAndReached) {
    LiveBench b;
    ScratchDir dir;
    const std::string path = dir.File("marked.csv");
    std::string content = "t_ms,rpm\n";
    for (int i = 0; i < 100; ++i) {
        content += std::to_string(i * 100) + "," + std::to_string(800 + i) + "\n";
        if (i == 30) content += "#marker,1,3050\n";
        if (i == 80) content += "#marker,2,8000\n";
    }
    WriteFile(path, content);
    TFormRegistrazioni viewer(*b.context, b.Dictionary());
    ASSERT_TRUE(viewer.OpenLog(QString::fromStdString(path)));
    ASSERT_EQ(viewer.ListMarcatori->count(), 2);
    EXPECT_TRUE(viewer.ListMarcatori->item(1)->text().startsWith(b.Dict("TestoMarcatore", 20).arg(2)));
    viewer.Zoom(4);
    viewer.ListMarcatori->setCurrentRow(1);
    EXPECT_EQ(viewer.CursorTime(), 8000);
    EXPECT_NEAR((viewer.VisibleSpan().first + viewer.VisibleSpan().second) / 2, 8000.0, 1e-6);
    EXPECT_TRUE(viewer.LabCursore->text().contains(viewer.ChannelName(0) + " 880"))
        << viewer.LabCursore->text().toStdString();
    // A log without markers lists none.
    ASSERT_TRUE(viewer.OpenLog(QString::fromStdString(WriteDrive(dir))));
    EXPECT_EQ(viewer.ListMarcatori->count(), 0);
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
    EXPECT_EQ(viewer.Log().RowCount(), 10u);
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
