#pragma once

#include <memory>
#include <string>
#include <vector>

#include "AtomicFile.h"

namespace zov {

// Files replaced together: after Commit all of them are new, or all of them are as they were.
// Each file is written like an AtomicFile; Commit finishes them all and only then renames them
// over their targets, keeping each previous file under a second name beside it (a hard link, or a
// copy where the file system has none). When a rename fails, the files already renamed are put
// back from those kept ones. A device target is written in place and cannot be taken back.
class AtomicFileSet {
  public:
    AtomicFileSet() = default;
    AtomicFileSet(const AtomicFileSet&) = delete;
    AtomicFileSet& operator=(const AtomicFileSet&) = delete;

    // A new file of the set, already opened (check Failed() or the writes).
    AtomicFile& Add(const std::string& target);
    // Replaces every target, all or nothing; false with Error() set otherwise.
    bool Commit();
    // Why the set was not written: the first failing file and the system's reason.
    const std::string& Error() const { return error_; }

  private:
    // The previous file of `file`'s target, kept aside until the set is in place; empty when there
    // was none to keep (a new file, written in place).
    struct Kept {
        std::string name;
        bool existed = false;
    };
    bool Keep(const AtomicFile& file, Kept& kept);
    // Puts the first `count` targets back as they were before the renames.
    void PutBack(const std::vector<Kept>& kept, size_t count);
    bool Fail(const std::string& error);

    std::vector<std::unique_ptr<AtomicFile>> files_;
    std::string error_;
};

}  // namespace zov
