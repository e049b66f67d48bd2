#pragma once

#include <QString>
#include <QWidget>
#include <memory>

namespace zov {
class TModuloLingua;
}

// The customer archive window and its search dialog on a small sample archive.
namespace zov::shots {

// The window on the second of a few customers.
std::unique_ptr<QWidget> CustomerWindow(const QString& dist, TModuloLingua& dictionary);
// The search dialog as "Ricerca" opens it, on the city.
std::unique_ptr<QWidget> CustomerSearchDialog(const QString& dist, TModuloLingua& dictionary);

}  // namespace zov::shots
