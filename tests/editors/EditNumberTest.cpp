// Reading numbers typed into the editors' edits and writing them back, without a window.
#include <gtest/gtest.h>

#include <optional>

#include "EditNumber.h"

namespace zov::test {
namespace {

TEST(EditNumber, IntegersAreTheFirstEightCharactersAsADecimalNumber) {
    struct Case {
        const char* text;
        std::optional<int32_t> value;
    };
    const Case cases[] = {
        {"", 0},
        {"1400", 1400},
        {"  -50", -50},
        {"\t+7", 7},
        {"123456789", 12345678},  // the ninth digit does not count
        {"-1234567x", -1234567},  // nor does what follows the eighth character
        {"99999999", 99999999},
        {"12a", std::nullopt},
        {"-", std::nullopt},
        {"  ", std::nullopt},
        {"1.5", std::nullopt},
        {"15 ", std::nullopt},
        {"0x10", std::nullopt},
        {"- 5", std::nullopt},
    };
    for (const Case& c : cases) EXPECT_EQ(EditNumber::ParseInt(c.text), c.value) << '"' << c.text << '"';
}

TEST(EditNumber, DecimalsTakeAPointAndAnExponentButNoCommaHexOrNames) {
    struct Case {
        const char* text;
        std::optional<double> value;
    };
    const Case cases[] = {
        {"0.14", 0.14},        {" 1e2", 100.0},         {".5", 0.5},
        {"5.", 5.0},           {"-0.25", -0.25},        {"", 0.0},
        {"1.5e-1", 0.15},      {"1234.5678", 1234.567}, {"1,5", std::nullopt},
        {"nan", std::nullopt}, {"inf", std::nullopt},   {"0x1p3", std::nullopt},
        {"1e", std::nullopt},  {".", std::nullopt},     {"1.2.3", std::nullopt},
        {"e5", std::nullopt},
    };
    for (const Case& c : cases) {
        const std::optional<double> v = EditNumber::ParseDecimal(c.text);
        ASSERT_EQ(v.has_value(), c.value.has_value()) << '"' << c.text << '"';
        if (v) {
            EXPECT_DOUBLE_EQ(*v, *c.value) << '"' << c.text << '"';
        }
    }
}

TEST(EditNumber, DecimalsAreWrittenWithFiveSignificantDigits) {
    struct Case {
        double value;
        const char* text;
    };
    const Case cases[] = {
        {0.14, "0.14"},
        {1.0, "1"},
        {200.0, "200"},
        {123456.0, "1.2346e+05"},
        {0.00001234, "1.234e-05"},
        {-50.0, "-50"},
        {3.14159, "3.1416"},
    };
    for (const Case& c : cases) EXPECT_EQ(EditNumber::FormatDecimal(c.value), c.text) << c.value;
    EXPECT_EQ(EditNumber::FormatInt(-40), "-40");
}

TEST(EditNumber, ScaledValuesKeepTheDigitTheUserTyped) {
    struct Case {
        double value;
        double scale;
        int32_t result;
    };
    const Case cases[] = {
        {0.29, 100, 29},    // 0.29 x 100 is 28.999999999999996 in binary
        {0.57, 1000, 570},  // 569.99999999999989
        {0.14, 100, 14},   {1.0, 1000, 1000}, {0.1234, 1000, 123},  // digits beyond the unit are cut
        {0.0199, 100, 1},  {-0.29, 100, -29}, {200.0, 1000, 200000},
    };
    for (const Case& c : cases) EXPECT_EQ(EditNumber::TruncScaled(c.value, c.scale), c.result) << c.value;
}

}  // namespace
}  // namespace zov::test
