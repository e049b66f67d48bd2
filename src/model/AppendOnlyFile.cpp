#include "AppendOnlyFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace zov {

AppendOnlyFile::~AppendOnlyFile() { Close(); }

bool AppendOnlyFile::Create(const std::string& path) {
    Close();
    size_ = 0;
    path_ = path;
    error_.clear();
    fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd_ >= 0) return true;
    error_ = errno == EEXIST ? path + ": the file exists already; choose another name"
                             : path + ": " + std::strerror(errno);
    return false;
}

bool AppendOnlyFile::Append(std::string_view record) {
    if (fd_ < 0) {
        error_ = path_ + ": the log is not open";
        return false;
    }
    size_t done = 0;
    while (done < record.size()) {
        const ssize_t n = ::write(fd_, record.data() + done, record.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            error_ = path_ + ": " + (n < 0 ? std::strerror(errno) : "nothing could be written");
            // Take back the part of the record that did reach the disk.
            if (done > 0 && ::ftruncate(fd_, size_) == 0) ::lseek(fd_, size_, SEEK_SET);
            return false;
        }
        done += size_t(n);
    }
    size_ += int64_t(record.size());
    return true;
}

void AppendOnlyFile::Close() {
    if (fd_ < 0) return;
    ::close(fd_);
    fd_ = -1;
}

void AppendOnlyFile::Remove() {
    if (fd_ < 0) return;
    Close();
    ::unlink(path_.c_str());
}

}  // namespace zov
