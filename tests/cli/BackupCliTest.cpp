// The backup zovctl makes before it reprograms the ECU, end to end against zovsim.
#include <gtest/gtest.h>

#include <QSettings>
#include <QTemporaryDir>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "CliSupport.h"
#include "FirmwareSample.h"

namespace zov {
namespace {

using clitest::Result;
using clitest::RunProgram;

struct Sim : clitest::Zovsim {
    explicit Sim(std::vector<std::string> options = {}) : Zovsim(ZOVSIM_PATH, Fast(std::move(options))) {}
    static std::vector<std::string> Fast(std::vector<std::string> options) {
        options.insert(options.begin(), {"--no-pacing", "--restart-ms", "100", "--ecu-version", "200",
                                         "--model", "PUNTO 1.2", "--program-name", "GPL"});
        return options;
    }
};

// A runtime directory named as MainPath by its own settings store, and a firmware file.
class ProgramBackup : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        QSettings(dir_.path() + "/Ovalix srl/Install.ini", QSettings::IniFormat)
            .setValue("MainPath", dir_.path());
        SampleFirmware sample;
        sample.version = 0xD0;
        sample.programBytes = 2048;
        std::ofstream(firmware_, std::ios::binary) << SampleEcuFile(sample);
    }
    Result Zovctl(const std::string& port, std::vector<std::string> args) const {
        args.insert(args.begin(), {ZOVCTL_PATH, "--settings", dir_.path().toStdString(), "--port", port});
        return RunProgram(args);
    }
    std::vector<std::string> Backups() const {
        std::vector<std::string> names;
        std::error_code ec;
        for (std::filesystem::directory_iterator it(folder_, ec), end; !ec && it != end; it.increment(ec))
            names.push_back(it->path().filename().string());
        return names;
    }
    std::string Info(const std::string& port) const { return Zovctl(port, {"info"}).out; }
    // The dump's lines without the identification the new program brings along (MODELLO and
    // NOME_PROGRAMMA name the program, and a configuration does not carry them into the ECU).
    static std::vector<std::string> Configuration(const std::string& dump) {
        std::vector<std::string> lines;
        for (size_t from = 0, at; (at = dump.find('\n', from)) != std::string::npos; from = at + 1) {
            const std::string line = dump.substr(from, at - from);
            if (line.rfind("MODELLO=", 0) != 0 && line.rfind("NOME_PROGRAMMA=", 0) != 0)
                lines.push_back(line);
        }
        return lines;
    }

    QTemporaryDir dir_;
    std::string folder_ = dir_.path().toStdString() + "/Config/Backup";
    std::string firmware_ = dir_.path().toStdString() + "/StandardGpl_0D0.zov";
};

TEST_F(ProgramBackup, IsMadeBeforeProgrammingAndLoadsBackToTheSameConfiguration) {
    Sim sim;
    ASSERT_EQ(Zovctl(sim.device, {"set", "0", "440"}).status, 0);
    const Result before = Zovctl(sim.device, {"dump"});
    ASSERT_EQ(before.status, 0) << before.err;

    const Result r = Zovctl(sim.device, {"program", firmware_});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::vector<std::string> backups = Backups();
    ASSERT_EQ(backups.size(), 1u);
    const std::string& name = backups[0];
    EXPECT_EQ(name.size(), std::string("2026-12-10_1432_PUNTO12_GPL.zvf").size()) << name;
    EXPECT_EQ(name.substr(15), "_PUNTO12_GPL.zvf");
    const std::string path = folder_ + "/" + name;
    EXPECT_NE(r.err.find("zovctl: backup " + path + "\n"), std::string::npos) << r.err;
    EXPECT_LT(r.err.find("zovctl: backup "), r.err.find("programming [")) << "the backup comes first";
    EXPECT_NE(Info(sim.device).find("NOME_PROGRAMMA=StandardGpl_0D0\n"), std::string::npos);

    EXPECT_NE(Zovctl(sim.device, {"get", "0"}).out, "440\n")
        << "the new program brings its own configuration";
    ASSERT_EQ(Zovctl(sim.device, {"load-config", path}).status, 0);
    const Result after = Zovctl(sim.device, {"dump"});
    ASSERT_EQ(after.status, 0) << after.err;
    const std::vector<std::string> was = Configuration(before.out), is = Configuration(after.out);
    ASSERT_EQ(is.size(), was.size());
    EXPECT_GT(was.size(), 1000u);
    for (size_t i = 0; i < was.size(); ++i) EXPECT_EQ(is[i], was[i]);
    EXPECT_NE(std::find(is.begin(), is.end(), "RITARDO_MASSIMO_CAMBIO=440"), is.end());
}

TEST_F(ProgramBackup, WithoutABackupTheEcuIsProgrammedOnlyWhenForced) {
    std::filesystem::create_directories(dir_.path().toStdString() + "/Config");
    std::ofstream(folder_) << "in the way";
    Sim sim;
    const Result refused = Zovctl(sim.device, {"program", firmware_});
    EXPECT_EQ(refused.status, 4);
    EXPECT_NE(refused.err.find("zovctl: no backup: cannot create the backup folder " + folder_),
              std::string::npos)
        << refused.err;
    EXPECT_NE(refused.err.find("(the ECU was not touched; --force programs without a backup)\n"),
              std::string::npos);
    EXPECT_EQ(refused.err.find("programming ["), std::string::npos) << refused.err;
    EXPECT_NE(Info(sim.device).find("VERSIONE_CENTRALINA=200\n"), std::string::npos);

    const Result forced = Zovctl(sim.device, {"--force", "program", firmware_});
    ASSERT_EQ(forced.status, 0) << forced.err;
    EXPECT_NE(forced.err.find("zovctl: warning: no backup: cannot create the backup folder"),
              std::string::npos)
        << forced.err;
    EXPECT_NE(Info(sim.device).find("VERSIONE_CENTRALINA=208\n"), std::string::npos);
}

}  // namespace
}  // namespace zov
