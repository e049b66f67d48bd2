#include "UpdateIndex.h"

#include <algorithm>
#include <charconv>
#include <set>
#include <sstream>

namespace zov {

namespace {

constexpr const char* kMagic = "ZOV-INDEX 1";
constexpr const char* const kTopFolders[] = {"Schede", "Software", "Map"};
constexpr size_t kShaHexLength = 64;

bool IsLowerHex(const std::string& text) {
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); });
}

std::optional<uint64_t> Number(const std::string& text) {
    uint64_t value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

// "YYYY-MM-DDTHH:MM:SSZ" with digits where digits go.
bool IsDate(const std::string& text) {
    const std::string shape = "dddd-dd-ddTdd:dd:ddZ";
    if (text.size() != shape.size()) return false;
    for (size_t i = 0; i < shape.size(); ++i)
        if (shape[i] == 'd' ? !(text[i] >= '0' && text[i] <= '9') : text[i] != shape[i]) return false;
    return true;
}

// "file <sha256> <size> <path>" into `file`; the reason when it is not one.
std::string ReadFileLine(const std::string& rest, IndexedFile& file) {
    const size_t first = rest.find(' ');
    const size_t second = first == std::string::npos ? first : rest.find(' ', first + 1);
    if (second == std::string::npos) return "a file line needs a SHA-256, a size and a path";
    file.sha256 = rest.substr(0, first);
    if (file.sha256.size() != kShaHexLength || !IsLowerHex(file.sha256)) return "a bad SHA-256";
    const std::optional<uint64_t> size = Number(rest.substr(first + 1, second - first - 1));
    if (!size) return "a bad size";
    file.size = *size;
    file.path = rest.substr(second + 1);
    return UpdateIndex::PathRefusal(file.path);
}

}  // namespace

std::string UpdateIndex::PathRefusal(const std::string& path) {
    if (std::any_of(path.begin(), path.end(),
                    [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; }))
        return "a path holds a control character";
    if (path.find('\\') != std::string::npos) return "the path \"" + path + "\" holds a backslash";
    std::vector<std::string> parts;
    std::stringstream in(path);
    for (std::string part; std::getline(in, part, '/');) parts.push_back(part);
    if (path.empty() || path.back() == '/') parts.emplace_back();
    const bool confined = parts.size() >= 2 && std::find(std::begin(kTopFolders), std::end(kTopFolders),
                                                         parts.front()) != std::end(kTopFolders);
    const bool clean = std::none_of(parts.begin(), parts.end(),
                                    [](const std::string& p) { return p.empty() || p == "." || p == ".."; });
    if (!confined || !clean) return "the path \"" + path + "\" lies outside Schede, Software and Map";
    return {};
}

std::optional<UpdateIndex> UpdateIndex::Parse(const std::string& text, std::string& error) {
    UpdateIndex index;
    std::set<std::string> paths;
    bool sequence = false;
    std::istringstream in(text);
    std::string line;
    int number = 0;
    auto fail = [&](const std::string& why) {
        error = std::string(kFileName) + " line " + std::to_string(number) + ": " + why;
        return std::nullopt;
    };
    while (std::getline(in, line)) {
        ++number;
        if (number == 1) {
            if (line != kMagic) return fail("not an update index");
            continue;
        }
        const size_t blank = line.find(' ');
        const std::string key = line.substr(0, blank);
        const std::string rest = blank == std::string::npos ? std::string() : line.substr(blank + 1);
        if (key == "sequence") {
            const std::optional<uint64_t> value = Number(rest);
            if (!value || sequence) return fail("a bad or second sequence number");
            index.sequence = *value;
            sequence = true;
        } else if (key == "date") {
            if (!IsDate(rest)) return fail("a bad date");
            index.date = rest;
        } else if (key == "file") {
            IndexedFile file;
            if (const std::string why = ReadFileLine(rest, file); !why.empty()) return fail(why);
            if (!paths.insert(file.path).second) return fail("\"" + file.path + "\" is listed twice");
            index.files.push_back(std::move(file));
        } else {
            return fail("an unknown line");
        }
    }
    if (number == 0) return fail("an empty index");
    if (!sequence) return fail("no sequence number");
    return index;
}

std::string UpdateIndex::Text() const {
    std::string text =
        std::string(kMagic) + "\nsequence " + std::to_string(sequence) + "\ndate " + date + "\n";
    for (const IndexedFile& f : files)
        text += "file " + f.sha256 + " " + std::to_string(f.size) + " " + f.path + "\n";
    return text;
}

}  // namespace zov
