#include "MainWindowShots.h"

#include <QApplication>
#include <QEventLoop>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QScreen>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>
#include <functional>

#include "AppContext.h"
#include "Clock.h"
#include "EcuSimulator.h"
#include "Prompter.h"
#include "SimulatedLine.h"
#include "TFormAttesaFile.h"
#include "TFormDati.h"
#include "TFormMainInst.h"
#include "TFormSceltaCarb.h"

namespace zov::shots {
namespace {

// A virtual clock that lets the shot look at the windows while the link waits.
class ProbeClock : public VirtualClock {
  public:
    void SleepUs(int64_t us) override {
        if (onSleep) onSleep();
        VirtualClock::SleepUs(us);
    }
    std::function<void()> onSleep;
};

sim::EcuConfig ShotEcu() {
    sim::EcuConfig config;
    config.model = "FIAT PUNTO 1.2 8V";
    config.programName = "PUNTO12_GPL.ZOV";
    config.ownRegisterBits = 0x10;   // protected, so the dialog shows every line
    config.faults.latencyUs = 2000;  // the link waits at every answer: the load can be watched
    return config;
}

// The program's objects on the simulator, with settings that choose the language and a window
// `size` (empty: the whole screen). Destroyed after the window that uses it.
class ShellBench : public QObject {
  public:
    ShellBench(const QString& dist, int language, QSize size = {}) : ecu(ShotEcu()), line(ecu, clock) {
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        if (size.isEmpty()) size = screen.size();
        QSettings store(settings.path() + QStringLiteral("/Ovalix srl/Install.ini"), QSettings::IniFormat);
        store.setValue(QStringLiteral("MainPath"), dist);
        store.setValue(QStringLiteral("InternetID"), QString());
        store.setValue(QStringLiteral("InternetPW"), QString());
        store.setValue(QStringLiteral("ComPort"), 1);
        store.setValue(QStringLiteral("WindowPos"), (screen.top() << 16) + screen.left());
        store.setValue(QStringLiteral("WindowSize"), (size.height() << 16) + size.width());
        store.setValue(QStringLiteral("Language"), language);
        store.sync();
        context = std::make_unique<AppContext>(clock, prompter, line, settings.path(),
                                               QFile::encodeName(dist).toStdString());
    }

    ProbeClock clock;
    sim::EcuSimulator ecu;
    sim::SimulatedLine line;
    ScriptedPrompter prompter;
    QTemporaryDir settings;
    std::unique_ptr<AppContext> context;
};

// The form and its bench: the form goes first, then the objects it used.
struct Shell {
    Shell(const QString& dist, int language)
        : bench(new ShellBench(dist, language)), form(std::make_unique<TFormMainInst>(*bench->context)) {}
    std::unique_ptr<ShellBench> bench;
    std::unique_ptr<TFormMainInst> form;
};

// Loads the ECU without the data dialog, then shows the state the keep-alive would show.
void Connect(TFormMainInst& form) {
    form.interactive = false;
    form.MenuConnettiClick();
    form.interactive = true;
    form.Timer1Timer();
    form.Timer1->stop();
}

// Keeps the shell alive as long as `owner`, and destroys the form before the bench.
void TieTo(QObject* owner, Shell shell) {
    auto* keeper = new QObject(owner);
    auto* held = new Shell(std::move(shell));
    QObject::connect(keeper, &QObject::destroyed, [held] { delete held; });
}

// Lets the windows paint, then takes the whole screen; without a screen to grab, `fallback`.
QPixmap GrabScreen(QWidget& fallback) {
    QEventLoop loop;
    QTimer::singleShot(250, &loop, &QEventLoop::quit);
    loop.exec();
    QPixmap captured = QGuiApplication::primaryScreen()->grabWindow(0);
    if (captured.isNull() || captured.toImage().allGray()) captured = fallback.grab();
    return captured;
}

std::unique_ptr<QWidget> Picture(const QPixmap& captured) {
    auto picture = std::make_unique<QLabel>();
    picture->setPixmap(captured);
    picture->resize(captured.size());
    picture->show();
    return picture;
}

}  // namespace

std::unique_ptr<QWidget> MainWindow(const QString& dist, int language, bool connected, QSize size) {
    auto* bench = new ShellBench(dist, language, size);
    auto form = std::make_unique<TFormMainInst>(*bench->context);
    // The bench is a child of the window: it goes after the window's own parts.
    bench->setParent(form.get());
    if (!form->Start()) return form;
    if (connected)
        Connect(*form);
    else
        form->Timer1Timer();
    form->Timer1->stop();
    return form;
}

std::unique_ptr<QWidget> EcuDataDialog(const QString& dist, int language) {
    Shell shell(dist, language);
    if (!shell.form->Start()) return std::move(shell.form);
    Connect(*shell.form);
    std::unique_ptr<TFormDati> dialog = shell.form->MakeEcuDataDialog();
    dialog->setParent(nullptr, dialog->windowFlags());
    shell.form->hide();
    dialog->show();
    TieTo(dialog.get(), std::move(shell));
    return dialog;
}

std::unique_ptr<QWidget> LoadingProgress(const QString& dist, int language) {
    Shell shell(dist, language);
    auto picture = std::make_unique<QLabel>();
    if (!shell.form->Start()) return picture;
    QPixmap captured;
    shell.bench->clock.onSleep = [&] {
        if (!captured.isNull()) return;
        for (QWidget* w : QApplication::topLevelWidgets()) {
            auto* progress = qobject_cast<TFormAttesaFile*>(w);
            if (progress == nullptr || !progress->isVisible() || progress->ProgressBar1->value() < 50)
                continue;
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
            captured = QGuiApplication::primaryScreen()->grabWindow(0);
            // Platforms without a screen to grab: the progress window alone.
            if (captured.isNull() || captured.toImage().allGray()) captured = progress->grab();
        }
    };
    Connect(*shell.form);
    shell.bench->clock.onSleep = nullptr;
    shell.form->hide();
    picture->setPixmap(captured);
    picture->resize(captured.size());
    picture->show();
    return picture;
}

}  // namespace zov::shots

namespace zov::shots {

std::unique_ptr<QWidget> MainWindowMenu(const QString& dist, int language, const QString& menu) {
    Shell shell(dist, language);
    if (!shell.form->Start()) return std::make_unique<QLabel>();
    Connect(*shell.form);
    auto* open = shell.form->findChild<QMenu*>(menu);
    if (open == nullptr) return std::make_unique<QLabel>();
    shell.form->menuBar()->setActiveAction(open->menuAction());
    QPixmap captured = GrabScreen(*shell.form);
    open->close();
    shell.form->hide();
    return Picture(captured);
}

std::unique_ptr<QWidget> FuelChoice(const QString& dist, int language) {
    Shell shell(dist, language);
    if (!shell.form->Start()) return std::make_unique<QLabel>();
    Connect(*shell.form);
    TFormSceltaCarb choice(*shell.form->Dictionary(), shell.bench->prompter, shell.form.get());
    choice.SetFuel(shell.bench->context->car.TIPO_DI_CARBURANTE);
    choice.show();
    QPixmap captured = GrabScreen(choice);
    choice.hide();
    shell.form->hide();
    return Picture(captured);
}

}  // namespace zov::shots
