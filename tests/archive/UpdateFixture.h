#pragma once

// An installed runtime folder (Schede, Vetture, Map) beside an update medium, and a snapshot of a
// whole tree to prove that something changed nothing.

#include <filesystem>
#include <fstream>
#include <map>
#include <string>

#include "ArchiveUpdate.h"
#include "TestFiles.h"

namespace zov::test {

struct UpdateFixture {
    UpdateFixture() {
        for (const char* d : {"run/Schede", "run/Vetture", "run/Map", "medium", "outside"})
            std::filesystem::create_directories(dir.Path() / d);
    }
    void Put(const std::string& relative, const std::string& content) const {
        const std::filesystem::path path = dir.Path() / relative;
        std::filesystem::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary) << content;
    }
    std::string Path(const std::string& relative) const { return (dir.Path() / relative).string(); }
    std::string Read(const std::string& relative) const { return zov::testing::ReadFile(Path(relative)); }
    bool Exists(const std::string& relative) const { return std::filesystem::exists(dir.Path() / relative); }
    std::string Runtime() const { return Path("run"); }
    UpdateRoots Roots() const { return {Path("run/Schede"), Path("run/Vetture"), Path("run/Map")}; }

    // Every entry under the scratch folder: files with their content, folders and links marked.
    std::map<std::string, std::string> Snapshot() const { return SnapshotOf(dir.Path()); }
    static std::map<std::string, std::string> SnapshotOf(const std::filesystem::path& root) {
        std::map<std::string, std::string> tree;
        for (auto it = std::filesystem::recursive_directory_iterator(root);
             it != std::filesystem::recursive_directory_iterator(); ++it) {
            const std::string rel = std::filesystem::relative(it->path(), root).string();
            if (it->is_symlink())
                tree[rel] = "-> " + std::filesystem::read_symlink(it->path()).string();
            else if (it->is_directory())
                tree[rel] = "<dir>";
            else
                tree[rel] = zov::testing::ReadFile(it->path().string());
        }
        return tree;
    }

    zov::testing::ScratchDir dir;
};

}  // namespace zov::test
