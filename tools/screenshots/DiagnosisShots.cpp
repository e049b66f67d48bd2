#include "DiagnosisShots.h"

#include <QApplication>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include "AppContext.h"
#include "Clock.h"
#include "EcuSimulator.h"
#include "EcuVariables.h"
#include "EngineModel.h"
#include "Prompter.h"
#include "SimulatedLine.h"
#include "TFormDiagnFunz.h"
#include "TFormDiagnosi.h"
#include "TModuloLingua.h"

namespace zov::shots {
namespace {

// The program's objects on a loaded simulated ECU whose engine is at rest. A child of the
// window that uses it, so it goes after the window's own parts (the actuator test switches the
// actuators off as it goes).
class RestingBench : public QObject {
  public:
    explicit RestingBench(const QString& dist) : ecu(Config(held)), line(ecu, clock) {
        context = std::make_unique<AppContext>(clock, prompter, line, settings.path(),
                                               QFile::encodeName(dist).toStdString());
        if (context->link.Connect()) context->model.ReadFromEcu();
    }
    ~RestingBench() override {
        if (context->link.IsConnected()) context->link.Disconnect();
    }
    static sim::EcuConfig Config(const std::shared_ptr<sim::HeldSensors>& held) {
        held->period = 0;
        held->reducerPressure = 143;
        sim::EcuConfig config;
        config.engine.held = held;
        return config;
    }

    std::shared_ptr<sim::HeldSensors> held = std::make_shared<sim::HeldSensors>();
    VirtualClock clock;
    sim::EcuSimulator ecu;
    sim::SimulatedLine line;
    ScriptedPrompter prompter;
    QTemporaryDir settings;
    std::unique_ptr<AppContext> context;
};

}  // namespace

std::unique_ptr<QWidget> ActuatorTestWindow(const QString& dist, TModuloLingua& dictionary) {
    auto* bench = new RestingBench(dist);
    (void)bench->context->link.WriteVar(kDiagnosisModeVariable, kDiagnosisModeCode);
    auto form = std::make_unique<TFormDiagnosi>(*bench->context, dictionary);
    bench->setParent(form.get());
    form->show();
    QApplication::processEvents();
    form->Timer()->stop();
    form->ButtonSGrosso->click();
    form->ButtonGas->click();
    for (int tick = 0; tick < 3; ++tick) {
        bench->clock.Advance(TFormDiagnosi::kTimerInterval * 1000);
        form->Timer1Timer();
    }
    form->ButtonGas->setFocus();
    return form;
}

std::unique_ptr<QWidget> FunctionalDiagnosisWindow(const QString& dist, TModuloLingua& dictionary) {
    auto* bench = new RestingBench(dist);
    bench->ecu.SetValue(90, 0, 0x012);
    auto form = std::make_unique<TFormDiagnFunz>(*bench->context, dictionary);
    bench->setParent(form.get());
    form->show();
    return form;
}

}  // namespace zov::shots
