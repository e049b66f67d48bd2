#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "DeviceError.h"

namespace zov {

// What a transfer on an open channel came to. A timeout leaves the device usable; a lost device
// (unplugged adapter, removed port, I/O error) never works again, so nobody should retry on it.
enum class SerialStatus : uint8_t { Ok, Timeout, DeviceLost };

// Read and write timeouts of a serial channel, in milliseconds, with the meaning the ECU line was
// designed around: a read of n bytes waits at most readTotalMultiplier * n + readTotalConstant.
struct CommTimeouts {
    uint32_t readInterval = 0;
    uint32_t readTotalMultiplier = 0;
    uint32_t readTotalConstant = 0;
    uint32_t writeTotalMultiplier = 0;
    uint32_t writeTotalConstant = 0;

    bool operator==(const CommTimeouts&) const = default;
};

// One open serial channel. All calls are synchronous.
class SerialDevice {
  public:
    virtual ~SerialDevice() = default;

    // Raw line, 8 data bits, no parity, 1 stop bit, no flow control.
    virtual bool Configure(uint32_t baud) = 0;
    virtual bool GetTimeouts(CommTimeouts& out) = 0;
    virtual bool SetTimeouts(const CommTimeouts& timeouts) = 0;
    virtual bool SetQueueSizes(uint32_t receive, uint32_t transmit) = 0;
    // Writes all bytes within the write timeout, or tells why not.
    virtual SerialStatus Write(const uint8_t* data, size_t length) = 0;
    // One byte into `byte`, waiting at most readTotalMultiplier + readTotalConstant ms.
    virtual SerialStatus ReadByte(uint8_t& byte) = 0;
    // Drops whatever has been received and not read yet.
    virtual void PurgeReceive() = 0;
};

// An opened channel, or why there is none.
struct OpenResult {
    std::unique_ptr<SerialDevice> device;
    DeviceError error;
};

// Opens serial channels by device path (a real tty, a pseudo-terminal, or a simulated line).
class SerialOpener {
  public:
    virtual ~SerialOpener() = default;
    // A device, or no device and the error saying why.
    virtual OpenResult Open(const std::string& path) = 0;
};

}  // namespace zov
