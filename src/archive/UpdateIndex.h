#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace zov {

// One file of a published update: its path under the publication's ZOV folder ("Software/Gpl/
// Fiat/Punto_0B0.s19"), its size and its SHA-256 (lower-case hex).
struct IndexedFile {
    std::string path;
    uint64_t size = 0;
    std::string sha256;
};

// ZOV.index, the signed list of a published update. Plain text, one item a line:
//   ZOV-INDEX 1
//   sequence <decimal, higher for every publication>
//   date <UTC, YYYY-MM-DDTHH:MM:SSZ>
//   file <sha256> <size> <path>        (the path last, so it may hold blanks)
// A path is confined to the three archive folders: it starts with "Schede/", "Software/" or
// "Map/", has no empty, "." or ".." part, no backslash and no control character. An index
// breaking any rule is refused whole.
struct UpdateIndex {
    static constexpr const char* kFileName = "ZOV.index";
    static constexpr const char* kSignatureName = "ZOV.index.sig";
    static constexpr const char* kFolder = "ZOV";
    static constexpr size_t kMaxBytes = 8u << 20;  // far beyond any real archive's index

    uint64_t sequence = 0;
    std::string date;
    std::vector<IndexedFile> files;

    // The index in `text`, or empty with `error` naming the line at fault.
    static std::optional<UpdateIndex> Parse(const std::string& text, std::string& error);
    // Why `path` may not be named by an index; empty when it may.
    static std::string PathRefusal(const std::string& path);
    std::string Text() const;
};

}  // namespace zov
