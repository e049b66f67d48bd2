#pragma once

#include <QString>
#include <QWidget>
#include <memory>

namespace zov {
class TModuloLingua;
}

// The parameter editor and the ECU management menu on the ECU simulator, as the program shows them.
namespace zov::shots {

// The editor filling the screen on page `page` (its objectName), after a session with a simulated
// ECU of four or eight self-adaptation zones was opened and loaded; `outOfArchive`: as F5 opens it,
// with the kit instructions button.
std::unique_ptr<QWidget> ParameterEditor(const QString& dist, TModuloLingua& dictionary, const QString& page,
                                         bool eightZones = false, bool outOfArchive = false);
// The management menu over the middle of the screen.
std::unique_ptr<QWidget> ManagementMenu(const QString& dist, TModuloLingua& dictionary);

}  // namespace zov::shots
