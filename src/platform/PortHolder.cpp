#include "PortHolder.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <system_error>

namespace zov {
namespace {

namespace fs = std::filesystem;

bool IsNumber(const std::string& name) {
    return !name.empty() &&
           std::all_of(name.begin(), name.end(), [](unsigned char c) { return std::isdigit(c); });
}

// The names under which the kernel registers USB-serial adapters.
bool IsUsbSerial(const fs::path& device) {
    const std::string name = device.filename().string();
    return name.rfind("ttyUSB", 0) == 0 || name.rfind("ttyACM", 0) == 0;
}

std::string Command(const fs::path& process) {
    std::ifstream in(process / "comm");
    std::string command;
    std::getline(in, command);
    return command;
}

}  // namespace

PortHolder::PortHolder(fs::path proc, pid_t self) : proc_(std::move(proc)), self_(self) {}

std::string PortHolder::Find(const std::string& device) const {
    // Descriptors name the device by its real node, not by a /dev/serial/by-id link to it.
    std::error_code ec;
    fs::path node = fs::weakly_canonical(device, ec);
    if (ec) node = device;
    std::string holder = OpenedBy(node);
    if (holder.empty() && IsUsbSerial(node)) holder = RunningService();
    return holder;
}

template <typename Visit>
std::string PortHolder::FirstProcess(Visit visit) const {
    std::error_code ec;
    const std::string self = std::to_string(self_);
    // Processes come and go during the scan: a folder that vanished is passed over.
    for (fs::directory_iterator it(proc_, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string pid = it->path().filename().string();
        if (!IsNumber(pid) || pid == self) continue;
        if (visit(it->path())) return Command(it->path());
    }
    return {};
}

std::string PortHolder::OpenedBy(const fs::path& device) const {
    return FirstProcess([&device](const fs::path& process) {
        std::error_code ec;
        for (fs::directory_iterator it(process / "fd", ec), end; !ec && it != end; it.increment(ec)) {
            std::error_code linkError;
            if (fs::read_symlink(it->path(), linkError) == device && !linkError) return true;
        }
        return false;
    });
}

std::string PortHolder::RunningService() const {
    return FirstProcess([](const fs::path& process) {
        const std::string command = Command(process);
        return std::any_of(kAdapterServices.begin(), kAdapterServices.end(),
                           [&command](const char* service) { return command == service; });
    });
}

}  // namespace zov
