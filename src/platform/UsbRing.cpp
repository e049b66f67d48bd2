#include "UsbRing.h"

namespace zov {

bool UsbRing::Append(const uint8_t* bytes, size_t n) {
    std::lock_guard guard(lock_);
    if (count_ + n >= kSize) return false;
    for (size_t i = 0; i < n; ++i) {
        bytes_[write_] = bytes[i];
        write_ = (write_ + 1) % kSize;
    }
    count_ += n;
    return true;
}

bool UsbRing::Take(uint8_t& byte) {
    std::lock_guard guard(lock_);
    if (count_ == 0) return false;
    byte = bytes_[(write_ + kSize - count_) % kSize];
    --count_;
    return true;
}

bool UsbRing::Peek(size_t offset, uint8_t& byte) const {
    std::lock_guard guard(lock_);
    if (offset >= count_) return false;
    byte = bytes_[(write_ + kSize - count_ + offset) % kSize];
    return true;
}

void UsbRing::Discard(size_t n) {
    std::lock_guard guard(lock_);
    count_ = n < count_ ? count_ - n : 0;
}

size_t UsbRing::Count() const {
    std::lock_guard guard(lock_);
    return count_;
}

void UsbRing::Clear() {
    std::lock_guard guard(lock_);
    count_ = 0;
}

}  // namespace zov
