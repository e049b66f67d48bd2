#include "EditNumber.h"

#include <charconv>
#include <cmath>

namespace zov {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Skips leading blanks and a sign; the sign's minus goes into `out`.
size_t SkipBlanksAndSign(std::string_view text, std::string& out) {
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        if (text[i] == '-') out += '-';
        ++i;
    }
    return i;
}

}  // namespace

std::optional<int32_t> EditNumber::ParseInt(std::string_view text) {
    text = text.substr(0, kReadLength);
    if (text.empty()) return 0;
    std::string digits;
    size_t i = SkipBlanksAndSign(text, digits);
    if (i == text.size()) return std::nullopt;
    for (; i < text.size(); ++i) {
        if (!IsDigit(text[i])) return std::nullopt;
        digits += text[i];
    }
    // Eight characters hold at most eight digits: the value always fits.
    int32_t value = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (error != std::errc() || end != digits.data() + digits.size()) return std::nullopt;
    return value;
}

std::optional<double> EditNumber::ParseDecimal(std::string_view text) {
    text = text.substr(0, kReadLength);
    if (text.empty()) return 0.0;
    std::string number;
    size_t i = SkipBlanksAndSign(text, number);
    bool mantissaDigit = false;
    bool point = false;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (IsDigit(c)) {
            mantissaDigit = true;
        } else if (c == '.' && !point) {
            point = true;
        } else {
            break;
        }
        number += c;
    }
    if (!mantissaDigit) return std::nullopt;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        number += 'e';
        ++i;
        if (i < text.size() && (text[i] == '+' || text[i] == '-')) number += text[i++];
        bool exponentDigit = false;
        for (; i < text.size() && IsDigit(text[i]); ++i) {
            exponentDigit = true;
            number += text[i];
        }
        if (!exponentDigit) return std::nullopt;
    }
    if (i != text.size()) return std::nullopt;
    double value = 0;
    const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), value);
    if (error != std::errc() || end != number.data() + number.size()) return std::nullopt;
    return value;
}

std::string EditNumber::FormatInt(int32_t value) { return std::to_string(value); }

std::string EditNumber::FormatDecimal(double value) {
    // to_chars rather than printf: the application's locale may write a decimal comma.
    char text[32];
    const auto result = std::to_chars(text, text + sizeof text, value, std::chars_format::general, 5);
    return std::string(text, result.ptr);
}

int32_t EditNumber::TruncScaled(double value, double scale) {
    const double scaled = value * scale;
    return int32_t(std::trunc(scaled + (scaled >= 0 ? 1e-7 : -1e-7)));
}

}  // namespace zov
