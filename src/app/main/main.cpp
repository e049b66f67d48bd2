// zovqbr: the ZOV Qbr workshop program. No command line is interpreted; two environment variables
// serve the demo and the tests: ZOV_SETTINGS_DIR keeps the settings in an INI store in that
// directory instead of the user's own, ZOV_TRACE=FILE logs every byte on the ECU line.
#include <QApplication>
#include <QByteArray>
#include <QFile>
#include <QMessageBox>
#include <cstdio>
#include <exception>
#include <memory>

#include "AppContext.h"
#include "AtomicFile.h"
#include "FirstStart.h"
#include "HidapiBus.h"
#include "QtPrompter.h"
#include "SingleInstance.h"
#include "TFormMainInst.h"
#include "TermiosSerial.h"
#include "TraceHid.h"
#include "TraceSerial.h"
#include "UiClock.h"

namespace {

std::string ExecutableDirectory() {
    return QFile::encodeName(QCoreApplication::applicationDirPath()).toStdString();
}

int Run() {
    zov::SingleInstance guard;
    if (!guard.Claim()) return 0;

    zov::UiClock clock;
    zov::QtPrompter prompter;
    zov::TermiosOpener termios;
    std::FILE* trace = nullptr;
    const QByteArray tracePath = qgetenv("ZOV_TRACE");
    if (!tracePath.isEmpty()) trace = std::fopen(tracePath.constData(), "w");
    zov::TraceOpener opener(termios, trace, clock);
    zov::HidapiBus hidapi;
    zov::TraceHidBus hid(hidapi, trace, clock);

    // The runtime data: next to the executable in the build tree, the user's own folder made from
    // the installed data otherwise.
    const QString settingsDirectory = QString::fromLocal8Bit(qgetenv("ZOV_SETTINGS_DIR"));
    const zov::FirstStart::Place place = zov::FirstStart::Prepare(ExecutableDirectory(), settingsDirectory);
    if (!place.error.empty()) {
        QMessageBox::critical(nullptr, QString::fromLatin1(zov::AppContext::kTitle),
                              QStringLiteral("The program's folder for this user cannot be prepared:\n%1")
                                  .arg(QString::fromLocal8Bit(place.error.c_str())));
        return 1;
    }

    int result = 0;
    {
        zov::AppContext context(clock, prompter, opener, settingsDirectory, place.applicationDirectory);
        context.link.UseHidBus(&hid);
        zov::TFormMainInst form(context);
        prompter.SetParent(&form);
        QObject::connect(&guard, &zov::SingleInstance::activationRequested, &form,
                         &zov::TFormMainInst::BringToFront);
        QObject::connect(
            &form, &zov::TFormMainInst::terminateRequested, qApp, [] { QCoreApplication::exit(1); },
            Qt::QueuedConnection);
        if (!form.Start()) {
            result = 1;
        } else {
            prompter.UseDictionary(form.Dictionary());
            result = QApplication::exec();
        }
    }
    if (trace != nullptr) std::fclose(trace);
    return result;
}

}  // namespace

int main(int argc, char** argv) {
    zov::IgnoreFileSizeSignal();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QString::fromLatin1(zov::AppContext::kTitle));
    QApplication::setOrganizationName(QString::fromLatin1(zov::GlobalData::kOrganisation));
    try {
        return Run();
    } catch (const std::exception& e) {
        QMessageBox::critical(nullptr, QString::fromLatin1(zov::AppContext::kTitle),
                              QString::fromLocal8Bit(e.what()));
    } catch (...) {
        QMessageBox::critical(nullptr, QString::fromLatin1(zov::AppContext::kTitle),
                              QStringLiteral("Unknown error"));
    }
    return 0;
}
