// zovsim as a program: its pseudo-terminal, its symlink, its exit.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;
using Clock = std::chrono::steady_clock;

constexpr auto kPatience = std::chrono::seconds(10);

// A zovsim child process; killed if a test ends before it did.
class Zovsim {
  public:
    explicit Zovsim(const std::vector<std::string>& args) {
        int out[2], err[2];
        if (pipe2(out, O_CLOEXEC) != 0 || pipe2(err, O_CLOEXEC) != 0) return;
        pid_ = fork();
        if (pid_ == 0) {
            dup2(out[1], STDOUT_FILENO);
            dup2(err[1], STDERR_FILENO);
            std::vector<char*> argv{const_cast<char*>(ZOVSIM_PATH)};
            for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
            argv.push_back(nullptr);
            execv(ZOVSIM_PATH, argv.data());
            _exit(127);
        }
        close(out[1]);
        close(err[1]);
        stdout_ = out[0];
        stderr_ = err[0];
    }
    ~Zovsim() {
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
        if (stdout_ >= 0) close(stdout_);
        if (stderr_ >= 0) close(stderr_);
    }

    bool Started() const { return pid_ > 0; }

    // The exit status, or -1 if it did not end normally.
    int Wait() {
        int status = 0;
        pid_t done = waitpid(pid_, &status, 0);
        pid_ = -1;
        return done > 0 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    void Signal(int sig) { kill(pid_, sig); }

    std::string ReadLine() {
        std::string line;
        const auto deadline = Clock::now() + kPatience;
        for (char c = 0; c != '\n';) {
            if (!WaitReadable(stdout_, deadline) || read(stdout_, &c, 1) != 1) break;
            if (c != '\n') line.push_back(c);
        }
        return line;
    }
    std::string ReadAllStderr() {
        std::string text;
        char buffer[256];
        for (ssize_t n; (n = read(stderr_, buffer, sizeof buffer)) > 0;) text.append(buffer, size_t(n));
        return text;
    }
    std::string ReadAllStdout() {
        std::string text;
        char buffer[256];
        for (ssize_t n; (n = read(stdout_, buffer, sizeof buffer)) > 0;) text.append(buffer, size_t(n));
        return text;
    }

    static bool WaitReadable(int fd, Clock::time_point deadline) {
        for (;;) {
            auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
            if (left <= 0) return false;
            pollfd p{fd, POLLIN, 0};
            int r = poll(&p, 1, int(left));
            if (r > 0) return true;
            if (r < 0 && errno != EINTR) return false;
        }
    }

  private:
    pid_t pid_ = -1;
    int stdout_ = -1;
    int stderr_ = -1;
};

Bytes ReadBytes(int fd, size_t count) {
    Bytes got;
    const auto deadline = Clock::now() + kPatience;
    while (got.size() < count && Zovsim::WaitReadable(fd, deadline)) {
        uint8_t buffer[64];
        ssize_t n = read(fd, buffer, std::min(sizeof buffer, count - got.size()));
        if (n <= 0) break;
        got.insert(got.end(), buffer, buffer + n);
    }
    return got;
}

TEST(ZovsimProgram, ServesASessionOnItsTerminalAndCleansUpOnSigterm) {
    const std::string link = ::testing::TempDir() + "zovsim-test-" + std::to_string(getpid());
    Zovsim sim({"--link", link});
    ASSERT_TRUE(sim.Started());
    const std::string path = sim.ReadLine();
    ASSERT_EQ(path.rfind("/dev/pts/", 0), 0u) << path;

    char target[256] = {};
    ASSERT_GT(readlink(link.c_str(), target, sizeof target - 1), 0);
    EXPECT_EQ(path, target);

    // Twice: the terminal must survive the PC closing its end between two sessions.
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        int fd = open(link.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
        ASSERT_GE(fd, 0);
        termios t{};
        ASSERT_EQ(tcgetattr(fd, &t), 0);
        cfmakeraw(&t);
        ASSERT_EQ(tcsetattr(fd, TCSANOW, &t), 0);
        const Bytes open{0x08, 0x00, 0x7C, 0x83, 0x07};
        ASSERT_EQ(write(fd, open.data(), open.size()), ssize_t(open.size()));
        EXPECT_EQ(ReadBytes(fd, 7), (Bytes{0x08, 0x00, 0x7C, 0x83, 0x07, 0x82, 0x82}));
        close(fd);
    }

    sim.Signal(SIGTERM);
    EXPECT_EQ(sim.Wait(), 0);
    struct stat st {};
    EXPECT_EQ(lstat(link.c_str(), &st), -1);
    EXPECT_EQ(errno, ENOENT);
}

// The adapter pulled out: the PC's terminal hangs up on its next new request, which gets no echo
// and no answer, and zovsim ends. A request the PC sends again (its answer came late) is the same
// request, so a loaded machine does not move the pull one request early.
TEST(ZovsimProgram, LoseDeviceHangsUpTheTerminalOnTheNextNewRequest) {
    Zovsim sim({"--no-pacing", "--lose-device", "1"});
    ASSERT_TRUE(sim.Started());
    const std::string path = sim.ReadLine();
    int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_GE(fd, 0) << path;
    termios t{};
    ASSERT_EQ(tcgetattr(fd, &t), 0);
    cfmakeraw(&t);
    ASSERT_EQ(tcsetattr(fd, TCSANOW, &t), 0);
    const Bytes open{0x08, 0x00, 0x7C, 0x83, 0x07};
    ASSERT_EQ(write(fd, open.data(), open.size()), ssize_t(open.size()));
    EXPECT_EQ(ReadBytes(fd, 7), (Bytes{0x08, 0x00, 0x7C, 0x83, 0x07, 0x82, 0x82})) << "the first is served";
    ASSERT_EQ(write(fd, open.data(), open.size()), ssize_t(open.size()));
    EXPECT_EQ(ReadBytes(fd, 7), (Bytes{0x08, 0x00, 0x7C, 0x83, 0x07, 0x82, 0x82})) << "and so is its repeat";

    const Bytes next{0x41, 150, 0xD7};
    ASSERT_EQ(write(fd, next.data(), next.size()), ssize_t(next.size()));
    EXPECT_EQ(sim.Wait(), 0);
    pollfd p{fd, POLLIN, 0};
    ASSERT_EQ(poll(&p, 1, 0), 1);
    EXPECT_TRUE(p.revents & POLLHUP) << "the terminal hung up";
    uint8_t byte = 0;
    EXPECT_LE(read(fd, &byte, 1), 0) << "and gives nothing more";
    EXPECT_NE(sim.ReadAllStderr().find("adapter pulled out after 1 requests"), std::string::npos);
    close(fd);
}

// The actuator test as the workshop sees it: diagnosis mode and each change of the actuators are
// said on stderr, a stopped engine gives speed 0 in the live record.
TEST(ZovsimProgram, SaysDiagnosisModeAndTheActuatorsOnStderr) {
    Zovsim sim({"--no-pacing", "--engine-stopped"});
    ASSERT_TRUE(sim.Started());
    const std::string path = sim.ReadLine();
    int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_GE(fd, 0) << path;
    termios t{};
    ASSERT_EQ(tcgetattr(fd, &t), 0);
    cfmakeraw(&t);
    ASSERT_EQ(tcsetattr(fd, TCSANOW, &t), 0);
    const auto exchange = [&](const Bytes& request, size_t answer) {
        EXPECT_EQ(write(fd, request.data(), request.size()), ssize_t(request.size()));
        const Bytes got = ReadBytes(fd, request.size() + answer);
        return got.size() > request.size() ? Bytes(got.begin() + long(request.size()), got.end()) : Bytes{};
    };
    exchange({0x08, 0x00, 0x7C, 0x83, 0x07}, 2);
    const Bytes live = exchange({0x41, 150, 0xD7}, 20);
    ASSERT_EQ(live.size(), 20u);
    EXPECT_EQ(live[1 + 12] | (live[1 + 13] << 8), 0) << "revolution period of a stopped engine";
    EXPECT_EQ(exchange({0x06, 88, 0xA5, 0x03}, 2), (Bytes{0x82, 0x82}));
    EXPECT_EQ(exchange({0x0A, 87, 0x05, 0x00, 0x66}, 2), (Bytes{0x82, 0x82}));
    EXPECT_EQ(exchange({0x0A, 87, 0x00, 0x00, 0x61}, 2), (Bytes{0x82, 0x82}));
    close(fd);
    sim.Signal(SIGTERM);
    EXPECT_EQ(sim.Wait(), 0);
    const std::string said = sim.ReadAllStderr();
    EXPECT_EQ(said,
              "zovsim: diagnosis mode on\n"
              "zovsim: actuators 5: large motor, gas valve\n"
              "zovsim: actuators 0: all off\n");
}

TEST(ZovsimProgram, SigintEndsItCleanlyToo) {
    Zovsim sim({"--no-pacing"});
    ASSERT_TRUE(sim.Started());
    ASSERT_FALSE(sim.ReadLine().empty());
    sim.Signal(SIGINT);
    EXPECT_EQ(sim.Wait(), 0);
}

TEST(ZovsimProgram, BadOptionsEndWithAClearMessage) {
    Zovsim sim({"--busy", "often"});
    ASSERT_TRUE(sim.Started());
    EXPECT_EQ(sim.Wait(), 2);
    const std::string error = sim.ReadAllStderr();
    EXPECT_NE(error.find("--busy"), std::string::npos) << error;
    EXPECT_TRUE(sim.ReadAllStdout().empty());
}

TEST(ZovsimProgram, RefusesToReplaceAFileWithItsLink) {
    const std::string file = ::testing::TempDir() + "zovsim-file-" + std::to_string(getpid());
    int fd = open(file.c_str(), O_CREAT | O_WRONLY | O_TRUNC, 0600);
    ASSERT_GE(fd, 0);
    close(fd);
    Zovsim sim({"--link", file});
    ASSERT_TRUE(sim.Started());
    EXPECT_EQ(sim.Wait(), 1);
    EXPECT_NE(sim.ReadAllStderr().find("not a symlink"), std::string::npos);
    struct stat st {};
    EXPECT_EQ(lstat(file.c_str(), &st), 0);
    EXPECT_TRUE(S_ISREG(st.st_mode));
    unlink(file.c_str());
}

}  // namespace
