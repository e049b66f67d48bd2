#include "UsbOutputQueue.h"

#include <algorithm>

namespace zov {
namespace {

int Next(int slot) { return (slot + 1) % UsbOutputQueue::kSlots; }

}  // namespace

void UsbOutputQueue::Configure(size_t reportLength) {
    std::lock_guard guard(lock_);
    length_ = std::max<size_t>(reportLength, 2);
    for (auto& slot : slots_) slot.assign(length_, 0);
    write_ = send_ = 0;
    oldest_ = kNone;
}

size_t UsbOutputQueue::ReportLength() const {
    std::lock_guard guard(lock_);
    return length_;
}

void UsbOutputQueue::Queue(const uint8_t* payload, size_t n) {
    std::lock_guard guard(lock_);
    n = std::min({n, kMaxPayload, length_ - 2});
    if (oldest_ == write_) oldest_ = Next(oldest_);
    std::vector<uint8_t>& report = slots_[size_t(write_)];
    std::fill(report.begin(), report.end(), 0);
    report[1] = uint8_t((write_ << 3) | int(n));
    std::copy(payload, payload + n, report.begin() + 2);
    handed_[size_t(write_)] = false;
    if (oldest_ == kNone) oldest_ = write_;
    write_ = Next(write_);
}

bool UsbOutputQueue::HasRoom() const {
    std::lock_guard guard(lock_);
    if (oldest_ == kNone) return true;
    const int owed = (write_ - oldest_ + kSlots) % kSlots;
    return owed != 0 && owed < kSlots - 1;
}

void UsbOutputQueue::DiscardUnsent() {
    std::lock_guard guard(lock_);
    // Sending goes in slot order, so the reports already handed over lead from the send slot.
    while (send_ != write_ && handed_[size_t(send_)]) send_ = Next(send_);
    write_ = send_;
    oldest_ = kNone;
}

void UsbOutputQueue::Restart(int sequence) {
    std::lock_guard guard(lock_);
    send_ = write_ = sequence & 7;
    oldest_ = kNone;
}

void UsbOutputQueue::Acknowledge(int expected) {
    std::lock_guard guard(lock_);
    expected &= 7;
    // The owed window runs from the oldest slot up to the write slot, circularly; a full queue
    // (oldest = write) owes every slot.
    bool inWindow = false;
    if (oldest_ != kNone) {
        const int span = (write_ - oldest_ + kSlots) % kSlots;
        const int offset = (expected - oldest_ + kSlots) % kSlots;
        inWindow = span == 0 || offset < span;
    }
    if (inWindow) {
        oldest_ = expected;
    } else {
        write_ = expected;
        oldest_ = kNone;
    }
    send_ = expected;
}

bool UsbOutputQueue::Sendable() const {
    std::lock_guard guard(lock_);
    return SendableLocked();
}

bool UsbOutputQueue::Drained() const {
    std::lock_guard guard(lock_);
    return send_ == write_;
}

bool UsbOutputQueue::SendNext(const std::function<bool(const uint8_t*, size_t)>& write) {
    std::lock_guard guard(lock_);
    if (!SendableLocked()) return false;
    if (write(slots_[size_t(send_)].data(), length_)) {
        handed_[size_t(send_)] = true;
        send_ = Next(send_);
    }
    return true;
}

int UsbOutputQueue::WriteSlot() const {
    std::lock_guard guard(lock_);
    return write_;
}
int UsbOutputQueue::SendSlot() const {
    std::lock_guard guard(lock_);
    return send_;
}
int UsbOutputQueue::OldestSlot() const {
    std::lock_guard guard(lock_);
    return oldest_;
}
std::vector<uint8_t> UsbOutputQueue::Report(int slot) const {
    std::lock_guard guard(lock_);
    return slots_[size_t(slot & 7)];
}

}  // namespace zov
