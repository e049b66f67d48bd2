#pragma once

#include <QString>
#include <QWidget>
#include <memory>

namespace zov {
class TModuloLingua;
}

// The map grid editor in its two modes, on the ECU simulator.
namespace zov::shots {

// Edit mode on a shaped map with a rectangle selected, or the automatic mapping on the simulated
// car's drive cycle with the first zones acquired.
std::unique_ptr<QWidget> MapEditor(const QString& dist, TModuloLingua& dictionary, bool mapping);

}  // namespace zov::shots
