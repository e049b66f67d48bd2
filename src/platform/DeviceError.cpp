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

std::string DeviceError::Text() const {
    switch (fault) {
        case DeviceFault::None:
            return {};
        case DeviceFault::PermissionDenied:
            if (path.find("hidraw") != std::string::npos)
                return "Permission denied on " + path +
                       ": install the udev rule 60-zovqbr-usb.rules (the package does) and plug the adapter "
                       "in "
                       "again";
            return "Permission denied on " + path +
                   ": add your user to the 'dialout' group (sudo usermod -aG dialout $USER) and log in again";
        case DeviceFault::NoSuchDevice:
            return "No such device " + path + ": plug the adapter in or choose another port";
        case DeviceFault::Busy:
            return path + " is busy: another program is using the port";
        case DeviceFault::NotSerial:
            return path + " is not a serial port";
        case DeviceFault::SetupRefused:
            return path + " does not accept the serial line settings";
        case DeviceFault::Lost:
            return path + " is no longer available: the adapter was disconnected";
        case DeviceFault::Other:
            break;
    }
    return "Cannot open " + path +
           (systemError ? ": " + std::string(std::strerror(systemError)) : std::string());
}

}  // namespace zov
