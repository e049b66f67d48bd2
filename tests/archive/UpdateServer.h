#pragma once

// A real HTTPS server for the update tests (update_server.py on Python's http.server with TLS),
// with a self-signed certificate made by the test with openssl. One per test program: it serves
// a scratch folder in which each test publishes under a folder of its own.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "TestFiles.h"

extern char** environ;

namespace zov::test {

class UpdateServer {
  public:
    UpdateServer() {
        const std::string key = scratch.File("key.pem");
        std::filesystem::create_directories(Root());
        const int made =
            Spawn({"openssl", "req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1",
                   "-nodes", "-keyout", key, "-out", Certificate(), "-days", "2", "-subj", "/CN=127.0.0.1",
                   "-addext", "subjectAltName=IP:127.0.0.1"},
                  nullptr);
        if (made != 0) {
            error = "openssl could not make the test certificate (is openssl installed?)";
            return;
        }
        int out[2];
        if (pipe(out) != 0) return;
        pid_ = SpawnAsync({"python3", UPDATE_SERVER_SCRIPT, Root(), Certificate(), key, Log(), Cuts()}, out);
        std::string port;
        char c;
        while (read(out[0], &c, 1) == 1 && c != '\n') port += c;
        close(out[0]);
        if (port.empty()) error = "the HTTPS test server did not start (is python3 installed?)";
        url = "https://127.0.0.1:" + port + "/";
    }
    ~UpdateServer() {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            int status = 0;
            waitpid(pid_, &status, 0);
        }
    }

    std::string Root() const { return scratch.File("www"); }
    std::string Certificate() const { return scratch.File("cert.pem"); }
    std::string Log() const { return scratch.File("requests.log"); }
    std::string Cuts() const { return scratch.File("cuts"); }
    // The requests the server saw, "<path> <range or ->" a line.
    std::vector<std::string> Requests() const {
        std::vector<std::string> lines;
        std::ifstream in(Log());
        for (std::string line; std::getline(in, line);) lines.push_back(line);
        return lines;
    }
    void ClearLog() const { std::ofstream(Log(), std::ios::trunc); }
    // The next request of `path` gets only `bytes` of its body.
    void CutNext(const std::string& path, size_t bytes) const {
        std::ofstream(Cuts(), std::ios::app) << path << " " << bytes << "\n";
    }

    zov::testing::ScratchDir scratch;
    std::string url;
    std::string error;

  private:
    static pid_t SpawnAsync(const std::vector<std::string>& args, int out[2]) {
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        if (out) {
            posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
            posix_spawn_file_actions_addclose(&actions, out[0]);
        }
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
        std::vector<char*> argv;
        for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        pid_t pid = -1;
        if (posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) pid = -1;
        posix_spawn_file_actions_destroy(&actions);
        if (out) close(out[1]);
        return pid;
    }
    static int Spawn(const std::vector<std::string>& args, int out[2]) {
        const pid_t pid = SpawnAsync(args, out);
        int status = 0;
        if (pid < 0 || waitpid(pid, &status, 0) != pid) return -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    pid_t pid_ = -1;
};

}  // namespace zov::test
