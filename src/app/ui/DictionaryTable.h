#pragma once

#include <optional>
#include <string>
#include <vector>

namespace zov {

// The dictionary as stored in its dBASE file: the field names in table order and every live row,
// texts as the Windows-1252 bytes of the file with the padding blanks removed.
struct DictionaryTable {
    std::vector<std::string> fields;             // fields[0] is the identifier column "IDENTIF"
    std::vector<std::vector<std::string>> rows;  // one text per field
};

// Reads a dictionary table. The header is checked against the file before shapelib sees it, so a
// truncated or inconsistent file is refused with a reason instead of being read out of bounds.
// On failure returns nothing and sets `error` to a sentence naming the file and the problem.
std::optional<DictionaryTable> ReadDictionaryTable(const std::string& path, std::string& error);

}  // namespace zov
