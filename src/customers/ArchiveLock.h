#pragma once

#include <QString>

namespace zov {

// Exclusive use of the customer archive on this machine: an advisory lock (flock) on a file in
// the runtime directory, held while the archive is open. A second program, or zovctl, finds it
// taken and says so instead of working on a table someone else is editing. The lock goes with
// the process, so a crash never leaves the archive locked.
class ArchiveLock {
  public:
    ArchiveLock() = default;
    ~ArchiveLock();
    ArchiveLock(const ArchiveLock&) = delete;
    ArchiveLock& operator=(const ArchiveLock&) = delete;

    enum class Result { Taken, InUse, Failed };
    // Creates `path` if needed and takes the lock; `error` says why when it is not Taken.
    Result Take(const QString& path, QString& error);
    void Release();
    bool Held() const { return fd_ >= 0; }

  private:
    int fd_ = -1;
};

}  // namespace zov
