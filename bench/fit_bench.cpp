// The map fit at its largest (a point in every one of the 320 cells: N = 323) against LAPACK's
// dgesv on the very same matrix, in one run.
//
// usage: fit_bench [Google Benchmark options]
// Prints the usual benchmark table, then the CPU time of the whole fit and of the solver alone
// as multiples of dgesv's. Goal: fit / dgesv <= 1.5.
#include <benchmark/benchmark.h>
#include <lapacke.h>

#include <cmath>
#include <cstdio>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "Clock.h"
#include "ComInj.h"
#include "ConfCar.h"
#include "ConfMap.h"
#include "MapFit.h"
#include "Prompter.h"
#include "TermiosSerial.h"

namespace zov {
namespace {

// The model objects the fit works on; the link is never opened.
struct Model {
    SteadyClock clock;
    TermiosOpener opener;
    ScriptedPrompter prompter;
    ComInj link{0, 5, opener, clock, prompter};
    ConfMap map{link, car, "filemap0.map"};
    ConfCar car{link, "fileh0.h", prompter};
};

// One point somewhere inside every cell, its value a smooth map with some noise.
std::vector<ConfMap::MappingPoint> PointInEveryCell(const ConfMap& map) {
    std::mt19937 random(323);
    std::vector<ConfMap::MappingPoint> points;
    for (int r = 0; r < ConfMap::kRows; ++r)
        for (int c = 0; c < ConfMap::kCols; ++c) {
            const int32_t rpmFrom = map.ColumnBoundary(c) + 1, rpmTo = map.ColumnBoundary(c + 1);
            const int32_t mapFrom = map.RowBoundary(r) + 1, mapTo = map.RowBoundary(r + 1);
            const int32_t rpm = rpmFrom + int32_t(random() % uint32_t(rpmTo - rpmFrom + 1));
            const int32_t value = 100 + 20 * r + 8 * c + int32_t(random() % 41) - 20;
            points.push_back({rpm, mapFrom + int32_t(random() % uint32_t(mapTo - mapFrom + 1)), value});
        }
    return points;
}

struct Fixture {
    Model model;
    std::vector<ConfMap::MappingPoint> points = PointInEveryCell(model.map);
    MapFitSystem system = *BuildMapFitSystem(model.map, GroupMapFitPoints(model.map, points));
};

Fixture& Shared() {
    static Fixture fixture;
    return fixture;
}

void BM_FitMapToPoints(benchmark::State& state) {
    Fixture& f = Shared();
    for (auto _ : state) benchmark::DoNotOptimize(FitMapToPoints(f.model.map, f.points));
}

void BM_SolveLinearSystem(benchmark::State& state) {
    const MapFitSystem& system = Shared().system;
    std::vector<double> s(size_t(system.Size()));
    for (auto _ : state) {
        std::vector<double> a = system.matrix, b = system.rhs;
        if (!SolveLinearSystem(system.Size(), a, b, s)) state.SkipWithError("singular");
        benchmark::DoNotOptimize(s.data());
    }
}

void BM_LapackDgesv(benchmark::State& state) {
    const MapFitSystem& system = Shared().system;
    const lapack_int n = system.Size();
    std::vector<lapack_int> pivots(static_cast<size_t>(n));
    for (auto _ : state) {
        // The matrix is symmetric: column-major spares LAPACKE a transposed copy.
        std::vector<double> a = system.matrix, b = system.rhs;
        if (LAPACKE_dgesv(LAPACK_COL_MAJOR, n, 1, a.data(), n, pivots.data(), b.data(), n) != 0)
            state.SkipWithError("dgesv failed");
        benchmark::DoNotOptimize(b.data());
    }
}

BENCHMARK(BM_FitMapToPoints)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SolveLinearSystem)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LapackDgesv)->Unit(benchmark::kMillisecond);

// Keeps each benchmark's CPU time per iteration for the ratios.
class Collector : public benchmark::ConsoleReporter {
  public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs)
            if (!run.error_occurred) cpu[run.benchmark_name()] = run.GetAdjustedCPUTime();
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> cpu;
};

}  // namespace
}  // namespace zov

int main(int argc, char** argv) {
    using namespace zov;
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    std::printf("groups: %zu, N = %d\n", Shared().system.x.size(), Shared().system.Size());
    Collector collector;
    benchmark::RunSpecifiedBenchmarks(&collector);
    benchmark::Shutdown();
    const auto& cpu = collector.cpu;
    if (!cpu.count("BM_FitMapToPoints") || !cpu.count("BM_SolveLinearSystem") ||
        !cpu.count("BM_LapackDgesv")) {
        std::fprintf(stderr, "fit_bench: a benchmark did not run, no ratio\n");
        return 1;
    }
    const double dgesv = cpu.at("BM_LapackDgesv");
    std::printf("fit / dgesv: %.2f (goal <= 1.5)\n", cpu.at("BM_FitMapToPoints") / dgesv);
    std::printf("solver alone / dgesv: %.2f\n", cpu.at("BM_SolveLinearSystem") / dgesv);
    return 0;
}
