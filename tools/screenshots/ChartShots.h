#pragma once

#include <QString>
#include <QWidget>
#include <memory>

namespace zov {
class TModuloLingua;
}

// The map chart on the ECU simulator, as the map editor opens it after a fit.
namespace zov::shots {

// The chart filling the screen: the simulated ECU's map fitted to a drive's points, the map before
// the fit dashed beside it.
std::unique_ptr<QWidget> MapChart(const QString& dist, TModuloLingua& dictionary);

}  // namespace zov::shots
