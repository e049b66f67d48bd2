// Reads the whole configuration model from the simulated ECU paced at 9600 baud, once over the
// simulated serial line and once over the simulated USB adapter, in the same run and in real
// time, and compares the two.
//
// usage: usb_bench
// Prints both times, the bytes the ECU received, and the ratio USB / serial. Goal: ratio <= 1.05.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <string>

#include "Clock.h"
#include "ComInj.h"
#include "ConfCar.h"
#include "ConfMap.h"
#include "ConfParam.h"
#include "ConfigurationModel.h"
#include "EcuSimulator.h"
#include "Prompter.h"
#include "SimulatedLine.h"
#include "SimulatedUsbAdapter.h"

namespace zov {
namespace {

struct Run {
    double seconds = 0;
    size_t requestBytes = 0;
    bool ok = false;
};

sim::EcuConfig Paced() {
    sim::EcuConfig config;
    config.baud = 9600;
    return config;
}

// Opens a session on `link`, reads the whole model and closes the session.
Run ReadModel(ComInj& link, sim::EcuSimulator& ecu) {
    ScriptedPrompter prompter;
    ConfCar car(link, ConfigurationModel::kCarFile, prompter);
    ConfMap map(link, car, ConfigurationModel::kMapFile);
    ConfParam param(link, car, ConfigurationModel::kParamFile, prompter);
    ConfigurationModel model(link, map, car, param);
    Run run;
    const auto t0 = std::chrono::steady_clock::now();
    run.ok = link.Connect();
    if (run.ok) model.ReadFromEcu();
    run.ok = run.ok && link.IsConnected();
    link.Disconnect();
    run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    for (const auto& f : ecu.Requests()) run.requestBytes += f.request.size();
    return run;
}

Run OverSerial() {
    SteadyClock clock;
    sim::EcuSimulator ecu(Paced());
    sim::SimulatedLine line(ecu, clock);
    ScriptedPrompter prompter;
    ComInj link(0, 5, line, clock, prompter);
    link.SetLinkMessages();
    return ReadModel(link, ecu);
}

Run OverUsb() {
    SteadyClock clock;
    sim::EcuSimulator ecu(Paced());
    sim::SimulatedLine line(ecu, clock);
    sim::SimulatedUsbAdapter adapter(ecu, clock, "/dev/hidraw-bench-" + std::to_string(getpid()));
    ScriptedPrompter prompter;
    ComInj link(0, 5, line, clock, prompter);
    link.SetLinkMessages();
    link.UseHidBus(&adapter);
    link.SelectPort(CPort::kUsbPort);
    return ReadModel(link, ecu);
}

}  // namespace
}  // namespace zov

int main() {
    using namespace zov;
    const Run serial = OverSerial();
    const Run usb = OverUsb();
    std::printf("serial line: %.3f s, %zu request bytes%s\n", serial.seconds, serial.requestBytes,
                serial.ok ? "" : " (the session failed)");
    std::printf("USB adapter: %.3f s, %zu request bytes%s\n", usb.seconds, usb.requestBytes,
                usb.ok ? "" : " (the session failed)");
    std::printf("ratio: %.3f (goal <= 1.05)\n", usb.seconds / serial.seconds);
    return serial.ok && usb.ok && serial.requestBytes == usb.requestBytes ? 0 : 1;
}
