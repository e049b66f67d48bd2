#pragma once

#include <QString>
#include <QWidget>
#include <memory>

namespace zov {
class TModuloLingua;
}

// The live data window and the datalog viewer, on the ECU simulator's car driving its cycle.
namespace zov::shots {

// The live data window on a warm engine in the mapping tour, recording.
std::unique_ptr<QWidget> LiveWindow(const QString& dist, TModuloLingua& dictionary);
// The viewer on a minute of that drive, the cursor in the middle.
std::unique_ptr<QWidget> LogViewer(const QString& dist, TModuloLingua& dictionary);

}  // namespace zov::shots
