#include "DeviceError.h"

#include <cerrno>
#include <cstring>

namespace zov {

DeviceError DeviceError::FromErrno(const std::string& path, int error) {
    DeviceFault fault = DeviceFault::Other;
    switch (error) {
        case EACCES:
        case EPERM:
            fault = DeviceFault::PermissionDenied;
            break;
        case ENOENT:
        case ENODEV:
        case ENXIO:
            fault = DeviceFault::NoSuchDevice;
            break;
        case EBUSY:
        case EWOULDBLOCK:
            fault = DeviceFault::Busy;
            break;
        case ENOTTY:
            fault = DeviceFault::NotSerial;
            break;
        default:
            break;
    }
    return {fault, path, error};
}

// The services that take USB-serial adapters for their own devices each have their own remedy.
DeviceFaultText DeviceError::BusyLine() const {
    if (holder.empty()) return {"MessPortOccupato", "%1 is busy: another program is using the port"};
    if (holder == "ModemManager")
        return {"MessPortModemManager",
                "%1 is busy: ModemManager takes USB-serial adapters for modems; keep it off this one (udev "
                "property ID_MM_DEVICE_IGNORE, see man zovqbr) and plug it in again"};
    if (holder == "brltty")
        return {"MessPortBrltty",
                "%1 is busy: brltty takes some USB-serial adapters for braille displays; without one, "
                "remove it (sudo apt remove brltty) and plug the adapter in again"};
    return {"MessPortOccupatoDa", "%1 is busy: %2 is using it; close %2 and try again"};
}

DeviceFaultText DeviceError::Line() const {
    switch (fault) {
        case DeviceFault::None:
            return {"", ""};
        case DeviceFault::PermissionDenied:
            if (path.find("hidraw") != std::string::npos)
                return {
                    "MessPortNegatoUsb",
                    "Permission denied on %1: install the udev rule 60-zovqbr-usb.rules (the package does) "
                    "and plug the adapter in again"};
            return {"MessPortNegato",
                    "Permission denied on %1: add your user to the 'dialout' group (sudo usermod -aG dialout "
                    "$USER) and log in again"};
        case DeviceFault::NoSuchDevice:
            return {"MessPortAssente", "No such device %1: plug the adapter in or choose another port"};
        case DeviceFault::Busy:
            return BusyLine();
        case DeviceFault::NotSerial:
            return {"MessPortNonSeriale", "%1 is not a serial port"};
        case DeviceFault::SetupRefused:
            return {"MessPortImpostazioni", "%1 does not accept the serial line settings"};
        case DeviceFault::Lost:
            return {"MessPortPerso", "%1 is no longer available: the adapter was disconnected"};
        case DeviceFault::Other:
            break;
    }
    return {"MessPortNonAperto", "Cannot open %1"};
}

std::string DeviceError::Text() const { return Text(Line().english); }

std::string DeviceError::Text(const std::string& pattern) const {
    if (fault == DeviceFault::None) return {};
    const std::string use = pattern.empty() ? std::string(Line().english) : pattern;
    std::string out;
    for (size_t i = 0; i < use.size(); ++i) {
        if (use.compare(i, 2, "%1") == 0) {
            out += path;
            ++i;
        } else if (use.compare(i, 2, "%2") == 0) {
            out += holder;
            ++i;
        } else {
            out += use[i];
        }
    }
    // Only the system knows why an unclassified fault happened.
    if (fault == DeviceFault::Other && systemError) out += ": " + std::string(std::strerror(systemError));
    return out;
}

}  // namespace zov
