// zovctl end to end: the real program against zovsim over a real pseudo-terminal.
#include <gtest/gtest.h>

#include <QDir>
#include <QSettings>
#include <QTemporaryDir>
#include <sstream>
#include <string>
#include <vector>

#include "../support/TestFiles.h"
#include "CliSupport.h"

namespace {

using zov::clitest::Result;
using zov::clitest::RunProgram;

struct Zovsim : zov::clitest::Zovsim {
    explicit Zovsim(const std::vector<std::string>& options) : zov::clitest::Zovsim(ZOVSIM_PATH, options) {}
};

Result Zovctl(const std::string& port, std::vector<std::string> args) {
    args.insert(args.begin(), {ZOVCTL_PATH, "--port", port});
    return RunProgram(args);
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

size_t Words(const std::string& line) {
    std::istringstream in(line);
    size_t n = 0;
    for (std::string w; in >> w;) ++n;
    return n;
}

TEST(Zovctl, InfoPrintsTheIdentification) {
    Zovsim sim({"--no-pacing", "--model", "ALFA 147 1.6", "--program-name", "ALFA147.ZOV", "--ecu-version",
                "208", "--fuel", "metano", "--displacement", "1598", "--year", "2003", "--program-date",
                "0"});
    const Result r = Zovctl(sim.device, {"info"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out,
              "MODELLO=ALFA 147 1.6\n"
              "NOME_PROGRAMMA=ALFA147.ZOV\n"
              "VERSIONE_CENTRALINA=208\n"
              "TIPO_DI_CARBURANTE=1\n"
              "CILINDRATA=1598\n"
              "ANNO_VETTURA=2003\n"
              "DATA_PROGRAMMA=1998-10-12\n");
}

TEST(Zovctl, GetSetAndRecords) {
    Zovsim sim({"--no-pacing"});
    EXPECT_EQ(Zovctl(sim.device, {"set", "0", "321"}).status, 0);
    EXPECT_EQ(Zovctl(sim.device, {"get", "0"}).out, "321\n");

    std::vector<std::string> set{"set", "104"};
    std::string expected;
    for (int i = 0; i < 20; ++i) {
        set.push_back(std::to_string(100 + i));
        expected += (i ? " " : "") + std::to_string(100 + i);
    }
    ASSERT_EQ(Zovctl(sim.device, set).status, 0);
    EXPECT_EQ(Zovctl(sim.device, {"get", "104"}).out, expected + "\n");
    EXPECT_EQ(Zovctl(sim.device, {"get", "104", "3"}).out, "103\n");

    const auto map = Lines(Zovctl(sim.device, {"get", "50"}).out);
    ASSERT_EQ(map.size(), 16u);
    for (const auto& row : map) EXPECT_EQ(Words(row), 20u);
    EXPECT_EQ(Words(Zovctl(sim.device, {"get", "51", "2"}).out), 8u);
    EXPECT_EQ(Words(Zovctl(sim.device, {"record", "150"}).out), 14u);
    EXPECT_EQ(Words(Zovctl(sim.device, {"record", "152", "3", "4"}).out), 8u);
}

TEST(Zovctl, FailuresGiveAStatusAndOneLine) {
    Zovsim sim({"--no-pacing"});
    struct Case {
        std::vector<std::string> args;
        int status;
        const char* reason;
    } cases[] = {
        {{"get", "127"}, 3, "zovctl: variable 127 is not available\n"},  // absent below version 208
        {{"get", "23"}, 2, "zovctl: variable 23 does not exist\n"},
        {{"get", "110", "8"}, 2, "zovctl: bad element '8' (expected 0..7)\n"},
        {{"set", "0"}, 2, "zovctl: usage: set VAR VALUE...\n"},
        {{"set", "1", "256"}, 2, "zovctl: bad value '256' (expected 0..255)\n"},
        {{"set", "112", "1", "2", "3", "4"}, 2, "zovctl: array 112 is read-only\n"},
        {{"frobnicate"}, 2, "zovctl: unknown command 'frobnicate' (try --help)\n"},
    };
    for (const Case& c : cases) {
        const Result r = Zovctl(sim.device, c.args);
        EXPECT_EQ(r.status, c.status) << c.args[0];
        EXPECT_EQ(r.err, c.reason);
        EXPECT_TRUE(r.out.empty());
    }
    const Result missing = Zovctl("/dev/zov-no-such-port", {"info"});
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.err,
              "zovctl: No such device /dev/zov-no-such-port: plug the adapter in or choose another port\n");
}

std::string ReadWhole(const std::string& path) {
    std::string text;
    if (FILE* f = std::fopen(path.c_str(), "rb")) {
        for (int c = std::fgetc(f); c != EOF; c = std::fgetc(f)) text += char(c);
        std::fclose(f);
    }
    return text;
}

// A configuration read from one ECU and written into another makes the second read back the same.
TEST(Zovctl, ReadWriteAndDumpCarryTheConfiguration) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::string first = dir.path().toStdString() + "/first";
    const std::string second = dir.path().toStdString() + "/second";
    std::string dumpOfSource;
    {
        Zovsim source({"--no-pacing", "--model", "LANCIA Y 1.2"});
        ASSERT_EQ(Zovctl(source.device, {"set", "0", "440"}).status, 0);
        ASSERT_EQ(Zovctl(source.device,
                         {"set", "50",  "3",   "100", "101", "102", "103", "104", "105", "106", "107", "108",
                          "109", "110", "111", "112", "113", "114", "115", "116", "117", "118", "119"})
                      .status,
                  0);
        const Result read = Zovctl(source.device, {"read", first});
        ASSERT_EQ(read.status, 0) << read.err;
        dumpOfSource = Zovctl(source.device, {"dump"}).out;
    }
    EXPECT_NE(ReadWhole(first + "/fileh0.h").find("#define RITARDO_MASSIMO_CAMBIO  440\r\n"),
              std::string::npos);
    EXPECT_NE(dumpOfSource.find("\nCL_7_3=107\n"), std::string::npos) << "map cells dumped by column and row";
    EXPECT_NE(dumpOfSource.find("\nMODELLO=LANCIA Y 1.2\n"), std::string::npos);

    Zovsim target({"--no-pacing"});
    const Result write = Zovctl(target.device, {"write", first});
    ASSERT_EQ(write.status, 0) << write.err;
    EXPECT_EQ(Zovctl(target.device, {"get", "0"}).out, "440\n");
    EXPECT_EQ(Zovctl(target.device, {"get", "50", "3"}).out.substr(0, 12), "100 101 102 ");
    ASSERT_EQ(Zovctl(target.device, {"read", second}).status, 0);
    EXPECT_EQ(ReadWhole(second + "/filemap0.map"), ReadWhole(first + "/filemap0.map"));
    EXPECT_EQ(ReadWhole(second + "/filepar0.dat"), ReadWhole(first + "/filepar0.dat"));
}

TEST(Zovctl, WriteRefusesADamagedFileAndSaysWhy) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::string path = dir.path().toStdString();
    Zovsim sim({"--no-pacing"});
    ASSERT_EQ(Zovctl(sim.device, {"read", path}).status, 0);
    {
        FILE* f = std::fopen((path + "/fileh0.h").c_str(), "wb");
        ASSERT_TRUE(f);
        std::fputs("#define RITARDO_MASSIMO_CAMBIO  300\r\ngarbage\r\n", f);
        std::fclose(f);
    }
    ASSERT_EQ(Zovctl(sim.device, {"set", "0", "333"}).status, 0);
    ASSERT_EQ(Zovctl(sim.device, {"set", "50", "0",  "1",  "2",  "3",  "4",  "5",  "6",  "7",  "8", "9",
                                  "10",  "11", "12", "13", "14", "15", "16", "17", "18", "19", "20"})
                  .status,
              0);
    const Result r = Zovctl(sim.device, {"write", path});
    EXPECT_EQ(r.status, 4) << "a damaged file is a file failure";
    EXPECT_NE(r.err.find("fileh0.h: "), std::string::npos) << r.err;
    EXPECT_EQ(Zovctl(sim.device, {"get", "0"}).out, "333\n")
        << "neither the damaged file nor defaults reached the ECU";
    EXPECT_EQ(Zovctl(sim.device, {"get", "50", "0"}).out.substr(0, 6), "1 2 3 ")
        << "the map file was not loaded";
    EXPECT_EQ(Zovctl(sim.device, {"write", path + "/missing"}).status, 2);
}

void Replace(const std::string& path, const std::string& from, const std::string& to) {
    std::string text = ReadWhole(path);
    const size_t at = text.find(from);
    ASSERT_NE(at, std::string::npos) << from;
    text.replace(at, from.size(), to);
    zov::testing::WriteFile(path, text);
}

// A saved configuration whose vehicle part is good (a new displacement) but whose map or
// parameter part is damaged changes nothing in the ECU, neither through `write` nor through
// `load-config`.
TEST(Zovctl, ARefusedConfigurationLeavesTheEcuAsItWas) {
    const struct {
        const char* file;
        const char* from;
        const char* to;
    } damages[] = {
        {"/filemap0.map", "#define CL_3_3  ", "#define CL_3_3  70000\r\n#define X  "},
        {"/filepar0.dat", "#define CTC_2  ", "CTC_2 = "},
    };
    for (const auto& d : damages) {
        zov::testing::ScratchDir dir;
        const std::string path = dir.Path().string();
        Zovsim sim({"--no-pacing"});
        ASSERT_EQ(Zovctl(sim.device, {"read", path}).status, 0);
        Replace(path + "/fileh0.h", "#define CILINDRATA  1600\r\n", "#define CILINDRATA  1900\r\n");
        Replace(path + d.file, d.from, d.to);
        ASSERT_EQ(Zovctl(sim.device, {"pack-config", path, path + "/damaged.zvf"}).status, 0);
        const Result before = Zovctl(sim.device, {"dump"});
        ASSERT_EQ(before.status, 0) << before.err;

        const Result write = Zovctl(sim.device, {"write", path});
        EXPECT_EQ(write.status, 4) << d.file;
        EXPECT_NE(write.err.find(d.file + 1), std::string::npos) << write.err;
        EXPECT_EQ(Zovctl(sim.device, {"dump"}).out, before.out) << d.file;

        const Result load = Zovctl(sim.device, {"load-config", path + "/damaged.zvf"});
        EXPECT_EQ(load.status, 4) << d.file;
        EXPECT_NE(load.err.find("was refused"), std::string::npos) << load.err;
        EXPECT_EQ(Zovctl(sim.device, {"dump"}).out, before.out) << d.file;
        EXPECT_EQ(Zovctl(sim.device, {"get", "40"}).out, "1600\n");
    }
}

// The disk fills up after the vehicle file: `read` ends with the file status and the three
// files of the folder stay the earlier set.
TEST(Zovctl, ReadOntoAFullDiskKeepsTheEarlierSet) {
    zov::testing::ScratchDir dir;
    const std::string path = dir.Path().string();
    Zovsim sim({"--no-pacing"});
    ASSERT_EQ(Zovctl(sim.device, {"read", path}).status, 0);
    const std::vector<std::string> names = {"/fileh0.h", "/filemap0.map", "/filepar0.dat"};
    std::vector<std::string> earlier;
    for (const auto& n : names) earlier.push_back(ReadWhole(path + n));
    ASSERT_EQ(Zovctl(sim.device, {"set", "40", "1900"}).status, 0);
    ASSERT_EQ(Zovctl(sim.device, {"set", "105", "9", "15", "21", "27", "33", "40", "46", "52", "58", "65",
                                  "71", "76", "81", "86", "91", "99"})
                  .status,
              0);
    const size_t fits = std::max(earlier[0].size(), earlier[2].size()) + 200;
    ASSERT_LT(fits, earlier[1].size());

    Result r;
    {
        zov::testing::FileSizeLimit full(fits);
        r = Zovctl(sim.device, {"read", path});
    }
    EXPECT_EQ(r.status, 4);
    EXPECT_NE(r.err.find("cannot write the definition files into " + path), std::string::npos) << r.err;
    for (size_t i = 0; i < names.size(); ++i) EXPECT_EQ(ReadWhole(path + names[i]), earlier[i]) << names[i];
    EXPECT_EQ(dir.Entries(), (std::vector<std::string>{"fileh0.h", "filemap0.map", "filepar0.dat"}));

    ASSERT_EQ(Zovctl(sim.device, {"read", path}).status, 0);
    EXPECT_NE(ReadWhole(path + "/fileh0.h").find("#define CILINDRATA  1900\r\n"), std::string::npos);
}

// Variables the ECU refuses during a whole read: the output is written all the same, each refused
// variable is named on stderr, and the status says the output is incomplete.
TEST(Zovctl, RefusedVariablesAreNamedAndTheOutputIsIncomplete) {
    Zovsim sim({"--no-pacing", "--refuse", "40,105"});
    zov::testing::ScratchDir dir;
    const std::string path = dir.Path().string();
    const std::string warnings =
        "zovctl: warning: the ECU refused variable 40 (CILINDRATA); its value is not the ECU's\n"
        "zovctl: warning: the ECU refused variable 105 (CM); its value is not the ECU's\n"
        "zovctl: the ECU refused 2 variables: the output is incomplete\n";
    const struct {
        std::vector<std::string> args;
        std::string written;  // a file the command writes
    } cases[] = {
        {{"read", path + "/set"}, path + "/set/fileh0.h"},
        {{"save-config", path + "/out.zvf"}, path + "/out.zvf"},
        {{"dump"}, ""},
    };
    for (const auto& c : cases) {
        const Result r = Zovctl(sim.device, c.args);
        EXPECT_EQ(r.status, 6) << c.args[0];
        EXPECT_EQ(r.err, warnings) << c.args[0];
        if (!c.written.empty())
            EXPECT_FALSE(ReadWhole(c.written).empty()) << c.args[0];
        else
            EXPECT_NE(r.out.find("\nCILINDRATA=0\n"), std::string::npos) << r.out.substr(0, 200);
    }
}

TEST(Zovctl, FileFailuresEndWithStatusFour) {
    Zovsim sim({"--no-pacing"});
    zov::testing::ScratchDir dir;
    const struct {
        std::vector<std::string> args;
        std::string reason;
    } cases[] = {
        {{"save-config", "/dev/full"}, "cannot write /dev/full"},
        {{"load-config", dir.File("missing.zvf")}, "missing.zvf"},
        {{"write", dir.Path().string()}, "cannot read " + dir.File("fileh0.h")},
    };
    for (const auto& c : cases) {
        const Result r = Zovctl(sim.device, c.args);
        EXPECT_EQ(r.status, 4) << c.args[0];
        EXPECT_NE(r.err.find(c.reason), std::string::npos) << r.err;
    }
    Result dump;
    {
        zov::testing::FileSizeLimit full(100);  // the dump's own scratch files cannot be written
        dump = Zovctl(sim.device, {"dump"});
    }
    EXPECT_EQ(dump.status, 4);
    EXPECT_EQ(dump.err, "zovctl: cannot write the model out for the dump\n");
}

TEST(Zovctl, SilentEcuEndsWithNoEcu) {
    Zovsim sim({"--no-pacing", "--silent"});
    const Result r = Zovctl(sim.device, {"info"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "zovctl: no ECU answers on COM1 (" + sim.device + ")\n");
}

// The adapter pulled out after the open frame and the first read: what was read is printed, then
// the adapter's own message, no retries, exit 1.
// The link's own message comes in zovctl's language, as every other line of its output.
TEST(Zovctl, AdapterPulledOutEndsWithTheDeviceMessage) {
    Zovsim sim({"--no-pacing", "--lose-device", "2"});
    const Result r = Zovctl(sim.device, {"info"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "MODELLO=FIAT PUNTO 1.2 8V\n");
    EXPECT_EQ(r.err,
              "ZOV Qbr: The serial line is no longer available: the adapter was disconnected.\n"
              "zovctl: " +
                  sim.device + " is no longer available: the adapter was disconnected\n");
}

TEST(Zovctl, ComPortsComeFromTheSettingsStore) {
    Zovsim sim({"--no-pacing"});
    QTemporaryDir store;
    ASSERT_TRUE(store.isValid());
    {
        QSettings settings(store.path() + "/Ovalix srl/Install.ini", QSettings::IniFormat);
        settings.setValue("Ports/COM2", QString::fromStdString(sim.device));
    }
    const Result r =
        RunProgram({ZOVCTL_PATH, "--settings", store.path().toStdString(), "--port", "COM2", "get", "46"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "200\n");
    EXPECT_FALSE(QDir(store.path() + "/Ovalix srl").exists("Install.ini.lock"));
}

}  // namespace
