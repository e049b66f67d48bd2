#include "ArchiveLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace zov {

ArchiveLock::~ArchiveLock() { Release(); }

ArchiveLock::Result ArchiveLock::Take(const QString& path, QString& error) {
    Release();
    const QByteArray name = path.toLocal8Bit();
    const int fd = ::open(name.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) {
        error = QStringLiteral("cannot open the lock file %1: %2")
                    .arg(path, QString::fromLocal8Bit(std::strerror(errno)));
        return Result::Failed;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int why = errno;
        ::close(fd);
        if (why == EWOULDBLOCK) {
            error = QStringLiteral(
                "archive in use: another program on this computer has the customer archive open");
            return Result::InUse;
        }
        error = QStringLiteral("cannot lock %1: %2").arg(path, QString::fromLocal8Bit(std::strerror(why)));
        return Result::Failed;
    }
    fd_ = fd;
    return Result::Taken;
}

void ArchiveLock::Release() {
    if (fd_ < 0) return;
    ::flock(fd_, LOCK_UN);
    ::close(fd_);
    fd_ = -1;
}

}  // namespace zov
