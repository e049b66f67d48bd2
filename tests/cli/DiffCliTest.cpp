// zovctl diff end to end: the real program compares folders, saved configurations and zovsim's
// ECU over a pseudo-terminal.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "CliSupport.h"
#include "TestFiles.h"

namespace zov {
namespace {

using clitest::Result;
using clitest::RunProgram;
using testing::ReadFile;
using testing::ScratchDir;
using testing::WriteFile;

// No device answers here: a command that reaches for the ECU fails with status 1.
const char* const kNoDevice = "/dev/zov-no-such-device";

struct Sim : clitest::Zovsim {
    Sim() : Zovsim(ZOVSIM_PATH, {"--no-pacing"}) {}
};

Result Zovctl(const std::string& port, std::vector<std::string> args) {
    args.insert(args.begin(), {ZOVCTL_PATH, "--port", port});
    return RunProgram(args);
}

// Replaces the value on KEY's line of a CR LF definition file.
void SetDefinition(const std::string& path, const std::string& key, const std::string& value) {
    std::string text = ReadFile(path);
    const std::string start = "#define " + key + "  ";
    const size_t at = text.find(start);
    ASSERT_NE(at, std::string::npos) << key << " in " << path;
    ASSERT_EQ(text.find(start, at + 1), std::string::npos) << key << " twice in " << path;
    const size_t end = text.find("\r\n", at);
    text.replace(at + start.size(), end - at - start.size(), value);
    WriteFile(path, text);
}

// zovsim's configuration read into folder "a".
class ZovctlDiff : public ::testing::Test {
  protected:
    ZovctlDiff() {
        const Result read = Zovctl(sim.device, {"read", Path("a")});
        EXPECT_EQ(read.status, 0) << read.err;
    }
    std::string Path(const std::string& name) const { return dir.File(name); }

    Sim sim;
    ScratchDir dir;
};

TEST_F(ZovctlDiff, ListsTheThreeFieldsAndTheCellThatDifferWithoutAnEcu) {
    std::filesystem::copy(Path("a"), Path("b"));
    const struct {
        const char* file;
        const char* key;
        const char* valueA;
        const char* valueB;
    } edits[] = {
        {"fileh0.h", "MODELLO", "\"PUNTO\"", "\"CAFF\xC8\""},
        {"fileh0.h", "MAX_ERRORE_LAMBDA", "20", "31"},
        {"filemap0.map", "CL_4_2", "100", "250"},
        {"filepar0.dat", "DEC_3", "10", "12"},
    };
    for (const auto& e : edits) {
        SetDefinition(Path("a/") + e.file, e.key, e.valueA);
        SetDefinition(Path("b/") + e.file, e.key, e.valueB);
    }
    const Result packed = Zovctl(kNoDevice, {"pack-config", Path("b"), Path("b.zvf")});
    ASSERT_EQ(packed.status, 0) << packed.err;
    const std::string expected =
        "MAX_ERRORE_LAMBDA\t20\t31\n"
        "MODELLO\tPUNTO\tCAFF\u00C8\n"
        "CL_4_2\t100\t250\n"
        "DEC_3\t10\t12\n";

    for (const std::string& b : {Path("b"), Path("b.zvf")}) {
        const Result r = Zovctl(kNoDevice, {"diff", Path("a"), b});
        EXPECT_EQ(r.status, 1) << b << ": " << r.err;
        EXPECT_EQ(r.out, expected) << b;
        EXPECT_EQ(r.err, "") << b;
    }
    const Result equal = Zovctl(kNoDevice, {"diff", Path("b.zvf"), Path("b")});
    EXPECT_EQ(equal.status, 0) << equal.err;
    EXPECT_EQ(equal.out, "");
}

TEST_F(ZovctlDiff, TheEcuEqualsItsSavedConfigurationAndStaysAsItWas) {
    const Result before = Zovctl(sim.device, {"dump"});
    ASSERT_EQ(before.status, 0) << before.err;
    const Result saved = Zovctl(sim.device, {"save-config", Path("ecu.zvf")});
    ASSERT_EQ(saved.status, 0) << saved.err;

    for (const std::vector<std::string>& sides :
         {std::vector<std::string>{"ecu", Path("ecu.zvf")}, std::vector<std::string>{Path("a"), "ecu"}}) {
        const Result r = Zovctl(sim.device, {"diff", sides[0], sides[1]});
        EXPECT_EQ(r.status, 0) << sides[0] << " " << sides[1] << ": " << r.err;
        EXPECT_EQ(r.out, "");
    }
    const Result after = Zovctl(sim.device, {"dump"});
    EXPECT_EQ(after.out, before.out);
}

TEST_F(ZovctlDiff, BadUsageDamagedFilesAndNoEcuEndWithTheirStatus) {
    std::filesystem::copy(Path("a"), Path("bad"));
    SetDefinition(Path("bad/filemap0.map"), "CL_4_2", "99999");
    const Result saved = Zovctl(kNoDevice, {"pack-config", Path("a"), Path("a.zvf")});
    ASSERT_EQ(saved.status, 0) << saved.err;
    const std::string bytes = ReadFile(Path("a.zvf"));
    WriteFile(Path("short.zvf"), bytes.substr(0, bytes.size() - 100));

    const struct {
        std::string port;
        std::vector<std::string> args;
        int status;
        std::string error;
    } cases[] = {
        {kNoDevice, {"diff", Path("a")}, 2, "zovctl: usage: diff A B\n"},
        {kNoDevice, {"diff", Path("a"), Path("a"), Path("a")}, 2, "zovctl: usage: diff A B\n"},
        {kNoDevice, {"diff", Path("a"), Path("bad")}, 4, "its map file is damaged"},
        {sim.device, {"diff", "ecu", Path("bad")}, 4, "its map file is damaged"},
        {kNoDevice, {"diff", Path("short.zvf"), Path("a")}, 4, "short.zvf"},
        {kNoDevice, {"diff", Path("none.zvf"), Path("a")}, 4, "none.zvf"},
        {kNoDevice, {"diff", "ecu", Path("a")}, 1, kNoDevice},
    };
    for (const auto& c : cases) {
        const Result r = Zovctl(c.port, c.args);
        EXPECT_EQ(r.status, c.status) << c.args.back() << ": " << r.err;
        EXPECT_NE(r.err.find(c.error), std::string::npos) << r.err;
        EXPECT_EQ(r.out, "");
    }
}

}  // namespace
}  // namespace zov
