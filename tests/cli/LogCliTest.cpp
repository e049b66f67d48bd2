// zovctl log end to end: the real program records zovsim's live records over a pseudo-terminal,
// and whatever ends it — its time, SIGTERM, SIGKILL — leaves a whole log behind.
#include <fcntl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "CliSupport.h"
#include "LiveLog.h"
#include "TestFiles.h"

namespace zov {
namespace {

using clitest::Result;
using clitest::RunProgram;
using testing::ReadFile;
using testing::ScratchDir;
using testing::WriteFile;

constexpr const char* kLiveHeader =
    "t_ms,rpm,lambda_v,tps_v,map_bar,integrator1,integrator2,target,cumulo,opening,enrichment,status,"
    "reducer_temp_c,reducer_pressure_bar,level";

struct Sim : clitest::Zovsim {
    Sim() : Zovsim(ZOVSIM_PATH, {"--no-pacing"}) {}
};

Result Zovctl(const std::string& port, std::vector<std::string> args) {
    args.insert(args.begin(), {ZOVCTL_PATH, "--port", port});
    return RunProgram(args);
}

int64_t Counted(const std::string& out, const char* key) {
    std::smatch m;
    const std::regex line(std::string("(^|\n)") + key + "=([0-9.]+)\n");
    if (!std::regex_search(out, m, line)) return -1;
    return int64_t(std::stod(m[2]));
}

// zovctl log in the background, its output in files, so the test can signal it mid-recording.
class Recorder {
  public:
    Recorder(const ScratchDir& dir, const std::string& port, const std::string& out) : dir_(dir) {
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, dir.File("stdout").c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0644);
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, dir.File("stderr").c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0644);
        std::vector<std::string> args = {ZOVCTL_PATH, "--port", port, "log", out};
        std::vector<char*> argv;
        for (auto& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        EXPECT_EQ(posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ), 0);
        posix_spawn_file_actions_destroy(&actions);
    }
    ~Recorder() {
        if (pid_ > 0) Stop(SIGKILL);
    }

    // Waits (a few seconds at most) until `path` holds `lines` lines.
    static bool WaitForLines(const std::string& path, long lines) {
        for (int i = 0; i < 1000; ++i) {
            const std::string text = ReadFile(path);
            if (std::count(text.begin(), text.end(), '\n') >= lines) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return false;
    }

    // The wait status after `signal`.
    int Stop(int signal) {
        kill(pid_, signal);
        int status = 0;
        waitpid(pid_, &status, 0);
        pid_ = -1;
        return status;
    }
    std::string Out() const { return ReadFile(dir_.File("stdout")); }
    std::string Err() const { return ReadFile(dir_.File("stderr")); }

  private:
    const ScratchDir& dir_;
    pid_t pid_ = -1;
};

TEST(ZovctlLog, RecordsForTheSecondsAskedAndCountsWhatItWrote) {
    Sim sim;
    ScratchDir dir;
    const std::string out = dir.File("drive.csv");
    const Result r = Zovctl(sim.device, {"log", out, "--seconds", "2"});
    ASSERT_EQ(r.status, 0) << r.err;
    const int64_t records = Counted(r.out, "RECORDS");
    EXPECT_GT(records, 10);
    EXPECT_GT(Counted(r.out, "RATE"), 4);
    const std::string text = ReadFile(out);
    EXPECT_EQ(text.substr(0, text.find('\n')), kLiveHeader);
    const LiveLogLoad load = ReadLiveLog(out);
    ASSERT_TRUE(load.ok) << load.error;
    EXPECT_EQ(int64_t(load.log.RowCount()), records);
    // Records are read until the two seconds are up; the last is stamped when it has come, which
    // on a busy machine may be well after.
    EXPECT_GT(load.log.times.back(), 1500);
    // zovsim's engine idles warm after its start: a speed and a probe voltage on every row.
    for (size_t row = 0; row < load.log.RowCount(); ++row) {
        EXPECT_GT(load.log.Value(row, load.log.Channel("rpm")), 0);
        EXPECT_FALSE(std::isnan(load.log.Value(row, load.log.Channel("lambda_v"))));
    }

    // The other records have their own columns.
    const std::string parameters = dir.File("parameters.csv");
    const Result p = Zovctl(sim.device, {"log", parameters, "--seconds", "1", "--record", "151"});
    ASSERT_EQ(p.status, 0) << p.err;
    EXPECT_EQ(ReadFile(parameters).substr(0, ReadFile(parameters).find('\n')),
              "t_ms,rpm,lambda_v,cumulo,reducer_pressure_bar");
}

TEST(ZovctlLog, WrongArgumentsAndAnExistingFileLoseNothing) {
    Sim sim;
    ScratchDir dir;
    const std::string kept = dir.File("kept.csv");
    WriteFile(kept, "an earlier recording\n");
    const struct {
        std::vector<std::string> args;
        int status;
        const char* message;
    } cases[] = {
        {{"log"}, 2, "usage: log OUT.csv"},
        {{"log", dir.File("a.csv"), "--record", "153"}, 2, "bad --record"},
        {{"log", dir.File("a.csv"), "--seconds", "0"}, 2, "bad --seconds"},
        {{"log", dir.File("a.csv"), "--seconds"}, 2, "bad --seconds"},
        {{"log", dir.File("a.csv"), dir.File("b.csv")}, 2, "usage: log OUT.csv"},
        {{"log", kept, "--seconds", "1"}, 4, "exists already"},
        {{"log", dir.File("no/such/folder.csv"), "--seconds", "1"}, 4, "No such file"},
    };
    for (const auto& c : cases) {
        const Result r = Zovctl(sim.device, c.args);
        EXPECT_EQ(r.status, c.status) << r.err;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        EXPECT_EQ(r.out, "");
    }
    EXPECT_EQ(ReadFile(kept), "an earlier recording\n");
    EXPECT_FALSE(std::filesystem::exists(dir.File("a.csv")));
}

TEST(ZovctlLog, SigtermEndsTheLogWholeWithItsCounts) {
    Sim sim;
    ScratchDir dir;
    const std::string out = dir.File("drive.csv");
    Recorder recorder(dir, sim.device, out);
    ASSERT_TRUE(Recorder::WaitForLines(out, 6)) << recorder.Err();
    const int status = recorder.Stop(SIGTERM);
    ASSERT_TRUE(WIFEXITED(status)) << "killed by the signal instead of ending the log";
    EXPECT_EQ(WEXITSTATUS(status), 0) << recorder.Err();
    const LiveLogLoad load = ReadLiveLog(out);
    ASSERT_TRUE(load.ok) << load.error;
    EXPECT_FALSE(load.cutShort);
    EXPECT_EQ(Counted(recorder.Out(), "RECORDS"), int64_t(load.log.RowCount()));
}

TEST(ZovctlLog, AKilledRecorderLeavesEveryRowWhole) {
    Sim sim;
    ScratchDir dir;
    const std::string out = dir.File("drive.csv");
    Recorder recorder(dir, sim.device, out);
    ASSERT_TRUE(Recorder::WaitForLines(out, 11)) << recorder.Err();
    const int status = recorder.Stop(SIGKILL);
    ASSERT_TRUE(WIFSIGNALED(status));
    const std::string text = ReadFile(out);
    const LiveLogLoad load = ReadLiveLog(out);
    ASSERT_TRUE(load.ok) << load.error;
    EXPECT_FALSE(load.cutShort) << text;
    EXPECT_GE(load.log.RowCount(), 10u);
    EXPECT_EQ(int64_t(load.log.RowCount()), std::count(text.begin(), text.end(), '\n') - 1);
    EXPECT_GT(load.log.channels[size_t(load.log.Channel("rpm"))].back(), 0);
}

// A file-size limit (ulimit -f) ends the recording as a full disk does: the reason and status 4,
// every row written whole, the session closed for the next run; its signal kills nothing.
TEST(ZovctlLog, AFileSizeLimitEndsTheLogWholeWithItsReason) {
    Sim sim;
    ScratchDir dir;
    const std::string out = dir.File("drive.csv");
    constexpr rlim_t kLimit = 1500;
    const Result r = RunProgram({ZOVCTL_PATH, "--port", sim.device, "log", out, "--seconds", "20"}, kLimit);
    EXPECT_EQ(r.signal, 0);
    EXPECT_EQ(r.status, 4);
    EXPECT_EQ(r.err, "zovctl: " + out + ": File too large\n");
    const LiveLogLoad load = ReadLiveLog(out);
    ASSERT_TRUE(load.ok) << load.error;
    EXPECT_FALSE(load.cutShort);
    EXPECT_GT(load.log.RowCount(), 2u);
    EXPECT_EQ(Counted(r.out, "RECORDS"), int64_t(load.log.RowCount()));
    const std::string text = ReadFile(out);
    EXPECT_LE(text.size(), kLimit);
    EXPECT_EQ(text.back(), '\n');
    const Result next = Zovctl(sim.device, {"log", dir.File("next.csv"), "--seconds", "1"});
    EXPECT_EQ(next.status, 0) << next.err;
}

}  // namespace
}  // namespace zov
