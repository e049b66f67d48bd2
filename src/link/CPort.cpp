#include "CPort.h"

#include <cstdlib>
#include <string>

namespace zov {
namespace {

constexpr const char* kPortNames[CPort::kPortNameCount] = {"COM1", "COM2", "COM3", "COM4"};
constexpr const char* kBaudTexts[] = {"110",  "300",   "1200",  "2400",  "4800",
                                      "9600", "19200", "38400", "57600", "115200"};
constexpr int kMinBaudIndex = 2;
constexpr int kMaxBaudIndex = 9;
constexpr uint32_t kQueueSize = 1000;

bool ValidPortIndex(int index) {
    return (index >= 0 && index <= CPort::kMaxPortIndex) || index == CPort::kUsbPort;
}
bool ValidBaudIndex(int index) { return index >= kMinBaudIndex && index <= kMaxBaudIndex; }

}  // namespace

const char* CPort::PortName(int index) {
    return (index >= 0 && index < kPortNameCount) ? kPortNames[index] : nullptr;
}

CPort::CPort(int portIndex_, int baudIndex_, SerialOpener& opener, Clock& clock)
    : portIndex(portIndex_), baudIndex(baudIndex_), opener_(opener), usbClock_(clock) {
    usbAvailable = InitUsbSupport();
}

CPort::~CPort() { ClosePort(); }

int CPort::SelectPort(int index) {
    if (isOpen) return portIndex;
    useUsb = 0;
    if (index == kUsbPort && usbAvailable) {
        useUsb = 1;
        portIndex = kUsbPort;
        return kUsbPort;
    }
    if (index < 0 || index > kMaxPortIndex)
        return (portIndex >= 0 && portIndex <= kMaxPortIndex) ? portIndex : 0;
    portIndex = index;
    return index;
}

void CPort::SetPortPath(int index, const std::string& path) {
    if (index >= 0 && index < kPortNameCount) portPaths_[size_t(index)] = path;
}

CommTimeouts CPort::StandardTimeouts() const {
    const uint32_t t = byteTimeoutMs;
    return {t, t / 2, 2 * t, t / 2, t / 2};
}

bool CPort::OpenPort() {
    if (isOpen) ClosePort();
    if (!ValidPortIndex(portIndex) || !ValidBaudIndex(baudIndex)) return false;
    if (useUsb) return OpenUsbAdapter();

    if (PortName(portIndex) == nullptr) {
        // Indices past COM4 pass the check but name no device.
        deviceError_ = {DeviceFault::NoSuchDevice, "COM" + std::to_string(portIndex + 1), 0};
        portErrors |= 1;
        return false;
    }
    openPath_ = portPaths_[size_t(portIndex)];
    OpenResult opened = opener_.Open(openPath_);
    handle = std::move(opened.device);
    if (!handle) {
        deviceError_ = opened.error;
        portErrors |= 1;
        return false;
    }
    const uint32_t baud = uint32_t(std::atoi(kBaudTexts[baudIndex]));
    const bool configured = handle->Configure(baud) && handle->GetTimeouts(savedTimeouts) &&
                            handle->SetTimeouts(StandardTimeouts());
    if (!configured) {
        deviceError_ = {DeviceFault::SetupRefused, openPath_, 0};
        portErrors |= 1;
        handle.reset();
        return false;
    }
    handle->SetQueueSizes(kQueueSize, kQueueSize);
    deviceError_ = {};
    isOpen = 1;
    return true;
}

void CPort::ClosePort() {
    CloseUsbAdapter();
    if (handle) handle->SetTimeouts(savedTimeouts);
    handle.reset();
    isOpen = 0;
}

}  // namespace zov
