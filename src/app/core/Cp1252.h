#pragma once

#include <string>
#include <string_view>

// Windows-1252 is the program's 8-bit text encoding (dictionary, messages, files, the ECU's names);
// these convert at the edges where text meets Qt, the file system or UTF-8 sources.
namespace zov::cp1252 {

// Every byte maps to one code point. The five bytes Windows-1252 leaves undefined (0x81, 0x8D,
// 0x8F, 0x90, 0x9D) map to the C1 controls of the same value, so any byte string survives
// ToUtf8 followed by FromUtf8 unchanged.
std::string ToUtf8(std::string_view text);

// Code points outside Windows-1252 and malformed UTF-8 (one '?' per maximal ill-formed
// subsequence) become '?'. `exact`, when given, is set to false if anything was replaced and to
// true otherwise, so a caller can refuse a text rather than store a damaged one.
std::string FromUtf8(std::string_view text, bool* exact = nullptr);

}  // namespace zov::cp1252
