#include "TermiosSerial.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>

#include "PortHolder.h"

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

// Poll events of a device that is gone for good.
constexpr short kGone = POLLERR | POLLHUP | POLLNVAL;

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

SerialStatus TermiosSerial::Write(const uint8_t* data, size_t length) {
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
        if (n < 0 && errno != EAGAIN && errno != EINTR) return SerialStatus::DeviceLost;
        int64_t left = deadline - MonotonicMs();
        if (left <= 0) return SerialStatus::Timeout;
        pollfd p{fd_, POLLOUT, 0};
        if (poll(&p, 1, int(left)) > 0 && (p.revents & kGone)) return SerialStatus::DeviceLost;
    }
    return SerialStatus::Ok;
}

// With VMIN and VTIME at 0 a terminal with nothing to read returns 0 bytes, and so does one that
// was hung up (the other end of a pseudo-terminal closed, a USB adapter pulled out): poll tells the
// two apart.
SerialStatus TermiosSerial::ReadByte(uint8_t& byte) {
    const int64_t deadline = MonotonicMs() + timeouts_.readTotalMultiplier + timeouts_.readTotalConstant;
    for (;;) {
        ssize_t n = read(fd_, &byte, 1);
        if (n == 1) return SerialStatus::Ok;
        if (n < 0 && errno != EAGAIN && errno != EINTR) return SerialStatus::DeviceLost;
        const int64_t left = deadline - MonotonicMs();
        pollfd p{fd_, POLLIN, 0};
        const int r = poll(&p, 1, int(left > 0 ? left : 0));
        if (r < 0 && errno != EINTR) return SerialStatus::DeviceLost;
        if (r > 0 && (p.revents & kGone)) return SerialStatus::DeviceLost;
        if (r == 0) return SerialStatus::Timeout;
    }
}

void TermiosSerial::PurgeReceive() { tcflush(fd_, TCIFLUSH); }

OpenResult TermiosOpener::Open(const std::string& path) {
    DeviceError error;
    const int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        error = DeviceError::FromErrno(path, errno);
    else if (flock(fd, LOCK_EX | LOCK_NB) != 0)  // exclusive: a second program cannot share the line
        error = DeviceError::FromErrno(path, errno);
    else if (!isatty(fd))
        error = {DeviceFault::NotSerial, path, ENOTTY};
    if (!error) return {std::make_unique<TermiosSerial>(fd), {}};
    if (fd >= 0) close(fd);
    // A busy port is useless to know about without knowing who has it.
    if (error.fault == DeviceFault::Busy) error.holder = PortHolder().Find(path);
    return {nullptr, error};
}

}  // namespace zov
