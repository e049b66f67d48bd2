// The map editor's 100 ms tick in automatic mapping, on the simulated car's drive cycle, against
// the record exchange alone on the same in-process line: the difference is what the tick costs
// beyond the line (decoding, acquisition, cursor, labels and the repaint of what changed).
//
// usage: map_tick_bench [Google Benchmark options]
// Prints the usual table, then the tick's CPU time beyond the exchange. Goal: <= 2 ms.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <map>
#include <memory>
#include <string>

#include "AppContext.h"
#include "Clock.h"
#include "EcuSimulator.h"
#include "MapEditorLive.h"
#include "Prompter.h"
#include "SimulatedLine.h"
#include "TFormMappa.h"
#include "TModuloLingua.h"

namespace zov {
namespace {

constexpr int64_t kTickUs = 100'000;
constexpr int64_t kWarmIdleUs = 116'000'000;  // the drive cycle's second round

sim::EcuConfig DriveCycle() {
    sim::EcuConfig config;
    config.engine.mode = sim::DriveMode::DriveCycle;
    return config;
}

// The program's objects on a simulated ECU, and the window in mapping mode, started.
struct Bench {
    Bench() : ecu(DriveCycle()), line(ecu, clock), dictionary(QStringLiteral(ZOV_DIST_DIR)) {
        context = std::make_unique<AppContext>(clock, prompter, line, settings.path(), ZOV_DIST_DIR);
        context->link.Connect();
        context->model.ReadFromEcu();
        context->car.DEFAULT_REGISTRO_CONFIGURAZIONE |= 0x04;
        (void)context->link.WriteVar(39, context->car.DEFAULT_REGISTRO_CONFIGURAZIONE);
        clock.AdvanceTo(kWarmIdleUs);
        editor = std::make_unique<TFormMappa>(*context, dictionary, true);
        editor->Timer1->stop();
        editor->show();
        for (int i = 0; i < 45; ++i) Tick();
    }
    void Tick() {
        clock.Advance(kTickUs);
        editor->Timer1Timer();
        QApplication::processEvents();
    }

    VirtualClock clock;
    sim::EcuSimulator ecu;
    sim::SimulatedLine line;
    ScriptedPrompter prompter;
    QTemporaryDir settings;
    TModuloLingua dictionary;
    std::unique_ptr<AppContext> context;
    std::unique_ptr<TFormMappa> editor;
};

// Made on first use and taken down before the application object goes.
std::unique_ptr<Bench> shared;

Bench& Shared() {
    if (!shared) shared = std::make_unique<Bench>();
    return *shared;
}

std::map<std::string, double> cpuNs;

void BM_Tick(benchmark::State& state) {
    Bench& b = Shared();
    for (auto _ : state) b.Tick();
    state.counters["zone points"] = double(b.context->map.mappingPoints.size());
}
BENCHMARK(BM_Tick)->Unit(benchmark::kMicrosecond);

void BM_ExchangeAlone(benchmark::State& state) {
    Bench& b = Shared();
    int32_t record[MapEditorLive::kRecordCapacity] = {};
    for (auto _ : state) {
        b.clock.Advance(kTickUs);
        benchmark::DoNotOptimize(b.context->link.ReadRecord(MapEditorLive::kMappingRecord, record,
                                                            MapEditorLive::kRecordCapacity, 3, 2));
    }
}
BENCHMARK(BM_ExchangeAlone)->Unit(benchmark::kMicrosecond);

class Collector : public benchmark::ConsoleReporter {
  public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) cpuNs[run.benchmark_name()] = run.GetAdjustedCPUTime() * 1000.0;
    }
};

}  // namespace
}  // namespace zov

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    zov::Collector reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const double tick = zov::cpuNs["BM_Tick"];
    const double exchange = zov::cpuNs["BM_ExchangeAlone"];
    if (tick > 0 && exchange > 0)
        std::printf("tick beyond the exchange: %.3f ms CPU (tick %.3f ms, exchange %.3f ms; goal <= 2 ms)\n",
                    (tick - exchange) / 1e6, tick / 1e6, exchange / 1e6);
    zov::shared.reset();
    benchmark::Shutdown();
    return 0;
}
