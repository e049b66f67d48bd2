#pragma once

#include <string>

namespace zov {

// Keeps an archive update off a runtime directory while the ECU is programmed from it or a
// mapping is open, in this process or another (the program and zovctl). Programming and mapping
// hold it shared for as long as they run; an update takes it exclusively, without waiting, and
// refuses to go on when it cannot. An advisory flock on a file of the private temporary folder
// named after the runtime directory: it goes with its holder however that ends.
class EcuWorkLock {
  public:
    enum class Kind { Shared, Exclusive };

    // Shared waits for an update's install to end; Exclusive does not wait: see Held(). An empty
    // `runtimeDirectory` (programming a file outside any archive) holds nothing.
    EcuWorkLock(Kind kind, const std::string& runtimeDirectory);
    ~EcuWorkLock();
    EcuWorkLock(const EcuWorkLock&) = delete;
    EcuWorkLock& operator=(const EcuWorkLock&) = delete;

    bool Held() const { return fd_ >= 0; }

    static std::string PathFor(const std::string& runtimeDirectory);
    // The runtime directory of its "Map" folder ("<runtime>/Map" or "<runtime>/Map/"); empty for empty.
    static std::string RuntimeOfMapFolder(const std::string& mapPath);

  private:
    int fd_ = -1;
};

}  // namespace zov
