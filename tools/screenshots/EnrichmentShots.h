#pragma once

#include <QString>
#include <QWidget>
#include <memory>

namespace zov {
class TModuloLingua;
}

// The enrichment page with its live marker, and the value entry dialog in its two modes, on the
// ECU simulator.
namespace zov::shots {

// The parameter editor filling the screen on "Mappa TPS", the simulated car on its drive cycle
// just after a throttle opening, the marker on the operating point and a rectangle selected.
std::unique_ptr<QWidget> EnrichmentPageLive(const QString& dist, TModuloLingua& dictionary);
// The value entry dialog as the enrichment page opens it on one cell, or as the map grid editor
// opens it on a rectangle of the main map in "Proporzionale".
std::unique_ptr<QWidget> ValueEntryDialog(const QString& dist, TModuloLingua& dictionary,
                                          bool mainMapRectangle);

}  // namespace zov::shots
