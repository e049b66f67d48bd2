#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "AdapterLock.h"
#include "Clock.h"
#include "HidDevice.h"
#include "SerialDevice.h"
#include "SerialPorts.h"
#include "TUsbHandler.h"
#include "UsbOutputQueue.h"
#include "UsbRing.h"

namespace zov {

// The channel to the ECU: a serial port driven one byte at a time, or the USB adapter.
class CPort {
  public:
    static constexpr int kUsbPort = 100;
    static constexpr int kMaxPortIndex = 14;
    static constexpr int kPortNameCount = kSerialPortCount;

    // Port names by index; 4..14 pass the index check but have no name, so opening them fails.
    static const char* PortName(int index);

    // The USB adapter: vendor, product and product string it must show.
    static constexpr uint16_t kUsbVendor = 0x0F84;
    static constexpr uint16_t kUsbProduct = 0x0013;
    static constexpr const char* kUsbProductName = "USB Interface";

    CPort(int portIndex, int baudIndex, SerialOpener& opener, Clock& clock);
    virtual ~CPort();
    CPort(const CPort&) = delete;
    CPort& operator=(const CPort&) = delete;

    // Changes the port only while the channel is closed; returns the port now selected.
    int SelectPort(int index);
    bool OpenPort();
    void ClosePort();

    // The HID devices the USB adapter is looked for among; none (the default) leaves the USB choice
    // out. Only while the channel is closed.
    void UseHidBus(HidBus* bus);

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

    // --- USB adapter (CPortUsb.cpp) ---------------------------------------------------------
    // Sends the configuration report; -1 keeps a setting. A mode other than 0 or 1 counts as 0.
    // On success the output sequence starts again at slot 0.
    bool UsbConfigure(int mode, int baud, int param, int byteTimeout, int noEcho);
    // The sequence number the adapter expects next.
    bool UsbQueryState(int& sequence);
    // Sends the feature buffer and waits for the adapter's 'S' notice (waitFactor x byteTimeoutMs,
    // 2 x when 0); its data bytes go to `answer` when given.
    bool UsbFeatureExchange(std::vector<uint8_t>* answer = nullptr, int waitFactor = 0);

    std::vector<uint8_t> featureBuffer;
    AdapterLock usbMutex;
    uint32_t usbEchoMode = 1;  // 1: every byte comes back as echo; 0: block transfer
    uint32_t usbParam = 9;
    uint32_t usbByteTimeout = 30;
    uint32_t usbPayload = 0;  // bytes per output report
    UsbRing noticeRing;
    UsbRing receiveRing;
    UsbOutputQueue outputQueue;
    HidDeviceInfo usbDevice;  // the adapter in use (manufacturer "Unknown HID manufacturer" if unnamed)
    HidCaps usbCaps;
    uint8_t usbNoEcho = 0;
    std::unique_ptr<TUsbHandler> usbThread;

  protected:
    bool InitUsbSupport();
    bool OpenUsbAdapter();
    void CloseUsbAdapter();
    // Waits on the link's clock until `ready()` holds; false after `timeoutMs`.
    template <typename Ready>
    bool UsbWait(int64_t timeoutMs, Ready&& ready) {
        return usbThread && usbThread->WaitUntil(usbClock_, timeoutMs * 1000, ready);
    }

    CommTimeouts StandardTimeouts() const;
    // The open device stopped working for good (unplugged, removed, I/O error).
    void NoteDeviceLost() { deviceError_ = {DeviceFault::Lost, openPath_, 0}; }

    SerialOpener& opener_;

  private:
    std::array<std::string, kPortNameCount> portPaths_{kDefaultSerialPorts[0], kDefaultSerialPorts[1],
                                                       kDefaultSerialPorts[2], kDefaultSerialPorts[3]};
    // Opens, checks and locks one enumerated device; the control handle when it is accepted.
    std::unique_ptr<HidDevice> TryUsbDevice(const HidDeviceInfo& info);

    std::string openPath_;
    DeviceError deviceError_;
    Clock& usbClock_;
    HidBus* hidBus_ = nullptr;
    std::unique_ptr<HidDevice> usbControl_;
};

}  // namespace zov
