#pragma once

// The archive windows on the program's objects: a runtime folder of the test's own (the build's,
// with its sample archive), the main window started on the ECU simulator, and a watcher that hands
// every modal window to the test as it opens.

#include <QApplication>
#include <QPointer>
#include <QTimer>
#include <QTreeWidget>
#include <filesystem>
#include <functional>
#include <vector>

#include "ConfigurationBackup.h"
#include "ShellFunctionSupport.h"

namespace zov::test {

// A copy of the build's runtime folder, sample archive included, without the backups other runs
// left in it.
struct Runtime {
    Runtime() {
        CopyRuntime(dir.path());
        std::error_code ec;
        std::filesystem::remove_all(ConfigurationBackup::FolderIn(Path()), ec);
    }
    std::string Path() const { return QFile::encodeName(dir.path()).toStdString(); }
    QTemporaryDir dir;
};

// Every modal window that opens goes to `act` once, in the order they open.
class EveryModal {
  public:
    explicit EveryModal(std::function<void(QWidget&)> act) : act_(std::move(act)) {
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            QWidget* modal = QApplication::activeModalWidget();
            if (modal == nullptr || !modal->isVisible() || modal == last_) return;
            last_ = modal;
            seen.push_back(modal->objectName());
            act_(*modal);
        });
        timer_.start(5);
    }
    std::vector<QString> seen;

  private:
    std::function<void(QWidget&)> act_;
    QPointer<QWidget> last_;
    QTimer timer_;
};

// The tree item with `text` under `parent` (top level when null).
inline QTreeWidgetItem* Child(QTreeWidget& tree, QTreeWidgetItem* parent, const QString& text) {
    const int n = parent ? parent->childCount() : tree.topLevelItemCount();
    for (int i = 0; i < n; ++i) {
        QTreeWidgetItem* item = parent ? parent->child(i) : tree.topLevelItem(i);
        if (item->text(0) == text) return item;
    }
    return nullptr;
}

inline QStringList Children(QTreeWidgetItem* parent) {
    QStringList texts;
    for (int i = 0; parent && i < parent->childCount(); ++i) texts << parent->child(i)->text(0);
    return texts;
}

}  // namespace zov::test
