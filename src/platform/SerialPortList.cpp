#include "SerialPortList.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <system_error>
#include <utility>

namespace zov {

namespace fs = std::filesystem;

namespace {

// The number after `prefix`, or -1 when the rest of the name is not all digits.
long NumberAfter(const std::string& name, const std::string& prefix) {
    if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0) return -1;
    const std::string digits = name.substr(prefix.size());
    if (!std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; })) return -1;
    return std::strtol(digits.c_str(), nullptr, 10);
}

std::string FirstLine(const fs::path& file) {
    std::ifstream in(file);
    std::string line;
    std::getline(in, line);
    return line;
}

}  // namespace

SerialPortList::SerialPortList(fs::path root) : root_(std::move(root)) {}

std::vector<std::string> SerialPortList::Ports() const {
    std::vector<std::string> ports;
    for (const std::string& name : Numbered("ttyS")) {
        if (HasUart(name)) ports.push_back("/dev/" + name);
    }
    for (const char* prefix : {"ttyUSB", "ttyACM"}) {
        for (const std::string& name : Numbered(prefix)) ports.push_back("/dev/" + name);
    }
    for (const std::string& name : StableNames()) ports.push_back("/dev/serial/by-id/" + name);
    return ports;
}

bool SerialPortList::HasUart(const std::string& name) const {
    const fs::path tty = root_ / "sys/class/tty" / name;
    std::error_code ec;
    if (!fs::exists(tty / "device", ec)) return false;
    const fs::path driver = fs::read_symlink(tty / "device/driver", ec);
    if (ec || driver.filename() != "serial8250") return true;
    const std::string type = FirstLine(tty / "type");
    return !type.empty() && type != "0";
}

std::vector<std::string> SerialPortList::Numbered(const std::string& prefix) const {
    std::vector<std::pair<long, std::string>> found;
    std::error_code ec;
    for (const fs::directory_entry& e : fs::directory_iterator(root_ / "dev", ec)) {
        const std::string name = e.path().filename().string();
        const long number = NumberAfter(name, prefix);
        if (number >= 0 && !e.is_directory(ec)) found.emplace_back(number, name);
    }
    std::sort(found.begin(), found.end());
    std::vector<std::string> names;
    for (auto& [number, name] : found) names.push_back(std::move(name));
    return names;
}

std::vector<std::string> SerialPortList::StableNames() const {
    std::vector<std::string> names;
    std::error_code ec;
    // A name whose device has gone is not offered.
    for (const fs::directory_entry& e : fs::directory_iterator(root_ / "dev/serial/by-id", ec)) {
        if (e.exists(ec)) names.push_back(e.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace zov
