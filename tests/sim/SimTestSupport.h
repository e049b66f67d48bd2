#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <vector>

#include "Clock.h"
#include "EcuSimulator.h"
#include "SerialDevice.h"
#include "SimulatedLine.h"

namespace zov::sim::testing {

// One read as a single value a test can compare: the byte, kTimedOut or kLost.
inline constexpr int kTimedOut = -1;
inline constexpr int kLost = -2;

inline int ReadOne(SerialDevice& device) {
    uint8_t byte = 0;
    switch (device.ReadByte(byte)) {
        case SerialStatus::Ok:
            return byte;
        case SerialStatus::Timeout:
            return kTimedOut;
        case SerialStatus::DeviceLost:
            break;
    }
    return kLost;
}

// Appends the additive checksum to a request.
inline std::vector<uint8_t> WithChecksum(std::vector<uint8_t> bytes) {
    uint8_t sum = 0;
    for (uint8_t b : bytes) sum = static_cast<uint8_t>(sum + b);
    bytes.push_back(sum);
    return bytes;
}

inline const std::vector<uint8_t> kOpenSession{0x08, 0x00, 0x7C, 0x83, 0x07};
inline const std::vector<uint8_t> kCloseSession{0x00, 0x01, 0x01};

// A PC end of the simulated line on a virtual clock, with the standard link timeouts (75 ms per
// byte). Requests are written whole and everything that comes back is read until the line is quiet.
class LineFixture {
  public:
    explicit LineFixture(EcuConfig config = {}) : ecu(std::move(config)), line(ecu, clock) {
        device = line.Open("/dev/ttyS0").device;
        device->Configure(9600);
        device->SetTimeouts(CommTimeouts{30, 15, 60, 15, 15});
    }

    // Everything the line gives back after `request`: the echo, then the answer.
    std::vector<uint8_t> Transact(const std::vector<uint8_t>& request) {
        device->Write(request.data(), request.size());
        return ReadAll();
    }

    std::vector<uint8_t> ReadAll() {
        std::vector<uint8_t> got;
        for (int b = ReadOne(*device); b >= 0; b = ReadOne(*device)) got.push_back(static_cast<uint8_t>(b));
        return got;
    }

    // The answer alone: what follows the echo of the request. Asserts the echo is intact.
    std::vector<uint8_t> Answer(const std::vector<uint8_t>& request) {
        std::vector<uint8_t> got = Transact(request);
        if (got.size() < request.size() || !std::equal(request.begin(), request.end(), got.begin())) {
            ADD_FAILURE() << "the echo of the request did not come back intact";
            return {};
        }
        return {got.begin() + request.size(), got.end()};
    }

    // Reads just the bytes expected, so the clock stops at the last one instead of running on
    // through a timeout.
    std::vector<uint8_t> Exchange(const std::vector<uint8_t>& request, size_t answerLength) {
        device->Write(request.data(), request.size());
        std::vector<uint8_t> got;
        for (size_t i = 0; i < request.size() + answerLength; ++i) {
            int b = ReadOne(*device);
            if (b < 0) break;
            got.push_back(static_cast<uint8_t>(b));
        }
        if (got.size() < request.size() || !std::equal(request.begin(), request.end(), got.begin())) {
            ADD_FAILURE() << "the echo of the request did not come back intact";
            return {};
        }
        return {got.begin() + request.size(), got.end()};
    }

    void OpenSession() { Exchange(kOpenSession, 2); }

    VirtualClock clock;
    EcuSimulator ecu;
    SimulatedLine line;
    std::unique_ptr<SerialDevice> device;
};

}  // namespace zov::sim::testing
