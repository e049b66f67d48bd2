#pragma once

#include <QSize>
#include <QString>
#include <QWidget>
#include <memory>

// The main window and the windows it opens, on the ECU simulator, as the program shows them.
// Each returns the window to grab; whatever it needs lives exactly as long as that window.
namespace zov::shots {

// The main window at the stored `size` (empty: filling the screen; a size below the window's
// content is raised to it), in dictionary language `language`, before or after a session with the
// simulated ECU was opened and loaded.
std::unique_ptr<QWidget> MainWindow(const QString& dist, int language, bool connected, QSize size = {});
// The ECU data dialog after the load.
std::unique_ptr<QWidget> EcuDataDialog(const QString& dist, int language);
// The whole screen half-way through the connect-time load: the progress window over the main
// window.
std::unique_ptr<QWidget> LoadingProgress(const QString& dist, int language);
// The whole screen with the connected main window and one of its menus open ("MenuFile" or
// "MenuVaiA"), to show which items are enabled.
std::unique_ptr<QWidget> MainWindowMenu(const QString& dist, int language, const QString& menu);
// The whole screen while F5 asks for the fuel: the fuel choice over the main window, preset to
// the ECU's fuel.
std::unique_ptr<QWidget> FuelChoice(const QString& dist, int language);

}  // namespace zov::shots
