#include <gtest/gtest.h>

#include <string>

#include "Cp1252.h"

namespace zov {
namespace {

TEST(Cp1252, EveryByteSurvivesTheRoundTripExactly) {
    std::string all;
    for (int b = 0; b < 256; ++b) all.push_back(static_cast<char>(b));
    const std::string utf8 = cp1252::ToUtf8(all);
    bool exact = false;
    EXPECT_EQ(cp1252::FromUtf8(utf8, &exact), all);
    EXPECT_TRUE(exact);
}

TEST(Cp1252, BytesMapToTheirCodePoints) {
    struct Case {
        unsigned char byte;
        std::string utf8;
    };
    const Case cases[] = {
        {0x41, "A"},
        {0xE8, "\xC3\xA8"},      // è
        {0x80, "\xE2\x82\xAC"},  // €
        {0x8E, "\xC5\xBD"},      // Ž
        {0x99, "\xE2\x84\xA2"},  // ™
        {0x9F, "\xC5\xB8"},      // Ÿ
        {0x81, "\xC2\x81"},      // undefined in the code page: the C1 control of the same value
        {0x9D, "\xC2\x9D"},
        {0xA0, "\xC2\xA0"},
        {0xFF, "\xC3\xBF"},
    };
    for (const Case& c : cases) {
        const std::string byte(1, static_cast<char>(c.byte));
        EXPECT_EQ(cp1252::ToUtf8(byte), c.utf8) << "byte " << int(c.byte);
        EXPECT_EQ(cp1252::FromUtf8(c.utf8), byte) << "byte " << int(c.byte);
    }
}

TEST(Cp1252, UnrepresentableOrMalformedInputBecomesQuestionMarks) {
    struct Case {
        const char* name;
        std::string utf8;
        std::string expected;
    };
    const Case cases[] = {
        {"Cyrillic letter", "a\xD0\x96z", "a?z"},
        {"four-byte code point", "\xF0\x9F\x98\x80", "?"},
        {"lone continuation byte", "a\x80z", "a?z"},
        {"overlong NUL", "\xC0\x80", "??"},
        {"sequence cut by an ASCII byte",
         "\xE2\x82"
         "A",
         "?A"},
        {"sequence cut by the end", "x\xE2\x82", "x?"},
        {"surrogate", "\xED\xA0\x80", "???"},
        {"beyond U+10FFFF", "\xF4\x90\x80\x80", "????"},
        {"mixed",
         "a\xC3\xA9\xE2\x82\xAC\xD0\x96"
         "b",
         "a\xE9\x80?b"},
    };
    for (const Case& c : cases) {
        bool exact = true;
        EXPECT_EQ(cp1252::FromUtf8(c.utf8, &exact), c.expected) << c.name;
        EXPECT_FALSE(exact) << c.name;
    }
}

}  // namespace
}  // namespace zov
