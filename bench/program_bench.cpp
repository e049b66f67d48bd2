// Programs a 64 KiB image into zovsim paced at 9600 baud and compares the time taken with the time
// the bytes themselves need on the line.
//
// usage: program_bench [ZOVSIM_PATH]
// Prints the measured time, the waits the procedure prescribes (the 2 s for the ECU's restart into
// its boot loader, the 100 ms before block mode), the wire-time bound (every byte that crosses the
// line at 10 bits per byte: request bytes, whose echo is the same transmission, and answer bytes),
// and the ratio of the measured time to bound + waits. Goal: ratio <= 1.05.
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "BenchSupport.h"
#include "Clock.h"
#include "ComInj.h"
#include "ConfigurationModel.h"
#include "EcuProgrammer.h"
#include "Firmware.h"
#include "FirmwareSample.h"
#include "Prompter.h"

namespace zov {
namespace {

constexpr double kPrescribedWaitS = 2.0 + 0.1;
constexpr size_t kImageBytes = 64 * 1024;

// No window: the bench watches the clock, not the bar.
class QuietHost : public ProgrammingHost {
  public:
    void Open() override {}
    void Close() override {}
    void SetLabel(const std::string&) override {}
    void SetCaption(const std::string&) override {}
    void SetCompletion(const std::string&) override {}
    void SetProgress(int, bool) override {}
    void ConnectInteractiveOff() override {}
};

}  // namespace
}  // namespace zov

int main(int argc, char** argv) {
    using namespace zov;
    const std::string program = argc > 1 ? argv[1] : ZOVSIM_PATH;

    SampleFirmware sample;
    sample.version = 0xD0;
    sample.programBytes = kImageBytes;
    FirmwareImage image;
    if (const FirmwareCheck c = ParseFirmware(SampleSRecords(sample), 0, image); !c) {
        std::fprintf(stderr, "program_bench: the sample image is bad: %s\n", c.error.c_str());
        return 1;
    }

    std::string device;
    const pid_t sim = bench::StartSimulator(program, device);
    if (sim <= 0 || device.empty()) {
        std::fprintf(stderr, "program_bench: cannot start %s\n", program.c_str());
        return 1;
    }

    SteadyClock clock;
    bench::CountingOpener opener;
    ScriptedPrompter prompter;
    ComInj link(0, 5, opener, clock, prompter);
    link.SetPortPath(0, device);
    link.SetLinkMessages();
    ConfCar car(link, ConfigurationModel::kCarFile, prompter);
    ConfMap map(link, car, ConfigurationModel::kMapFile);
    ConfParam param(link, car, ConfigurationModel::kParamFile, prompter);
    ConfigurationModel model(link, map, car, param);
    QuietHost host;
    EcuProgrammer programmer(link, model, host, prompter, clock, {});

    const double cpu0 = bench::CpuSeconds();
    const auto t0 = std::chrono::steady_clock::now();
    const bool ok = programmer.ProgramFirmware(image);
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    const double cpu = bench::CpuSeconds() - cpu0;

    kill(sim, SIGTERM);
    waitpid(sim, nullptr, 0);

    const size_t requestBytes = bench::CountingDevice::written;
    const size_t answerBytes = bench::CountingDevice::read - bench::CountingDevice::written;
    const double bound = bench::WireSeconds();
    std::printf("image: %zu bytes in %zu records sent\n", image.SentDataBytes(), image.SentCount());
    std::printf("bytes: request %zu, answer %zu\n", requestBytes, answerBytes);
    std::printf("measured: %.3f s\n", wall);
    std::printf("prescribed waits: %.3f s\n", kPrescribedWaitS);
    std::printf("wire-time bound: %.3f s\n", bound);
    std::printf("ratio: %.4f (goal <= 1.05)\n", wall / (bound + kPrescribedWaitS));
    std::printf("client CPU: %.3f s = %.1f %% of wall time\n", cpu, 100.0 * cpu / wall);
    for (const auto& s : prompter.shown) std::printf("message: %s\n", s.text.c_str());
    if (!ok) std::printf("programming failed\n");
    return ok ? 0 : 1;
}
