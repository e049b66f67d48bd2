// zovctl report end to end: the real program writes the report of zovsim's ECU over a
// pseudo-terminal, or of a saved configuration with no ECU at all.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "../report/PdfTools.h"
#include "CliSupport.h"
#include "TestFiles.h"

namespace zov {
namespace {

using clitest::Result;
using clitest::RunProgram;
using testing::PdfPageInfo;
using testing::PdfText;
using testing::ReadFile;
using testing::ScratchDir;
using testing::WordsOfLine;
using testing::WriteFile;

// No device answers here: a command that reaches for the ECU fails with status 1.
const char* const kNoDevice = "/dev/zov-no-such-device";

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
    const size_t end = text.find("\r\n", at);
    text.replace(at + start.size(), end - at - start.size(), value);
    WriteFile(path, text);
}

TEST(ZovctlReport, FivePagesOfTheConnectedEcu) {
    clitest::Zovsim sim(ZOVSIM_PATH, {"--no-pacing", "--model", "LANCIA Y 1.2"});
    ScratchDir dir;
    const std::string pdf = dir.File("ecu.pdf");
    const Result r = Zovctl(sim.device, {"report", pdf});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "");
    const testing::PdfPages info = PdfPageInfo(pdf, 5);
    EXPECT_EQ(info.count, 5);
    EXPECT_EQ(info.landscape, (std::vector<bool>{false, true, false, true, true}));
    const std::string text = PdfText(pdf);
    for (const char* expected : {"LANCIA Y 1.2", "Pag. 1/5", "Mappatura della vettura:", "Pag. 5/5"})
        EXPECT_NE(text.find(expected), std::string::npos) << expected;
}

// A value the ECU refused is printed as the model holds it: the report is written, and says so.
TEST(ZovctlReport, RefusedVariablesEndItAsIncomplete) {
    clitest::Zovsim sim(ZOVSIM_PATH, {"--no-pacing", "--refuse", "26"});
    ScratchDir dir;
    const Result r = Zovctl(sim.device, {"report", dir.File("ecu.pdf")});
    EXPECT_EQ(r.status, 6) << r.err;
    EXPECT_NE(r.err.find("refused variable 26 (TEMPO_DI_SONDA_FREDDA)"), std::string::npos) << r.err;
    EXPECT_EQ(PdfPageInfo(dir.File("ecu.pdf"), 5).count, 5);
}

TEST(ZovctlReport, FromASavedConfigurationWithoutAnEcu) {
    clitest::Zovsim sim(ZOVSIM_PATH, {"--no-pacing"});
    ScratchDir dir;
    ASSERT_EQ(Zovctl(sim.device, {"read", dir.File("conf")}).status, 0);
    SetDefinition(dir.File("conf/fileh0.h"), "MODELLO", "\"ALFA 147 GPL\"");
    SetDefinition(dir.File("conf/filemap0.map"), "CL_7_5", "654");
    const Result packed = Zovctl(kNoDevice, {"pack-config", dir.File("conf"), dir.File("alfa.zvf")});
    ASSERT_EQ(packed.status, 0) << packed.err;

    const std::string pdf = dir.File("alfa.pdf");
    const Result r = Zovctl(kNoDevice, {"report", pdf, "--from", dir.File("alfa.zvf")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(PdfPageInfo(pdf, 5).count, 5);
    EXPECT_EQ(WordsOfLine(PdfText(pdf, 1, 1), "Modello"),
              (std::vector<std::string>{"Modello", "vettura", "ALFA", "147", "GPL"}));
    const std::vector<std::string> row = WordsOfLine(PdfText(pdf, 4, 4), "0.78");
    ASSERT_EQ(row.size(), 21u);
    EXPECT_EQ(row[1 + 7], "654");

    // --from before the output name reads the same.
    const Result swapped = Zovctl(kNoDevice, {"report", "--from", dir.File("conf"), dir.File("folder.pdf")});
    ASSERT_EQ(swapped.status, 0) << swapped.err;
    EXPECT_NE(PdfText(dir.File("folder.pdf")).find("ALFA 147 GPL"), std::string::npos);
}

TEST(ZovctlReport, BadInputLeavesTheOldReportAndSaysWhy) {
    ScratchDir dir;
    const std::string pdf = dir.File("old.pdf");
    WriteFile(pdf, "last week's report");
    WriteFile(dir.File("damaged.zvf"), "ZOV_CONFIG_file but nothing else");
    const struct {
        std::vector<std::string> args;
        int status;
        const char* says;
    } cases[] = {
        {{"report", pdf, "--from", dir.File("damaged.zvf")}, 4, "damaged.zvf"},
        {{"report", pdf, "--from", dir.File("missing.zvf")}, 4, "missing.zvf"},
        {{"report", pdf}, 1, kNoDevice},
        {{"report"}, 2, "usage: report OUT.pdf [--from FILE.zvf]"},
        {{"report", pdf, "--from"}, 2, "usage: report"},
        {{"report", pdf, "extra", "words"}, 2, "usage: report"},
    };
    for (const auto& c : cases) {
        const Result r = Zovctl(kNoDevice, c.args);
        EXPECT_EQ(r.status, c.status) << c.args.size() << " " << r.err;
        EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
    }
    EXPECT_EQ(ReadFile(pdf), "last week's report");
    EXPECT_EQ(dir.Entries(), (std::vector<std::string>{"damaged.zvf", "old.pdf"}));

    // A folder the report cannot be written into.
    clitest::Zovsim sim(ZOVSIM_PATH, {"--no-pacing"});
    const Result r = Zovctl(sim.device, {"report", dir.File("no-such-folder/ecu.pdf")});
    EXPECT_EQ(r.status, 4);
    EXPECT_NE(r.err.find("no-such-folder"), std::string::npos) << r.err;
}

// Under a file-size limit the report fails as on a full disk: its reason, status 4, the earlier
// report as it was and nothing beside it; the limit's signal kills nothing.
TEST(ZovctlReport, AFileSizeLimitKeepsTheEarlierReport) {
    clitest::Zovsim sim(ZOVSIM_PATH, {"--no-pacing"});
    ScratchDir dir;
    const std::string pdf = dir.File("old.pdf");
    WriteFile(pdf, "the report printed last week");
    const Result r = RunProgram({ZOVCTL_PATH, "--port", sim.device, "report", pdf}, 4096);
    EXPECT_EQ(r.signal, 0);
    EXPECT_EQ(r.status, 4);
    EXPECT_EQ(r.err, "zovctl: cannot write " + pdf + ": File too large\n");
    EXPECT_EQ(ReadFile(pdf), "the report printed last week");
    EXPECT_EQ(dir.Entries(), std::vector<std::string>{"old.pdf"});
}

}  // namespace
}  // namespace zov
