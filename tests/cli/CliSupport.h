#pragma once

// Running the real programs for the command-line tests: a program to its end with both output
// streams, and zovsim on a pseudo-terminal for the length of a test.

#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

extern char** environ;

namespace zov::clitest {

struct Result {
    int status = -1;
    int signal = 0;  // the signal that ended the program, 0 when it exited
    std::string out;
    std::string err;
};

// Reads both streams of a started program until it closes them, then its end. `out` and `err`
// are the pipes given to the program; their write ends are closed here.
inline Result Collect(pid_t pid, int out[2], int err[2]) {
    close(out[1]);
    close(err[1]);
    Result r;
    pollfd fds[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
    for (int open = 2; open > 0;) {
        poll(fds, 2, -1);
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP))) continue;
            char buf[4096];
            const ssize_t n = read(fds[i].fd, buf, sizeof buf);
            if (n <= 0) {
                close(fds[i].fd);
                fds[i].fd = -1;
                --open;
            } else {
                (i == 0 ? r.out : r.err).append(buf, size_t(n));
            }
        }
    }
    int status = 0;
    waitpid(pid, &status, 0);
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    r.signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
    return r;
}

// With `fileSizeLimit`, the program runs under that file-size limit (ulimit -f) with the signal
// the kernel sends at it in its default state, as a user's shell would start it.
inline Result RunProgram(const std::vector<std::string>& args, rlim_t fileSizeLimit = RLIM_INFINITY) {
    int out[2], err[2];
    EXPECT_EQ(pipe(out), 0);
    EXPECT_EQ(pipe(err), 0);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, err[1], STDERR_FILENO);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    posix_spawn_file_actions_addclose(&actions, err[0]);
    std::vector<char*> argv;
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGXFSZ);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF);
    // The child inherits the limit; the test's own process holds it only while spawning.
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    rlimit limited = saved;
    limited.rlim_cur = std::min(fileSizeLimit, saved.rlim_cur);
    if (fileSizeLimit != RLIM_INFINITY) setrlimit(RLIMIT_FSIZE, &limited);
    pid_t pid = -1;
    EXPECT_EQ(posix_spawn(&pid, argv[0], &actions, &attributes, argv.data(), environ), 0);
    if (fileSizeLimit != RLIM_INFINITY) setrlimit(RLIMIT_FSIZE, &saved);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    return Collect(pid, out, err);
}

// zovsim for one test; its device path is the first line it prints. Ended with SIGTERM.
class Zovsim {
  public:
    Zovsim(const std::string& program, const std::vector<std::string>& options) {
        int out[2];
        EXPECT_EQ(pipe(out), 0);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
        posix_spawn_file_actions_addclose(&actions, out[0]);
        std::vector<std::string> args{program};
        args.insert(args.end(), options.begin(), options.end());
        std::vector<char*> argv;
        for (auto& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        EXPECT_EQ(posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ), 0);
        posix_spawn_file_actions_destroy(&actions);
        close(out[1]);
        char c;
        while (read(out[0], &c, 1) == 1 && c != '\n') device += c;
        close(out[0]);
    }
    ~Zovsim() {
        kill(pid_, SIGTERM);
        int status = 0;
        waitpid(pid_, &status, 0);
    }
    Zovsim(const Zovsim&) = delete;
    Zovsim& operator=(const Zovsim&) = delete;

    // Switches the simulated ECU's supply off and on.
    void PowerCycle() const { kill(pid_, SIGUSR1); }

    std::string device;

  private:
    pid_t pid_ = -1;
};

}  // namespace zov::clitest
