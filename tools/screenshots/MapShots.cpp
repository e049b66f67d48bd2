#include "MapShots.h"

#include <QFile>
#include <QGuiApplication>
#include <QScreen>
#include <QTemporaryDir>
#include <QTimer>

#include "AppContext.h"
#include "Clock.h"
#include "EcuSimulator.h"
#include "EngineModel.h"
#include "MapGrid.h"
#include "Prompter.h"
#include "SimulatedLine.h"
#include "TFormMappa.h"
#include "TModuloLingua.h"

namespace zov::shots {
namespace {

constexpr int64_t kSecond = 1'000'000;

// The program's objects on a loaded simulated ECU whose car runs its drive cycle, owned by the
// window that uses them.
class MappingBench : public QObject {
  public:
    explicit MappingBench(const QString& dist) : ecu(Config()), line(ecu, clock) {
        context = std::make_unique<AppContext>(clock, prompter, line, settings.path(),
                                               QFile::encodeName(dist).toStdString());
        if (context->link.Connect()) context->model.ReadFromEcu();
        // A map with the shape a running car has: more fuel with pressure and speed.
        for (int row = 0; row < 16; ++row)
            for (int column = 0; column < 20; ++column)
                context->map.SetCell(
                    row, column, 120 + row * 22 + column * 6 - (column > 12 ? (column - 12) * 9 : 0), true);
        context->map.SetCellModified(4, 6, 1);
        context->map.SetCellModified(4, 7, 1);
    }
    ~MappingBench() override {
        if (context->link.IsConnected()) context->link.Disconnect();
    }
    static sim::EcuConfig Config() {
        sim::EcuConfig config;
        config.engine.mode = sim::DriveMode::DriveCycle;
        return config;
    }

    VirtualClock clock;
    sim::EcuSimulator ecu;
    sim::SimulatedLine line;
    ScriptedPrompter prompter;
    QTemporaryDir settings;
    std::unique_ptr<AppContext> context;
};

}  // namespace

std::unique_ptr<QWidget> MapEditor(const QString& dist, TModuloLingua& dictionary, bool mapping) {
    auto* bench = new MappingBench(dist);
    const double cycle = sim::EngineModel::kIdleSeconds + 8 * sim::EngineModel::kZoneSeconds;
    // The second round, warm, at idle; a mapping then runs into its fourth zone.
    bench->clock.AdvanceTo(int64_t(2 * cycle * kSecond));
    if (mapping) {
        bench->context->car.DEFAULT_REGISTRO_CONFIGURAZIONE |= 0x04;
        (void)bench->context->link.WriteVar(39, bench->context->car.DEFAULT_REGISTRO_CONFIGURAZIONE);
    }
    auto editor = std::make_unique<TFormMappa>(*bench->context, dictionary, mapping);
    bench->setParent(editor.get());
    editor->Timer1->stop();
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        editor->resize(screen->availableGeometry().size());
    editor->show();
    const int ticks =
        mapping ? int((sim::EngineModel::kIdleSeconds + 3.5 * sim::EngineModel::kZoneSeconds) * 10) : 40;
    for (int tick = 0; tick < ticks; ++tick) {
        bench->clock.Advance(TFormMappa::kTimerInterval * 1000);
        editor->Timer1Timer();
    }
    if (!mapping) {
        bench->context->map.cellLocks.Toggle(10, 11, 2, 4);
        editor->Grid().SetSelection(7, 5, 9, 7);
    }
    return editor;
}

}  // namespace zov::shots
