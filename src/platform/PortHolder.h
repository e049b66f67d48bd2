#pragma once

#include <sys/types.h>
#include <unistd.h>

#include <array>
#include <filesystem>
#include <string>

namespace zov {

// Which other program holds a device, found through /proc: a process with a descriptor open on
// it, read from /proc/PID/fd. The descriptors of another user's processes stay hidden, so when no
// holder shows and the device is a USB-serial adapter, a running service known to take such
// adapters for its own devices (ModemManager for modems, brltty for braille displays) is named.
class PortHolder {
  public:
    // `proc` stands for "/proc" (tests pass a folder of fake processes); `self` is never a holder.
    explicit PortHolder(std::filesystem::path proc = "/proc", pid_t self = getpid());

    // The holder's command name (/proc/PID/comm), or empty when no holder can be seen.
    std::string Find(const std::string& device) const;

    static constexpr std::array<const char*, 2> kAdapterServices = {"ModemManager", "brltty"};

  private:
    std::string OpenedBy(const std::filesystem::path& device) const;
    std::string RunningService() const;
    // The command name of the first process, other than this one, for which `visit` is true.
    template <typename Visit>
    std::string FirstProcess(Visit visit) const;

    std::filesystem::path proc_;
    pid_t self_;
};

}  // namespace zov
