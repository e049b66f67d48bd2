#pragma once

#include <string>

namespace zov {

// Marks a USB adapter as used by this process: an advisory lock on a file named after the
// adapter's device path in the user's runtime directory ($XDG_RUNTIME_DIR, else /tmp). Another
// process holding it means the adapter is in use and must be refused. The lock goes with the
// object (or with the process, however it ends).
class AdapterLock {
  public:
    AdapterLock() = default;
    ~AdapterLock() { Release(); }
    AdapterLock(const AdapterLock&) = delete;
    AdapterLock& operator=(const AdapterLock&) = delete;

    // False when another holder has the adapter or the lock file cannot be made.
    bool Acquire(const std::string& devicePath);
    void Release();
    bool Held() const { return fd_ >= 0; }

    // The lock file of a device path.
    static std::string LockPath(const std::string& devicePath);

  private:
    int fd_ = -1;
};

}  // namespace zov
