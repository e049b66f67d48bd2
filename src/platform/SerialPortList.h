#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace zov {

// The serial ports this machine has, as device paths: the on-board and PCI ports (/dev/ttyS*)
// that have a UART behind them, USB adapters (/dev/ttyUSB*, /dev/ttyACM*), then the stable names
// of /dev/serial/by-id, which stay the same whichever order adapters were plugged in.
//
// The kernel makes a /dev/ttyS node for every port the 8250 driver could serve, so a node alone
// says nothing: a port counts when sysfs shows a device behind it and, for the 8250 driver's
// placeholder ports, a UART type other than 0.
class SerialPortList {
  public:
    // `root` stands for "/": tests pass a folder holding a small dev/ and sys/ tree.
    explicit SerialPortList(std::filesystem::path root = "/");

    std::vector<std::string> Ports() const;

  private:
    bool HasUart(const std::string& name) const;
    // Nodes of `dev` whose names start with `prefix` followed by a number, in numeric order.
    std::vector<std::string> Numbered(const std::string& prefix) const;
    std::vector<std::string> StableNames() const;

    std::filesystem::path root_;
};

}  // namespace zov
