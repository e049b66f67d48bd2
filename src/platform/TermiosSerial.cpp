#include "TermiosSerial.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>

namespace zov {
namespace {

speed_t SpeedOf(uint32_t baud) {
    switch (baud) {
        case 110:
            return B110;
        case 300:
            return B300;
        case 1200:
            return B1200;
        case 2400:
            return B2400;
        case 4800:
            return B4800;
        case 9600:
            return B9600;
        case 19200:
            return B19200;
        case 38400:
            return B38400;
        case 57600:
            return B57600;
        case 115200:
            return B115200;
        default:
            return B0;
    }
}

int64_t MonotonicMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

}  // namespace

TermiosSerial::TermiosSerial(int fd) : fd_(fd) { haveOriginal_ = tcgetattr(fd_, &original_) == 0; }

TermiosSerial::~TermiosSerial() {
    if (haveOriginal_) tcsetattr(fd_, TCSANOW, &original_);
    close(fd_);
}

bool TermiosSerial::Configure(uint32_t baud) {
    speed_t speed = SpeedOf(baud);
    termios t{};
    if (speed == B0 || tcgetattr(fd_, &t) != 0) return false;
    cfmakeraw(&t);
    t.c_cflag &= ~(PARENB | CSTOPB | CSIZE | CRTSCTS);
    t.c_cflag |= CS8 | CLOCAL | CREAD;
    t.c_iflag &= ~(IXON | IXOFF | IXANY);
    t.c_cc[VMIN] = 0;
    t.c_cc[VTIME] = 0;
    if (cfsetispeed(&t, speed) != 0 || cfsetospeed(&t, speed) != 0) return false;
    return tcsetattr(fd_, TCSANOW, &t) == 0;
}

bool TermiosSerial::GetTimeouts(CommTimeouts& out) {
    out = timeouts_;
    return true;
}

bool TermiosSerial::SetTimeouts(const CommTimeouts& timeouts) {
    timeouts_ = timeouts;
    return true;
}

// The tty driver sizes its own queues; the request is accepted as long as the line is usable.
bool TermiosSerial::SetQueueSizes(uint32_t, uint32_t) { return fcntl(fd_, F_GETFL) != -1; }

bool TermiosSerial::Write(const uint8_t* data, size_t length) {
    const int64_t budget =
        int64_t(timeouts_.writeTotalMultiplier) * int64_t(length) + timeouts_.writeTotalConstant;
    const int64_t deadline = MonotonicMs() + (budget > 0 ? budget : 1000);
    size_t done = 0;
    while (done < length) {
        ssize_t n = write(fd_, data + done, length - done);
        if (n > 0) {
            done += size_t(n);
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR) return false;
        int64_t left = deadline - MonotonicMs();
        if (left <= 0) return false;
        pollfd p{fd_, POLLOUT, 0};
        poll(&p, 1, int(left));
    }
    return true;
}

int TermiosSerial::ReadByte() {
    const int64_t deadline = MonotonicMs() + timeouts_.readTotalMultiplier + timeouts_.readTotalConstant;
    for (;;) {
        uint8_t b = 0;
        ssize_t n = read(fd_, &b, 1);
        if (n == 1) return b;
        if (n < 0 && errno != EAGAIN && errno != EINTR) return -1;
        int64_t left = deadline - MonotonicMs();
        if (left <= 0) return -1;
        pollfd p{fd_, POLLIN, 0};
        int r = poll(&p, 1, int(left));
        if (r < 0 && errno != EINTR) return -1;
        if (r > 0 && (p.revents & (POLLERR | POLLNVAL))) return -1;
        // A hung-up pseudo-terminal keeps reporting POLLHUP; honour the timeout instead of spinning.
        if (r > 0 && !(p.revents & POLLIN)) {
            poll(nullptr, 0, int(left));
            return -1;
        }
    }
}

void TermiosSerial::PurgeReceive() { tcflush(fd_, TCIFLUSH); }

std::unique_ptr<SerialDevice> TermiosOpener::Open(const std::string& path) {
    int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return nullptr;
    // Exclusive, as the port was on its original platform: a second program cannot share the line.
    if (flock(fd, LOCK_EX | LOCK_NB) != 0 || !isatty(fd)) {
        close(fd);
        return nullptr;
    }
    return std::make_unique<TermiosSerial>(fd);
}

}  // namespace zov
