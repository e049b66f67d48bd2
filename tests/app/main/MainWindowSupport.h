#pragma once

#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QPoint>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "AppContext.h"
#include "Clock.h"
#include "EcuSimulator.h"
#include "Prompter.h"
#include "SimulatedLine.h"
#include "TFormMainInst.h"
#include "TModuloLingua.h"

// Qt's texts and points as a failed check prints them. Every test file of this program includes
// this header, so all of them print these types the same way (Google Test would otherwise walk a
// QString as a container of QChar, which has no end).
inline void PrintTo(const QString& text, std::ostream* os) { *os << '"' << text.toStdString() << '"'; }
inline void PrintTo(const QPoint& p, std::ostream* os) { *os << "QPoint(" << p.x() << ", " << p.y() << ")"; }

namespace zov::test {

inline QString DistDir() { return QStringLiteral(ZOV_DIST_DIR); }

// A virtual clock that lets a test look at the windows while the program waits: every wait of
// the link, the reconnect countdown and the splash goes through SleepUs.
class ProbeClock : public VirtualClock {
  public:
    void SleepUs(int64_t us) override {
        if (onSleep) onSleep(us);
        VirtualClock::SleepUs(us);
    }
    std::function<void(int64_t us)> onSleep;
};

// Scripted answers, with the virtual time at which each box was shown.
class TimedPrompter : public ScriptedPrompter {
  public:
    explicit TimedPrompter(Clock& clock) : clock_(clock) {}
    PromptAnswer Ask(const std::string& text, const std::string& caption, PromptIcon icon,
                     PromptButtons buttons) override {
        times.push_back(clock_.NowUs());
        if (onAsk) onAsk();
        return ScriptedPrompter::Ask(text, caption, icon, buttons);
    }
    std::vector<int64_t> times;
    // Runs as each box opens, to look at the windows behind it.
    std::function<void()> onAsk;

  private:
    Clock& clock_;
};

// The line, with the virtual time of every port opening.
class RecordingOpener : public SerialOpener {
  public:
    RecordingOpener(SerialOpener& inner, Clock& clock) : inner_(inner), clock_(clock) {}
    OpenResult Open(const std::string& path) override {
        opens.push_back({clock_.NowUs(), path});
        if (refusal != DeviceFault::None) return {nullptr, {refusal, path, 0}};
        return inner_.Open(path);
    }
    // Set: every port is refused for this reason, as the system would.
    DeviceFault refusal = DeviceFault::None;
    struct Opening {
        int64_t timeUs;
        std::string path;
    };
    std::vector<Opening> opens;

  private:
    SerialOpener& inner_;
    Clock& clock_;
};

// Settings as a previous run left them.
struct StoredSettings {
    int32_t comPort = 1;
    int32_t windowPos = (40 << 16) + 30;
    int32_t windowSize = (560 << 16) + 760;
    int32_t language = 0;
};

inline void WriteSettings(const QString& directory, const StoredSettings& s) {
    QSettings store(directory + QStringLiteral("/Ovalix srl/Install.ini"), QSettings::IniFormat);
    store.setValue(QStringLiteral("MainPath"), DistDir());
    store.setValue(QStringLiteral("InternetID"), QString());
    store.setValue(QStringLiteral("InternetPW"), QString());
    store.setValue(QStringLiteral("ComPort"), s.comPort);
    store.setValue(QStringLiteral("WindowPos"), s.windowPos);
    store.setValue(QStringLiteral("WindowSize"), s.windowSize);
    store.setValue(QStringLiteral("Language"), s.language);
    store.sync();
}

// Copies the runtime folder (all but the program itself) so a test can take something away.
inline void CopyRuntime(const QString& to, const QStringList& leaveOut = {}) {
    const QDir from(DistDir());
    QDirIterator it(DistDir(), QDir::Files | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QString relative = from.relativeFilePath(path);
        if (relative == QStringLiteral("zovqbr") || leaveOut.contains(relative)) continue;
        QDir(to).mkpath(QFileInfo(relative).path());
        QFile::copy(path, QDir(to).filePath(relative));
    }
}

// The program's objects and its main window on the ECU simulator, a virtual clock, scripted
// message boxes and a settings store of its own.
// Reads of one variable the simulated ECU received.
inline int CountVariableReads(const sim::EcuSimulator& ecu, int variable) {
    int n = 0;
    for (const auto& f : ecu.Requests())
        if (f.request.size() >= 2 && f.request[0] == 0x01 && f.request[1] == variable) ++n;
    return n;
}

struct Bench {
    explicit Bench(sim::EcuConfig config = {}, StoredSettings stored = {}, QString runtime = DistDir())
        : ecu(std::move(config)),
          line(ecu, clock),
          opener(line, clock),
          prompter(clock),
          runtimeDir(runtime) {
        WriteSettings(settings.path(), stored);
        MakeContext();
    }
    ~Bench() {
        form.reset();
        context.reset();
    }

    void MakeContext() {
        context = std::make_unique<AppContext>(clock, prompter, opener, settings.path(),
                                               QFile::encodeName(runtimeDir).toStdString());
        form = std::make_unique<TFormMainInst>(*context);
    }
    // Ends the run as the program does: window, then the process-wide objects.
    void EndRun() {
        form.reset();
        context.reset();
    }

    TModuloLingua& Dictionary() { return *form->Dictionary(); }
    // The current language's text as the window cuts it.
    QString Dict(const char* identifier, int length) {
        return Dictionary()
            .Lookup(QString::fromLatin1(identifier), length)
            .value_or(QStringLiteral("<missing>"));
    }
    std::string DictCp(const char* identifier, int length) {
        return Dictionary().LookupCp1252(identifier, length).value_or("<missing>");
    }

    // Requests the ECU received, as opcode and index.
    int CountReads(int variable) const { return CountVariableReads(ecu, variable); }

    ProbeClock clock;
    sim::EcuSimulator ecu;
    sim::SimulatedLine line;
    RecordingOpener opener;
    TimedPrompter prompter;
    QTemporaryDir settings;
    QString runtimeDir;
    std::unique_ptr<AppContext> context;
    std::unique_ptr<TFormMainInst> form;
};

// Acts on the next modal window as soon as it runs (the test's own code would only run after
// it closed): finds it, hands it to `act`, which reads it and closes it.
class ModalWatcher {
  public:
    explicit ModalWatcher(std::function<void(QWidget&)> act) : act_(std::move(act)) {
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            QWidget* modal = QApplication::activeModalWidget();
            if (modal == nullptr || !modal->isVisible()) return;
            timer_.stop();
            seen = modal->objectName();
            act_(*modal);
        });
        timer_.start(5);
    }
    QString seen;

  private:
    std::function<void(QWidget&)> act_;
    QTimer timer_;
};

}  // namespace zov::test
