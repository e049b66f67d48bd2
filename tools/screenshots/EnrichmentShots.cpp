#include "EnrichmentShots.h"

#include <QFile>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTemporaryDir>

#include "AppContext.h"
#include "Clock.h"
#include "EcuSimulator.h"
#include "EngineModel.h"
#include "EnrichmentPage.h"
#include "Localizer.h"
#include "Prompter.h"
#include "SimulatedLine.h"
#include "TFormModifica.h"
#include "TFormSet.h"
#include "TModuloLingua.h"

namespace zov::shots {
namespace {

constexpr int64_t kSecond = 1'000'000;

// The program's objects on a loaded simulated ECU whose car runs its drive cycle. A child of the
// window that uses it, so it goes after the window's own parts.
class DrivingBench : public QObject {
  public:
    explicit DrivingBench(const QString& dist) : ecu(Config()), line(ecu, clock) {
        context = std::make_unique<AppContext>(clock, prompter, line, settings.path(),
                                               QFile::encodeName(dist).toStdString());
        if (context->link.Connect()) context->model.ReadFromEcu();
        // A map with some shape, so the cells are worth looking at.
        for (int row = 0; row < 8; ++row)
            for (int column = 0; column < 8; ++column)
                context->param.SetEnrichment(row, column, (row * 9 + column * 4) - 10);
    }
    ~DrivingBench() override {
        if (context->link.IsConnected()) context->link.Disconnect();
    }
    static sim::EcuConfig Config() {
        sim::EcuConfig config;
        config.engine.mode = sim::DriveMode::DriveCycle;
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

std::unique_ptr<QWidget> EnrichmentPageLive(const QString& dist, TModuloLingua& dictionary) {
    auto* bench = new DrivingBench(dist);
    auto editor = std::make_unique<TFormModifica>(*bench->context, dictionary);
    bench->setParent(editor.get());
    editor->show();
    EnrichmentPage* page = editor->EnrichmentMap();
    editor->PageControl1->setCurrentWidget(page);
    page->PageEntered();
    page->StopLiveTimer();
    // The second tour, in the zone entered with the widest throttle opening, a second and a half
    // after it: 650 rpm on a falling accumulation.
    const double cycle = sim::EngineModel::kIdleSeconds + 8 * sim::EngineModel::kZoneSeconds;
    const double start = cycle + sim::EngineModel::kIdleSeconds + 5 * sim::EngineModel::kZoneSeconds + 1.5;
    bench->clock.AdvanceTo(int64_t(start * kSecond));
    for (int tick = 0; tick < 30; ++tick) {
        bench->clock.Advance(EnrichmentPage::kTimerInterval * 1000);
        page->Timer1Timer();
    }
    page->Grid().SetSelection(5, 2, 6, 3);
    return editor;
}

std::unique_ptr<QWidget> ValueEntryDialog(const QString& dist, TModuloLingua& dictionary,
                                          bool mainMapRectangle) {
    auto* bench = new DrivingBench(dist);
    auto dialog = std::make_unique<TFormSet>(bench->context->map, bench->context->param);
    bench->setParent(dialog.get());
    // The texts every owner gives its instance.
    Localizer(dictionary)
        .WindowTitle(dialog.get(), QStringLiteral("FinestraModificaMappa"), 20)
        .Caption(dialog->Button1, QStringLiteral("ButtonScarica"), 40)
        .Caption(dialog->RadioButtonLinear, QStringLiteral("LabelLineare"), 10)
        .Caption(dialog->RadioButtonProp, QStringLiteral("LabelProporz"), 15)
        .Run();
    if (mainMapRectangle) {
        for (int row = 2; row < 6; ++row)
            for (int column = 3; column < 9; ++column)
                bench->context->map.SetCell(row, column, 180 + 7 * column, true);
        dialog->RadioButtonProp->setChecked(true);
        dialog->Select(TFormSet::kMainMap, 3, 4, 6, 9);
    } else {
        dialog->Select(TFormSet::kEnrichmentMap, 3, 5, 3, 5);
    }
    dialog->show();
    return dialog;
}

}  // namespace zov::shots
