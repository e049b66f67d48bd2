// Reads everything readable from the ECU over zovsim paced at 9600 baud and compares the time
// taken with the time the bytes themselves need on the line.
//
// usage: link_bench [ZOVSIM_PATH]
// Prints the measured time, the wire-time bound (every byte that crosses the line, at 10 bits per
// byte: request bytes, whose echo is the same transmission, and answer bytes), their ratio, and
// the client's CPU time as a share of wall time. Goals: ratio <= 1.05, CPU share <= 5 %.
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "BenchSupport.h"
#include "Clock.h"
#include "ComInj.h"
#include "Prompter.h"

namespace zov {
namespace {

constexpr int kTable51Rows = 8;

// Every readable variable, array, table and record, once. Returns false when the session was lost;
// `refused` counts the variables this ECU does not have (its version or adaptation kind).
bool ReadEverything(ComInj& link, int& refused) {
    std::vector<int32_t> values(16 * 20);
    for (int index = 0; index < kVarCount; ++index) {
        const VarInfo& v = VarInfoOf(index);
        if (v.kind == VarKind::None) continue;
        link.ClearErrorFlags();
        if (v.kind == VarKind::TableS8) {
            for (int row = 0; row < kTable51Rows; ++row) link.ReadVarElement(index, row, values.data());
        } else {
            link.ReadVar(index, values.data());
        }
        if (link.ErrorFlags() & ERR_NOT_AVAILABLE) ++refused;
    }
    for (int record : {kRecordLive, kRecordParameters, kRecordMapping})
        if (!link.ReadRecord(record, values.data(), int(values.size()), 1, 2)) return false;
    return link.IsConnected();
}

}  // namespace
}  // namespace zov

int main(int argc, char** argv) {
    using namespace zov;
    const std::string program = argc > 1 ? argv[1] : ZOVSIM_PATH;
    std::string device;
    const pid_t sim = bench::StartSimulator(program, device);
    if (sim <= 0 || device.empty()) {
        std::fprintf(stderr, "link_bench: cannot start %s\n", program.c_str());
        return 1;
    }

    SteadyClock clock;
    bench::CountingOpener opener;
    ScriptedPrompter prompter;
    ComInj link(0, 5, opener, clock, prompter);
    link.SetPortPath(0, device);
    link.SetLinkMessages();

    const double cpu0 = bench::CpuSeconds();
    const auto t0 = std::chrono::steady_clock::now();
    int refused = 0;
    const bool ok = link.Connect() && ReadEverything(link, refused);
    link.Disconnect();
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    const double cpu = bench::CpuSeconds() - cpu0;

    kill(sim, SIGTERM);
    waitpid(sim, nullptr, 0);

    const size_t requestBytes = bench::CountingDevice::written;
    const size_t answerBytes = bench::CountingDevice::read - bench::CountingDevice::written;
    const double bound = bench::WireSeconds();
    std::printf("bytes: request %zu, answer %zu\n", requestBytes, answerBytes);
    std::printf("measured: %.3f s\n", wall);
    std::printf("wire-time bound: %.3f s\n", bound);
    std::printf("ratio: %.3f (goal <= 1.05)\n", wall / bound);
    std::printf("client CPU: %.3f s = %.1f %% of wall time (goal <= 5 %%)\n", cpu, 100.0 * cpu / wall);
    std::printf("variables this ECU refuses: %d\n", refused);
    if (!ok) std::printf("the session failed\n");
    return ok ? 0 : 1;
}
