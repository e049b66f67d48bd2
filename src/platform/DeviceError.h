#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace zov {

// Why a serial device cannot be used: at opening, or because it went away while open.
enum class DeviceFault : uint8_t {
    None,
    PermissionDenied,  // the user may not open the port
    NoSuchDevice,      // nothing at that path (adapter unplugged, wrong name)
    Busy,              // another program holds the port
    NotSerial,         // the path is no terminal (a plain file, a fifo)
    SetupRefused,      // the port does not take the line settings
    Lost,              // the device disappeared or failed with an I/O error while open
    Other,
};

// The dictionary identifier of a fault's line and its English text, with "%1" for the device path
// and "%2" for the program holding it.
struct DeviceFaultText {
    const char* identifier;
    const char* english;
};

// A device fault with the path it concerns, the system's error number (0 when none applies) and,
// for a busy port, the program seen holding it (empty when none could be seen).
// Text() is the one line a user reads: what happened and, where there is one, the remedy.
struct DeviceError {
    DeviceFault fault = DeviceFault::None;
    std::string path;
    int systemError = 0;
    std::string holder = {};

    explicit operator bool() const { return fault != DeviceFault::None; }
    bool operator==(const DeviceError&) const = default;

    // The fault an errno of open() or flock() stands for.
    static DeviceError FromErrno(const std::string& path, int error);
    // The dictionary rows of Line(), for the windows that keep them (cut to 160 characters).
    static constexpr std::array<const char*, 11> kLineIdentifiers = {
        "MessPortNegato",     "MessPortNegatoUsb",    "MessPortAssente", "MessPortOccupato",
        "MessPortNonSeriale", "MessPortImpostazioni", "MessPortPerso",   "MessPortNonAperto",
        "MessPortOccupatoDa", "MessPortModemManager", "MessPortBrltty"};
    static constexpr int kLineLength = 160;

    // The line's identifier and English text; a fault with no line of its own gets "cannot open".
    DeviceFaultText Line() const;
    // The line in English, as the command line prints it.
    std::string Text() const;
    // The line from a translated pattern of Line(); an empty pattern gives the English one.
    std::string Text(const std::string& pattern) const;

  private:
    DeviceFaultText BusyLine() const;
};

}  // namespace zov
