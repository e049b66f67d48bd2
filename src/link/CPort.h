#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "SerialDevice.h"
#include "SerialPorts.h"

namespace zov {

// The channel to the ECU: a serial port driven one byte at a time, or the USB adapter.
class CPort {
  public:
    static constexpr int kUsbPort = 100;
    static constexpr int kMaxPortIndex = 14;
    static constexpr int kPortNameCount = kSerialPortCount;

    // Port names by index; 4..14 pass the index check but have no name, so opening them fails.
    static const char* PortName(int index);

    CPort(int portIndex, int baudIndex, SerialOpener& opener);
    virtual ~CPort();
    CPort(const CPort&) = delete;
    CPort& operator=(const CPort&) = delete;

    // Changes the port only while the channel is closed; returns the port now selected.
    int SelectPort(int index);
    bool OpenPort();
    void ClosePort();

    // The device behind COM1..COM4 (a tty path on this system).
    void SetPortPath(int index, const std::string& path);
    const std::string& PortPath(int index) const { return portPaths_[size_t(index)]; }

    // Why the last opening failed, or that the open device was lost; cleared by a good opening.
    const DeviceError& LastDeviceError() const { return deviceError_; }
    bool DeviceLost() const { return deviceError_.fault == DeviceFault::Lost; }

    CommTimeouts savedTimeouts{};
    std::unique_ptr<SerialDevice> handle;
    uint32_t byteTimeoutMs = 30;
    int32_t portIndex;
    int32_t baudIndex;
    int32_t isOpen = 0;
    uint32_t portErrors = 0;
    uint8_t useUsb = 0;
    uint8_t usbAvailable = 0;

  protected:
    // This build has no HID transport: the USB choice is not offered.
    static bool InitUsbSupport() { return false; }
    static bool OpenUsbAdapter() { return false; }

    CommTimeouts StandardTimeouts() const;
    // The open device stopped working for good (unplugged, removed, I/O error).
    void NoteDeviceLost() { deviceError_ = {DeviceFault::Lost, openPath_, 0}; }

    SerialOpener& opener_;

  private:
    std::array<std::string, kPortNameCount> portPaths_{kDefaultSerialPorts[0], kDefaultSerialPorts[1],
                                                       kDefaultSerialPorts[2], kDefaultSerialPorts[3]};
    std::string openPath_;
    DeviceError deviceError_;
};

}  // namespace zov
