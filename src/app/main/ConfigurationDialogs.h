#pragma once

#include <QString>
#include <functional>

class QFileDialog;
class QWidget;

namespace zov {

// Runs a configuration file dialog and returns the chosen path, empty when cancelled.
using FileChooser = std::function<QString(QFileDialog& dialog)>;

// The main window's pair of configuration file dialogs ("OpenDialog" and "SaveDialog"), created
// over `parent` on first use with `folder` (made if missing) as their first folder, suffix "zvf".
// Runs the one for `save` under `title`, filtered by `filterLabel` + " (*.zvf)", through `chooser`
// (null: the dialog is shown). The name chosen becomes both dialogs' property "FileName" and their
// folder, so loading and saving go on from the same file.
QString ChooseConfigurationFile(QWidget& parent, QFileDialog*& openDialog, QFileDialog*& saveDialog,
                                bool save, const QString& folder, const QString& title,
                                const QString& filterLabel, const FileChooser& chooser);

}  // namespace zov
