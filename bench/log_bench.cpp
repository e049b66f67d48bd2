// Runs `zovctl log` for 10 s against zovsim paced at 9600 baud and compares the records per second
// with the rate the line allows for record 150 (request, echo and answer bytes at 10 bits each).
//
// usage: log_bench [ZOVCTL_PATH [ZOVSIM_PATH]]
// Prints the bytes of one record's exchange, the wire-limited rate, the rate zovctl reports, their
// ratio and zovctl's CPU time as a share of wall time. Goals: ratio >= 0.95, CPU share <= 5 %.
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "BenchSupport.h"
#include "Clock.h"
#include "ComInj.h"
#include "Prompter.h"

namespace zov {
namespace {

constexpr int kSeconds = 10;
constexpr int kSampleRecords = 20;

// Bytes that cross the line for one record-150 exchange, counted on a session of our own.
double BytesPerRecord(const std::string& device) {
    SteadyClock clock;
    bench::CountingOpener opener;
    ScriptedPrompter prompter;
    ComInj link(0, 5, opener, clock, prompter);
    link.SetPortPath(0, device);
    link.SetLinkMessages();
    if (!link.Connect()) return 0;
    const size_t written = bench::CountingDevice::written;
    const size_t read = bench::CountingDevice::read;
    int32_t values[20] = {};
    for (int i = 0; i < kSampleRecords; ++i)
        if (!link.ReadRecord(kRecordLive, values, 20)) return 0;
    const size_t sent = bench::CountingDevice::written - written;
    const size_t answered =
        (bench::CountingDevice::read - read) - sent;  // echo is not a transmission of its own
    link.Disconnect();
    return double(sent + answered) / kSampleRecords;
}

struct Run {
    std::string out;
    double cpu = 0;
    double wall = 0;
    int status = -1;
};

Run RunZovctl(const std::string& zovctl, const std::string& device, const std::string& csv) {
    int out[2];
    Run run;
    if (pipe(out) != 0) return run;
    const auto t0 = std::chrono::steady_clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(out[1], STDOUT_FILENO);
        close(out[0]);
        close(out[1]);
        const std::string seconds = std::to_string(kSeconds);
        execl(zovctl.c_str(), zovctl.c_str(), "--port", device.c_str(), "log", csv.c_str(), "--seconds",
              seconds.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    close(out[1]);
    char buffer[256];
    for (ssize_t n; (n = read(out[0], buffer, sizeof buffer)) > 0;) run.out.append(buffer, size_t(n));
    close(out[0]);
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    run.wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    run.cpu = double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
              double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

double Field(const std::string& out, const char* key) {
    const size_t at = out.find(std::string(key) + "=");
    return at == std::string::npos ? -1 : std::atof(out.c_str() + at + std::strlen(key) + 1);
}

}  // namespace
}  // namespace zov

int main(int argc, char** argv) {
    using namespace zov;
    const std::string zovctl = argc > 1 ? argv[1] : ZOVCTL_PATH;
    const std::string program = argc > 2 ? argv[2] : ZOVSIM_PATH;
    std::string device;
    const pid_t sim = bench::StartSimulator(program, device);
    if (sim <= 0 || device.empty()) {
        std::fprintf(stderr, "log_bench: cannot start %s\n", program.c_str());
        return 1;
    }
    const std::string csv =
        (std::filesystem::temp_directory_path() / ("log_bench_" + std::to_string(getpid()) + ".csv"))
            .string();
    // zovctl first, on a simulator no other session has used; the bytes of one exchange after.
    const Run run = RunZovctl(zovctl, device, csv);
    const double bytes = run.status == 0 ? BytesPerRecord(device) : 0;
    std::filesystem::remove(csv);
    kill(sim, SIGTERM);
    waitpid(sim, nullptr, 0);
    if (bytes <= 0 || run.status != 0) {
        std::fprintf(stderr, "log_bench: the session failed (zovctl status %d)\n%s", run.status,
                     run.out.c_str());
        return 1;
    }
    const double wireRate = bench::kBaud / bench::kBitsPerByte / bytes;
    const double rate = Field(run.out, "RATE");
    std::printf("bytes per record 150: %.1f (request and answer; the echo rides on the request)\n", bytes);
    std::printf("wire-limited rate: %.1f records/s\n", wireRate);
    std::printf("zovctl log: RECORDS=%.0f RATE=%.1f in %.2f s\n", Field(run.out, "RECORDS"), rate, run.wall);
    std::printf("ratio: %.3f (goal >= 0.95)\n", rate / wireRate);
    std::printf("client CPU: %.3f s = %.1f %% of wall time (goal <= 5 %%)\n", run.cpu,
                100.0 * run.cpu / run.wall);
    return 0;
}
