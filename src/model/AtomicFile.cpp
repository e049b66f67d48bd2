#include "AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <filesystem>

#include "TemporaryFiles.h"

namespace zov {
namespace fs = std::filesystem;

namespace {

// Where a followed link points (a dangling one too): the file a save through it replaces.
std::string Resolved(const std::string& path) {
    std::error_code ec;
    if (!fs::is_symlink(path, ec)) return path;
    const fs::path resolved = fs::weakly_canonical(path, ec);
    return ec ? path : resolved.string();
}

}  // namespace

AtomicFile::AtomicFile(std::string target, Links links)
    : target_(links == Links::Follow ? Resolved(target) : std::move(target)), links_(links) {}

AtomicFile::~AtomicFile() { Discard(); }

bool AtomicFile::Fail(const std::string& reason) {
    if (error_.empty()) error_ = "cannot write " + target_ + ": " + reason;
    return false;
}

bool AtomicFile::FailWithErrno() { return Fail(std::strerror(errno)); }

bool AtomicFile::Open() {
    Discard();
    error_.clear();
    finished_ = false;
    struct stat old {};
    const int found =
        links_ == Links::Follow ? ::stat(target_.c_str(), &old) : ::lstat(target_.c_str(), &old);
    if (found != 0 && errno != ENOENT) return FailWithErrno();
    const bool exists = found == 0;
    if (exists && S_ISDIR(old.st_mode)) return Fail(std::strerror(EISDIR));
    if (exists && !S_ISREG(old.st_mode) && !S_ISLNK(old.st_mode)) {
        fd_ = ::open(target_.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
        if (fd_ < 0) return FailWithErrno();
        inPlace_ = true;
        return true;
    }
    // The temporary is the owner's alone until complete; the replacement then keeps the access
    // rights the user gave the previous file, or those a new file gets.
    mode_ = exists && S_ISREG(old.st_mode) ? mode_t(old.st_mode & 07777) : NewFileMode();
    // What a process killed during an earlier save left here goes first.
    RemoveLeftoverTemporariesBeside(target_);
    fd_ = CreateTemporaryBeside(target_, temp_);
    if (fd_ < 0) {
        temp_.clear();
        return FailWithErrno();
    }
    return true;
}

bool AtomicFile::Write(std::string_view bytes) {
    if (Failed()) return false;
    if (fd_ < 0 || finished_) return Fail("the file is not open");
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd_, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return FailWithErrno();
        // A write that takes nothing without a reason would never end.
        if (n == 0) return Fail(std::strerror(ENOSPC));
        bytes.remove_prefix(size_t(n));
    }
    return true;
}

bool AtomicFile::Finish() {
    if (finished_) return !Failed();
    if (fd_ < 0) return Fail("the file is not open");
    if (!Failed() && !inPlace_ && ::fchmod(fd_, mode_) != 0) FailWithErrno();
    // Without the sync a crash shortly after the rename could leave an empty file where the
    // previous one was. A device has nothing to sync.
    if (!Failed() && !inPlace_ && ::fsync(fd_) != 0) FailWithErrno();
    // A file system may report a failed write only when the file is closed.
    if (::close(fd_) != 0 && !Failed()) FailWithErrno();
    fd_ = -1;
    finished_ = true;
    if (Failed()) Discard();
    return !Failed();
}

bool AtomicFile::Rename() {
    if (::rename(temp_.c_str(), target_.c_str()) != 0) return FailWithErrno();
    temp_.clear();
    return true;
}

bool AtomicFile::Commit() {
    if (!Finish()) return false;
    if (inPlace_) return true;
    if (temp_.empty()) return Fail("the file is not open");
    if (!Rename()) {
        Discard();
        return false;
    }
    SyncFolderOf(target_);
    return true;
}

void AtomicFile::Discard() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    if (!temp_.empty()) ::unlink(temp_.c_str());
    temp_.clear();
    inPlace_ = false;
}

std::string WriteWholeFile(const std::string& target, std::string_view content, AtomicFile::Links links) {
    AtomicFile file(target, links);
    if (file.Open() && file.Write(content)) file.Commit();
    return file.Error();
}

void IgnoreFileSizeSignal() { std::signal(SIGXFSZ, SIG_IGN); }

void SyncFolderOf(const std::string& path) {
    const fs::path folder = fs::path(path).parent_path();
    const int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

}  // namespace zov
