#pragma once

// The live data window on the program's objects, the ECU simulator with sensors a test can hold,
// and a runtime folder of its own for the recordings.

#include <gtest/gtest.h>

#include <QApplication>
#include <QFrame>
#include <QLabel>
#include <memory>

#include "EngineModel.h"
#include "GlobalData.h"
#include "MainWindowSupport.h"
#include "TFormVisualizza.h"
#include "TestFiles.h"

namespace zov::test {

inline sim::EcuConfig LiveEcu(const std::shared_ptr<sim::HeldSensors>& held, int fuel, int version) {
    sim::EcuConfig config;
    config.fuel = fuel;
    config.version = version;
    config.engine.held = held;
    return config;
}

struct LiveBench : Bench {
    explicit LiveBench(int fuel = 0, int version = 200,
                       std::shared_ptr<sim::HeldSensors> sensors = std::make_shared<sim::HeldSensors>())
        : Bench(LiveEcu(sensors, fuel, version)), held(std::move(sensors)) {
        EXPECT_TRUE(form->Start());
        form->interactive = false;
        form->MenuConnettiClick();
        form->interactive = true;
        EXPECT_TRUE(context->link.IsConnected());
        // The keep-alive is the main window's; the window under test runs alone on the line.
        form->Timer1->stop();
        // Recordings go to a folder of the test's own.
        context->global.SetPath(GlobalData::kMainPath, runtime.Path().string());
        ecu.ClearRequests();
        prompter.shown.clear();
    }

    // The window as its opener shows it; its timer is stopped so the test ticks it itself.
    std::unique_ptr<TFormVisualizza> Open() {
        auto window = std::make_unique<TFormVisualizza>(*context, Dictionary());
        window->Timer1->stop();
        window->show();
        QApplication::processEvents();
        ecu.ClearRequests();
        return window;
    }

    // Live-record requests the ECU received.
    int RecordReads() const {
        int n = 0;
        for (const auto& f : ecu.Requests())
            if (f.request.size() >= 2 && f.request[0] == 0x41 && f.request[1] == 150) ++n;
        return n;
    }

    std::shared_ptr<sim::HeldSensors> held;
    testing::ScratchDir runtime;
};

inline void Tick(TFormVisualizza& window, int times = 1) {
    for (int i = 0; i < times; ++i) window.Timer1Timer();
}

inline QColor FillOf(const QFrame* shape) { return shape->palette().color(QPalette::Window); }

}  // namespace zov::test
