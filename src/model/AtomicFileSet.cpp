#include "AtomicFileSet.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "TemporaryFiles.h"

namespace zov {
namespace {

// A copy of `from`, with its access rights, as a new temporary beside it: where hard links are
// not to be had (the file systems of removable media).
bool CopyBeside(const std::string& from, std::string& name) {
    struct stat st {};
    const int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0 || ::fstat(in, &st) != 0) {
        if (in >= 0) ::close(in);
        return false;
    }
    const int out = CreateTemporaryBeside(from, name);
    bool ok = out >= 0;
    char buffer[65536];
    while (ok) {
        const ssize_t n = ::read(in, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            ok = n == 0;
            break;
        }
        for (ssize_t done = 0; ok && done < n;) {
            const ssize_t w = ::write(out, buffer + done, size_t(n - done));
            if (w < 0 && errno == EINTR) continue;
            ok = w > 0;
            if (ok) done += w;
        }
    }
    ::close(in);
    ok = ok && ::fchmod(out, st.st_mode & 07777) == 0 && ::fsync(out) == 0;
    if (out >= 0 && ::close(out) != 0) ok = false;
    const int saved = errno;
    if (!ok && out >= 0) ::unlink(name.c_str());
    errno = saved;
    return ok;
}

}  // namespace

AtomicFile& AtomicFileSet::Add(const std::string& target) {
    files_.push_back(std::make_unique<AtomicFile>(target));
    files_.back()->Open();
    return *files_.back();
}

bool AtomicFileSet::Fail(const std::string& error) {
    if (error_.empty()) error_ = error;
    for (const auto& file : files_) file->Discard();
    return false;
}

bool AtomicFileSet::Keep(const AtomicFile& file, Kept& kept) {
    kept = {};
    if (file.InPlace()) return true;
    struct stat st {};
    if (::lstat(file.Target().c_str(), &st) != 0) return errno == ENOENT;
    kept.existed = true;
    if (LinkBeside(file.Target(), kept.name) || CopyBeside(file.Target(), kept.name)) return true;
    kept.name.clear();
    return false;
}

void AtomicFileSet::PutBack(const std::vector<Kept>& kept, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        const std::string& target = files_[i]->Target();
        if (kept[i].name.empty()) {
            // A file the set created: it was not there before.
            if (!kept[i].existed && !files_[i]->InPlace()) ::unlink(target.c_str());
            continue;
        }
        if (::rename(kept[i].name.c_str(), target.c_str()) != 0)
            error_ += "; " + target + " could not be put back (" + std::strerror(errno) +
                      "), its previous content is " + kept[i].name;
    }
}

bool AtomicFileSet::Commit() {
    for (const auto& file : files_)
        if (!file->Finish()) return Fail(file->Error());
    std::vector<Kept> kept(files_.size());
    for (size_t i = 0; i < files_.size(); ++i) {
        if (Keep(*files_[i], kept[i])) continue;
        const std::string reason = std::strerror(errno);
        for (size_t j = 0; j < i; ++j)
            if (!kept[j].name.empty()) ::unlink(kept[j].name.c_str());
        return Fail("cannot write " + files_[i]->Target() + ": its previous content cannot be kept aside (" +
                    reason + ")");
    }
    for (size_t i = 0; i < files_.size(); ++i) {
        if (files_[i]->InPlace() || files_[i]->Rename()) continue;
        error_ = files_[i]->Error();
        PutBack(kept, i);
        for (size_t j = i; j < files_.size(); ++j)
            if (!kept[j].name.empty()) ::unlink(kept[j].name.c_str());
        for (const auto& file : files_) file->Discard();
        for (const auto& file : files_) SyncFolderOf(file->Target());
        return false;
    }
    for (const Kept& k : kept)
        if (!k.name.empty()) ::unlink(k.name.c_str());
    for (const auto& file : files_) SyncFolderOf(file->Target());
    return true;
}

}  // namespace zov
