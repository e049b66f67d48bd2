#include "UpdateShots.h"

#include <QFile>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>

#include "AppContext.h"
#include "Clock.h"
#include "EcuSimulator.h"
#include "Prompter.h"
#include "SimulatedLine.h"
#include "TFormAggiorna.h"
#include "TFormCopia.h"
#include "TModuloLingua.h"

namespace zov::shots {
namespace {

// The program's objects on the simulated ECU; a child of the window that uses it.
class UpdateBench : public QObject {
  public:
    explicit UpdateBench(const QString& dist) : line(ecu, clock) {
        context = std::make_unique<AppContext>(clock, prompter, line, settings.path(),
                                               QFile::encodeName(dist).toStdString());
    }

    VirtualClock clock;
    sim::EcuSimulator ecu;
    sim::SimulatedLine line;
    ScriptedPrompter prompter;
    QTemporaryDir settings;
    std::unique_ptr<AppContext> context;
};

QString Look(TModuloLingua& dictionary, const char16_t* id, int length, const QString& fallback) {
    return dictionary.Lookup(QString::fromUtf16(id), length).value_or(fallback);
}

}  // namespace

std::unique_ptr<QWidget> UpdateWindow(const QString& dist, TModuloLingua& dictionary) {
    auto* bench = new UpdateBench(dist);
    const std::string root = QFile::encodeName(dist).toStdString();
    UpdateWindowInputs in;
    in.cardsDir = root + "/Schede";
    in.carsDir = root + "/Vetture";
    in.mapDir = root + "/Map";
    in.findDisc = [] { return std::string("/media/cdrom"); };
    auto window = std::make_unique<TFormAggiorna>(*bench->context, dictionary, std::move(in));
    bench->setParent(window.get());
    window->show();
    return window;
}

std::unique_ptr<QWidget> CopyWindow(TModuloLingua& dictionary) {
    auto window = std::make_unique<TFormCopia>();
    window->setWindowModality(Qt::NonModal);
    window->setWindowTitle(Look(dictionary, u"FinestraCopia", 70, window->windowTitle()));
    window->ButtonAnnulla->setText(Look(dictionary, u"ButtonAnnulla", 15, QStringLiteral("Annulla")));
    window->show();
    window->SetPhase(Look(dictionary, u"LabelCopiaFile", 70, QString()));
    window->SetCount(7);
    window->SetProgress(45);
    return window;
}

}  // namespace zov::shots
