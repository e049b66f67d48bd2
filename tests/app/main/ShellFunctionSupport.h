#pragma once

// Pieces shared by the tests of the main window's functions (configuration files, F2, F5, F6):
// a private temporary folder, a full-disk stand-in, a script for a run of modal windows, and a
// look at the whole memory of the simulated ECU.

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <QApplication>
#include <QDir>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>
#include <csignal>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "EcuVariables.h"
#include "MainWindowSupport.h"
#include "TFormAttesaFile.h"
#include "TFormDati.h"
#include "TestFiles.h"

namespace zov::test {

// Points TMPDIR (where the "_ci"/"_ic" temporaries go) at a folder of its own while it lives.
class PrivateTemp {
  public:
    PrivateTemp() {
        const QByteArray old = qgetenv("TMPDIR");
        hadOld_ = !old.isNull();
        saved_ = old;
        qputenv("TMPDIR", QFile::encodeName(dir_.path()));
    }
    ~PrivateTemp() {
        if (hadOld_)
            qputenv("TMPDIR", saved_);
        else
            qunsetenv("TMPDIR");
    }
    PrivateTemp(const PrivateTemp&) = delete;
    PrivateTemp& operator=(const PrivateTemp&) = delete;

    // The program's temporary files ("_ci...", "_ic..."); the test's own folders are left out.
    QStringList Entries() const {
        return QDir(dir_.path())
            .entryList({QStringLiteral("_*")},
                       QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    }

  private:
    QTemporaryDir dir_;
    QByteArray saved_;
    bool hadOld_ = false;
};

using zov::testing::FileSizeLimit;

// Acts on each modal window in turn as it runs: the n-th one that opens goes to the n-th step,
// which reads it and closes it. `seen` keeps their objectNames in order.
class ModalScript {
  public:
    using Step = std::function<void(QWidget&)>;
    explicit ModalScript(std::vector<Step> steps) : steps_(std::move(steps)) {
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            QWidget* modal = QApplication::activeModalWidget();
            if (modal == nullptr || !modal->isVisible() || modal == last_) return;
            last_ = modal;
            seen.push_back(modal->objectName());
            if (next_ < steps_.size()) steps_[next_++](*modal);
        });
        timer_.start(5);
    }
    std::vector<QString> seen;

  private:
    std::vector<Step> steps_;
    size_t next_ = 0;
    QPointer<QWidget> last_;
    QTimer timer_;
};

// Every variable of the simulated ECU as it travels on the line.
inline std::vector<std::vector<uint8_t>> EcuMemory(const sim::EcuSimulator& ecu) {
    std::vector<std::vector<uint8_t>> memory;
    for (int i = 0; i < kVarCount; ++i) memory.push_back(ecu.Bytes(i));
    return memory;
}

// The three definition files of the model as it stands, concatenated: equal texts mean an
// untouched model.
inline std::string ModelText(ConfigurationModel& model) {
    QTemporaryDir dir;
    const ConfigurationModel::DefinitionFiles files =
        ConfigurationModel::DefinitionFiles::In(QFile::encodeName(dir.path()).toStdString());
    EXPECT_TRUE(model.WriteDefinitionFiles(files));
    std::string text;
    for (const std::string& path : {files.car, files.map, files.param}) {
        QFile f(QFile::decodeName(QByteArray::fromStdString(path)));
        EXPECT_TRUE(f.open(QIODevice::ReadOnly));
        text += f.readAll().toStdString();
        text += '\f';
    }
    return text;
}

// Starts the window and opens a session, closing the ECU data dialog.
inline void StartConnected(Bench& b) {
    ASSERT_TRUE(b.form->Start());
    ModalScript close({[](QWidget& w) {
        if (auto* dati = qobject_cast<TFormDati*>(&w)) dati->Button2->click();
    }});
    b.form->MenuConnettiClick();
    ASSERT_TRUE(b.context->link.IsConnected());
    ASSERT_EQ(close.seen, std::vector<QString>{QStringLiteral("FormDati")});
}

// The message boxes shown since `from`, as text.
inline std::vector<std::string> ShownSince(const ScriptedPrompter& prompter, size_t from = 0) {
    std::vector<std::string> texts;
    for (size_t i = from; i < prompter.shown.size(); ++i) texts.push_back(prompter.shown[i].text);
    return texts;
}

// Boot-loader requests the ECU received, by first byte.
inline int CountBoot(const sim::EcuSimulator& ecu, uint8_t opcode) {
    int n = 0;
    for (const auto& f : ecu.Requests())
        if (f.bootLoader && f.complete && !f.request.empty() && f.request[0] == opcode) ++n;
    return n;
}

}  // namespace zov::test
