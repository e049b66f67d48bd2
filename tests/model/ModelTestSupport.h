#pragma once

// Shared pieces of the model tests: a scratch directory, whole-file helpers, the ECU simulator on
// a virtual clock with the three model objects on top of it, and views of the requests it got.

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <ostream>
#include <stdexcept>
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
#include "TestFiles.h"

namespace zov::testing {

// A file's access rights, for the checks on what a save leaves readable.
inline mode_t ModeOf(const std::string& path) {
    struct stat st {};
    EXPECT_EQ(::stat(path.c_str(), &st), 0) << path;
    return st.st_mode & 07777;
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

inline std::vector<std::string> ReadLines(const std::string& path) { return CrLfLines(ReadFile(path)); }

inline void WriteLines(const std::string& path, const std::vector<std::string>& lines) {
    WriteFile(path, JoinCrLf(lines, lines.size()));
}

// Line `number` (1-based) of a file's lines.
inline const std::string& Line(const std::vector<std::string>& lines, int number) {
    return lines.at(size_t(number - 1));
}

// The pid of a process that has ended (a child that exited at once): no process runs under it.
inline pid_t DeadPid() {
    const pid_t pid = fork();
    if (pid == 0) _exit(0);
    int status = 0;
    waitpid(pid, &status, 0);
    return pid;
}

// 12 October 1998: day number 36080, the ECU's day 0.
constexpr double kEcuDayZero = 36080;

inline sim::EcuConfig EcuWithVersion(int version, bool mapB = true) {
    sim::EcuConfig config;
    config.version = version;
    config.mapB = mapB;
    return config;
}

// The three model objects, built in start-up order, on a link to the ECU simulator (virtual
// time, recorded requests). DATA_PROGRAMMA starts on a fixed day, not today.
struct ModelBench {
    explicit ModelBench(sim::EcuConfig config = {}, bool connect = true)
        : ecu(std::move(config)),
          line(ecu, clock),
          link(0, 5, line, clock, prompter),
          map(link, car, "filemap0.map"),
          car(link, "fileh0.h", prompter, [] { return kEcuDayZero + 9000; }),
          param(link, car, "filepar0.dat", prompter) {
        link.SetLinkMessages();
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

// Where a request's variable byte is: block writes (0x3E, 0x7E) carry a length byte before it.
inline size_t VarOffset(const std::vector<uint8_t>& request) {
    return request[0] == 0x3E || request[0] == 0x7E ? 2 : 1;
}

// One request as the ECU received it: opcode, variable and the byte after the variable (row,
// element, or the value of a byte write); -1 where the request has none.
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
        const size_t at = VarOffset(r);
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

// The vehicle-configuration tests look at the requests by opcode and variable alone.
struct CarBench : ModelBench {
    using ModelBench::ModelBench;

    struct Command {
        int op;
        int var;
        bool operator==(const Command&) const = default;
    };
    // The requests that address a variable.
    std::vector<Command> Commands() const {
        std::vector<Command> out;
        for (const testing::Command& c : testing::Commands(ecu))
            if (c.var >= 0) out.push_back({c.op, c.var});
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
            const size_t at = VarOffset(r);
            if (r[at] != var) continue;
            return std::vector<uint8_t>(r.begin() + long(at) + 1, r.end() - 1);
        }
        return {};
    }
};

// A scratch directory with one definition file's path in it, for the file tests of a model
// object.
class DefinitionFileTest : public ::testing::Test {
  protected:
    explicit DefinitionFileTest(const std::string& fileName) : path_(dir_.File(fileName)) {}

    // Writes `model`'s definition file at path_ and returns its lines.
    template <typename Model>
    std::vector<std::string> Written(Model& model) {
        model.SetFileName(path_);
        EXPECT_TRUE(model.WriteDefinitionFile());
        return ReadLines(path_);
    }

    ScratchDir dir_;
    std::string path_;
};

}  // namespace zov::testing
