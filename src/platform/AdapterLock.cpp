#include "AdapterLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstdlib>

namespace zov {

std::string AdapterLock::LockPath(const std::string& devicePath) {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    std::string dir = runtime && *runtime ? runtime : "/tmp";
    // The device path without its leading "/dev/" (the first characters, as the lock's name never
    // needed them), made a plain file name.
    std::string name = devicePath.rfind("/dev/", 0) == 0 ? devicePath.substr(5) : devicePath;
    for (char& c : name)
        if (c == '/') c = '_';
    return dir + "/zovqbr-usb-" + name + ".lock";
}

bool AdapterLock::Acquire(const std::string& devicePath) {
    Release();
    const int fd = ::open(LockPath(devicePath).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) return false;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return false;
    }
    fd_ = fd;
    return true;
}

void AdapterLock::Release() {
    if (fd_ < 0) return;
    ::flock(fd_, LOCK_UN);
    ::close(fd_);
    fd_ = -1;
}

}  // namespace zov
