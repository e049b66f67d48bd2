#pragma once

#include <QString>
#include <QWidget>
#include <memory>

namespace zov {
class TModuloLingua;
}

// The actuator test and the functional diagnosis windows on the ECU simulator.
namespace zov::shots {

// The actuator test on a car at rest in diagnosis mode, the large motor and the gas solenoid
// valve switched on, the reducer pressure read a few times.
std::unique_ptr<QWidget> ActuatorTestWindow(const QString& dist, TModuloLingua& dictionary);
// The functional diagnosis with two checks tripped and the last one disabled.
std::unique_ptr<QWidget> FunctionalDiagnosisWindow(const QString& dist, TModuloLingua& dictionary);

}  // namespace zov::shots
