#include "MixedMapRecord.h"

#include <filesystem>
#include <fstream>
#include <system_error>

#include "AtomicFile.h"
#include "ConfCar.h"

namespace zov {
namespace {

namespace fs = std::filesystem;

constexpr char kSeparator = '\t';

std::string Identity(const ConfCar& ecu) {
    return ecu.MODELLO + kSeparator + ecu.NOME_PROGRAMMA + kSeparator;
}

}  // namespace

std::string MixedMapRecord::PathIn(const std::string& runtimeDirectory) {
    if (runtimeDirectory.empty()) return {};
    return (fs::path(runtimeDirectory) / "Config" / "MappaMista.txt").string();
}

std::vector<std::string> MixedMapRecord::OtherLines(const ConfCar& ecu) const {
    std::vector<std::string> lines;
    std::ifstream in(path_);
    const std::string own = Identity(ecu);
    for (std::string line; std::getline(in, line);)
        if (!line.empty() && line.rfind(own, 0) != 0) lines.push_back(line);
    return lines;
}

bool MixedMapRecord::Write(const std::vector<std::string>& lines) const {
    std::error_code error;
    if (lines.empty()) {
        fs::remove(path_, error);
        return !error;
    }
    fs::create_directories(fs::path(path_).parent_path(), error);
    // Whole or not at all: a cut write must not lose the other ECUs' lines.
    std::string text;
    for (const std::string& line : lines) text += line + '\n';
    return WriteWholeFile(path_, text).empty();
}

bool MixedMapRecord::Record(const ConfCar& ecu, const std::string& newRows) {
    if (path_.empty()) return false;
    std::vector<std::string> lines = OtherLines(ecu);
    lines.push_back(Identity(ecu) + newRows);
    return Write(lines);
}

bool MixedMapRecord::Clear(const ConfCar& ecu) {
    std::error_code error;
    if (path_.empty() || !fs::exists(path_, error)) return true;
    return Write(OtherLines(ecu));
}

std::optional<std::string> MixedMapRecord::Of(const ConfCar& ecu) const {
    if (path_.empty()) return std::nullopt;
    std::ifstream in(path_);
    const std::string own = Identity(ecu);
    for (std::string line; std::getline(in, line);)
        if (line.rfind(own, 0) == 0) return line.substr(own.size());
    return std::nullopt;
}

std::string RowList(const std::vector<int>& rows) {
    if (rows.empty()) return "-";
    std::string text;
    for (size_t i = 0; i < rows.size();) {
        size_t end = i;
        while (end + 1 < rows.size() && rows[end + 1] == rows[end] + 1) ++end;
        if (!text.empty()) text += ", ";
        text += std::to_string(rows[i]);
        if (end > i) text += "-" + std::to_string(rows[end]);
        i = end + 1;
    }
    return text;
}

}  // namespace zov
