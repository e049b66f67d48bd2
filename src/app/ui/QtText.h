#pragma once

#include <QString>
#include <string>
#include <string_view>

// The program keeps texts as Windows-1252 bytes; Qt wants Unicode. These are the two crossings.
namespace zov {

QString FromCp1252(std::string_view text);
// Characters outside Windows-1252 become '?'.
std::string ToCp1252(const QString& text);

// A caption without its accelerator marks: "&File" -> "File", "A && B" -> "A & B".
QString StripAccelerator(const QString& caption);

}  // namespace zov
