#pragma once

#include <sys/types.h>

#include <string>

namespace zov {

// Temporary files of the model. Two kinds, both named so that the clean-up below recognises
// them and both readable by their owner only, as they hold configurations in clear text:
// - a save's replacement beside its target, "<target>.tmp<pid>_<n>", renamed over the target
//   when it is complete;
// - the scratch files of loading and saving a configuration ("_ci<pid>_XXXXXX.tmp") and of
//   carrying it across a reprogramming ("_ic..."), in the private folder (PrivateTemporaryFolder).
// A process killed half-way leaves them behind; the pid in the name tells whether their
// owner is still running.

// "$XDG_RUNTIME_DIR/zovqbr", or "<temporary folder>/zovqbr-<uid>" without a runtime directory:
// created with mode 0700 when missing. Empty when no such folder can be had that is a real
// directory owned by this user (its mode is then made 0700).
std::string PrivateTemporaryFolder();

// Creates a new, empty file beside `target` named "<target>.tmp<pid>_<n>" with mode 0600 and
// returns its descriptor (open for writing) and name; -1 when none can be created.
int CreateTemporaryBeside(const std::string& target, std::string& name);

// Gives the existing file `target` a second name beside it, named as its temporaries are: the
// file as it is now, kept under that name while `target` is replaced. False (errno set) when the
// file system has no such links.
bool LinkBeside(const std::string& target, std::string& name);

// The mode a new file gets from the user's umask (0666 minus the umask).
mode_t NewFileMode();

// Removes the temporary files of both kinds in `folder` whose process is no longer running.
// Returns how many were removed.
int RemoveLeftoverTemporaries(const std::string& folder);
// The same for the folder a file `target` is (or will be) in.
int RemoveLeftoverTemporariesBeside(const std::string& target);

// A scratch file in the private folder, created empty (mode 0600) as
// "<prefix><pid>_XXXXXX.tmp" (prefix "_ci" or "_ic", the ones the clean-up knows), and deleted
// with the object (the folder too when it is left empty), so it never outlives the procedure that
// made it. A crash leaves it to RemoveLeftoverTemporaries.
class TemporaryFile {
  public:
    explicit TemporaryFile(const char* prefix = "_ci");
    ~TemporaryFile();
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;
    bool Created() const { return !path_.empty(); }
    const std::string& Path() const { return path_; }

  private:
    std::string path_;
};

}  // namespace zov
