#include <gtest/gtest.h>

#include <climits>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "IoBaseData.h"
#include "ModelTestSupport.h"

namespace zov {
namespace {

using testing::FileSizeLimit;
using testing::ReadFile;
using testing::ScratchDir;
using testing::WriteFile;
namespace fs = std::filesystem;

constexpr int32_t NOT_FOUND = IoBaseData::NOT_FOUND;
constexpr int32_t NO_DEFINE = IoBaseData::NO_DEFINE;

enum class Op { Define, ModFlag, String };

struct Step {
    Op op;
    std::string key;
    int32_t result;
    std::string text = "";  // ReadDefineString: the destination afterwards ("?" = left unchanged)
};

struct ReaderCase {
    const char* name;
    std::string content;
    std::vector<Step> steps;
};

void PrintTo(const ReaderCase& c, std::ostream* os) { *os << c.name; }

std::string Padded(std::string line, size_t length) {
    line.resize(length, ' ');
    return line;
}

const std::vector<ReaderCase>& ReaderCases() {
    static const std::vector<ReaderCase> cases = {
        {"ValueAfterKeyThenEndOfFile",
         "#define GIRI_PER_FUORI_GIRI  1153\r\n",
         {{Op::Define, "GIRI_PER_FUORI_GIRI", 1153}, {Op::Define, "TEMPO_SAFETY", NOT_FOUND}}},
        {"OtherKeyIsNotFound",
         "#define GIRI_PER_FUORI_GIRI  1153\r\n",
         {{Op::Define, "TEMPO_SAFETY", NOT_FOUND}}},
        {"NegativeAndMissingValue",
         "#define CL_0_0  -5\r\n#define CL_0_0\r\n",
         {{Op::Define, "CL_0_0", -5}, {Op::Define, "CL_0_0", 0}}},
        {"NonDefinitionLines",
         "\r\nfree text with CL_0_0\r\n# define CL_0_0  3\r\n",
         {{Op::Define, "CL_0_0", NO_DEFINE},
          {Op::Define, "CL_0_0", NO_DEFINE},
          {Op::Define, "CL_0_0", NO_DEFINE}}},
        {"BareLineFeedAccepted",
         "#define A  1\n#define B  2\r\n#define C  3\n",
         {{Op::Define, "A", 1}, {Op::Define, "B", 2}, {Op::Define, "C", 3}, {Op::Define, "D", NOT_FOUND}}},
        {"LastLineWithoutLineFeedIsEndOfFile",
         "#define A  1\r\n#define B  2",
         {{Op::Define, "A", 1}, {Op::Define, "B", NOT_FOUND}, {Op::Define, "B", NOT_FOUND}}},
        {"EmptyFile", "", {{Op::Define, "A", NOT_FOUND}, {Op::ModFlag, "A", 1}, {Op::String, "A", 0, "?"}}},
        {"ModifiedFlags",
         "/* #define CL_1_2_MOD */\r\n#define CL_1_2_MOD\r\n#define CL_1_2_MOD /* x */\r\n#define "
         "CL_1_3_MOD\r\n"
         "text CL_1_2_MOD\r\n",
         {{Op::ModFlag, "CL_1_2_MOD", 0},
          {Op::ModFlag, "CL_1_2_MOD", 1},
          {Op::ModFlag, "CL_1_2_MOD", 1},
          {Op::ModFlag, "CL_1_2_MOD", 0},
          {Op::ModFlag, "CL_1_2_MOD", 0},
          {Op::ModFlag, "CL_1_2_MOD", 1}}},
        {"Strings",
         "#define MODELLO  \"\"\r\n#define MODELLO  \"FIAT PUNTO 1.2\"\r\n#define MODELLO  \"NO CLOSING\r\n"
         "#define NOME_PROGRAMMA  \"X\"\r\nMODELLO  \"Y\"\r\n#define MODELLO  \"" +
             std::string(45, 'M') + "\"\r\n",
         {{Op::String, "MODELLO", 1, ""},
          {Op::String, "MODELLO", 1, "FIAT PUNTO 1.2"},
          {Op::String, "MODELLO", 1, "NO CLOSING"},
          {Op::String, "MODELLO", 0, "?"},
          {Op::String, "MODELLO", 0, "?"},
          {Op::String, "MODELLO", 1, std::string(40, 'M')},
          {Op::String, "MODELLO", 0, "?"}}},
        // Plain substring search: the key is found inside a longer name, one more character is
        // skipped and the rest converted.
        {"SubstringKey", "#define RIF_LAMBDA_10  44\r\n", {{Op::Define, "RIF_LAMBDA_1", 44}}},
        {"ValueConversion",
         "#define X  +12\r\n#define X  12abc\r\n#define X  abc\r\n#define X  99999999999\r\n#define "
         "X\t\t7\r\n"
         "#define X  7 /* comment */\r\n",
         {{Op::Define, "X", 12},
          {Op::Define, "X", 12},
          {Op::Define, "X", 0},
          {Op::Define, "X", INT32_MAX},
          {Op::Define, "X", 7},
          {Op::Define, "X", 7}}},
        {"LineOfExactly79Characters",
         Padded("#define K  5", 79) + "\n" + Padded("#define L  6", 79) + "\r\n#define M  7\r\n",
         {{Op::Define, "K", 5}, {Op::Define, "L", 6}, {Op::Define, "M", 7}}},
        // An 80-character line: its first 79 characters are read, then the stream has failed and
        // only empty lines follow, even where the file goes on.
        {"OverLongLineFailsTheStream",
         Padded("#define K  5", 80) + "\r\n#define L  6\r\n#define M  7\r\n",
         {{Op::Define, "K", 5},
          {Op::Define, "L", NO_DEFINE},
          {Op::ModFlag, "M", 0},
          {Op::String, "M", 0, "?"},
          {Op::Define, "M", NO_DEFINE}}},
        {"OverLongLineKeepsItsFirst79Characters",
         Padded("#define K", 77) + "4277\r\n",
         {{Op::Define, "K", 42}}},
    };
    return cases;
}

class ReaderTest : public ::testing::TestWithParam<ReaderCase> {};

TEST_P(ReaderTest, ReadsLineByLine) {
    const ReaderCase& c = GetParam();
    ScratchDir dir;
    const std::string path = dir.File("case.h");
    WriteFile(path, c.content);
    IoBaseData io(path);
    ASSERT_EQ(io.OpenForReading(), 0);
    for (size_t i = 0; i < c.steps.size(); ++i) {
        const Step& s = c.steps[i];
        SCOPED_TRACE("step " + std::to_string(i) + " key " + s.key);
        switch (s.op) {
            case Op::Define:
                EXPECT_EQ(io.ReadDefine(s.key), s.result);
                break;
            case Op::ModFlag:
                EXPECT_EQ(io.ReadModFlag(s.key), s.result);
                break;
            case Op::String: {
                std::string text = "?";
                EXPECT_EQ(io.ReadDefineString(text, s.key), s.result);
                EXPECT_EQ(text, s.text);
                break;
            }
        }
    }
    io.CloseReading();
}

INSTANTIATE_TEST_SUITE_P(Lines, ReaderTest, ::testing::ValuesIn(ReaderCases()),
                         [](const ::testing::TestParamInfo<ReaderCase>& info) { return info.param.name; });

TEST(ReaderState, CloseReportsTheFailedStateAndOpenFailsOnMissingFile) {
    ScratchDir dir;
    IoBaseData io(dir.File("missing.h"));
    EXPECT_NE(io.OpenForReading(), 0);
    EXPECT_NE(io.CloseReading(), 0);

    WriteFile(dir.File("good.h"), "#define A  1\r\n");
    io.SetFileName(dir.File("good.h"));
    EXPECT_EQ(io.GetFileName(), dir.File("good.h"));
    ASSERT_EQ(io.OpenForReading(), 0);
    EXPECT_EQ(io.ReadDefine("A"), 1);
    EXPECT_EQ(io.ReadDefine("B"), NOT_FOUND);
    EXPECT_EQ(io.CloseReading(), 0);

    WriteFile(dir.File("long.h"), std::string(100, 'x') + "\r\n");
    io.SetFileName(dir.File("long.h"));
    ASSERT_EQ(io.OpenForReading(), 0);
    io.ReadDefine("A");
    EXPECT_TRUE(io.ReadFailed());
    EXPECT_NE(io.CloseReading(), 0);

    // Reopening starts clean.
    io.SetFileName(dir.File("good.h"));
    ASSERT_EQ(io.OpenForReading(), 0);
    EXPECT_EQ(io.ReadDefine("A"), 1);
    EXPECT_EQ(io.CloseReading(), 0);
}

TEST(Writer, WritesEachLineWithCrLf) {
    ScratchDir dir;
    IoBaseData io(dir.File("out.h"));
    ASSERT_EQ(io.OpenForWriting(), 0);
    io.WriteDefine(200, "RITARDO_MASSIMO_CAMBIO");
    io.WriteDefine(-5, "CL_0_0");
    io.WriteDefineString("FIAT PUNTO", "MODELLO");
    io.WriteModFlag(1, "CL_3_7_MOD");
    io.WriteModFlag(7, "CL_3_8_MOD");
    io.WriteModFlag(0, "CL_3_7_MOD");
    // A line end inside a text would split the entry and shift every later line.
    io.WriteDefineString("TWO\r\nLINES", "NOME_PROGRAMMA");
    EXPECT_EQ(io.CloseWriting(), 0);
    EXPECT_EQ(ReadFile(dir.File("out.h")),
              "#define RITARDO_MASSIMO_CAMBIO  200\r\n"
              "#define CL_0_0  -5\r\n"
              "#define MODELLO  \"FIAT PUNTO\"\r\n"
              "#define CL_3_7_MOD\r\n"
              "#define CL_3_8_MOD\r\n"
              "/* #define CL_3_7_MOD */\r\n"
              "#define NOME_PROGRAMMA  \"TWO  LINES\"\r\n");
}

TEST(Writer, WrittenValuesReadBackExactly) {
    const std::vector<int32_t> values = {0, 1, -1, 1153, 67043839, INT32_MAX, INT32_MIN + 1, NOT_FOUND};
    ScratchDir dir;
    IoBaseData io(dir.File("round.h"));
    ASSERT_EQ(io.OpenForWriting(), 0);
    for (size_t i = 0; i < values.size(); ++i) io.WriteDefine(values[i], "KEY_" + std::to_string(i));
    io.WriteDefineString("ABC \xE8", "MODELLO");
    io.WriteModFlag(0, "F0");
    io.WriteModFlag(1, "F1");
    ASSERT_EQ(io.CloseWriting(), 0);

    ASSERT_EQ(io.OpenForReading(), 0);
    for (size_t i = 0; i < values.size(); ++i)
        EXPECT_EQ(io.ReadDefine("KEY_" + std::to_string(i)), values[i]);
    std::string text;
    EXPECT_EQ(io.ReadDefineString(text, "MODELLO"), 1);
    EXPECT_EQ(text, "ABC \xE8");
    EXPECT_EQ(io.ReadModFlag("F0"), 0);
    EXPECT_EQ(io.ReadModFlag("F1"), 1);
    EXPECT_EQ(io.CloseReading(), 0);
}

TEST(Writer, ReportsFailures) {
    ScratchDir dir;
    IoBaseData io(dir.File("no/such/dir/out.h"));
    EXPECT_NE(io.OpenForWriting(), 0);
    EXPECT_NE(io.CloseWriting(), 0);

    // A device that accepts the open and fails every write.
    io.SetFileName("/dev/full");
    ASSERT_EQ(io.OpenForWriting(), 0);
    io.WriteDefine(1, "A");
    EXPECT_NE(io.CloseWriting(), 0);

    // A failure does not stick to the next file.
    io.SetFileName(dir.File("ok.h"));
    ASSERT_EQ(io.OpenForWriting(), 0);
    io.WriteDefine(1, "A");
    EXPECT_EQ(io.CloseWriting(), 0);
}

class RecordingCanvas : public ReportCanvas {
  public:
    void SetFont(const Font& f) override {
        events.push_back("font " + f.name + " " + std::to_string(f.size) + (f.bold ? " bold" : "") +
                         (f.underline ? " underline" : ""));
    }
    void TextOut(int x, int y, const std::string& text) override {
        events.push_back(std::to_string(x) + "," + std::to_string(y) + " " + text);
    }
    std::vector<std::string> events;
};

TEST(Header, TitleBlockNamesTheProductAndTheDate) {
    const double when = DayNumberFromDate(2024, 3, 5) + (14 * 3600 + 5 * 60 + 9) / 86400.0;
    const std::string stamp = IoBaseData::ReportDateTimeText(when);
    EXPECT_EQ(stamp, "marted\xEC 5 marzo 2024  14:05:09");

    RecordingCanvas zov;
    IoBaseData::PrintHeader(zov, "ZOV Qbr", stamp);
    EXPECT_EQ(zov.events, (std::vector<std::string>{"font Courier New 14 bold underline",
                                                    "20,20 Stampa dati Centralina Iniezione ZOV",
                                                    "font Courier New 12", "20,200 " + stamp}));
    RecordingCanvas krv;
    IoBaseData::PrintHeader(krv, "Service KrV", stamp);
    EXPECT_EQ(krv.events[1], "20,20 Stampa dati Centralina Iniezione KRV");
}

TEST(Dates, DayNumbersFollowTheCalendar) {
    struct Case {
        int y, m, d;
        double day;
        const char* text;
    };
    const Case cases[] = {
        {1899, 12, 30, 0, "sabato 30 dicembre 1899"},
        {1998, 10, 12, 36080, "luned\xEC 12 ottobre 1998"},
        {2000, 1, 1, 36526, "sabato 1 gennaio 2000"},
        {2000, 2, 29, 36585, "marted\xEC 29 febbraio 2000"},
        {2024, 12, 31, 45657, "marted\xEC 31 dicembre 2024"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(DayNumberFromDate(c.y, c.m, c.d), c.day);
        int y = 0, m = 0, d = 0;
        DateFromDayNumber(c.day + 0.75, y, m, d);
        EXPECT_EQ((std::vector<int>{y, m, d}), (std::vector<int>{c.y, c.m, c.d}));
        EXPECT_EQ(LongDateText(c.day), c.text);
    }
    EXPECT_EQ(LongTimeText(0.5), "12:00:00");
}

// --- validating reader ---------------------------------------------------------------------

using Entry = DefinitionReader::Entry;

enum class Call { Next, Take, ModFlag };

struct ReaderCall {
    Call call;
    std::string key;
    Entry outcome;  // Take and ModFlag: Value for true, Bad for false
    int32_t out;    // the destination afterwards; kUntouched when left alone
    int32_t lo = 0, hi = 255;
};

constexpr int32_t kUntouched = 777;
constexpr uint8_t kFlagUntouched = 9;

struct DefinitionCase {
    const char* name;
    std::string content;
    std::vector<ReaderCall> calls;
    std::string error;  // the remembered first error, empty for none
};

void PrintTo(const DefinitionCase& c, std::ostream* os) { *os << c.name; }

const std::vector<DefinitionCase>& DefinitionCases() {
    static const std::vector<DefinitionCase> cases = {
        {"LimitsAreInclusive",
         "#define A  0\r\n#define B  255\r\n#define C  -128\r\n",
         {{Call::Take, "A", Entry::Value, 0},
          {Call::Take, "B", Entry::Value, 255},
          {Call::Take, "C", Entry::Value, -128, -128, 255}},
         ""},
        {"AboveTheLimit",
         "#define A  1\r\n#define B  256\r\n",
         {{Call::Take, "A", Entry::Value, 1}, {Call::Take, "B", Entry::Bad, kUntouched}},
         "riga 2: B fuori limiti (256)"},
        {"MinusOneOnADefinitionIsAValue",
         "#define A  -1\r\n",
         {{Call::Take, "A", Entry::Bad, kUntouched}},
         "riga 1: A fuori limiti (-1)"},
        {"FreeText",
         "garbage A\r\n",
         {{Call::Take, "A", Entry::Bad, kUntouched}},
         "riga 1: A non \xE8 una definizione"},
        {"EndOfFile", "", {{Call::Take, "A", Entry::Bad, kUntouched}}, "riga 1: A mancante"},
        {"ForeignKey", "#define B  3\r\n", {{Call::Take, "A", Entry::Bad, kUntouched}}, "riga 1: A mancante"},
        // Where an older file may end, its end (or the next key) is no error.
        {"OptionalLineAbsent",
         "#define A  1\r\n#define C  2\r\n",
         {{Call::Next, "A", Entry::Value, 1}, {Call::Next, "B", Entry::Missing, kUntouched}},
         ""},
        {"OptionalLineStillChecked",
         "#define A  300\r\nfree text\r\n",
         {{Call::Next, "A", Entry::Bad, kUntouched}, {Call::Next, "B", Entry::Bad, kUntouched}},
         "riga 1: A fuori limiti (300)"},
        {"ModifiedFlags",
         "/* #define A_MOD */\r\n#define B_MOD\r\n",
         {{Call::ModFlag, "A_MOD", Entry::Value, 0}, {Call::ModFlag, "B_MOD", Entry::Value, 1}},
         ""},
        {"ModifiedFlagOfAnotherKey",
         "#define X_MOD\r\n",
         {{Call::ModFlag, "A_MOD", Entry::Bad, kUntouched}},
         "riga 1: A_MOD mancante"},
        {"ModifiedFlagOnFreeText",
         "#define A  5\r\n7\r\n",
         {{Call::Take, "A", Entry::Value, 5}, {Call::ModFlag, "A_MOD", Entry::Bad, kUntouched}},
         "riga 2: A_MOD non \xE8 una definizione"},
        // Reading goes on after a failure, counting lines, but the first reason stays.
        {"FirstErrorIsKept",
         "x\r\n#define B  999\r\n#define C  1\r\n",
         {{Call::Take, "A", Entry::Bad, kUntouched},
          {Call::Take, "B", Entry::Bad, kUntouched},
          {Call::Take, "C", Entry::Value, 1}},
         "riga 1: A non \xE8 una definizione"},
        {"EveryKindOfCallCountsItsLine",
         "#define A  1\r\n/* #define A_MOD */\r\n#define B  2\r\n",
         {{Call::Next, "A", Entry::Value, 1},
          {Call::ModFlag, "A_MOD", Entry::Value, 0},
          {Call::Take, "C", Entry::Bad, kUntouched}},
         "riga 3: C mancante"},
    };
    return cases;
}

class DefinitionReaderTest : public ::testing::TestWithParam<DefinitionCase> {};

TEST_P(DefinitionReaderTest, ChecksEachLine) {
    const DefinitionCase& c = GetParam();
    ScratchDir dir;
    WriteFile(dir.File("case.h"), c.content);
    IoBaseData io(dir.File("case.h"));
    ASSERT_EQ(io.OpenForReading(), 0);
    DefinitionReader in(io);
    for (size_t i = 0; i < c.calls.size(); ++i) {
        const ReaderCall& k = c.calls[i];
        SCOPED_TRACE("call " + std::to_string(i) + " key " + k.key);
        int32_t out = kUntouched;
        switch (k.call) {
            case Call::Next:
                EXPECT_EQ(in.Next(k.key, k.lo, k.hi, out), k.outcome);
                break;
            case Call::Take:
                EXPECT_EQ(in.Take(k.key, k.lo, k.hi, out), k.outcome == Entry::Value);
                break;
            case Call::ModFlag: {
                uint8_t flag = kFlagUntouched;
                EXPECT_EQ(in.ModFlag(k.key, flag), k.outcome == Entry::Value);
                out = flag == kFlagUntouched ? kUntouched : flag;
                break;
            }
        }
        EXPECT_EQ(out, k.out);
    }
    EXPECT_EQ(in.Failed(), !c.error.empty());
    EXPECT_EQ(in.Error(), c.error);
    io.CloseReading();
}

INSTANTIATE_TEST_SUITE_P(Files, DefinitionReaderTest, ::testing::ValuesIn(DefinitionCases()),
                         [](const ::testing::TestParamInfo<DefinitionCase>& info) {
                             return info.param.name;
                         });

TEST(NumberedKeys, StemAndIndexes) {
    EXPECT_EQ(NumberedKey("CG_", 19), "CG_19");
    EXPECT_EQ(NumberedKey("TRIF", 0), "TRIF0");
    EXPECT_EQ(NumberedKey("CL_", 3, 12), "CL_3_12");
}

// --- atomic write ----------------------------------------------------------------------------

constexpr const char* kEarlier = "#define OLD  1\r\n";

void WriteThree(IoBaseData& io) {
    io.WriteDefine(1, "FIRST_ENTRY");
    io.WriteDefine(2, "SECOND_ENTRY");
    io.WriteDefine(3, "THIRD_ENTRY");
}

constexpr const char* kThree =
    "#define FIRST_ENTRY  1\r\n#define SECOND_ENTRY  2\r\n#define THIRD_ENTRY  3\r\n";

struct AtomicCase {
    const char* name;
    const char* target;  // inside the scratch directory
    bool earlier;        // the target holds an earlier file
    bool tempBlocked;    // a directory stands where the temporary would go
    rlim_t sizeLimit;    // writes past this many bytes fail (0: no limit)
    bool written;
};

void PrintTo(const AtomicCase& c, std::ostream* os) { *os << c.name; }

class AtomicWrite : public ::testing::TestWithParam<AtomicCase> {};

TEST_P(AtomicWrite, TheTargetIsEitherTheNewFileOrUntouched) {
    const AtomicCase& c = GetParam();
    ScratchDir dir;
    const std::string target = dir.File(c.target);
    const std::string temp = target + ".tmp";
    if (c.earlier) WriteFile(target, kEarlier);
    if (c.tempBlocked) fs::create_directory(temp);
    IoBaseData io(target);
    bool written = false;
    {
        std::optional<FileSizeLimit> limit;
        if (c.sizeLimit) limit.emplace(c.sizeLimit);
        written = io.WriteAtomically([&io] { WriteThree(io); });
    }
    EXPECT_EQ(written, c.written);
    EXPECT_EQ(io.GetFileName(), target);
    if (c.written)
        EXPECT_EQ(ReadFile(target), kThree);
    else if (c.earlier)
        EXPECT_EQ(ReadFile(target), kEarlier);
    else
        EXPECT_FALSE(fs::exists(target));
    // A directory in the way is not the writer's to remove; its own temporary never stays.
    EXPECT_EQ(fs::is_directory(temp), c.tempBlocked);
    EXPECT_EQ(fs::exists(temp), c.tempBlocked);
    if (fs::is_directory(fs::path(target).parent_path())) {
        for (const std::string& name : dir.Entries())
            EXPECT_TRUE(name == "out.h" || (c.tempBlocked && name == "out.h.tmp")) << name;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Targets, AtomicWrite,
    ::testing::Values(AtomicCase{"NewFile", "out.h", false, false, 0, true},
                      AtomicCase{"ReplacesTheEarlierFile", "out.h", true, false, 0, true},
                      AtomicCase{"FailureHalfWayKeepsTheEarlierFile", "out.h", true, false, 40, false},
                      AtomicCase{"FailureHalfWayOfANewFileLeavesNothing", "out.h", false, false, 40, false},
                      // The temporary's name is the writer's own (pid and counter): a foreign file
                      // at the plain ".tmp" name is no obstacle, and is left alone.
                      AtomicCase{"ForeignTemporaryIsLeftAlone", "out.h", true, true, 0, true},
                      AtomicCase{"MissingFolder", "no/such/dir/out.h", false, false, 0, false}),
    [](const ::testing::TestParamInfo<AtomicCase>& info) { return info.param.name; });

TEST(AtomicWriteKeeps, TheEarlierFilesAccessRights) {
    ScratchDir dir;
    const std::string target = dir.File("out.h");
    WriteFile(target, kEarlier);
    const fs::perms rights = fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read;
    fs::permissions(target, rights);
    IoBaseData io(target);
    ASSERT_TRUE(io.WriteAtomically([&io] { WriteThree(io); }));
    EXPECT_EQ(ReadFile(target), kThree);
    EXPECT_EQ(fs::status(target).permissions(), rights);
}

TEST(AtomicWriteKeeps, ADeviceNodeAndWritesIntoItInPlace) {
    IoBaseData io("/dev/full");
    EXPECT_FALSE(io.WriteAtomically([&io] { WriteThree(io); }));  // every write fails on it
    EXPECT_TRUE(fs::is_character_file("/dev/full"));
    EXPECT_FALSE(fs::exists("/dev/full.tmp"));
}

}  // namespace
}  // namespace zov
