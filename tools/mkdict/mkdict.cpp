// mkdict: converts the readable dictionary (UTF-8, tab-separated) into the dBASE table the program
// reads, with the texts in Windows-1252.
//
//     mkdict dictionary.tsv Dizionario.dbf
//
// The first line names the columns: IDENTIF, then one column per language (its key, at most 10
// characters). Every further non-empty line is one identifier and its texts. In a text, "\n",
// "\t" and "\\" stand for a line feed, a tab and a backslash. Bad input is refused with the line
// and the reason, and the output is written only when everything is right.

#include <shapefil.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "Cp1252.h"

namespace {

constexpr std::size_t kMaxWidth = 254;
constexpr std::size_t kMaxFieldName = 10;

struct InputError {
    std::string message;
};

struct Dictionary {
    std::vector<std::string> fields;
    std::vector<std::vector<std::string>> rows;  // Windows-1252
};

std::vector<std::string> Split(const std::string& line) {
    std::vector<std::string> cells;
    std::size_t start = 0;
    for (;;) {
        const std::size_t tab = line.find('\t', start);
        cells.push_back(line.substr(start, tab == std::string::npos ? std::string::npos : tab - start));
        if (tab == std::string::npos) return cells;
        start = tab + 1;
    }
}

std::string Unescape(const std::string& cell, const std::string& where) {
    std::string out;
    for (std::size_t i = 0; i < cell.size(); ++i) {
        if (cell[i] != '\\') {
            out.push_back(cell[i]);
            continue;
        }
        const char next = i + 1 < cell.size() ? cell[i + 1] : '\0';
        switch (next) {
            case 'n':
                out.push_back('\n');
                break;
            case 't':
                out.push_back('\t');
                break;
            case '\\':
                out.push_back('\\');
                break;
            default:
                throw InputError{where + ": a backslash must start \\n, \\t or \\\\"};
        }
        ++i;
    }
    return out;
}

bool IsFieldName(const std::string& name) {
    if (name.empty() || name.size() > kMaxFieldName || !std::isupper(static_cast<unsigned char>(name[0]))) {
        return false;
    }
    return std::all_of(name.begin(), name.end(), [](char c) {
        return std::isupper(static_cast<unsigned char>(c)) || std::isdigit(static_cast<unsigned char>(c)) ||
               c == '_';
    });
}

bool IsIdentifier(const std::string& id) {
    return !id.empty() && id.size() <= kMaxWidth && std::all_of(id.begin(), id.end(), [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
    });
}

Dictionary Parse(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw InputError{path + ": cannot be opened"};
    std::stringstream buffer;
    buffer << in.rdbuf();
    std::string content = buffer.str();
    if (content.rfind("\xEF\xBB\xBF", 0) == 0) content.erase(0, 3);

    Dictionary dict;
    std::map<std::string, int> seen;  // identifier -> line
    std::istringstream lines(content);
    std::string line;
    int number = 0;
    while (std::getline(lines, line)) {
        ++number;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const std::string at = path + ":" + std::to_string(number);
        if (dict.fields.empty()) {
            dict.fields = Split(line);
            if (dict.fields[0] != "IDENTIF") throw InputError{at + ": the first column must be IDENTIF"};
            if (dict.fields.size() < 2) throw InputError{at + ": there is no language column"};
            std::set<std::string> names;
            for (const std::string& f : dict.fields) {
                if (!IsFieldName(f)) {
                    throw InputError{
                        at + ": column name \"" + f +
                        "\" must be 1 to 10 upper-case letters, digits or '_', starting with a letter"};
                }
                if (!names.insert(f).second) throw InputError{at + ": column \"" + f + "\" appears twice"};
            }
            continue;
        }
        if (line.empty()) continue;
        const std::vector<std::string> cells = Split(line);
        if (cells.size() != dict.fields.size()) {
            throw InputError{at + ": " + std::to_string(cells.size()) + " cells, the header has " +
                             std::to_string(dict.fields.size())};
        }
        if (!IsIdentifier(cells[0]))
            throw InputError{at + ": \"" + cells[0] + "\" is not a valid identifier"};
        const auto [previous, inserted] = seen.emplace(cells[0], number);
        if (!inserted) {
            throw InputError{at + ": \"" + cells[0] + "\" was already defined on line " +
                             std::to_string(previous->second)};
        }
        std::vector<std::string> row;
        for (std::size_t c = 0; c < cells.size(); ++c) {
            const std::string where = at + " (" + dict.fields[c] + ")";
            const std::string text = Unescape(cells[c], where);
            bool exact = false;
            std::string bytes = zov::cp1252::FromUtf8(text, &exact);
            if (!exact) throw InputError{where + ": not UTF-8, or a character outside Windows-1252"};
            // dBASE pads with blanks and readers strip them: edge blanks would silently vanish.
            if (!bytes.empty() && (bytes.front() == ' ' || bytes.back() == ' ')) {
                throw InputError{where + ": leading or trailing blanks cannot be kept in the table"};
            }
            if (bytes.size() > kMaxWidth) {
                throw InputError{where + ": " + std::to_string(bytes.size()) + " characters, at most " +
                                 std::to_string(kMaxWidth)};
            }
            row.push_back(std::move(bytes));
        }
        dict.rows.push_back(std::move(row));
    }
    if (dict.fields.empty()) throw InputError{path + ": empty file, expected the IDENTIF header"};
    for (const char* special : {"MenuLingua", "Flag"}) {
        const auto it = std::find_if(dict.rows.begin(), dict.rows.end(),
                                     [&](const std::vector<std::string>& r) { return r[0] == special; });
        if (it == dict.rows.end()) throw InputError{path + ": the row \"" + special + "\" is missing"};
        for (std::size_t c = 1; c < it->size(); ++c) {
            if ((*it)[c].empty()) {
                throw InputError{path + ": the row \"" + special + "\" has no text for " + dict.fields[c]};
            }
        }
    }
    return dict;
}

struct DbfCloser {
    void operator()(DBFInfo* handle) const {
        if (handle != nullptr) DBFClose(handle);
    }
};

// Writes next to the output and renames, so a failed run never leaves a half-written table.
void Write(const Dictionary& dict, const std::string& output) {
    const std::string base = output.substr(0, output.size() - 4);
    const std::string partial = base + ".part" + std::to_string(getpid()) + ".dbf";
    bool ok = true;
    {
        std::unique_ptr<DBFInfo, DbfCloser> dbf(DBFCreateEx(partial.c_str(), "LDID/87"));  // 87: Windows ANSI
        if (!dbf) throw InputError{partial + ": cannot be created"};
        for (std::size_t c = 0; c < dict.fields.size() && ok; ++c) {
            std::size_t width = 1;
            for (const auto& row : dict.rows) width = std::max(width, row[c].size());
            ok = DBFAddField(dbf.get(), dict.fields[c].c_str(), FTString, static_cast<int>(width), 0) ==
                 static_cast<int>(c);
        }
        for (std::size_t r = 0; r < dict.rows.size() && ok; ++r) {
            for (std::size_t c = 0; c < dict.fields.size() && ok; ++c) {
                ok = DBFWriteStringAttribute(dbf.get(), static_cast<int>(r), static_cast<int>(c),
                                             dict.rows[r][c].c_str()) != 0;
            }
        }
    }
    if (!ok || std::rename(partial.c_str(), output.c_str()) != 0) {
        std::remove(partial.c_str());
        throw InputError{output + ": cannot be written"};
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: mkdict <dictionary.tsv> <Dizionario.dbf>\n";
        return 2;
    }
    const std::string output = argv[2];
    std::string extension = output.size() >= 4 ? output.substr(output.size() - 4) : "";
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (extension != ".dbf") {
        std::cerr << "mkdict: the output name must end in .dbf\n";
        return 2;
    }
    try {
        Write(Parse(argv[1]), output);
    } catch (const InputError& e) {
        std::cerr << "mkdict: " << e.message << "\n";
        return 1;
    }
    return 0;
}
