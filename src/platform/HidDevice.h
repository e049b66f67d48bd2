#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace zov {

// One HID device as the bus lists it.
struct HidDeviceInfo {
    std::string path;
    uint16_t vendor = 0;
    uint16_t product = 0;
    std::string productString;
    std::string manufacturer;  // empty when the device does not tell
};

// Report lengths in bytes, the report ID byte included (0: the device has no such report).
struct HidCaps {
    size_t inputLength = 0;
    size_t outputLength = 0;
    size_t featureLength = 0;
};

enum class HidStatus : uint8_t { Ok, Timeout, Failed };

// One open handle on a HID device. Reports start with their report ID byte in both directions.
// A device may be opened more than once; each handle is used by one thread at a time.
class HidDevice {
  public:
    virtual ~HidDevice() = default;

    virtual bool GetCaps(HidCaps& out) = 0;
    virtual bool SetFeature(const uint8_t* report, size_t length) = 0;
    virtual HidStatus Write(const uint8_t* report, size_t length) = 0;
    // One input report into `buffer` (at most `capacity` bytes, `got` set), waiting at most
    // `timeoutMs` of real time.
    virtual HidStatus Read(uint8_t* buffer, size_t capacity, size_t& got, int timeoutMs) = 0;
    // Input reports this device has handed out or holds ready for a reader. The USB thread
    // compares it with the reports it has dispatched to know whether anything is still on its
    // way into the rings. Safe to call from any thread.
    virtual uint64_t InputOffered() = 0;
};

// Enumerates and opens HID devices.
class HidBus {
  public:
    virtual ~HidBus() = default;
    // False when the system's HID support cannot be used: the USB choice is then not offered.
    virtual bool Available() = 0;
    virtual std::vector<HidDeviceInfo> Enumerate(uint16_t vendor, uint16_t product) = 0;
    virtual std::unique_ptr<HidDevice> Open(const std::string& path) = 0;
};

}  // namespace zov
