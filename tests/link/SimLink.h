#pragma once

#include <cstdint>
#include <numeric>
#include <vector>

#include "ComInj.h"
#include "EcuSimulator.h"
#include "Prompter.h"
#include "SimulatedLine.h"

namespace zov::testing {

// The link object talking to the ECU simulator over a simulated line on a virtual clock.
struct SimLink {
    explicit SimLink(sim::EcuConfig config = {}) : ecu(std::move(config)), line(ecu, clock) {
        link.SetLinkMessages();
    }

    bool Open() { return link.OpenPort() && link.Connect(); }

    // Requests the ECU received after the session was opened.
    std::vector<std::vector<uint8_t>> Requests() const {
        std::vector<std::vector<uint8_t>> out;
        for (const auto& f : ecu.Requests()) out.push_back(f.request);
        return out;
    }

    // Bytes the PC put on the line, in order.
    std::vector<uint8_t> SentBytes() const {
        std::vector<uint8_t> out;
        for (const auto& t : line.Traffic())
            if (t.direction == sim::LineDirection::PcToEcu) out.push_back(t.byte);
        return out;
    }

    VirtualClock clock;
    sim::EcuSimulator ecu;
    sim::SimulatedLine line;
    ScriptedPrompter prompter;
    ComInj link{0, 5, line, clock, prompter};
};

inline std::vector<uint8_t> WithChecksum(std::vector<uint8_t> bytes) {
    bytes.push_back(uint8_t(std::accumulate(bytes.begin(), bytes.end(), 0u)));
    return bytes;
}

}  // namespace zov::testing
