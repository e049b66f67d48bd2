// zovsim: the ECU simulator on a pseudo-terminal, so the service program talks to it exactly as to
// a serial port. Prints the terminal's path as its first line, runs until SIGTERM, SIGINT or SIGHUP.
// SIGUSR1 switches the simulated ECU's supply off and on.

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/signalfd.h>
#include <sys/stat.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "EcuSimulator.h"
#include "Wire.h"
#include "ZovsimOptions.h"

namespace {

using namespace zov::sim;

// Below this, a wait for the next outgoing byte is finished with an absolute sleep instead of poll,
// whose millisecond-grained timeout could not hold the byte times of the line.
constexpr int64_t kFineWaitNs = 300'000;

// The adapter pulled out (--lose-device N): at the first new request after N, before any of its
// echo or answer goes back. A request sent again at once, because its answer came late, is the same
// request, so where the pull falls does not depend on the load of the machine.
class AdapterPull {
  public:
    explicit AdapterPull(long long after) : after_(after) {}

    // Takes the frames the ECU completed from `from` on; true when the adapter goes.
    bool Due(const std::vector<FrameRecord>& frames, size_t from) {
        for (size_t i = from; i < frames.size(); ++i) {
            if (frames[i].request == last_) continue;
            if (after_ >= 0 && counted_ >= after_) return true;
            last_ = frames[i].request;
            ++counted_;
        }
        return false;
    }
    long long Counted() const { return counted_; }

  private:
    long long after_;
    long long counted_ = 0;
    std::vector<uint8_t> last_;
};

int64_t MonotonicNs() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return int64_t(ts.tv_sec) * 1'000'000'000 + ts.tv_nsec;
}

timespec ToTimespec(int64_t ns) {
    timespec ts{};
    ts.tv_sec = time_t(ns / 1'000'000'000);
    ts.tv_nsec = long(ns % 1'000'000'000);
    return ts;
}

// The symlink to take down on every way out.
std::string gLinkPath;
std::string gLinkTarget;

void RemoveLinkIfOurs() {
    if (gLinkPath.empty()) return;
    char buffer[512] = {};
    ssize_t n = readlink(gLinkPath.c_str(), buffer, sizeof buffer - 1);
    if (n > 0 && gLinkTarget == std::string(buffer, size_t(n))) unlink(gLinkPath.c_str());
}

[[noreturn]] void Fail(const std::string& what) {
    std::fprintf(stderr, "zovsim: %s: %s\n", what.c_str(), std::strerror(errno));
    RemoveLinkIfOurs();
    std::exit(1);
}

struct Pty {
    int master = -1;
    int slave = -1;  // held open so the master never sees a hang-up between the PC's sessions
    std::string path;
};

Pty OpenPty() {
    Pty pty;
    pty.master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (pty.master < 0) Fail("posix_openpt");
    if (grantpt(pty.master) != 0 || unlockpt(pty.master) != 0) Fail("grantpt/unlockpt");
    char name[256] = {};
    if (ptsname_r(pty.master, name, sizeof name) != 0) Fail("ptsname_r");
    pty.path = name;
    pty.slave = open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (pty.slave < 0) Fail("open " + pty.path);
    // A terminal echoes and translates by default; the line must carry bytes untouched.
    termios t{};
    if (tcgetattr(pty.slave, &t) != 0) Fail("tcgetattr");
    cfmakeraw(&t);
    t.c_lflag &= ~(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
    cfsetispeed(&t, B9600);
    cfsetospeed(&t, B9600);
    if (tcsetattr(pty.slave, TCSANOW, &t) != 0) Fail("tcsetattr");
    int flags = fcntl(pty.master, F_GETFL);
    if (flags < 0 || fcntl(pty.master, F_SETFL, flags | O_NONBLOCK) != 0) Fail("fcntl");
    return pty;
}

// Points `link` at `target`, replacing a stale symlink but never another kind of file.
bool MakeLink(const std::string& link, const std::string& target) {
    struct stat st {};
    if (lstat(link.c_str(), &st) == 0) {
        if (!S_ISLNK(st.st_mode)) {
            std::fprintf(stderr, "zovsim: %s exists and is not a symlink\n", link.c_str());
            return false;
        }
        unlink(link.c_str());
    }
    if (symlink(target.c_str(), link.c_str()) != 0) {
        std::fprintf(stderr, "zovsim: symlink %s: %s\n", link.c_str(), std::strerror(errno));
        return false;
    }
    return true;
}

void PrintFrame(const FrameRecord& f) {
    std::string text;
    char hex[4];
    for (uint8_t b : f.request) {
        std::snprintf(hex, sizeof hex, " %02X", b);
        text += hex;
    }
    text += f.complete ? (f.answer.empty() ? "  -> (no answer)" : "  ->") : "  (dropped)";
    for (uint8_t b : f.answer) {
        std::snprintf(hex, sizeof hex, " %02X", b);
        text += hex;
    }
    std::fprintf(stderr, "%12.6f%s\n", double(f.timeUs) / 1e6, text.c_str());
}

// The actuator test as the workshop would see it on the car: said on stderr whenever diagnosis
// mode or the actuators change.
struct ActuatorState {
    bool diagnosisMode = false;
    int32_t mask = 0;

    void Report(const EcuSimulator& ecu) {
        if (ecu.DiagnosisMode() != diagnosisMode) {
            diagnosisMode = ecu.DiagnosisMode();
            std::fprintf(stderr, "zovsim: diagnosis mode %s\n", diagnosisMode ? "on" : "off");
        }
        if (ecu.ActuatorMask() != mask) {
            mask = ecu.ActuatorMask();
            std::fprintf(stderr, "zovsim: actuators %d: %s\n", int(mask), DescribeActuators(mask).c_str());
        }
    }
};

// Feeds the PC's bytes to the ECU and writes echo and answers back at their due times, measured
// from absolute deadlines so the stream keeps the baud rate without drift.
int Run(const ZovsimOptions& options, const Pty& pty, int signals) {
    EcuSimulator ecu(options.ecu);
    Wire wire(ecu);
    const int64_t originNs = MonotonicNs();
    auto nowUs = [&] { return (MonotonicNs() - originNs) / 1000; };
    std::vector<TimedByte> outgoing;  // ordered by due time
    std::vector<TimedByte> back;
    size_t printed = 0;
    AdapterPull pull(options.loseDeviceAfter);
    ActuatorState actuators;

    for (;;) {
        while (!outgoing.empty() && outgoing.front().atUs <= nowUs()) {
            uint8_t b = outgoing.front().byte;
            // With nobody reading the terminal its queue can fill up; the byte is lost, as on a
            // line with no listener.
            if (write(pty.master, &b, 1) < 0 && errno != EAGAIN && errno != EINTR) Fail("write");
            outgoing.erase(outgoing.begin());
        }

        timespec timeout{};
        timespec* wait = nullptr;
        if (!outgoing.empty()) {
            const int64_t dueNs = originNs + outgoing.front().atUs * 1000;
            const int64_t leftNs = dueNs - MonotonicNs();
            if (leftNs <= kFineWaitNs) {
                const timespec due = ToTimespec(dueNs);
                while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &due, nullptr) == EINTR) {
                }
                continue;
            }
            timeout = ToTimespec(leftNs - kFineWaitNs);
            wait = &timeout;
        }

        pollfd fds[2] = {{pty.master, POLLIN, 0}, {signals, POLLIN, 0}};
        int ready = ppoll(fds, 2, wait, nullptr);
        if (ready < 0) {
            if (errno == EINTR) continue;
            Fail("ppoll");
        }
        if (fds[1].revents & POLLIN) {
            signalfd_siginfo info{};
            const ssize_t got = read(signals, &info, sizeof info);
            if (got == ssize_t(sizeof info) && info.ssi_signo == SIGUSR1) {
                ecu.PowerCycle();
                actuators.Report(ecu);
                continue;
            }
            if (got < 0 && (errno == EAGAIN || errno == EINTR)) continue;
            return 0;
        }
        if (fds[0].revents & (POLLERR | POLLNVAL)) Fail("terminal");
        // The slave we hold keeps hang-ups away; should one come anyway, do not spin on it.
        if ((fds[0].revents & POLLHUP) && !(fds[0].revents & POLLIN)) {
            const timespec pause = ToTimespec(10'000'000);
            nanosleep(&pause, nullptr);
        }
        if (fds[0].revents & POLLIN) {
            uint8_t buffer[512];
            ssize_t n = read(pty.master, buffer, sizeof buffer);
            if (n < 0 && errno != EAGAIN && errno != EINTR) Fail("read");
            const int64_t arrived = nowUs();
            back.clear();
            for (ssize_t i = 0; i < n; ++i) wire.Send(buffer[i], arrived, back);
            if (pull.Due(ecu.Requests(), printed)) {
                std::fprintf(stderr, "zovsim: adapter pulled out after %lld requests\n", pull.Counted());
                return 0;
            }
            for (const TimedByte& b : back) {
                auto at = std::upper_bound(outgoing.begin(), outgoing.end(), b.atUs,
                                           [](int64_t t, const TimedByte& x) { return t < x.atUs; });
                outgoing.insert(at, b);
            }
            actuators.Report(ecu);
            if (options.verbose) {
                for (; printed < ecu.Requests().size(); ++printed) PrintFrame(ecu.Requests()[printed]);
            } else {
                ecu.ClearRequests();
            }
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    ZovsimOptions options;
    std::string error;
    if (!ParseZovsimOptions(std::vector<std::string>(argv + 1, argv + argc), options, error)) {
        std::fprintf(stderr, "zovsim: %s\n", error.c_str());
        return 2;
    }
    if (options.help) {
        std::fputs(ZovsimUsage().c_str(), stdout);
        return 0;
    }

    // A byte lasts about 1 ms at 9600 baud; the default 50 us of timer slack on every wait would
    // show as a slower line.
    prctl(PR_SET_TIMERSLACK, 1UL);

    // Signals arrive through a descriptor, so the loop ends between two bytes, never inside one.
    sigset_t mask;
    sigemptyset(&mask);
    sigaddset(&mask, SIGTERM);
    sigaddset(&mask, SIGINT);
    sigaddset(&mask, SIGHUP);
    sigaddset(&mask, SIGUSR1);
    if (sigprocmask(SIG_BLOCK, &mask, nullptr) != 0) Fail("sigprocmask");
    int signals = signalfd(-1, &mask, SFD_CLOEXEC | SFD_NONBLOCK);
    if (signals < 0) Fail("signalfd");
    signal(SIGPIPE, SIG_IGN);

    Pty pty = OpenPty();
    if (!options.linkPath.empty()) {
        if (!MakeLink(options.linkPath, pty.path)) return 1;
        gLinkPath = options.linkPath;
        gLinkTarget = pty.path;
    }
    std::printf("%s\n", pty.path.c_str());
    std::fflush(stdout);

    int status = Run(options, pty, signals);

    RemoveLinkIfOurs();
    close(pty.slave);
    close(pty.master);
    close(signals);
    return status;
}
