#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <mutex>

namespace zov {

// One of the two 1024-byte rings the USB thread fills and the link empties: the writer stores at
// the write position and counts up, the reader takes the oldest byte at (write - count). A report
// whose bytes would bring the count to 1024 is dropped whole. Each ring has its own lock.
class UsbRing {
  public:
    static constexpr size_t kSize = 1024;

    // False when the bytes were dropped for want of room.
    bool Append(const uint8_t* bytes, size_t n);
    bool Take(uint8_t& byte);
    // The byte `offset` places after the oldest, without taking it.
    bool Peek(size_t offset, uint8_t& byte) const;
    // Drops the `n` oldest bytes (all of them when fewer are held).
    void Discard(size_t n);
    size_t Count() const;
    void Clear();

  private:
    mutable std::mutex lock_;
    std::array<uint8_t, kSize> bytes_{};
    size_t write_ = 0;
    size_t count_ = 0;
};

}  // namespace zov
