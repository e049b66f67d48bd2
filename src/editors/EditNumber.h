#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace zov {

// How the editors read a number typed into an edit and write one back: the C library's decimal
// conversions without their locale, on at most the first eight characters of the text.
class EditNumber {
  public:
    static constexpr size_t kReadLength = 8;

    // A decimal integer (blanks before it, a sign) in the first eight characters; an empty text
    // reads 0; anything else is no number.
    static std::optional<int32_t> ParseInt(std::string_view text);
    // The same with a decimal number: digits with one point, an exponent; no hex, inf or nan,
    // and a comma is no decimal separator.
    static std::optional<double> ParseDecimal(std::string_view text);
    static std::string FormatInt(int32_t value);
    // At most five significant digits, the shorter of fixed and exponent form (%.5g).
    static std::string FormatDecimal(double value);
    // trunc(value x scale) of a value read from an edit. The binary form of a typed decimal
    // (0.29, 0.57) lies a hair below it and would lose its last digit; digits beyond the unit
    // are still cut off.
    static int32_t TruncScaled(double value, double scale);
};

}  // namespace zov
