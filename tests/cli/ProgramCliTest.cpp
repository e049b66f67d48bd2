// zovctl's configuration-file and programming commands, end to end against zovsim.
#include <gtest/gtest.h>

#include <QSettings>
#include <QTemporaryDir>
#include <chrono>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "CliSupport.h"
#include "FirmwareSample.h"
#include "Packaging.h"

namespace zov {
namespace {

using clitest::Result;
using clitest::RunProgram;

struct Sim : clitest::Zovsim {
    explicit Sim(std::vector<std::string> options) : Zovsim(ZOVSIM_PATH, Fast(std::move(options))) {}
    static std::vector<std::string> Fast(std::vector<std::string> options) {
        options.insert(options.begin(), {"--no-pacing", "--restart-ms", "100"});
        return options;
    }
};

// A settings store whose MainPath is its own folder: the backups before programming land there,
// never in the user's data folder.
const std::string& RuntimeStore() {
    static QTemporaryDir dir;
    static const std::string path = [] {
        QSettings(dir.path() + "/Ovalix srl/Install.ini", QSettings::IniFormat)
            .setValue("MainPath", dir.path());
        return dir.path().toStdString();
    }();
    return path;
}

Result Zovctl(const std::string& port, std::vector<std::string> args) {
    args.insert(args.begin(), {ZOVCTL_PATH, "--settings", RuntimeStore(), "--port", port});
    return RunProgram(args);
}

std::string ReadWhole(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteWhole(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

// The identification lines zovctl info prints, as KEY=value.
std::string Info(const std::string& port, const char* key) {
    const Result r = Zovctl(port, {"info"});
    const std::string prefix = std::string(key) + "=";
    const size_t at = r.out.find(prefix);
    if (at == std::string::npos) return "(no " + std::string(key) + ": " + r.err + ")";
    return r.out.substr(at + prefix.size(), r.out.find('\n', at) - at - prefix.size());
}

TEST(ZovctlConfigFiles, SaveOnOneEcuLoadIntoAnother) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::string file = dir.path().toStdString() + "/lancia.zvf";
    {
        Sim source({"--model", "LANCIA Y 1.2", "--displacement", "1242"});
        ASSERT_EQ(Zovctl(source.device, {"set", "0", "440"}).status, 0);
        const Result saved = Zovctl(source.device, {"save-config", file});
        ASSERT_EQ(saved.status, 0) << saved.err;
        EXPECT_TRUE(saved.out.empty());
    }
    const Result unpacked =
        RunProgram({ZOVCTL_PATH, "unpack-config", file, dir.path().toStdString() + "/parts"});
    ASSERT_EQ(unpacked.status, 0) << unpacked.err;
    EXPECT_NE(unpacked.out.find("MODELLO=LANCIA Y 1.2\n"), std::string::npos);
    EXPECT_NE(unpacked.out.find("CILINDRATA=1242\n"), std::string::npos);
    EXPECT_NE(ReadWhole(dir.path().toStdString() + "/parts/fileh0.h")
                  .find("#define RITARDO_MASSIMO_CAMBIO  440\r\n"),
              std::string::npos);

    Sim target({});
    const Result loaded = Zovctl(target.device, {"load-config", file});
    ASSERT_EQ(loaded.status, 0) << loaded.err;
    EXPECT_EQ(Zovctl(target.device, {"get", "0"}).out, "440\n");

    // A damaged file is refused as a whole: the ECU keeps what it had.
    ASSERT_EQ(Zovctl(target.device, {"set", "0", "333"}).status, 0);
    const std::string whole = ReadWhole(file);
    WriteWhole(dir.path().toStdString() + "/cut.zvf", whole.substr(0, whole.size() - 1));
    const Result cut = Zovctl(target.device, {"load-config", dir.path().toStdString() + "/cut.zvf"});
    EXPECT_EQ(cut.status, 4);
    EXPECT_NE(cut.err.find("shorter than its header announces"), std::string::npos) << cut.err;
    EXPECT_EQ(Zovctl(target.device, {"get", "0"}).out, "333\n");
}

TEST(ZovctlConfigFiles, PackAndUnpackWithoutAnEcu) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::string d = dir.path().toStdString();
    {
        Sim source({"--model", "FIAT UNO"});
        ASSERT_EQ(Zovctl(source.device, {"read", d + "/in"}).status, 0);
    }
    const Result packed = RunProgram({ZOVCTL_PATH, "pack-config", d + "/in", d + "/uno.zvf"});
    ASSERT_EQ(packed.status, 0) << packed.err;
    const Result unpacked = RunProgram({ZOVCTL_PATH, "unpack-config", d + "/uno.zvf", d + "/out"});
    ASSERT_EQ(unpacked.status, 0) << unpacked.err;
    EXPECT_NE(unpacked.out.find("MODELLO=FIAT UNO\n"), std::string::npos);
    for (const char* name : {"/fileh0.h", "/filemap0.map", "/filepar0.dat"})
        EXPECT_EQ(ReadWhole(d + "/out" + name), ReadWhole(d + "/in" + name)) << name;

    WriteWhole(d + "/soft.zov", SampleEcuFile({}));
    const Result same = RunProgram({ZOVCTL_PATH, "unpack-ecu", d + "/soft.zov", d + "/SOFT.ZOV"});
    EXPECT_EQ(same.status, 4);
    EXPECT_NE(same.err.find("same file"), std::string::npos);
    ASSERT_EQ(RunProgram({ZOVCTL_PATH, "unpack-ecu", d + "/soft.zov", d + "/soft.s19"}).status, 0);
    EXPECT_EQ(ReadWhole(d + "/soft.s19"), SampleEcuContent({}));
}

TEST(ZovctlProgram, ReprogramsTheEcuWithAPackedFile) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::string file = dir.path().toStdString() + "/StandardGpl_0D0.zov";
    SampleFirmware sample;
    sample.version = 0xD0;
    WriteWhole(file, SampleEcuFile(sample));

    Sim sim({"--ecu-version", "200"});
    const Result r = Zovctl(sim.device, {"program", file});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("BYTES=8192\n"), std::string::npos) << r.out;
    EXPECT_NE(r.err.find("programming ["), std::string::npos) << "a progress bar on stderr";
    EXPECT_NE(r.err.find("] 100%"), std::string::npos);
    EXPECT_EQ(Info(sim.device, "VERSIONE_CENTRALINA"), "208");
    EXPECT_EQ(Info(sim.device, "NOME_PROGRAMMA"), "StandardGpl_0D0");
}

TEST(ZovctlProgram, ABadFileNeverReachesTheEcu) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    std::string content = SampleEcuContent({});
    const size_t record = content.rfind("S1");
    content[record + 8] = content[record + 8] == 'A' ? 'B' : 'A';
    const std::string file = dir.path().toStdString() + "/broken.zov";
    WriteWhole(file, PackEcuData(content));

    Sim sim({"--ecu-version", "200"});
    const Result r = Zovctl(sim.device, {"program", file});
    EXPECT_EQ(r.status, 4);
    EXPECT_NE(r.err.find("wrong checksum (the ECU was not touched)"), std::string::npos) << r.err;
    EXPECT_EQ(Info(sim.device, "VERSIONE_CENTRALINA"), "200");
}

TEST(ZovctlProgram, RecordsOutsideTheFlashNeverReachTheEcu) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::string file = dir.path().toStdString() + "/outside.s19";
    // An S2 record at 0x000100 on line 2, between two sound records.
    WriteWhole(file, "S10780005A51425239\nS214000100000102030405060708090A0B0C0D0E0F72\nS90380007C\n");

    Sim sim({"--ecu-version", "200"});
    const Result r = Zovctl(sim.device, {"program", file});
    EXPECT_EQ(r.status, 4);
    EXPECT_NE(r.err.find("line 2: an S2 record of 16 bytes at 0x000100 lies outside the ECU's flash"),
              std::string::npos)
        << r.err;
    EXPECT_NE(r.err.find("(the ECU was not touched)"), std::string::npos) << r.err;
    EXPECT_EQ(Info(sim.device, "VERSIONE_CENTRALINA"), "200");
}

// Lines of the progress bar end with the figure: whatever follows starts on a line of its own.
void ExpectBarLinesEnded(const std::string& err) {
    size_t start = 0;
    while (start < err.size()) {
        const size_t end = err.find('\n', start);
        const std::string line =
            err.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (line.find("programming [") != std::string::npos) {
            EXPECT_EQ(line.back(), '%') << "text behind the bar: " << line;
            EXPECT_NE(end, std::string::npos) << "the bar line is ended";
        }
        if (end == std::string::npos) break;
        start = end + 1;
    }
}

TEST(ZovctlProgram, AFailureSaysWhyAndWhatTheEcuIsLeftIn) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::string file = dir.path().toStdString() + "/StandardGpl_0D0.zov";
    SampleFirmware sample;
    sample.version = 0xD0;
    sample.programBytes = 2048;
    WriteWhole(file, SampleEcuFile(sample));
    {
        Sim sim({"--ecu-version", "200", "--low-supply", "always"});
        const Result r = Zovctl(sim.device, {"program", file});
        EXPECT_EQ(r.status, 1);
        EXPECT_NE(r.err.find("\nzovctl: programming failed: the supply voltage is too low; its program is "
                             "unchanged: switch the ECU off and on to restart it\n"),
                  std::string::npos)
            << r.err;
        ExpectBarLinesEnded(r.err);
    }
    {
        Sim sim({"--ecu-version", "200", "--refuse-records", "1"});
        const Result r = Zovctl(sim.device, {"program", file});
        EXPECT_EQ(r.status, 1);
        EXPECT_NE(r.err.find("] "), std::string::npos) << "the bar was drawn: " << r.err;
        EXPECT_NE(
            r.err.find("%\nzovctl: programming failed: the ECU refused the programming; the ECU is blank and "
                       "waits in its boot loader: program it again\n"),
            std::string::npos)
            << r.err;
        ExpectBarLinesEnded(r.err);
        EXPECT_EQ(Zovctl(sim.device, {"info"}).status, 1) << "only the boot loader answers";
        const Result refused = Zovctl(sim.device, {"program", file});
        EXPECT_EQ(refused.status, 1);
        EXPECT_EQ(refused.err,
                  "zovctl: no backup: the ECU answers only in its boot loader: there is no configuration to "
                  "back up (the ECU was not touched; --force programs without a backup)\n");
        const Result again = Zovctl(sim.device, {"--force", "program", file});
        ASSERT_EQ(again.status, 0) << again.err;
        EXPECT_EQ(Info(sim.device, "VERSIONE_CENTRALINA"), "208");
    }
}

TEST(ZovctlProgram, AnOlderEcuEntersItsBootLoaderAtPowerOn) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::string file = dir.path().toStdString() + "/new.s19";
    SampleFirmware sample;
    sample.version = 0xC8;
    WriteWhole(file, SampleSRecords(sample));

    Sim sim({"--ecu-version", "5"});
    ASSERT_EQ(Zovctl(sim.device, {"set", "59", "181"}).status, 0) << "the boot-request code 0xB5";
    EXPECT_EQ(Info(sim.device, "VERSIONE_CENTRALINA"), "5") << "a version-5 program waits for the power-on";
    sim.PowerCycle();
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(Zovctl(sim.device, {"info"}).status, 1) << "only the boot loader runs now";
    const Result r = Zovctl(sim.device, {"--force", "program", file});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Info(sim.device, "VERSIONE_CENTRALINA"), "200");
}

}  // namespace
}  // namespace zov
