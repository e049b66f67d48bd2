#pragma once

#include "HidDevice.h"

namespace zov {

// The system's HID devices through hidapi (hidraw back end). The report lengths come from the
// device's report descriptor, as hidraw publishes it.
class HidapiBus : public HidBus {
  public:
    HidapiBus();
    ~HidapiBus() override;
    HidapiBus(const HidapiBus&) = delete;
    HidapiBus& operator=(const HidapiBus&) = delete;

    bool Available() override { return initialised_; }
    std::vector<HidDeviceInfo> Enumerate(uint16_t vendor, uint16_t product) override;
    std::unique_ptr<HidDevice> Open(const std::string& path) override;

  private:
    bool initialised_ = false;
};

}  // namespace zov
