#include "ConfigurationDialogs.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

#include "Packaging.h"

namespace zov {
namespace {

constexpr const char* kConfigurationFilter = " (*.zvf)";
constexpr const char* kFileNameProperty = "FileName";

QString RunFileDialog(QFileDialog& dialog) {
    if (dialog.exec() != QDialog::Accepted) return {};
    return dialog.selectedFiles().value(0);
}

QFileDialog* MakeDialog(QWidget& parent, const char* name, QFileDialog::AcceptMode mode,
                        QFileDialog::FileMode files, const QString& folder) {
    auto* dialog = new QFileDialog(&parent);
    dialog->setObjectName(QString::fromLatin1(name));
    dialog->setAcceptMode(mode);
    dialog->setFileMode(files);
    dialog->setDefaultSuffix(QString::fromLatin1(packaging::kConfigurationExtension));
    dialog->setDirectory(folder);
    return dialog;
}

}  // namespace

QString ChooseConfigurationFile(QWidget& parent, QFileDialog*& openDialog, QFileDialog*& saveDialog,
                                bool save, const QString& folder, const QString& title,
                                const QString& filterLabel, const FileChooser& chooser) {
    QDir().mkpath(folder);
    if (openDialog == nullptr) {
        openDialog =
            MakeDialog(parent, "OpenDialog", QFileDialog::AcceptOpen, QFileDialog::ExistingFile, folder);
        saveDialog = MakeDialog(parent, "SaveDialog", QFileDialog::AcceptSave, QFileDialog::AnyFile, folder);
    }
    QFileDialog& dialog = save ? *saveDialog : *openDialog;
    dialog.setWindowTitle(title);
    dialog.setNameFilter(filterLabel + QString::fromLatin1(kConfigurationFilter));
    const QString previous = dialog.property(kFileNameProperty).toString();
    if (!previous.isEmpty()) {
        const QFileInfo info(previous);
        dialog.setDirectory(info.absolutePath());
        dialog.selectFile(info.fileName());
    }
    const QString chosen = chooser ? chooser(dialog) : RunFileDialog(dialog);
    if (chosen.isEmpty()) return chosen;
    openDialog->setProperty(kFileNameProperty, chosen);
    saveDialog->setProperty(kFileNameProperty, chosen);
    return chosen;
}

}  // namespace zov
