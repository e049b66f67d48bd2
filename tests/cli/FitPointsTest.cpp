// zovctl fit's points reader on its own: what a file holds, byte for byte, and what it gives.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TestFiles.h"
#include "ZovctlFitPoints.h"

namespace zov {
namespace {

using Points = std::vector<ConfMap::MappingPoint>;

// An ASCII text as a UTF-16 editor saves it.
std::string Utf16(const std::string& ascii, bool littleEndian, bool byteOrderMark) {
    std::string out;
    if (byteOrderMark) out += littleEndian ? "\xFF\xFE" : "\xFE\xFF";
    for (const char c : ascii) {
        out += littleEndian ? c : '\0';
        out += littleEndian ? '\0' : c;
    }
    return out;
}

std::string Describe(const Points& points) {
    std::string s;
    for (const auto& p : points)
        s += std::to_string(p.rpm) + "," + std::to_string(p.map) + "," + std::to_string(p.value) + ";";
    return s;
}

TEST(FitPoints, EveryFieldIsWhollyANumberAndTheTextIsUtf8) {
    using namespace std::string_literals;
    const struct {
        const char* what;
        std::string text;
        int status;
        const char* says;    // in the reason, after the file's name
        const char* points;  // when read
    } cases[] = {
        {"plain, header, blanks, CR LF", "rpm,map,value\r\n650,29,100\r\n\r\n 3100 , 29 , 300\r\n", 0, "",
         "650,29,100;3100,29,300;"},
        {"a UTF-8 byte order mark",
         "\xEF\xBB\xBF"
         "650,29,100\n3100,29,300\n",
         0, "", "650,29,100;3100,29,300;"},
        {"a byte order mark before the header", "\xEF\xBB\xBFrpm,map,value\n650,29,100\n", 0, "",
         "650,29,100;"},
        {"a NUL for a field", "3000,\0,400\n"s, 2, " line 1: expected rpm,map,value", ""},
        {"a NUL after the digits", "650,29,100\n1000\0junk\n"s, 2, " line 2: expected rpm,map,value", ""},
        {"a NUL inside a field", "650,29,100\n1000,2\0009,100\n"s, 2, " line 2: expected", ""},
        {"a NUL in the header's place", "\0rpm,map,value\n650,29,100\n"s, 2, " line 1: expected", ""},
        {"letters after the digits", "650,29,100\n3100,29,300x\n", 2, " line 2: expected", ""},
        {"two numbers in one field", "650,29,1 00\n", 2, " line 1: expected", ""},
        {"a sign the number does not take", "650,+29,100\n", 2, " line 1: expected", ""},
        {"a header after the first line", "650,29,100\nrpm,map,value\n", 2, " line 2: expected", ""},
        {"a negative number", "650,29,100\n-5,29,100\n", 2, " line 2: rpm outside 0..20000", ""},
        {"UTF-16 little endian", Utf16("650,29,100\n3100,29,300\n", true, true), 4, ": UTF-16 text", ""},
        {"UTF-16 big endian", Utf16("650,29,100\n3100,29,300\n", false, true), 4, ": UTF-16 text", ""},
        {"UTF-16 without a mark", Utf16("rpm,map,value\n650,29,100\n", true, false), 4, ": UTF-16 text", ""},
        {"UTF-16 big endian without a mark", Utf16("650,29,100\n", false, false), 4, ": UTF-16 text", ""},
    };
    testing::ScratchDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string path = dir.File("points.csv");
        testing::WriteFile(path, c.text);
        Points points{{1, 1, 1}};
        const FitPointsError r = ReadFitPoints(path, points);
        EXPECT_EQ(r.status, c.status) << r.reason;
        if (c.status == 0) {
            EXPECT_EQ(r.reason, "");
            EXPECT_EQ(Describe(points), c.points);
        } else {
            EXPECT_EQ(r.reason.rfind(path + c.says, 0), 0u) << r.reason;
            EXPECT_TRUE(points.empty()) << "a refused file gives no points: " << Describe(points);
        }
    }
}

}  // namespace
}  // namespace zov
