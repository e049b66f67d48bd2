#include "ChartShots.h"

#include <QFile>
#include <QTemporaryDir>
#include <vector>

#include "AppContext.h"
#include "Clock.h"
#include "EcuSimulator.h"
#include "MapChangeLimit.h"
#include "MapFit.h"
#include "Prompter.h"
#include "SimulatedLine.h"
#include "TFormGrafico.h"
#include "TModuloLingua.h"

namespace zov::shots {
namespace {

// The program's objects on a loaded simulated ECU. A child of the window that uses it, so it goes
// after the window's own parts.
class ChartBench : public QObject {
  public:
    explicit ChartBench(const QString& dist) : line(ecu, clock) {
        context = std::make_unique<AppContext>(clock, prompter, line, settings.path(),
                                               QFile::encodeName(dist).toStdString());
        if (context->link.Connect()) {
            context->model.ReadFromEcu();
            context->car.ReadAdaptation();
        }
    }
    ~ChartBench() override {
        if (context->link.IsConnected()) context->link.Disconnect();
    }

    VirtualClock clock;
    sim::EcuSimulator ecu;
    sim::SimulatedLine line;
    ScriptedPrompter prompter;
    QTemporaryDir settings;
    std::unique_ptr<AppContext> context;
};

// Points a drive might bring back: leaner at low load, richer at high load than the map had.
std::vector<ConfMap::MappingPoint> DrivePoints(const ConfMap& map) {
    struct Spot {
        int row, col, delta;
    };
    const Spot spots[] = {{3, 2, -25}, {5, 3, -10},  {2, 7, -20},  {3, 11, -15}, {7, 11, 5},  {4, 16, 10},
                          {13, 2, 40}, {14, 10, 55}, {12, 16, 70}, {9, 6, 15},   {0, 0, -30}, {15, 19, 90}};
    std::vector<ConfMap::MappingPoint> points;
    for (const Spot& s : spots)
        points.push_back({map.GetRpm(s.col), map.GetMap(s.row), map.GetCell(s.row, s.col) + s.delta});
    return points;
}

}  // namespace

std::unique_ptr<QWidget> MapChart(const QString& dist, TModuloLingua& dictionary) {
    auto* bench = new ChartBench(dist);
    ConfMap& map = bench->context->map;
    map.SaveBackup();
    const MapCells start = CellsOfMap(map);
    FitMapToPoints(map, DrivePoints(map));
    // A locked cell and the cap on change, as a mapping's fit leaves them.
    map.cellLocks.Set(14, 10, true);
    const MapChangeLimit limit = LimitMapChange(map, start, 25, map.cellLocks);
    auto chart = std::make_unique<TFormGrafico>(*bench->context, dictionary);
    chart->SetCapped(limit.capped);
    bench->setParent(chart.get());
    chart->show();
    return chart;
}

}  // namespace zov::shots
