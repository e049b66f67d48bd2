// zovctl end to end: the real program against zovsim over a real pseudo-terminal.
#include <gtest/gtest.h>

#include <QDir>
#include <QSettings>
#include <QTemporaryDir>
#include <sstream>
#include <string>
#include <vector>

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
    EXPECT_EQ(r.status, 4) << "a damaged file";
    EXPECT_NE(r.err.find("fileh0.h: "), std::string::npos) << r.err;
    EXPECT_EQ(Zovctl(sim.device, {"get", "0"}).out, "333\n")
        << "neither the damaged file nor defaults reached the ECU";
    EXPECT_EQ(Zovctl(sim.device, {"get", "50", "0"}).out.substr(0, 6), "1 2 3 ")
        << "the map file was not loaded";
    EXPECT_EQ(Zovctl(sim.device, {"write", path + "/missing"}).status, 2);
}

TEST(Zovctl, SilentEcuEndsWithNoEcu) {
    Zovsim sim({"--no-pacing", "--silent"});
    const Result r = Zovctl(sim.device, {"info"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "zovctl: no ECU answers on COM1 (" + sim.device + ")\n");
}

// The adapter pulled out after the open frame and the first read: what was read is printed, then
// the adapter's own message, no retries, exit 1.
TEST(Zovctl, AdapterPulledOutEndsWithTheDeviceMessage) {
    Zovsim sim({"--no-pacing", "--lose-device", "2"});
    const Result r = Zovctl(sim.device, {"info"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "MODELLO=FIAT PUNTO 1.2 8V\n");
    EXPECT_EQ(r.err,
              "ZOV Qbr: Linea seriale non pi\xC3\xB9 disponibile: l'adattatore \xC3\xA8 stato scollegato.\n"
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
