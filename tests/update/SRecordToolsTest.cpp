// S-record files as common tools write them program the ECU byte for byte; a file with records the
// ECU's flash cannot hold is refused before the ECU is touched.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "BootProtocol.h"
#include "EcuProgrammer.h"
#include "Firmware.h"
#include "Packaging.h"
#include "ProgrammingSupport.h"

namespace zov {
namespace {

using testing::Programming;
using testing::Running;
using testing::ScratchDir;
using testing::WriteFile;

// A program image that is not the sample generator's: bytes from a fixed sequence.
std::vector<uint8_t> ProgramBytes(size_t size) {
    std::vector<uint8_t> bytes(size);
    uint32_t state = 12345;
    for (uint8_t& b : bytes) {
        state = state * 1103515245u + 12345u;
        b = uint8_t(state >> 16);
    }
    return bytes;
}

// Programs `file` into a running ECU and compares its flash with `bytes` at `address`; the rest of
// the flash stays erased.
void ExpectProgrammedExactly(const std::string& file, uint32_t address, const std::vector<uint8_t>& bytes) {
    FirmwareImage image;
    const FirmwareCheck check = LoadSRecordFile(file, image);
    ASSERT_TRUE(check) << check.error;
    Programming p(Running(200));
    ASSERT_TRUE(p.programmer.ProgramFirmware(image)) << ::testing::PrintToString(p.ShownTexts());
    const std::vector<uint8_t>& flash = p.ecu.Flash();
    ASSERT_EQ(flash.size(), 0x10000u);
    const size_t at = address - 0x8000;
    EXPECT_TRUE(std::equal(bytes.begin(), bytes.end(), flash.begin() + std::ptrdiff_t(at))) << file;
    EXPECT_EQ(size_t(std::count(flash.begin(), flash.end(), uint8_t(0xFF))),
              flash.size() - bytes.size() + size_t(std::count(bytes.begin(), bytes.end(), uint8_t(0xFF))))
        << file << ": nothing written outside the image";
}

TEST(SRecordTools, ObjcopyFilesProgramByteExact) {
    ASSERT_EQ(std::system("objcopy --version > /dev/null 2>&1"), 0)
        << "this test makes its files with objcopy: install binutils";
    ScratchDir dir;
    const std::vector<uint8_t> bytes = ProgramBytes(5000);
    WriteFile(dir.File("program.bin"), std::string(bytes.begin(), bytes.end()));
    struct Case {
        const char* what;
        uint32_t address;
        const char* options;
    } cases[] = {
        {"S1 records", 0x8000, ""},
        {"S2 records across 0x10000", 0xF800, ""},
        {"S3 records", 0x9000, "--srec-forceS3"},
        {"long S2 records ending at the flash's end", 0x18000 - 5000, "--srec-len 64"},
    };
    for (const Case& c : cases) {
        const std::string out = dir.File(std::string("out") + std::to_string(c.address) + ".s19");
        const std::string command = "objcopy -I binary -O srec " + std::string(c.options) +
                                    " --change-addresses " + std::to_string(c.address) + " " +
                                    dir.File("program.bin") + " " + out;
        ASSERT_EQ(std::system(command.c_str()), 0) << command;
        SCOPED_TRACE(c.what);
        ExpectProgrammedExactly(out, c.address, bytes);
    }
}

TEST(SRecordTools, ACountRecordWithoutStartAddressEndsAWholeFile) {
    // The shape srec_cat writes when no execution address is given: a header, the data, a count
    // record, and no termination record.
    ScratchDir dir;
    const std::vector<uint8_t> bytes = ProgramBytes(96);
    std::string text = "S00600004844521B\n";  // "HDR"
    for (size_t at = 0; at < bytes.size(); at += 32)
        text += FormatSRecord('1', uint32_t(0x8000 + at),
                              {bytes.begin() + std::ptrdiff_t(at), bytes.begin() + std::ptrdiff_t(at + 32)}) +
                "\n";
    text += "S5030003F9\n";  // three data records
    WriteFile(dir.File("whole.s19"), text);
    ExpectProgrammedExactly(dir.File("whole.s19"), 0x8000, bytes);
}

TEST(SRecordTools, RecordsOutsideTheFlashNeverEraseTheEcu) {
    ScratchDir dir;
    const std::string header = "MODELLO\r\nPROG\r\n0\t1600\t2005\t1\r\n";
    const std::string program = FormatSRecord('1', 0x8000, {'Z', 'Q', 'B', 'R'}) + "\r\n";
    const std::string end = FormatSRecord('9', 0x8000, {}) + "\r\n";
    const std::vector<uint8_t> data(16, 0xA5);
    struct Case {
        const char* what;
        std::string record;
        const char* reason;
    } cases[] = {
        {"S2 at 0x000100", FormatSRecord('2', 0x000100, data),
         "line 5: an S2 record of 16 bytes at 0x000100"},
        {"S2 at 0x20000", FormatSRecord('2', 0x020000, data), "line 5: an S2 record of 16 bytes at 0x020000"},
        {"S3 at 0xFFFFFFF0", FormatSRecord('3', 0xFFFFFFF0, data),
         "line 5: an S3 record of 16 bytes at 0xFFFFFFF0"},
        {"S1 past 0xFFFF", FormatSRecord('1', 0xFFF8, data),
         "line 5: an S1 record of 16 bytes at 0xFFF8 runs past"},
    };
    for (const Case& c : cases) {
        WriteFile(dir.File("outside.zov"), PackEcuData(header + program + c.record + "\r\n" + end));
        Programming p(Running(200));
        EXPECT_FALSE(p.programmer.ProgramEcuFile(dir.File("outside.zov"))) << c.what;
        EXPECT_NE(p.programmer.lastError.find(c.reason), std::string::npos)
            << c.what << ": " << p.programmer.lastError;
        ASSERT_EQ(p.prompter.shown.size(), 1u) << c.what;
        EXPECT_NE(p.prompter.shown[0].text.find(c.reason), std::string::npos) << c.what;
        EXPECT_TRUE(p.line.Traffic().empty()) << c.what << ": not a byte went to the ECU";
        EXPECT_EQ(p.ecu.Mode(), sim::EcuMode::Application) << c.what;
    }
}

}  // namespace
}  // namespace zov
