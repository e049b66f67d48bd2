#pragma once

#include <cstdio>

#include "Clock.h"
#include "HidDevice.h"

namespace zov {

// Logs every report crossing the HID seam, with its kind and the time since the bus was made:
// "   12.345 FEATURE 00 00 C1 9B 09 00 1E 00 00", "   12.400 OUT 00 05 08 00 7C 83 07 00 00",
// "   13.391 IN 00 05 08 00 7C 83 07 00 00"; a failed transfer shows as "OUT-FAILED" or
// "IN-FAILED". Reports are logged whole by the thread that moves them, one line each.
// Passes through when no sink is given; the sink stays owned by the caller.
class TraceHidBus : public HidBus {
  public:
    TraceHidBus(HidBus& inner, std::FILE* sink, Clock& clock);

    bool Available() override { return inner_.Available(); }
    std::vector<HidDeviceInfo> Enumerate(uint16_t vendor, uint16_t product) override {
        return inner_.Enumerate(vendor, product);
    }
    std::unique_ptr<HidDevice> Open(const std::string& path) override;

  private:
    HidBus& inner_;
    std::FILE* sink_;
    Clock& clock_;
    int64_t startUs_;
};

}  // namespace zov
