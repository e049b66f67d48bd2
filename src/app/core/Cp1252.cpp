#include "Cp1252.h"

#include <array>
#include <cstdint>

namespace zov::cp1252 {

namespace {

// Code points of bytes 0x80..0x9F; every other byte is its own Latin-1 code point.
constexpr std::array<char32_t, 32> kHigh = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 0x80
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 0x88
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 0x90
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 0x98
};

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        // Nothing in the table needs four bytes.
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

// The byte for `cp`, or -1 when Windows-1252 cannot represent it.
int ByteOf(char32_t cp) {
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<int>(cp);
    for (size_t i = 0; i < kHigh.size(); ++i) {
        if (kHigh[i] == cp) return static_cast<int>(0x80 + i);
    }
    return -1;
}

}  // namespace

std::string ToUtf8(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        auto b = static_cast<uint8_t>(c);
        AppendUtf8(out, b >= 0x80 && b < 0xA0 ? kHigh[b - 0x80] : b);
    }
    return out;
}

std::string FromUtf8(std::string_view text, bool* exact) {
    std::string out;
    out.reserve(text.size());
    bool replaced = false;
    size_t i = 0;
    const size_t n = text.size();
    auto at = [&](size_t k) { return static_cast<uint8_t>(text[k]); };
    while (i < n) {
        const uint8_t lead = at(i);
        if (lead < 0x80) {
            out.push_back(static_cast<char>(lead));
            ++i;
            continue;
        }
        // Sequence length and the range of the second byte (RFC 3629 table), which rules out
        // overlong forms, surrogates and code points past U+10FFFF.
        int need = 0;
        uint8_t lo = 0x80, hi = 0xBF;
        char32_t cp = 0;
        if (lead >= 0xC2 && lead <= 0xDF) {
            need = 1;
            cp = lead & 0x1F;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            need = 2;
            cp = lead & 0x0F;
            if (lead == 0xE0) lo = 0xA0;
            if (lead == 0xED) hi = 0x9F;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            need = 3;
            cp = lead & 0x07;
            if (lead == 0xF0) lo = 0x90;
            if (lead == 0xF4) hi = 0x8F;
        }
        size_t j = i + 1;
        bool complete = need > 0;
        for (int k = 0; k < need; ++k, ++j) {
            const uint8_t lower = k == 0 ? lo : 0x80;
            const uint8_t upper = k == 0 ? hi : 0xBF;
            if (j >= n || at(j) < lower || at(j) > upper) {
                complete = false;
                break;
            }
            cp = (cp << 6) | (at(j) & 0x3F);
        }
        const int b = complete ? ByteOf(cp) : -1;
        if (b < 0) {
            out.push_back('?');
            replaced = true;
        } else {
            out.push_back(static_cast<char>(b));
        }
        i = j;  // a malformed prefix is consumed as one unit; a bad lead byte alone
    }
    if (exact != nullptr) *exact = !replaced;
    return out;
}

}  // namespace zov::cp1252
