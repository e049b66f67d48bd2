#pragma once

#include <QString>
#include <QWidget>
#include <memory>

namespace zov {
class TModuloLingua;
}

// The vehicle archive and its instruction viewer on the runtime folder's sample archive.
namespace zov::shots {

// The archive in browsing (F3) or installation (F1) mode, every brand open, a vehicle selected.
std::unique_ptr<QWidget> VehicleArchive(const QString& dist, TModuloLingua& dictionary, bool installation);
// A vehicle's instruction sheet in the viewer, in the current language (Italian when it has none).
std::unique_ptr<QWidget> InstructionViewer(const QString& dist, TModuloLingua& dictionary);

}  // namespace zov::shots
