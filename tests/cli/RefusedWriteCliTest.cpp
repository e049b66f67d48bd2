// Writes the ECU refuses, end to end against zovsim: a load goes on and names each refused
// variable, and a map download cut part-way says which rows the ECU holds new, keeps the map and
// never resets the self-adaptation.
#include <gtest/gtest.h>

#include <QSettings>
#include <QTemporaryDir>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "CliSupport.h"

namespace zov {
namespace {

using clitest::Result;
using clitest::RunProgram;

// A runtime directory named by its own settings store, as the program's own one is.
class RefusedWrites : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        QSettings(dir_.path() + "/Ovalix srl/Install.ini", QSettings::IniFormat)
            .setValue("MainPath", dir_.path());
    }
    Result Zovctl(const std::string& port, std::vector<std::string> args) const {
        args.insert(args.begin(), {ZOVCTL_PATH, "--settings", Runtime(), "--port", port});
        return RunProgram(args);
    }
    std::string Get(const std::string& port, const std::string& var) const {
        const Result r = Zovctl(port, {"get", var});
        EXPECT_EQ(r.status, 0) << "get " << var << ": " << r.err;
        return r.out;
    }
    std::string Runtime() const { return dir_.path().toStdString(); }
    QTemporaryDir dir_;
};

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

TEST_F(RefusedWrites, ALoadNamesEachRefusedVariableAndEndsIncomplete) {
    clitest::Zovsim source(ZOVSIM_PATH, {"--no-pacing", "--displacement", "1900"});
    const std::string set = Runtime() + "/set", packed = Runtime() + "/conf.zvf";
    ASSERT_EQ(Zovctl(source.device, {"read", set}).status, 0);
    ASSERT_EQ(Zovctl(source.device, {"save-config", packed}).status, 0);
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"write", set}, {"load-config", packed}}) {
        clitest::Zovsim sim(ZOVSIM_PATH, {"--no-pacing", "--refuse", "24"});

        const Result r = Zovctl(sim.device, args);

        EXPECT_EQ(r.status, 6) << args[0] << ": " << r.err;
        const std::vector<std::string> err = Lines(r.err);
        ASSERT_EQ(err.size(), 2u) << r.err;
        EXPECT_EQ(err[0], "refused: 24 RIF_SUP_LAMBDA_FREDDA") << args[0];
        EXPECT_EQ(err[1].rfind("zovctl: the ECU refused 1 variable", 0), 0u) << args[0];
        EXPECT_EQ(Get(sim.device, "40"), "1900\n") << args[0] << ": the rest of the load reached the ECU";
    }
}

// On the simulator's axes these points lie on a plane (as in the fit tests).
const char* const kPlanePoints = "650,29,100\n3100,29,300\n650,159,500\n";

TEST_F(RefusedWrites, AFitDownloadCutByARefusalSaysWhatTheEcuHolds) {
    clitest::Zovsim sim(ZOVSIM_PATH, {"--no-pacing", "--refuse-writes-after", "50:5"});
    const std::string points = Runtime() + "/points.csv";
    std::ofstream(points) << kPlanePoints;
    const std::vector<std::string> old = Lines(Get(sim.device, "50"));
    const std::string counters = Get(sim.device, "115");
    const Result fitted = Zovctl(sim.device, {"fit", points});
    ASSERT_EQ(fitted.status, 0) << fitted.err;

    const Result r = Zovctl(sim.device, {"fit", points, "--download"});

    EXPECT_EQ(r.status, 6) << r.err;
    EXPECT_EQ(r.out, "") << "no map printed as if it had arrived";
    const std::vector<std::string> err = Lines(r.err);
    ASSERT_EQ(err.size(), 2u) << r.err;
    EXPECT_EQ(err[0], "refused: 50 CL");
    EXPECT_NE(err[1].find("the ECU holds the new map only in rows 0-4"), std::string::npos) << err[1];
    EXPECT_NE(err[1].find("the self-adaptation was not reset"), std::string::npos) << err[1];
    const std::string kept = Runtime() + "/Config/MappaNonInviata/filemap0.map";
    EXPECT_NE(err[1].find(kept), std::string::npos) << err[1];
    EXPECT_TRUE(std::filesystem::is_regular_file(kept));
    // What the message says, row by row.
    const std::vector<std::string> now = Lines(Get(sim.device, "50")), map = Lines(fitted.out);
    ASSERT_EQ(now.size(), 16u);
    for (size_t row = 0; row < now.size(); ++row)
        EXPECT_EQ(now[row], row < 5 ? map[row] : old[row]) << "row " << row;
    EXPECT_EQ(Get(sim.device, "115"), counters);
    // The next session with this ECU says its map is mixed.
    const Result next = Zovctl(sim.device, {"dump"});
    EXPECT_NE(next.err.find("the ECU's map is mixed (new rows 0-4)"), std::string::npos) << next.err;
}

}  // namespace
}  // namespace zov
