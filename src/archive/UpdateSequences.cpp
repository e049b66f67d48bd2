#include "UpdateSequences.h"

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "AtomicFile.h"

namespace zov {

namespace {

std::map<std::string, uint64_t> ReadAll(const std::string& path) {
    std::map<std::string, uint64_t> sequences;
    std::ifstream in(path);
    std::string key;
    uint64_t sequence = 0;
    for (std::string line; std::getline(in, line);) {
        std::istringstream fields(line);
        if (fields >> key >> sequence) sequences[key] = sequence;
    }
    return sequences;
}

}  // namespace

uint64_t UpdateSequences::Last(const std::string& publicKey) const {
    const auto sequences = ReadAll(path_);
    const auto it = sequences.find(publicKey);
    return it == sequences.end() ? 0 : it->second;
}

std::string UpdateSequences::Record(const std::string& publicKey, uint64_t sequence) const {
    auto sequences = ReadAll(path_);
    if (sequences[publicKey] >= sequence) return {};
    sequences[publicKey] = sequence;
    std::string text;
    for (const auto& [key, value] : sequences) text += key + " " + std::to_string(value) + "\n";
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(path_).parent_path(), ec);
    return WriteWholeFile(path_, text);
}

}  // namespace zov
