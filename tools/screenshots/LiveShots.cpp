#include "LiveShots.h"

#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include "AppContext.h"
#include "Clock.h"
#include "EcuSimulator.h"
#include "EngineModel.h"
#include "Prompter.h"
#include "SimulatedLine.h"
#include "TFormRegistrazioni.h"
#include "TFormVisualizza.h"
#include "TModuloLingua.h"

namespace zov::shots {
namespace {

constexpr int64_t kSecond = 1'000'000;

// The program's objects on a loaded simulated ECU whose car runs its drive cycle, recordings in a
// folder of its own. A child of the window that uses it, so it goes after the window's own parts.
class LiveBench : public QObject {
  public:
    explicit LiveBench(const QString& dist) : ecu(Config()), line(ecu, clock) {
        context = std::make_unique<AppContext>(clock, prompter, line, settings.path(),
                                               QFile::encodeName(dist).toStdString());
        context->global.SetPath(GlobalData::kMainPath, QFile::encodeName(runtime.path()).toStdString());
        if (context->link.Connect()) context->model.ReadFromEcu();
        // Warm, in the second tour of the mapping zones.
        const double cycle = sim::EngineModel::kIdleSeconds + 8 * sim::EngineModel::kZoneSeconds;
        clock.AdvanceTo(int64_t((3 * cycle + sim::EngineModel::kIdleSeconds + 2.5) * kSecond));
    }
    ~LiveBench() override {
        if (context->link.IsConnected()) context->link.Disconnect();
    }
    static sim::EcuConfig Config() {
        sim::EcuConfig config;
        config.engine.mode = sim::DriveMode::DriveCycle;
        config.engine.warmUpSeconds = 30;
        return config;
    }
    void Run(TFormVisualizza& window, int ticks) {
        for (int tick = 0; tick < ticks; ++tick) {
            clock.Advance(TFormVisualizza::kRefreshMs * 1000);
            window.Timer1Timer();
        }
    }

    VirtualClock clock;
    sim::EcuSimulator ecu;
    sim::SimulatedLine line;
    ScriptedPrompter prompter;
    QTemporaryDir settings;
    QTemporaryDir runtime;
    std::unique_ptr<AppContext> context;
};

}  // namespace

std::unique_ptr<QWidget> LiveWindow(const QString& dist, TModuloLingua& dictionary) {
    auto* bench = new LiveBench(dist);
    auto window = std::make_unique<TFormVisualizza>(*bench->context, dictionary);
    bench->setParent(window.get());
    window->Timer1->stop();
    window->show();
    window->ButtonRegistra->click();
    bench->Run(*window, 60);
    return window;
}

std::unique_ptr<QWidget> LogViewer(const QString& dist, TModuloLingua& dictionary) {
    auto* bench = new LiveBench(dist);
    std::string path;
    {
        TFormVisualizza window(*bench->context, dictionary);
        window.Timer1->stop();
        window.ButtonRegistra->click();
        bench->Run(window, 400);
        path = window.Recording().Path();
    }
    auto viewer = std::make_unique<TFormRegistrazioni>(*bench->context, dictionary);
    bench->setParent(viewer.get());
    viewer->show();
    viewer->OpenLog(QFile::decodeName(QByteArray::fromStdString(path)));
    viewer->ShowChannel(2, true);
    viewer->SetCursor(viewer->Log().times[viewer->Log().times.size() / 2]);
    return viewer;
}

}  // namespace zov::shots
