#pragma once

#include <cstddef>
#include <map>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

namespace zov {

// The versions of the files in one archive folder, read once so that weighing every file of a
// medium against them stays linear in the number of files: those installed there and those an
// update plans to install there. Which names are versions of one another is the rule of
// ArchiveUpdate::ShouldCopy: the same stem (up to and including the last "_") and extension
// (from the last "."), letter case aside, with three version characters between.
class FolderVersions {
  public:
    static constexpr int kInstalled = -1;

    struct Version {
        std::string name;
        std::string path;
        int planned = kInstalled;  // its place in the plan, or kInstalled
        bool superseded = false;   // a newer one is planned instead
    };

    // Reads the regular files of `folder` (symbolic links to files count as installed files).
    explicit FolderVersions(const std::string& folder);

    // The versions `name` is weighed against (superseded ones left out), in the order they were
    // added: installed ones in name order first.
    std::vector<size_t> Of(const std::string& name);
    size_t Add(Version version);
    Version& At(size_t index) { return versions_[index]; }

  private:
    // Names of one length split at one place: stem length and extension length.
    using Shape = std::pair<size_t, size_t>;
    using ShapeIndex = std::unordered_map<std::string, std::vector<size_t>>;

    // The version-free key of versions_[index] in `shape`, or false when it has no such shape.
    bool KeyOf(size_t index, const Shape& shape, std::string& key) const;
    ShapeIndex& IndexFor(const Shape& shape);

    std::vector<Version> versions_;
    std::map<Shape, ShapeIndex> byShape_;
};

}  // namespace zov
