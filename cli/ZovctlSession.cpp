#include "ZovctlSession.h"

#include <cstdio>
#include <cstdlib>
#include <optional>

#include "ComInj.h"
#include "ConfigurationModel.h"
#include "GlobalData.h"
#include "MixedMapRecord.h"

namespace zov {

[[noreturn]] void Fail(ExitCode code, std::string reason) { throw Failure{code, std::move(reason)}; }

void Connect(ComInj& link, int portIndex) {
    link.SelectPort(portIndex);
    const std::string where = portIndex == CPort::kUsbPort ? std::string("the USB adapter")
                                                           : std::string(CPort::PortName(portIndex)) + " (" +
                                                                 link.PortPath(portIndex) + ")";
    // The device's own fault (no permission, no device, unplugged) says more than a silent ECU.
    if (!link.OpenPort() || (!link.Connect() && link.LastDeviceError())) {
        const DeviceError& error = link.LastDeviceError();
        Fail(kLinkFailure, error ? error.Text() : "cannot open " + where);
    }
    if (!link.IsConnected()) Fail(kLinkFailure, "no ECU answers on " + where);
}

void RequireSession(const ComInj& link) {
    if (link.DeviceLost()) Fail(kLinkFailure, link.LastDeviceError().Text());
    if (!link.IsConnected()) Fail(kLinkFailure, "the ECU session was lost");
}

void CheckRefused(const ComInj& link, int index) {
    RequireSession(link);
    if (link.ErrorFlags() & ERR_NOT_AVAILABLE)
        Fail(kRefused, "variable " + std::to_string(index) + " is not available");
    if (link.ErrorFlags() & ERR_REQUEST)
        Fail(kBadArgument, "variable " + std::to_string(index) + ": request refused by the link");
}

std::string Join(const int32_t* values, int count) {
    std::string s;
    for (int i = 0; i < count; ++i) {
        if (i) s += ' ';
        s += std::to_string(values[i]);
    }
    return s;
}

std::string RuntimeDirectory(const Options& o) {
    const std::string main = GlobalData::StoredMainPath(QString::fromStdString(o.settingsDirectory));
    if (!main.empty()) return main;
    const char* data = std::getenv("XDG_DATA_HOME");
    if (data && *data) return std::string(data) + "/zovqbr";
    const char* home = std::getenv("HOME");
    return std::string(home ? home : ".") + "/.local/share/zovqbr";
}

void LoadEcu(Session& session) {
    session.model.ReadFromEcu();
    RequireSession(session.link);
    const std::optional<std::string> rows =
        MixedMapRecord(MixedMapRecord::PathIn(RuntimeDirectory(session.options))).Of(session.model.Car());
    if (rows)
        std::fprintf(stderr,
                     "zovctl: warning: the ECU's map is mixed (new rows %s): a map download did not "
                     "complete; send a complete map\n",
                     rows->c_str());
}

}  // namespace zov
