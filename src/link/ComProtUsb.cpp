// The byte primitives over the USB adapter: a request is cut into output reports of usbPayload
// bytes, its echo is awaited in the receive ring, and answer bytes are taken from that ring.
#include "ComProt.h"

namespace zov {
namespace {

constexpr uint8_t kNoticeLineFault = 0xCA;
constexpr uint8_t kFaultEcho[] = {0x80, 0x01};
constexpr uint8_t kFaultRefused = 0x10;
constexpr uint32_t kReceiveWaitFactor = 5;

}  // namespace

void ComProt::SetByteMode() {
    blockMode_ = false;
    if (useUsb) UsbConfigure(1, -1, -1, int(byteTimeoutMs), -1);
}

void ComProt::SetBlockMode() {
    blockMode_ = true;
    if (useUsb) UsbConfigure(0, -1, -1, 0, -1);
}

void ComProt::UsbQueueByte(uint8_t b) {
    if (txLength_ == 0) {
        // A new request: whatever the last one left unsent or unread is stale.
        usbPending_ = 0;
        outputQueue.DiscardUnsent();
        receiveRing.Clear();
    }
    if (txLength_ >= kTxBufferSize) {
        errorFlags_ |= ERR_REQUEST;
        return;
    }
    txBuffer_[txLength_++] = b;
    checksum_ += b;
    ++usbPending_;
    if (usbPayload > 0 && txLength_ % usbPayload == 0)
        UsbQueueReport(txBuffer_ + txLength_ - usbPayload, usbPayload);
}

void ComProt::UsbQueueReport(const uint8_t* bytes, size_t n) {
    if (errorFlags_ || !usbThread || n == 0) return;
    // A long request (an S-record) outruns the writer when its thread is slow to run; queuing over
    // a report the adapter has not taken would send a corrupt request.
    const int64_t limitMs = int64_t(byteTimeoutMs) * 2 * txLength_;
    if (!UsbWait(limitMs, [&] { return outputQueue.HasRoom(); })) {
        UsbResynchronise();
        return;
    }
    outputQueue.Queue(bytes, n);
    usbPending_ = 0;
    usbThread->OutputQueued();
}

void ComProt::UsbFlushReport() {
    if (usbPending_ > 0) UsbQueueReport(txBuffer_ + txLength_ - usbPending_, size_t(usbPending_));
}

void ComProt::UsbWaitEcho() {
    // Without an echo, or with the request already failed, there is nothing to wait for.
    if (usbNoEcho || txLength_ == 0 || errorFlags_) {
        txLength_ = 0;
        return;
    }
    const int64_t limitMs = int64_t(byteTimeoutMs) * 2 * txLength_;
    if (!UsbWait(limitMs, [&] { return outputQueue.Drained(); })) {
        UsbResynchronise();
        txLength_ = 0;
        return;
    }
    const int32_t flagsBefore = errorFlags_;
    const bool echoed = UsbWait(limitMs, [&] {
        UsbTakeMessage();
        return receiveRing.Count() >= txLength_ || errorFlags_ != flagsBefore;
    });
    if (!echoed || errorFlags_ != flagsBefore) {
        errorFlags_ |= ERR_TIMEOUT;
    } else {
        bool mismatch = false;
        for (uint32_t i = 0; i < txLength_; ++i) {
            uint8_t echo = 0;
            receiveRing.Take(echo);
            mismatch |= echo != txBuffer_[i];
        }
        if (mismatch) errorFlags_ |= ERR_ECHO;
    }
    txLength_ = 0;
}

void ComProt::UsbResynchronise() {
    // The adapter did not take the reports: carry on from the report it expects.
    int sequence = 0;
    if (UsbQueryState(sequence)) outputQueue.Restart(sequence);
    errorFlags_ |= ERR_REQUEST;
}

void ComProt::UsbTakeMessage() {
    uint8_t type = 0;
    uint8_t length = 0;
    if (!noticeRing.Peek(0, type) || !noticeRing.Peek(1, length)) return;
    uint8_t first = 0;
    uint8_t second = 0;
    const bool hasFirst = length >= 1 && noticeRing.Peek(2, first);
    const bool hasSecond = length >= 2 && noticeRing.Peek(3, second);
    if (type == kNoticeLineFault && hasFirst) {
        if (first == kFaultEcho[0] && hasSecond && second == kFaultEcho[1]) errorFlags_ |= ERR_ECHO;
        if (first == kFaultRefused) errorFlags_ |= ERR_NOT_AVAILABLE;
    }
    noticeRing.Discard(size_t(length) + 2);
}

uint8_t ComProt::UsbReceiveByte(uint32_t extraWaitMs) {
    const int64_t waitMs = int64_t(kReceiveWaitFactor) * byteTimeoutMs + extraWaitMs;
    uint8_t b = kNoByte;
    if (!UsbWait(waitMs, [&] { return receiveRing.Take(b); })) {
        errorFlags_ |= ERR_TIMEOUT;
        b = kNoByte;
    }
    lastReceived_ = b;
    return b;
}

}  // namespace zov
