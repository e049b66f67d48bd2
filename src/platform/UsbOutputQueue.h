#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <vector>

namespace zov {

// The eight output-report slots between the link and the adapter. A report carries its slot index
// as sequence number (bits 3-5 of byte 1) and its payload count (bits 0-2). The adapter
// acknowledges by naming the sequence number it expects next; reports from the oldest
// unacknowledged slot up to the write slot are still owed, and the writer sends from the send
// slot. One lock guards all of it.
class UsbOutputQueue {
  public:
    static constexpr int kSlots = 8;
    static constexpr int kNone = -1;
    static constexpr size_t kMaxPayload = 7;

    // Report length of the adapter (report ID byte included); empties the queue.
    void Configure(size_t reportLength);
    size_t ReportLength() const;

    // Builds a report of `n` (1..7) payload bytes in the write slot. A full queue loses its oldest
    // unacknowledged report to it, so the link asks HasRoom first.
    void Queue(const uint8_t* payload, size_t n);
    // One more report can be queued without overwriting one the adapter has not acknowledged.
    // Seven owed reports already count as full: with eight, the send slot would meet the write
    // slot and unsent reports would look sent.
    bool HasRoom() const;
    // Forgets the reports not sent yet; the sequence goes on after the last report the device
    // took. An acknowledgement can move the send slot back over reports already sent (they go
    // again); taking the sequence from there would give the next request numbers the adapter has
    // passed, and it would drop that request's reports as repeats.
    void DiscardUnsent();
    // Sending starts again at `sequence` with nothing owed (a new configuration, or the adapter
    // said which report it expects).
    void Restart(int sequence);
    // The adapter expects `expected` next.
    void Acknowledge(int expected);

    // A report waits to be sent: something is owed and the send slot is behind the write slot.
    bool Sendable() const;
    // Every queued report has been handed to the device.
    bool Drained() const;
    // Runs `write` on the report in the send slot, under the lock, and advances the send slot when
    // it returns true. False when there was nothing to send.
    bool SendNext(const std::function<bool(const uint8_t*, size_t)>& write);

    int WriteSlot() const;
    int SendSlot() const;
    int OldestSlot() const;
    std::vector<uint8_t> Report(int slot) const;

  private:
    bool SendableLocked() const { return oldest_ != kNone && send_ != write_; }

    mutable std::mutex lock_;
    size_t length_ = 0;
    std::array<std::vector<uint8_t>, kSlots> slots_;
    std::array<bool, kSlots> handed_{};  // the report in the slot went to the device at least once
    int write_ = 0;
    int send_ = 0;
    int oldest_ = kNone;
};

}  // namespace zov
