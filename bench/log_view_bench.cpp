// The log viewer on a log of real size: how long it takes to open and first paint, the slowest
// of 20 zooms and pans, and the memory the process holds afterwards.
//
// usage: log_view_bench LOG.csv [--shot PREFIX]
//   (make a log with tools' mklog: mklog drive.csv 28800 for 8 hours). With --shot, the viewer is
//   then saved as PREFIX-panes.png (three panes) and PREFIX-scatter.png (the scatter page, over
//   a map axis of typical breakpoints).
// Runs offscreen. Prints OPEN_MS=, FIRST_PAINT_MS= (open and paint together), FRAME_MS_MAX= and
// RSS_MB= on their own lines. Goals: 8 hours open and paint in under 1 s; no frame over 16 ms;
// memory under twice rows x channels x 4 bytes plus 60 MB.
#include <QApplication>
#include <QPixmap>
#include <QSpinBox>
#include <QTabWidget>
#include <QTemporaryDir>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "AppContext.h"
#include "Clock.h"
#include "Prompter.h"
#include "SerialDevice.h"
#include "TFormRegistrazioni.h"
#include "TModuloLingua.h"

namespace {

constexpr int kFrames = 20;
constexpr double kZoomIn = 2.0;
constexpr double kPanStep = 0.15;

double MsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

double ResidentMegabytes() {
    std::ifstream status("/proc/self/status");
    std::string key;
    while (status >> key) {
        if (key == "VmRSS:") {
            double kilobytes = 0;
            status >> kilobytes;
            return kilobytes / 1024.0;
        }
        status.ignore(1 << 10, '\n');
    }
    return 0;
}

// No ECU is needed to look at a log: a line that never opens.
class NoLine : public zov::SerialOpener {
  public:
    zov::OpenResult Open(const std::string&) override { return {}; }
};

// A map axis as a base map of a four-cylinder has it: 20 speeds, 16 manifold pressures.
void TypicalBreakpoints(zov::ConfMap& map) {
    for (int c = 0; c < zov::ConfMap::kCols; ++c) map.SetRpm(c, 800 + 300 * c);
    for (int r = 0; r < zov::ConfMap::kRows; ++r) map.SetMap(r, 60 + 25 * r);
}

bool SaveShots(zov::TFormRegistrazioni& viewer, QApplication& app, const std::string& prefix) {
    viewer.SpinRiquadri->setValue(3);
    viewer.ChoosePane(1);
    viewer.ShowChannel(viewer.Log().Channel("lambda_v"), true);
    viewer.ShowChannel(viewer.Log().Channel("opening"), true);
    viewer.ChoosePane(2);
    viewer.ShowChannel(viewer.Log().Channel("reducer_temp_c"), true);
    viewer.ShowChannel(viewer.Log().Channel("reducer_pressure_bar"), true);
    viewer.ChoosePane(0);
    viewer.ShowChannel(viewer.Log().Channel("lambda_v"), false);
    viewer.SetCursor(viewer.Log().times[viewer.Log().RowCount() / 2]);
    app.processEvents();
    bool saved = viewer.grab().save(QString::fromStdString(prefix + "-panes.png"));
    viewer.Schede->setCurrentWidget(viewer.PageDispersione);
    app.processEvents();
    saved = viewer.grab().save(QString::fromStdString(prefix + "-scatter.png")) && saved;
    return saved;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace zov;
    const bool shots = argc == 4 && std::string(argv[2]) == "--shot";
    if (argc != 2 && !shots) {
        std::fprintf(stderr, "usage: log_view_bench LOG.csv [--shot PREFIX]\n");
        return 2;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    SteadyClock clock;
    ScriptedPrompter prompter;
    NoLine line;
    QTemporaryDir settings;
    AppContext context(clock, prompter, line, settings.path(), ZOV_DIST_DIR);
    TModuloLingua dictionary(QStringLiteral(ZOV_DIST_DIR));
    dictionary.SelectLanguage(0);
    TFormRegistrazioni viewer(context, dictionary);
    viewer.resize(1280, 800);
    viewer.show();
    app.processEvents();

    auto start = std::chrono::steady_clock::now();
    if (!viewer.OpenLog(QString::fromLocal8Bit(argv[1]))) {
        std::fprintf(stderr, "log_view_bench: %s is not a readable log\n", argv[1]);
        return 1;
    }
    const double openMs = MsSince(start);
    app.processEvents();
    QPixmap shot = viewer.grab();
    const double firstPaintMs = MsSince(start);

    // Four channels on view: the three of a new viewer and the TPS.
    viewer.ShowChannel(viewer.Log().Channel("tps_v"), true);
    app.processEvents();
    shot = viewer.grab();
    double frameMax = 0;
    for (int frame = 0; frame < kFrames; ++frame) {
        start = std::chrono::steady_clock::now();
        if (frame % 2 == 0)
            viewer.Zoom(frame < kFrames / 2 ? kZoomIn : 1.0 / kZoomIn);
        else
            viewer.Pan(frame % 4 == 1 ? kPanStep : -kPanStep);
        app.processEvents();
        shot = viewer.grab();
        frameMax = std::max(frameMax, MsSince(start));
        if (std::getenv("LOG_VIEW_FRAMES") != nullptr)
            std::printf("frame %d: %.1f ms\n", frame, MsSince(start));
    }
    std::printf("ROWS=%zu\nCHANNELS=%zu\n", viewer.Log().RowCount(), viewer.Log().ChannelCount());
    std::printf("OPEN_MS=%.1f\nFIRST_PAINT_MS=%.1f\nFRAME_MS_MAX=%.1f\nRSS_MB=%.1f\n", openMs, firstPaintMs,
                frameMax, ResidentMegabytes());
    if (shots) {
        TypicalBreakpoints(context.map);
        if (!SaveShots(viewer, app, argv[3])) {
            std::fprintf(stderr, "log_view_bench: the pictures could not be saved as %s-*.png\n", argv[3]);
            return 1;
        }
    }
    return 0;
}
