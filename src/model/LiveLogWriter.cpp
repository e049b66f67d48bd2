#include "LiveLogWriter.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace zov {

LiveLogWriter::~LiveLogWriter() { Close(); }

bool LiveLogWriter::Open(const std::string& path, const std::vector<std::string>& header) {
    Close();
    rows_ = 0;
    size_ = 0;
    path_ = path;
    error_.clear();
    fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd_ < 0) {
        error_ = errno == EEXIST ? path + ": the file exists already; choose another name"
                                 : path + ": " + std::strerror(errno);
        return false;
    }
    std::string line;
    for (size_t i = 0; i < header.size(); ++i) line += (i ? "," : "") + header[i];
    if (!WriteLine(line)) {
        // Nothing was recorded: no file is better than a file without its header.
        ::close(fd_);
        fd_ = -1;
        ::unlink(path.c_str());
        return false;
    }
    return true;
}

bool LiveLogWriter::WriteRow(int64_t tMs, const std::vector<std::string>& cells) {
    if (fd_ < 0) {
        error_ = path_ + ": the log is not open";
        return false;
    }
    std::string line = std::to_string(tMs);
    for (const std::string& cell : cells) line += "," + cell;
    if (!WriteLine(line)) return false;
    ++rows_;
    return true;
}

bool LiveLogWriter::WriteLine(const std::string& text) {
    const std::string line = text + "\n";
    size_t done = 0;
    while (done < line.size()) {
        const ssize_t n = ::write(fd_, line.data() + done, line.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            error_ = path_ + ": " + (n < 0 ? std::strerror(errno) : "nothing could be written");
            // Take back the part of the row that did reach the disk.
            if (done > 0 && ::ftruncate(fd_, size_) == 0) ::lseek(fd_, size_, SEEK_SET);
            return false;
        }
        done += size_t(n);
    }
    size_ += int64_t(line.size());
    return true;
}

void LiveLogWriter::Close() {
    if (fd_ < 0) return;
    ::close(fd_);
    fd_ = -1;
}

}  // namespace zov
