#pragma once

#include <sys/types.h>

#include <string>
#include <string_view>

namespace zov {

// One file replaced whole or not at all: every save of the program goes through it. The new
// content goes into a temporary beside the target ("<target>.tmp<pid>_<n>", mode 0600, see
// TemporaryFiles.h); every write is checked, then the temporary is synced, closed (checked too),
// given the target's access rights (a new file those of the umask) and renamed over the target,
// and the folder is synced. Any failure on the way (a full disk, a file-size limit, a missing
// folder) removes the temporary and leaves the target as it was. A target that exists and is a
// device or a pipe is written in place: renaming over it would replace the node itself.
//
// Errors read "cannot write <target>: <the system's reason>".
class AtomicFile {
  public:
    // What a target that is a symbolic link becomes. A save keeps the link and replaces the file
    // it points at (the user picked that name); an installed archive file replaces the link
    // itself, so nothing outside the archive is ever changed through it.
    enum class Links { Follow, Replace };

    explicit AtomicFile(std::string target, Links links = Links::Follow);
    // A replacement not committed by then is removed.
    ~AtomicFile();
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    // Creates the temporary (leftovers of dead processes in that folder go first). A target that
    // is a folder is refused.
    bool Open();
    // Appends `bytes`; false from the first failed write on.
    bool Write(std::string_view bytes);
    // Makes the written content durable and closes it: the temporary is complete but the target
    // still as it was (AtomicFileSet renames a set of them together).
    bool Finish();
    // Finishes (when not done yet) and replaces the target.
    bool Commit();
    // Drops the replacement: the target stays as it was.
    void Discard();

    // The file replaced: the given name, or where its link points when links are followed.
    const std::string& Target() const { return target_; }
    const std::string& Error() const { return error_; }
    bool Failed() const { return !error_.empty(); }

  private:
    friend class AtomicFileSet;

    bool Fail(const std::string& reason);
    bool FailWithErrno();
    bool InPlace() const { return inPlace_; }
    // Renames the finished temporary over the target.
    bool Rename();

    std::string target_;
    Links links_;
    std::string temp_;
    int fd_ = -1;
    bool inPlace_ = false;
    bool finished_ = false;
    mode_t mode_ = 0;
    std::string error_;
};

// The whole of `content` as the new `target`, through an AtomicFile. Empty when done, else why not.
std::string WriteWholeFile(const std::string& target, std::string_view content,
                           AtomicFile::Links links = AtomicFile::Links::Follow);

// Called first thing by the programs: a file-size limit (ulimit -f) then makes the write that
// crosses it fail with EFBIG, which every writer reports and cleans up after as it does a full
// disk, instead of SIGXFSZ killing the process half-way through a file.
void IgnoreFileSizeSignal();

// Syncs the folder of `path`, so a rename in it survives a crash. Some file systems refuse to sync
// a folder; the rename stands all the same, so that is not reported.
void SyncFolderOf(const std::string& path);

}  // namespace zov
