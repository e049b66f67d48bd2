#pragma once

#include <QString>
#include <QWidget>
#include <memory>

namespace zov {
class TModuloLingua;
}

namespace zov::shots {

// "Anteprima": the five report pages of the simulated ECU's configuration in the print preview,
// titled in the dictionary's language as the main window titles it.
std::unique_ptr<QWidget> ReportPreview(const QString& dist, TModuloLingua& dictionary);

}  // namespace zov::shots
