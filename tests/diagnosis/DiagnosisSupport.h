#pragma once

// The diagnosis windows and their rules on the program's objects, the ECU simulator on a virtual
// clock and the shipped dictionary.

#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "AppContext.h"
#include "Clock.h"
#include "EcuSimulator.h"
#include "EcuVariables.h"
#include "MainWindowSupport.h"
#include "Prompter.h"
#include "SimulatedLine.h"
#include "TModuloLingua.h"

namespace zov::test {

// Scripted answers; `onAsk` sees every box as it is shown and may act (or throw) from inside it.
class HookPrompter : public ScriptedPrompter {
  public:
    PromptAnswer Ask(const std::string& text, const std::string& caption, PromptIcon icon,
                     PromptButtons buttons) override {
        const PromptAnswer answer = ScriptedPrompter::Ask(text, caption, icon, buttons);
        if (onAsk) onAsk(shown.back());
        return answer;
    }
    std::function<void(const Shown&)> onAsk;
};

// The engine's sensors held by the bench: the engine stands still until a test lets it run.
inline sim::EcuConfig WithHeldEngine(sim::EcuConfig config, const std::shared_ptr<sim::HeldSensors>& held) {
    held->period = 0;
    config.engine.held = held;
    return config;
}

// The process-wide objects on the simulated ECU, a session opened and the ECU read into the
// model unless told otherwise, and the shipped dictionary in its first language (Italian).
struct DiagnosisBench {
    explicit DiagnosisBench(sim::EcuConfig config = {}, bool connect = true)
        : ecu(WithHeldEngine(std::move(config), held)), line(ecu, clock) {
        WriteSettings(settings.path(), {});
        context = std::make_unique<AppContext>(clock, prompter, line, settings.path(),
                                               QFile::encodeName(DistDir()).toStdString());
        dictionary = std::make_unique<TModuloLingua>(DistDir());
        EXPECT_TRUE(dictionary->SelectLanguage(0));
        if (connect) {
            EXPECT_TRUE(context->link.OpenPort() && context->link.Connect());
            context->model.ReadFromEcu();
        }
        ecu.ClearRequests();
        prompter.shown.clear();
    }

    // What the live data window does before it opens the actuator test.
    void EnterDiagnosisMode() {
        ASSERT_EQ(context->link.WriteVar(kDiagnosisModeVariable, kDiagnosisModeCode), WriteOutcome::Answered);
        ASSERT_TRUE(ecu.DiagnosisMode());
        ecu.ClearRequests();
    }

    // Lets the engine run as the engine model drives it (idling), or stops it again.
    void RunEngine(bool running) { held->period = running ? std::nullopt : std::optional<uint16_t>(0); }

    std::string DictCp(const char* identifier, int length) {
        return dictionary->LookupCp1252(identifier, length).value_or("<missing>");
    }
    QString Dict(const char* identifier, int length) {
        return dictionary->Lookup(QString::fromLatin1(identifier), length)
            .value_or(QStringLiteral("<missing>"));
    }
    std::string LastMessage() const {
        return prompter.shown.empty() ? std::string() : prompter.shown.back().text;
    }

    ConfCar& Car() { return context->car; }
    ComInj& Link() { return context->link; }

    // Writes of `variable` the ECU received, as the 16-bit or 8-bit value sent.
    std::vector<int32_t> Writes(int variable) const {
        std::vector<int32_t> values;
        for (const sim::FrameRecord& f : ecu.Requests()) {
            const std::vector<uint8_t>& r = f.request;
            if (r.size() == 5 && r[0] == 0x0A && r[1] == variable) values.push_back(r[2] | (r[3] << 8));
            if (r.size() == 4 && r[0] == 0x06 && r[1] == variable) values.push_back(r[2]);
        }
        return values;
    }

    std::shared_ptr<sim::HeldSensors> held = std::make_shared<sim::HeldSensors>();
    VirtualClock clock;
    sim::EcuSimulator ecu;
    sim::SimulatedLine line;
    HookPrompter prompter;
    QTemporaryDir settings;
    std::unique_ptr<AppContext> context;
    std::unique_ptr<TModuloLingua> dictionary;
};

}  // namespace zov::test
