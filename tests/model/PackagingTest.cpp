// The scrambled containers: saved configurations and packed ECU files.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <string>
#include <vector>

#include "Packaging.h"
#include "ProgrammingSupport.h"

namespace zov {
namespace {

using testing::ReadFile;
using testing::ScratchDir;
using testing::WriteFile;

const std::string kMagicLine = "ZOV_CONFIG_file\r\n";
const ConfigurationHeader kVehicle{"ALFA 147 1.6", "ALFA147.ZOV", 1, 1598, 2003};

std::string Bytes(std::initializer_list<int> values) {
    std::string s;
    for (int v : values) s.push_back(char(v));
    return s;
}

// Every byte value, line ends included, in a content of `size` bytes.
std::string Content(size_t size, int seed) {
    std::string s;
    for (size_t i = 0; i < size; ++i) s.push_back(char((i * 37 + size_t(seed) * 11) & 0xFF));
    return s;
}

TEST(Scrambler, KeyCharacterShiftedKeepsItsLowEightBits) {
    struct Case {
        const char* key;
        int position;  // of the byte in the file
        int modulus;
        uint8_t plain;
        uint8_t stored;
    } cases[] = {
        {"A", 0, 5, 0x00, 0x41},            // shift 0: the key character itself
        {"A", 0, 5, 0x41, 0x00},            //
        {"\xF0", 1, 5, 0x00, 0xE0},         // 0xF0 << 1 = 0x1E0, low byte 0xE0
        {"\xF0", 4, 5, 0x5A, 0x5A},         // 0xF0 << 4 = 0xF00: nothing of the key is left
        {"\xF0", 5, 5, 0x5A, 0x5A ^ 0xF0},  // p mod 5 = 0 again
        {"AB", 3, 2, 0x00, 0x84},           // key[3 mod 2] = 'B' (0x42) << (3 mod 2)
        {"R..", 2, 4, 0x30, 0x88},          // '.' (0x2E) << 2 = 0xB8
    };
    for (const Case& c : cases) {
        Scrambler s(c.key);
        for (int i = 0; i < c.position; ++i) s.Next(0, c.modulus);
        EXPECT_EQ(s.Next(c.plain, c.modulus), c.stored) << c.key << " at " << c.position;
        Scrambler back(c.key);
        for (int i = 0; i < c.position; ++i) back.Next(0, c.modulus);
        EXPECT_EQ(back.Next(c.stored, c.modulus), c.plain) << "the same operation unscrambles";
    }
}

TEST(SavedConfiguration, ThreeEmptyFilesGiveTheHeaderAndNothingElse) {
    const std::string packed = PackConfigurationData(kVehicle, {"", "", ""});
    const std::string header = "0\t0\t0\r\nALFA 147 1.6\r\nALFA147.ZOV\r\n1\t1598\t2003\r\n\r\n";
    ASSERT_EQ(packed.size(), kMagicLine.size() + header.size());
    EXPECT_EQ(packed.substr(0, kMagicLine.size()), kMagicLine) << "the magic line is not scrambled";
    // '0' ^ 'R'; TAB ^ ('.' << 1); '0' ^ ('.' << 2): the default key and the header's shift.
    EXPECT_EQ(packed.substr(kMagicLine.size(), 3), Bytes({0x62, 0x55, 0x88}));

    std::array<std::string, 3> files{"x", "y", "z"};
    ConfigurationHeaderText text;
    ASSERT_TRUE(UnpackConfigurationData(packed, files, &text));
    EXPECT_EQ(files, (std::array<std::string, 3>{"", "", ""}));
    EXPECT_EQ(text.text, header);
    EXPECT_EQ(text.lengths, (std::array<long long, 3>{0, 0, 0}));
    EXPECT_EQ(text.vehicle.model, "ALFA 147 1.6");
    EXPECT_EQ(text.vehicle.programName, "ALFA147.ZOV");
    EXPECT_EQ(text.vehicle.displacement, 1598);
}

TEST(SavedConfiguration, PositionRunsFromTheHeaderIntoTheFiles) {
    const std::string zero(1, '\0');
    const std::string packed = PackConfigurationData(kVehicle, {zero + zero, zero, zero});
    const std::string headerLines = "2\t1\t1\r\nALFA 147 1.6\r\nALFA147.ZOV\r\n1\t1598\t2003\r\n";
    const size_t p = headerLines.size() + 2;  // the closing empty line comes before file 1
    const std::string key(packaging::kConfigurationKey);
    auto expected = [&](size_t position, int modulus) {
        return char((uint8_t(key[position % key.size()]) << (position % size_t(modulus))) & 0xFF);
    };
    const size_t at = kMagicLine.size() + p;
    ASSERT_EQ(packed.size(), at + 4);
    EXPECT_EQ(packed[at], expected(p, 4)) << "file 1 starts at the header length + 2, shift mod 4";
    EXPECT_EQ(packed[at + 1], expected(p + 1, 4));
    EXPECT_EQ(packed[at + 2], expected(p + 2, 3)) << "file 2: shift mod 3, same counter";
    EXPECT_EQ(packed[at + 3], expected(p + 3, 2)) << "file 3: shift mod 2";
}

TEST(SavedConfiguration, RoundTripsAnyContent) {
    struct Case {
        size_t sizes[3];
        std::string_view key;
    } cases[] = {
        {{1, 2, 3}, packaging::kConfigurationKey},    {{5000, 0, 256}, packaging::kConfigurationKey},
        {{0, 4096, 0}, packaging::kConfigurationKey}, {{300, 300, 300}, "K"},
        {{77, 1, 1000}, packaging::kEcuKey},
    };
    for (const Case& c : cases) {
        const std::array<std::string, 3> files{Content(c.sizes[0], 1), Content(c.sizes[1], 2),
                                               Content(c.sizes[2], 3)};
        const std::string packed = PackConfigurationData(kVehicle, files, c.key);
        std::array<std::string, 3> back;
        ASSERT_TRUE(UnpackConfigurationData(packed, back, nullptr, c.key)) << c.sizes[0];
        EXPECT_EQ(back, files);
        const size_t total = files[0].size() + files[1].size() + files[2].size();
        EXPECT_NE(packed.substr(packed.size() - total), files[0] + files[1] + files[2])
            << "the content is stored scrambled";
    }
}

TEST(SavedConfiguration, MagicIsComparedIgnoringCase) {
    std::string packed = PackConfigurationData(kVehicle, {"a", "b", "c"});
    for (const char* magic : {"zov_config_file", "ZOV_CONFIG_FILE", "Zov_Config_File"}) {
        packed.replace(0, 15, magic);
        std::array<std::string, 3> files;
        EXPECT_TRUE(UnpackConfigurationData(packed, files)) << magic;
        EXPECT_EQ(files, (std::array<std::string, 3>{"a", "b", "c"}));
    }
}

// A header of our own, scrambled as the packer would: for lengths in other notations and for
// damaged headers.
std::string WithHeader(const std::string& headerText, const std::array<std::string, 3>& files = {}) {
    Scrambler s(packaging::kConfigurationKey);
    std::string out = kMagicLine;
    std::string h = headerText;
    s.Apply(h, packaging::kHeaderShift);
    out += h;
    for (size_t i = 0; i < 3; ++i) {
        std::string f = files[i];
        s.Apply(f, packaging::kFileShift[i]);
        out += f;
    }
    return out;
}

TEST(SavedConfiguration, LengthsMayBeHexadecimalOrOctal) {
    const std::array<std::string, 3> files{"ab", "cdefghij", "k"};
    std::array<std::string, 3> back;
    ConfigurationHeaderText text;
    ASSERT_TRUE(
        UnpackConfigurationData(WithHeader("0x2\t010\t1\r\nM\r\nP\r\n0\t0\t0\r\n\r\n", files), back, &text));
    EXPECT_EQ(back, files);
    EXPECT_EQ(text.lengths, (std::array<long long, 3>{2, 8, 1}));
}

TEST(SavedConfiguration, DamagedFilesAreRefusedWithAReason) {
    const std::string good =
        PackConfigurationData(kVehicle, {Content(100, 1), Content(50, 2), Content(20, 3)});
    struct Case {
        const char* what;
        std::string data;
        const char* reason;
    } cases[] = {
        {"wrong magic", "ZOV_ECU_file\r\n" + good.substr(kMagicLine.size()), "not a saved configuration"},
        {"empty", "", "not a saved configuration"},
        {"magic only", kMagicLine, "ends inside its header"},
        {"cut in the header", good.substr(0, kMagicLine.size() + 10), "ends inside its header"},
        {"one byte short", good.substr(0, good.size() - 1), "shorter than its header announces"},
        {"file 3 missing", good.substr(0, good.size() - 20), "shorter than its header announces"},
        {"two lengths", WithHeader("12\t5\r\nM\r\nP\r\n0\t0\t0\r\n\r\n"), "three file lengths"},
        {"no lengths", WithHeader("abc\r\nM\r\nP\r\n0\t0\t0\r\n\r\n"), "three file lengths"},
        {"negative length", WithHeader("-1\t0\t0\r\nM\r\nP\r\n0\t0\t0\r\n\r\n"), "negative"},
        {"huge length", WithHeader("99999999999999999999\t0\t0\r\nM\r\nP\r\n0\t0\t0\r\n\r\n"),
         "three file lengths"},
    };
    for (const Case& c : cases) {
        std::array<std::string, 3> files{"keep1", "keep2", "keep3"};
        const PackResult r = UnpackConfigurationData(c.data, files);
        EXPECT_FALSE(r) << c.what;
        EXPECT_NE(r.error.find(c.reason), std::string::npos) << c.what << ": " << r.error;
        EXPECT_EQ(files, (std::array<std::string, 3>{"keep1", "keep2", "keep3"})) << c.what;
    }
}

TEST(SavedConfigurationFile, ShortFileLeavesTheTargetsAsTheyWere) {
    ScratchDir dir;
    const std::string source = dir.File("cut.zvf");
    const std::string packed = PackConfigurationData(kVehicle, {"AAAA", "BBBB", "CCCC"});
    WriteFile(source, packed.substr(0, packed.size() - 2));
    for (const char* name : {"1", "2", "3"}) WriteFile(dir.File(name), std::string("old ") + name);

    const PackResult r = UnpackConfiguration(source, dir.File("1"), dir.File("2"), dir.File("3"));
    EXPECT_FALSE(r);
    EXPECT_NE(r.error.find(source), std::string::npos) << "the message names the file: " << r.error;
    EXPECT_EQ(ReadFile(dir.File("1")), "old 1");
    EXPECT_EQ(ReadFile(dir.File("3")), "old 3");
    EXPECT_FALSE(UnpackConfiguration(dir.File("missing.zvf"), dir.File("4"), dir.File("5"), dir.File("6")));
    EXPECT_FALSE(std::filesystem::exists(dir.File("4"))) << "a target is never created for a failure";
}

TEST(SavedConfigurationFile, PacksDefinitionFilesAndUnpacksThemBack) {
    ScratchDir dir;
    const std::array<std::string, 3> contents{Content(900, 4), "#define X  1\r\n", Content(333, 5)};
    for (size_t i = 0; i < 3; ++i) WriteFile(dir.File("in" + std::to_string(i)), contents[i]);
    ASSERT_TRUE(
        PackConfiguration(kVehicle, dir.File("in0"), dir.File("in1"), dir.File("in2"), dir.File("c.zvf")));
    ConfigurationHeaderText header;
    ASSERT_TRUE(UnpackConfiguration(dir.File("c.zvf"), dir.File("out0"), dir.File("out1"), dir.File("out2"),
                                    &header));
    for (size_t i = 0; i < 3; ++i) EXPECT_EQ(ReadFile(dir.File("out" + std::to_string(i))), contents[i]);
    EXPECT_EQ(header.vehicle.year, 2003);

    const PackResult missing =
        PackConfiguration(kVehicle, dir.File("in0"), dir.File("nope"), dir.File("in2"), dir.File("d.zvf"));
    EXPECT_FALSE(missing);
    EXPECT_NE(missing.error.find("nope"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(dir.File("d.zvf")));
}

TEST(SavedConfigurationFile, FailedSaveKeepsThePreviousFileAndLeavesNoTemporary) {
    ScratchDir dir;
    const std::string big = Content(200000, 6);
    WriteFile(dir.File("in"), big);
    WriteFile(dir.File("c.zvf"), "previous");
    chmod(dir.File("c.zvf").c_str(), 0640);
    {
        testing::FileSizeLimit full(100000);
        const PackResult r =
            PackConfiguration(kVehicle, dir.File("in"), dir.File("in"), dir.File("in"), dir.File("c.zvf"));
        EXPECT_FALSE(r);
        EXPECT_NE(r.error.find("cannot write"), std::string::npos) << r.error;
    }
    EXPECT_EQ(ReadFile(dir.File("c.zvf")), "previous");
    EXPECT_EQ(dir.Entries(), (std::vector<std::string>{"c.zvf", "in"}));

    ASSERT_TRUE(
        PackConfiguration(kVehicle, dir.File("in"), dir.File("in"), dir.File("in"), dir.File("c.zvf")));
    struct stat st {};
    ASSERT_EQ(stat(dir.File("c.zvf").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u) << "the replacement keeps the previous file's rights";
    EXPECT_EQ(dir.Entries(), (std::vector<std::string>{"c.zvf", "in"}));
    EXPECT_FALSE(PackConfiguration(kVehicle, dir.File("in"), dir.File("in"), dir.File("in"),
                                   dir.File("no/such/x.zvf")));
}

// A save killed half-way left "<target>.tmp<pid>_<n>" behind: the next save into the folder
// removes it once its process is gone, and leaves a running save's temporary alone.
TEST(SavedConfigurationFile, ASaveRemovesTheLeftoverOfAKilledSave) {
    ScratchDir dir;
    const pid_t dead = fork();
    if (dead == 0) _exit(0);
    waitpid(dead, nullptr, 0);
    const std::string leftover = dir.File("OUT.zvf.tmp" + std::to_string(dead) + "_0");
    const std::string running = dir.File("OUT.zvf.tmp" + std::to_string(getpid()) + "_99");
    WriteFile(leftover, "#define CILINDRATA  1600\r\n");
    WriteFile(running, "#define CILINDRATA  1600\r\n");
    WriteFile(dir.File("in"), "#define A  1\r\n");

    ASSERT_TRUE(
        PackConfiguration(kVehicle, dir.File("in"), dir.File("in"), dir.File("in"), dir.File("OUT.zvf")));
    EXPECT_EQ(dir.Entries(),
              (std::vector<std::string>{"OUT.zvf", "OUT.zvf.tmp" + std::to_string(getpid()) + "_99", "in"}));
}

TEST(PackedEcuFile, UnpacksHeaderLinesAndRecords) {
    const std::string content = "MODEL\r\nPROG\r\n0\t1200\t1999\t1\r\nS9030000FC\r\n";
    const std::string packed = PackEcuData(content);
    EXPECT_EQ(packed.substr(0, 14), "ZOV_ECU_file\r\n");
    EXPECT_EQ(uint8_t(packed[14]), uint8_t('M' ^ 'P')) << "p = 0 right after the magic line, shift 0";
    std::string back;
    ASSERT_TRUE(UnpackEcuData(packed, back));
    EXPECT_EQ(back, content);

    std::string lower = packed;
    lower.replace(0, 12, "zov_ecu_FILE");
    EXPECT_TRUE(UnpackEcuData(lower, back));
    struct Case {
        const char* what;
        std::string data;
    } bad[] = {
        {"configuration magic", "ZOV_CONFIG_file\r\n" + packed.substr(14)},
        {"no carriage return", "ZOV_ECU_file\n" + packed.substr(14)},
        {"magic too long", std::string(120, 'Z') + "\r\n"},
        {"empty", ""},
    };
    for (const Case& c : bad) {
        std::string out = "untouched";
        EXPECT_FALSE(UnpackEcuData(c.data, out)) << c.what;
        EXPECT_EQ(out, "untouched");
    }
}

TEST(PackedEcuFile, SourceAndTargetMustDiffer) {
    ScratchDir dir;
    const std::string packed = PackEcuData("A\r\nB\r\nC\r\nS9030000FC\r\n");
    WriteFile(dir.File("Soft.zov"), packed);
    for (const std::string& target : {dir.File("Soft.zov"), dir.File("SOFT.ZOV"), dir.File("soft.zov"),
                                      (dir.Path() / "." / "Soft.zov").string()}) {
        const PackResult r = UnpackEcuFile(dir.File("Soft.zov"), target);
        EXPECT_FALSE(r) << target;
        EXPECT_NE(r.error.find("same file"), std::string::npos);
        EXPECT_EQ(ReadFile(dir.File("Soft.zov")), packed) << "the file is not touched";
    }
    ASSERT_TRUE(UnpackEcuFile(dir.File("Soft.zov"), dir.File("soft.s19")));
    EXPECT_EQ(ReadFile(dir.File("soft.s19")), "A\r\nB\r\nC\r\nS9030000FC\r\n");

    WriteFile(dir.File("bad.zov"), "ZOV_CONFIG_file\r\nxx");
    WriteFile(dir.File("out.s19"), "previous");
    EXPECT_FALSE(UnpackEcuFile(dir.File("bad.zov"), dir.File("out.s19")));
    EXPECT_EQ(ReadFile(dir.File("out.s19")), "previous") << "a wrong magic leaves the target alone";
}

}  // namespace
}  // namespace zov
