// One case for each exit status zovctl documents, against zovsim on a real pseudo-terminal: the
// status and a single "zovctl: reason" line on stderr.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "CliSupport.h"
#include "TestFiles.h"

namespace {

using zov::clitest::Result;
using zov::clitest::RunProgram;
using zov::testing::ScratchDir;
using zov::testing::WriteFile;

constexpr const char* kDevice = "@device";

TEST(ZovctlExitStatus, EachStatusOfTheTable) {
    zov::clitest::Zovsim sim(ZOVSIM_PATH, {"--no-pacing"});
    ScratchDir dir;
    // A definition file that is a folder cannot be written over.
    std::filesystem::create_directories(dir.File("blocked/fileh0.h"));
    WriteFile(dir.File("damaged.zvf"), "ZOV_CONF_file\r\nnot a configuration");
    struct Case {
        std::vector<std::string> args;
        int status;
        const char* reason;  // the start of the one stderr line
    } cases[] = {
        {{"--port", kDevice, "get", "46"}, 0, nullptr},
        {{"--port", "/dev/zov-no-such-port", "info"}, 1, "zovctl: No such device /dev/zov-no-such-port"},
        {{"--port", kDevice, "--frobnicate", "info"}, 2, "zovctl: unknown option --frobnicate"},
        {{"--port", kDevice, "get", "1", "2"}, 2, "zovctl: variable 1 has no elements"},
        {{"--port", kDevice, "get", "127"}, 3, "zovctl: variable 127 is not available"},
        {{"--port", kDevice, "read", dir.File("blocked")}, 4, "zovctl: cannot write the definition files"},
        {{"--port", kDevice, "--trace", dir.File("no/such/folder/trace"), "info"},
         4,
         "zovctl: cannot write the trace file"},
        {{"unpack-config", dir.File("damaged.zvf"), dir.File("out")}, 4, "zovctl: "},
        {{"unpack-config", dir.File("missing.zvf"), dir.File("out")}, 4, "zovctl: "},
    };
    for (Case& c : cases) {
        std::vector<std::string> args{ZOVCTL_PATH};
        for (const std::string& a : c.args) args.push_back(a == kDevice ? sim.device : a);
        const Result r = RunProgram(args);
        const std::string what = c.args[2 < c.args.size() ? 2 : 0] + " " + c.args.back();
        EXPECT_EQ(r.status, c.status) << what << ": " << r.err;
        if (c.reason == nullptr) {
            EXPECT_TRUE(r.err.empty()) << what << ": " << r.err;
            continue;
        }
        EXPECT_EQ(r.err.rfind(c.reason, 0), 0u) << what << ": " << r.err;
        EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << what << ": one line, got " << r.err;
    }
}

}  // namespace
