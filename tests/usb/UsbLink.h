#pragma once

#include <unistd.h>

#include <atomic>
#include <string>

#include "ComInj.h"
#include "EcuSimulator.h"
#include "Prompter.h"
#include "SimulatedLine.h"
#include "SimulatedUsbAdapter.h"

namespace zov::testing {

// A device path no other test process uses, so adapter locks never meet by accident.
inline std::string UniqueAdapterPath() {
    static std::atomic<int> count{0};
    return "/dev/hidraw-test-" + std::to_string(getpid()) + "-" + std::to_string(count++);
}

// The link object on the simulated USB adapter, bridging to the ECU simulator on a virtual clock.
// The serial line is there only because the link is built with one; nothing opens it.
struct UsbLink {
    explicit UsbLink(sim::EcuConfig config = {})
        : ecu(std::move(config)), line(ecu, clock), adapter(ecu, clock, UniqueAdapterPath()) {
        link.SetLinkMessages();
        link.UseHidBus(&adapter);
        link.SelectPort(CPort::kUsbPort);
    }

    bool Open() { return link.OpenPort() && link.Connect(); }

    // Asks the adapter where it stands. Its answer comes after every report it sent before, so
    // once it is in, no acknowledgement of an earlier exchange is still on its way.
    bool Settle() {
        int sequence = 0;
        return link.UsbQueryState(sequence);
    }

    // Payload sizes of the output reports the adapter took onto the line, in order.
    std::vector<size_t> AcceptedSizes() const {
        std::vector<size_t> out;
        for (const auto& r : adapter.OutputReports())
            if (r.accepted) out.push_back(r.payload.size());
        return out;
    }

    VirtualClock clock;
    sim::EcuSimulator ecu;
    sim::SimulatedLine line;
    sim::SimulatedUsbAdapter adapter;
    ScriptedPrompter prompter;
    ComInj link{0, 5, line, clock, prompter};
};

}  // namespace zov::testing
