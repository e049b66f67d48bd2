#pragma once

#include <QString>
#include <QWidget>
#include <memory>

// The main window and the windows it opens, on the ECU simulator, as the program shows them.
// Each returns the window to grab; whatever it needs lives exactly as long as that window.
namespace zov::shots {

// The main window filling the screen, in dictionary language `language`, before or after a
// session with the simulated ECU was opened and loaded.
std::unique_ptr<QWidget> MainWindow(const QString& dist, int language, bool connected);
// The ECU data dialog after the load.
std::unique_ptr<QWidget> EcuDataDialog(const QString& dist, int language);
// The whole screen half-way through the connect-time load: the progress window over the main
// window.
std::unique_ptr<QWidget> LoadingProgress(const QString& dist, int language);

}  // namespace zov::shots
