#pragma once

#include <QString>
#include <QWidget>
#include <memory>

namespace zov {
class TModuloLingua;
}

// The archive update window and its copy window.
namespace zov::shots {

// The update window with a disc found, so every source button is offered.
std::unique_ptr<QWidget> UpdateWindow(const QString& dist, TModuloLingua& dictionary);
// The copy window halfway through a copy.
std::unique_ptr<QWidget> CopyWindow(TModuloLingua& dictionary);

}  // namespace zov::shots
