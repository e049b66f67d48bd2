// The USB adapter side of CPort: finding, locking and configuring the adapter, its feature-report
// exchanges, and the thread that moves its reports.
#include <algorithm>

#include "CPort.h"
#include "PortHolder.h"

namespace zov {
namespace {

constexpr uint8_t kCommandConfigure = 0;
constexpr uint8_t kCommandQueryState = 4;
constexpr uint8_t kNoticeAnswer = 'S';
constexpr uint8_t kPrescaler = 0x80;
constexpr uint8_t kEchoEachByte = 0x40;
constexpr int kQueryWaitFactor = 4;
constexpr size_t kConfigurationBytes = 7;
constexpr const char* kUnknownManufacturer = "Unknown HID manufacturer";

struct BaudDivisor {
    uint8_t divisor;
    bool prescaler;
};

// By baud index 2..9: with the prescaler, baud = 1497600 / (divisor + 1); without, a quarter.
constexpr BaudDivisor kDivisors[] = {{0x00, false}, {0x9B, false}, {0x4D, false}, {0x9B, true},
                                     {0x4D, true},  {0x26, true},  {0x19, true},  {0x0C, true}};
constexpr int kFirstDivisorIndex = 2;

}  // namespace

bool CPort::InitUsbSupport() {
    usbParam = 9;
    usbEchoMode = 1;
    usbNoEcho = 0;
    usbByteTimeout = byteTimeoutMs;
    noticeRing.Clear();
    receiveRing.Clear();
    return hidBus_ && hidBus_->Available();
}

void CPort::UseHidBus(HidBus* bus) {
    if (isOpen) return;
    hidBus_ = bus;
    usbAvailable = InitUsbSupport();
    if (!usbAvailable && useUsb) SelectPort(0);
}

std::unique_ptr<HidDevice> CPort::TryUsbDevice(const HidDeviceInfo& info) {
    if (info.vendor != kUsbVendor || info.product != kUsbProduct || info.productString != kUsbProductName)
        return nullptr;
    std::unique_ptr<HidDevice> device = hidBus_->Open(info.path);
    if (!device) {
        deviceError_ = {DeviceFault::PermissionDenied, info.path, 0};
        return nullptr;
    }
    HidCaps caps;
    if (!device->GetCaps(caps) || caps.featureLength < kConfigurationBytes || caps.outputLength < 3) {
        deviceError_ = {DeviceFault::SetupRefused, info.path, 0};
        return nullptr;
    }
    // Another process using the adapter holds its lock: the adapter is not ours to take.
    if (!usbMutex.Acquire(info.path)) {
        deviceError_ = {DeviceFault::Busy, info.path, 0, PortHolder().Find(AdapterLock::LockPath(info.path))};
        return nullptr;
    }
    usbDevice = info;
    if (usbDevice.manufacturer.empty()) usbDevice.manufacturer = kUnknownManufacturer;
    usbCaps = caps;
    return device;
}

bool CPort::OpenUsbAdapter() {
    deviceError_ = {DeviceFault::NoSuchDevice, "USB adapter", 0};
    if (!usbAvailable || !hidBus_) return false;
    for (const HidDeviceInfo& info : hidBus_->Enumerate(kUsbVendor, kUsbProduct)) {
        usbControl_ = TryUsbDevice(info);
        if (usbControl_) break;
    }
    if (!usbControl_) return false;

    featureBuffer.assign(usbCaps.featureLength, 0);
    usbPayload = uint32_t(
        std::min({usbCaps.featureLength - 2, usbCaps.outputLength - 2, UsbOutputQueue::kMaxPayload}));
    outputQueue.Configure(usbCaps.outputLength);
    noticeRing.Clear();
    receiveRing.Clear();
    std::unique_ptr<HidDevice> reader = hidBus_->Open(usbDevice.path);
    std::unique_ptr<HidDevice> writer = hidBus_->Open(usbDevice.path);
    if (!reader || !writer) {
        deviceError_ = {DeviceFault::Lost, usbDevice.path, 0};
        CloseUsbAdapter();
        return false;
    }
    isOpen = 1;
    usbThread = std::make_unique<TUsbHandler>(std::move(reader), std::move(writer), usbCaps.inputLength,
                                              receiveRing, noticeRing, outputQueue);
    if (!UsbConfigure(-1, -1, -1, -1, -1)) {
        deviceError_ = {DeviceFault::SetupRefused, usbDevice.path, 0};
        CloseUsbAdapter();
        return false;
    }
    openPath_ = usbDevice.path;
    deviceError_ = {};
    return true;
}

void CPort::CloseUsbAdapter() {
    usbThread.reset();
    usbControl_.reset();
    usbMutex.Release();
    featureBuffer.clear();
    isOpen = 0;
}

bool CPort::UsbConfigure(int mode, int baud, int param, int byteTimeout, int noEcho) {
    if (mode != -1) usbEchoMode = mode == 1 ? 1 : 0;
    if (param != -1) usbParam = uint32_t(param) & 0xFFFF;
    if (byteTimeout != -1) usbByteTimeout = uint32_t(byteTimeout) & 0xFF;
    if (noEcho != -1) usbNoEcho = noEcho != 0;
    const int index = baud == -1 ? baudIndex : baud;
    if (!isOpen || !usbControl_ || featureBuffer.size() < kConfigurationBytes) return false;
    if (index < kFirstDivisorIndex || index >= kFirstDivisorIndex + int(std::size(kDivisors))) return false;
    const BaudDivisor& rate = kDivisors[index - kFirstDivisorIndex];

    std::fill(featureBuffer.begin(), featureBuffer.end(), 0);
    featureBuffer[1] = kCommandConfigure;
    featureBuffer[2] = uint8_t(usbEchoMode + (rate.prescaler ? kPrescaler : 0) +
                               (usbEchoMode == 1 && !usbNoEcho ? kEchoEachByte : 0));
    featureBuffer[3] = rate.divisor;
    featureBuffer[4] = uint8_t(usbParam & 0xFF);
    featureBuffer[5] = uint8_t(usbParam >> 8);
    featureBuffer[6] = uint8_t(usbByteTimeout);
    if (!UsbFeatureExchange()) return false;
    outputQueue.Restart(0);
    return true;
}

bool CPort::UsbQueryState(int& sequence) {
    if (!isOpen || !usbControl_ || featureBuffer.size() < 2) return false;
    std::fill(featureBuffer.begin(), featureBuffer.end(), 0);
    featureBuffer[1] = kCommandQueryState;
    std::vector<uint8_t> answer;
    if (!UsbFeatureExchange(&answer, kQueryWaitFactor) || answer.empty()) return false;
    sequence = answer[0] & 7;
    return true;
}

bool CPort::UsbFeatureExchange(std::vector<uint8_t>* answer, int waitFactor) {
    if (!usbControl_ || !usbThread) return false;
    noticeRing.Clear();
    if (!usbControl_->SetFeature(featureBuffer.data(), featureBuffer.size())) return false;
    const int64_t waitMs = int64_t(waitFactor > 0 ? waitFactor : 2) * byteTimeoutMs;
    const bool noticed = UsbWait(waitMs, [&] { return noticeRing.Count() >= 2; });
    uint8_t type = 0;
    uint8_t length = 0;
    const bool answered =
        noticed && noticeRing.Peek(0, type) && noticeRing.Peek(1, length) && type == kNoticeAnswer;
    if (answered && answer) {
        // The length of an answer counts its two header bytes.
        uint8_t b = 0;
        for (size_t i = 2; i < length && noticeRing.Peek(i, b); ++i) answer->push_back(b);
    }
    noticeRing.Clear();
    return answered;
}

}  // namespace zov
