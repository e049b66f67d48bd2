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

#include "Clock.h"
#include "ComInj.h"
#include "ConfigurationModel.h"
#include "EcuProgrammer.h"
#include "Firmware.h"
#include "FirmwareSample.h"
#include "Prompter.h"
#include "TermiosSerial.h"

namespace zov {
namespace {

constexpr double kBaud = 9600.0;
constexpr double kBitsPerByte = 10.0;
constexpr double kPrescribedWaitS = 2.0 + 0.1;
constexpr size_t kImageBytes = 64 * 1024;

// Counts the bytes the client writes and reads; every written byte comes back once as echo.
class CountingDevice : public SerialDevice {
  public:
    explicit CountingDevice(std::unique_ptr<SerialDevice> inner) : inner_(std::move(inner)) {}
    bool Configure(uint32_t baud) override { return inner_->Configure(baud); }
    bool GetTimeouts(CommTimeouts& out) override { return inner_->GetTimeouts(out); }
    bool SetTimeouts(const CommTimeouts& t) override { return inner_->SetTimeouts(t); }
    bool SetQueueSizes(uint32_t r, uint32_t t) override { return inner_->SetQueueSizes(r, t); }
    bool Write(const uint8_t* data, size_t length) override {
        written += length;
        return inner_->Write(data, length);
    }
    int ReadByte() override {
        const int b = inner_->ReadByte();
        if (b >= 0) ++read;
        return b;
    }
    void PurgeReceive() override { inner_->PurgeReceive(); }

    static inline size_t written = 0;
    static inline size_t read = 0;

  private:
    std::unique_ptr<SerialDevice> inner_;
};

class CountingOpener : public SerialOpener {
  public:
    std::unique_ptr<SerialDevice> Open(const std::string& path) override {
        auto d = termios_.Open(path);
        return d ? std::make_unique<CountingDevice>(std::move(d)) : nullptr;
    }

  private:
    TermiosOpener termios_;
};

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

double CpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

pid_t StartSimulator(const std::string& program, std::string& device) {
    int out[2];
    if (pipe(out) != 0) return -1;
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(out[1], STDOUT_FILENO);
        close(out[0]);
        close(out[1]);
        execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    close(out[1]);
    char c;
    while (read(out[0], &c, 1) == 1 && c != '\n') device += c;
    close(out[0]);
    return pid;
}

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
    const pid_t sim = StartSimulator(program, device);
    if (sim <= 0 || device.empty()) {
        std::fprintf(stderr, "program_bench: cannot start %s\n", program.c_str());
        return 1;
    }

    SteadyClock clock;
    CountingOpener opener;
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

    const double cpu0 = CpuSeconds();
    const auto t0 = std::chrono::steady_clock::now();
    const bool ok = programmer.ProgramFirmware(image);
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    const double cpu = CpuSeconds() - cpu0;

    kill(sim, SIGTERM);
    waitpid(sim, nullptr, 0);

    const size_t requestBytes = CountingDevice::written;
    const size_t answerBytes = CountingDevice::read - CountingDevice::written;
    const double bound = double(requestBytes + answerBytes) * kBitsPerByte / kBaud;
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
