// Firmware files are checked whole before anything reaches the ECU.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Firmware.h"
#include "FirmwareSample.h"
#include "Packaging.h"
#include "ProgrammingSupport.h"

namespace zov {
namespace {

const std::string kHeader = "MODELLO\r\nPROG\r\n0\t1600\t2005\t1\r\n";

std::string Lines(const std::vector<std::string>& lines) {
    std::string out;
    for (const std::string& l : lines) out += l + "\r\n";
    return out;
}

TEST(SRecordFormat, WritesCountAddressDataAndChecksum) {
    // Checksums worked out by hand: the one's complement of the low byte of the sum.
    EXPECT_EQ(FormatSRecord('1', 0x8000, {0x01, 0x02}), "S1058000010277");  // ~0x88
    EXPECT_EQ(FormatSRecord('9', 0x8000, {}), "S90380007C");                // ~0x83
    EXPECT_EQ(FormatSRecord('2', 0x012345, {0xFF}), "S205012345FF92");      // ~0x6D
}

TEST(FirmwareCheck, SkipsTheHeaderLinesAndMarksWhatIsSent) {
    const std::string text = kHeader + Lines({
                                           FormatSRecord('0', 0, {'H', 'D', 'R'}),
                                           FormatSRecord('1', 0x7FF0, {1, 2, 3}),
                                           FormatSRecord('1', 0x8000, {4, 5, 6}),
                                           "",
                                           FormatSRecord('2', 0x010000, {7}),
                                           FormatSRecord('9', 0x8000, {}),
                                       });
    FirmwareImage image;
    const FirmwareCheck c = ParseFirmware(text, kEcuFileHeaderLines, image);
    ASSERT_TRUE(c) << c.error;
    ASSERT_EQ(image.records.size(), 5u) << "the header lines and the blank line are no records";
    const bool sent[5] = {false, false, true, true, true};
    for (size_t i = 0; i < 5; ++i) EXPECT_EQ(image.records[i].sent, sent[i]) << image.records[i].text;
    EXPECT_EQ(image.records[1].address, 0x7FF0u);
    EXPECT_EQ(image.SentCount(), 3u);
    EXPECT_EQ(image.SentDataBytes(), 4u);
    EXPECT_EQ(image.records.back().endOffset, text.size());
    EXPECT_EQ(image.textLength, text.size());
}

TEST(FirmwareCheck, RefusesEveryDamage) {
    const std::string good1 = FormatSRecord('1', 0x8000, {0xAA, 0xBB});
    const std::string end = FormatSRecord('9', 0x8000, {});
    std::string badChecksum = good1;
    badChecksum.back() = badChecksum.back() == '0' ? '1' : '0';
    struct Case {
        const char* what;
        std::vector<std::string> records;
        const char* reason;
    } cases[] = {
        {"bad checksum", {badChecksum, end}, "line 4: wrong checksum"},
        {"a non-hex digit", {"S1058000G10277", end}, "line 4: a character that is not a hex digit"},
        {"count too large", {"S1068000010276", end}, "line 4: byte count 6 does not match"},
        {"odd digits", {"S105800001027", end}, "line 4: odd number of hex digits"},
        {"not a record", {"HELLO", end}, "line 4: not an S-record"},
        {"reserved type", {"S4058000010277", end}, "line 4: unknown record type S4"},
        {"too long", {"S1" + std::string(258, '0'), end}, "line 4: longer than 259"},
        {"no termination", {good1}, "without a termination record"},
        {"after the termination", {good1, end, good1}, "line 6: a record after the termination record"},
        {"only the boot area",
         {FormatSRecord('1', 0x7000, {1}), end},
         "no records for the programmable area"},
        {"nothing", {}, "no records for the programmable area"},
    };
    for (const Case& c : cases) {
        FirmwareImage image;
        image.textLength = 12345;
        const FirmwareCheck r = ParseFirmware(kHeader + Lines(c.records), kEcuFileHeaderLines, image);
        EXPECT_FALSE(r) << c.what;
        EXPECT_NE(r.error.find(c.reason), std::string::npos) << c.what << ": " << r.error;
        EXPECT_EQ(image.textLength, 12345u) << "the image is left alone";
    }
    FirmwareImage image;
    EXPECT_FALSE(ParseFirmware("ONLY\r\nTWO\r\n", kEcuFileHeaderLines, image));
}

TEST(FirmwareCheck, EveryDataRecordLiesWhollyInTheFlash) {
    const std::string end = FormatSRecord('9', 0x8000, {});
    const std::string program = FormatSRecord('1', 0x8000, {1, 2, 3, 4});
    const std::vector<uint8_t> sixteen(16, 0x5A);
    struct Case {
        const char* what;
        std::string record;  // on line 5, after a sound program record
        const char* reason;  // empty: accepted
    } cases[] = {
        {"S2 in the boot loader's area", FormatSRecord('2', 0x000100, sixteen),
         "line 5: an S2 record of 16 bytes at 0x000100 lies outside the ECU's flash (0x8000-0x017FFF)"},
        {"S2 past the flash", FormatSRecord('2', 0x020000, sixteen),
         "line 5: an S2 record of 16 bytes at 0x020000 lies outside the ECU's flash"},
        {"S2 running over the flash's end", FormatSRecord('2', 0x017FF8, sixteen),
         "line 5: an S2 record of 16 bytes at 0x017FF8 lies outside the ECU's flash"},
        {"S3 at the top of memory", FormatSRecord('3', 0xFFFFFFF0, sixteen),
         "line 5: an S3 record of 16 bytes at 0xFFFFFFF0 lies outside the ECU's flash"},
        {"S3 wrapping around", FormatSRecord('3', 0xFFFFFFF8, sixteen),
         "line 5: an S3 record of 16 bytes at 0xFFFFFFF8 runs past 0xFFFFFFFF, the last address of its type"},
        {"S1 running past 0xFFFF", FormatSRecord('1', 0xFFF8, sixteen),
         "line 5: an S1 record of 16 bytes at 0xFFF8 runs past 0xFFFF, the last address of its type"},
        {"S1 from the boot area into the flash", FormatSRecord('1', 0x7FF8, sixteen),
         "line 5: an S1 record of 16 bytes at 0x7FF8 runs from the boot loader's area into the flash"},
        {"S1 ending at 0xFFFF", FormatSRecord('1', 0xFFF0, sixteen), ""},
        {"S1 ending below the flash", FormatSRecord('1', 0x7FF0, sixteen), ""},
        {"S2 ending at the flash's end", FormatSRecord('2', 0x017FF0, sixteen), ""},
        {"S3 inside the flash", FormatSRecord('3', 0x00012000, sixteen), ""},
    };
    for (const Case& c : cases) {
        FirmwareImage image;
        const FirmwareCheck r =
            ParseFirmware(kHeader + Lines({program, c.record, end}), kEcuFileHeaderLines, image);
        if (std::string(c.reason).empty()) {
            EXPECT_TRUE(r) << c.what << ": " << r.error;
        } else {
            EXPECT_FALSE(r) << c.what;
            EXPECT_EQ(r.error.rfind(c.reason, 0), 0u) << c.what << ": " << r.error;
        }
    }
}

TEST(FirmwareCheck, ACountRecordMustMatchTheDataRecords) {
    const std::string boot = FormatSRecord('1', 0x7F00, {9});
    const std::string a = FormatSRecord('1', 0x8000, {1, 2});
    const std::string b = FormatSRecord('2', 0x010000, {3});
    const std::string s9 = FormatSRecord('9', 0x8000, {});
    const std::string three = FormatSRecord('5', 3, {});
    struct Case {
        const char* what;
        std::vector<std::string> records;
        const char* reason;  // empty: accepted
    } cases[] = {
        {"count, then termination", {boot, a, b, three, s9}, ""},
        {"count as the last record, no termination", {boot, a, b, three}, ""},
        {"24-bit count", {boot, a, b, FormatSRecord('6', 3, {})}, ""},
        {"a record missing",
         {boot, a, three, s9},
         "line 6: the count record gives 3 data records, the file holds 2"},
        {"a record too many",
         {boot, a, b, b, three},
         "line 8: the count record gives 3 data records, the file holds 4"},
        {"S6 with a wrong count",
         {boot, a, b, FormatSRecord('6', 0x010003, {})},
         "line 7: the count record gives 65539 data records, the file holds 3"},
        {"data after the count", {boot, a, three, b, s9}, "line 6: the count record gives 3"},
        {"data after a matching count",
         {boot, a, FormatSRecord('5', 2, {}), b, s9},
         "line 7: a data record after the count record"},
        {"neither count nor termination last",
         {boot, a, b, three, FormatSRecord('0', 0, {})},
         "without a termination record"},
    };
    for (const Case& c : cases) {
        FirmwareImage image;
        const FirmwareCheck r = ParseFirmware(kHeader + Lines(c.records), kEcuFileHeaderLines, image);
        if (std::string(c.reason).empty()) {
            EXPECT_TRUE(r) << c.what << ": " << r.error;
            EXPECT_EQ(image.records.size(), c.records.size()) << c.what;
        } else {
            EXPECT_FALSE(r) << c.what;
            EXPECT_NE(r.error.find(c.reason), std::string::npos) << c.what << ": " << r.error;
        }
    }
}

TEST(FirmwareCheck, SampleImagesAreSound) {
    testing::ScratchDir dir;
    for (size_t size : {size_t(100), size_t(8192), size_t(0x8000), size_t(0x10000)}) {
        SampleFirmware f;
        f.programBytes = size;
        f.version = 0xC8;
        testing::WriteFile(dir.File("s.zov"), SampleEcuFile(f));
        FirmwareImage image;
        const FirmwareCheck c = LoadPackedFirmware(dir.File("s.zov"), image);
        ASSERT_TRUE(c) << c.error;
        EXPECT_EQ(image.SentDataBytes(), size);
        EXPECT_EQ(image.records.front().type, '0');
        EXPECT_FALSE(image.records[1].sent) << "the sample carries records below 0x8000";
    }
    EXPECT_EQ(StandardFileName(0, 0xC8), "StandardGpl_0C8.zov");
    EXPECT_EQ(StandardFileName(1, 0xD0), "StandardCng_0D0.zov");
    EXPECT_TRUE(IsPlainSRecordFile("/x/FIRMWARE.S19"));
    EXPECT_FALSE(IsPlainSRecordFile("/x/StandardGpl_0C8.zov"));
}

}  // namespace
}  // namespace zov
