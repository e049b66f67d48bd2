#pragma once

// A connected ECU simulator with the three model objects built in start-up order, shared by the
// map and parameter tests.

#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "Clock.h"
#include "ComInj.h"
#include "ConfCar.h"
#include "ConfMap.h"
#include "ConfParam.h"
#include "EcuSimulator.h"
#include "Prompter.h"
#include "SimulatedLine.h"

namespace zov::mptest {

inline sim::EcuConfig EcuWithVersion(int version, bool mapB = true) {
    sim::EcuConfig config;
    config.version = version;
    config.mapB = mapB;
    return config;
}

struct SimBench {
    explicit SimBench(sim::EcuConfig config = {}, bool connect = true)
        : ecu(std::move(config)),
          line(ecu, clock),
          link(0, 5, line, clock, prompter),
          map(link, car, "filemap0.map"),
          car(link, "fileh0.h", prompter),
          param(link, car, "filepar0.dat", prompter) {
        if (connect) link.Connect();
        ecu.ClearRequests();
    }

    VirtualClock clock;
    sim::EcuSimulator ecu;
    sim::SimulatedLine line;
    ScriptedPrompter prompter;
    ComInj link;
    // Start-up order: the maps exist before the vehicle configuration they refer to.
    ConfMap map;
    ConfCar car;
    ConfParam param;
};

// One request as the ECU received it: opcode, variable and the byte after the variable (row,
// element, or the value of a byte write; -1 when the request has none). The length byte of
// 0x3E / 0x7E is skipped.
struct Command {
    int op;
    int var;
    int arg;
    bool operator==(const Command&) const = default;
};

inline std::vector<Command> Commands(const sim::EcuSimulator& ecu) {
    std::vector<Command> out;
    for (const sim::FrameRecord& f : ecu.Requests()) {
        const std::vector<uint8_t>& r = f.request;
        if (r.empty()) continue;
        const size_t at = (r[0] == 0x3E || r[0] == 0x7E) ? 2 : 1;
        // The last byte is the checksum.
        const int var = r.size() > at + 1 ? r[at] : -1;
        const int arg = r.size() > at + 2 ? r[at + 1] : -1;
        out.push_back({r[0], var, arg});
    }
    return out;
}

// Just the variables the requests addressed, in order.
inline std::vector<int> Vars(const sim::EcuSimulator& ecu) {
    std::vector<int> out;
    for (const Command& c : Commands(ecu)) out.push_back(c.var);
    return out;
}

inline std::ostream& operator<<(std::ostream& os, const Command& c) {
    return os << "{op 0x" << std::hex << c.op << std::dec << ", var " << c.var << ", arg " << c.arg << "}";
}

// A scratch directory removed with the object.
class TempDir {
  public:
    TempDir() {
        static int counter = 0;
        path_ = std::filesystem::temp_directory_path() /
                ("zov_model_" + std::to_string(::getpid()) + "_" + std::to_string(counter++));
        std::filesystem::create_directories(path_);
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    std::string File(const std::string& name) const { return (path_ / name).string(); }

  private:
    std::filesystem::path path_;
};

inline std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// Lines without their CR LF.
inline std::vector<std::string> ReadLines(const std::string& path) {
    std::vector<std::string> lines;
    std::istringstream in(ReadAll(path));
    std::string l;
    while (std::getline(in, l)) {
        if (!l.empty() && l.back() == '\r') l.pop_back();
        lines.push_back(l);
    }
    return lines;
}

inline void WriteLines(const std::string& path, const std::vector<std::string>& lines) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    for (const std::string& l : lines) out << l << "\r\n";
}

}  // namespace zov::mptest
