#pragma once

// Shared pieces of the IoBaseData and ConfCar tests: a scratch directory, whole-file helpers and
// an ECU simulator on a virtual clock with the vehicle configuration on top of it.

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

#include "Clock.h"
#include "ComInj.h"
#include "ConfCar.h"
#include "EcuSimulator.h"
#include "Prompter.h"
#include "SimulatedLine.h"

namespace zov::testing {

// A fresh directory under the system's temporary folder, removed with the object.
class ScratchDir {
  public:
    ScratchDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "zov_car_XXXXXX").string();
        if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
        path_ = pattern;
    }
    ~ScratchDir() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    std::string File(const std::string& name) const { return (path_ / name).string(); }

  private:
    std::filesystem::path path_;
};

inline void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

inline std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Lines of a CR LF file, without their line ends.
inline std::vector<std::string> CrLfLines(const std::string& bytes) {
    std::vector<std::string> lines;
    size_t from = 0;
    for (size_t at; (at = bytes.find("\r\n", from)) != std::string::npos; from = at + 2)
        lines.push_back(bytes.substr(from, at - from));
    return lines;
}

inline std::string JoinCrLf(const std::vector<std::string>& lines, size_t count) {
    std::string out;
    for (size_t i = 0; i < count && i < lines.size(); ++i) out += lines[i] + "\r\n";
    return out;
}

// 12 October 1998: day number 36080, the ECU's day 0.
constexpr double kEcuDayZero = 36080;

// The vehicle configuration on a link to the ECU simulator (virtual time, recorded requests).
struct CarBench {
    explicit CarBench(sim::EcuConfig config = {}, bool connect = true)
        : ecu(std::move(config)),
          line(ecu, clock),
          link(0, 5, line, clock, prompter),
          car(link, "fileh0.h", prompter, [] { return kEcuDayZero + 9000; }) {
        link.SetLinkMessages();
        if (connect) link.Connect();
        ecu.ClearRequests();
    }

    // Opcode and variable of every request since the last clear.
    struct Command {
        int op;
        int var;
        bool operator==(const Command&) const = default;
    };
    std::vector<Command> Commands() const {
        std::vector<Command> out;
        for (const sim::FrameRecord& f : ecu.Requests()) {
            const std::vector<uint8_t>& r = f.request;
            if (r.size() < 3) continue;
            const size_t at = (r[0] == 0x3E || r[0] == 0x7E) ? 2 : 1;
            out.push_back({r[0], r[at]});
        }
        return out;
    }
    // Variables read (scalar, array or element reads), in order, consecutive element reads of
    // one text folded into one entry.
    std::vector<int> ReadVars() const {
        std::vector<int> out;
        for (const Command& c : Commands()) {
            const bool read = c.op == 0x01 || c.op == 0x21 || c.op == 0x05;
            if (!read) continue;
            if (c.op == 0x05 && !out.empty() && out.back() == c.var) continue;
            out.push_back(c.var);
        }
        return out;
    }
    // Variables written, in order.
    std::vector<int> WrittenVars() const {
        std::vector<int> out;
        for (const Command& c : Commands())
            if ((c.op & 0x03) == 0x02) out.push_back(c.var);
        return out;
    }
    // The value bytes of the last write to `var` (after index/element bytes), empty if none.
    std::vector<uint8_t> LastWrite(int var) const {
        const auto& log = ecu.Requests();
        for (auto it = log.rbegin(); it != log.rend(); ++it) {
            const std::vector<uint8_t>& r = it->request;
            if (r.size() < 3 || (r[0] & 0x03) != 0x02) continue;
            const size_t at = (r[0] == 0x3E || r[0] == 0x7E) ? 2 : 1;
            if (r[at] != var) continue;
            return std::vector<uint8_t>(r.begin() + long(at) + 1, r.end() - 1);
        }
        return {};
    }

    VirtualClock clock;
    sim::EcuSimulator ecu;
    sim::SimulatedLine line;
    ScriptedPrompter prompter;
    ComInj link;
    ConfCar car;
};

inline sim::EcuConfig EcuOfVersion(int version) {
    sim::EcuConfig config;
    config.version = version;
    return config;
}

}  // namespace zov::testing
