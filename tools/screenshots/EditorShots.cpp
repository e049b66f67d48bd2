#include "EditorShots.h"

#include <QApplication>
#include <QFile>
#include <QTabWidget>
#include <QTemporaryDir>

#include "AppContext.h"
#include "Clock.h"
#include "EcuSimulator.h"
#include "EnrichmentPage.h"
#include "Prompter.h"
#include "SimulatedLine.h"
#include "TFormGestione.h"
#include "TFormModifica.h"
#include "TModuloLingua.h"

namespace zov::shots {
namespace {

// The program's objects on a loaded simulated ECU. A child of the window that uses it, so it goes
// after the window's own parts.
class EditorBench : public QObject {
  public:
    EditorBench(const QString& dist, bool eightZones) : ecu(Config(eightZones)), line(ecu, clock) {
        context = std::make_unique<AppContext>(clock, prompter, line, settings.path(),
                                               QFile::encodeName(dist).toStdString());
        if (context->link.Connect()) {
            context->model.ReadFromEcu();
            context->car.ReadAdaptation();
        }
    }
    ~EditorBench() override {
        if (context->link.IsConnected()) context->link.Disconnect();
    }

    static sim::EcuConfig Config(bool eightZones) {
        sim::EcuConfig config;
        config.eightZoneAdaptation = eightZones;
        return config;
    }

    VirtualClock clock;
    sim::EcuSimulator ecu;
    sim::SimulatedLine line;
    ScriptedPrompter prompter;
    QTemporaryDir settings;
    std::unique_ptr<AppContext> context;
};

}  // namespace

std::unique_ptr<QWidget> ParameterEditor(const QString& dist, TModuloLingua& dictionary, const QString& page,
                                         bool eightZones, bool outOfArchive) {
    auto* bench = new EditorBench(dist, eightZones);
    if (page == QStringLiteral("PageCutoff")) {
        // Total and partial cutoff, so every row of the page is on view.
        bench->context->car.SetValue(22, 2500);
        bench->context->car.PERIODO_X_APRIRE_ELETTROVALVOLA_IN_CUTOFF = 4000;
    }
    auto editor = std::make_unique<TFormModifica>(*bench->context, dictionary, nullptr, outOfArchive);
    bench->setParent(editor.get());
    editor->show();
    if (QWidget* shown = editor->PageControl1->findChild<QWidget*>(page))
        editor->PageControl1->setCurrentWidget(shown);
    // A still picture: the live marker is the enrichment page's own shot.
    editor->EnrichmentMap()->PageLeft();
    return editor;
}

std::unique_ptr<QWidget> ManagementMenu(const QString& dist, TModuloLingua& dictionary) {
    auto* bench = new EditorBench(dist, false);
    auto menu = std::make_unique<TFormGestione>(*bench->context, dictionary);
    bench->setParent(menu.get());
    menu->show();
    return menu;
}

}  // namespace zov::shots
