#pragma once

// What both line benchmarks need: a byte count of everything that crosses the line, the process's
// CPU time, and zovsim started on its pseudo-terminal.

#include <sys/resource.h>
#include <unistd.h>

#include <cstddef>
#include <memory>
#include <string>

#include "SerialDevice.h"
#include "TermiosSerial.h"

namespace zov::bench {

constexpr double kBaud = 9600.0;
constexpr double kBitsPerByte = 10.0;

// Counts the bytes the client writes and reads; every written byte comes back once as echo.
class CountingDevice : public SerialDevice {
  public:
    explicit CountingDevice(std::unique_ptr<SerialDevice> inner) : inner_(std::move(inner)) {}
    bool Configure(uint32_t baud) override { return inner_->Configure(baud); }
    bool GetTimeouts(CommTimeouts& out) override { return inner_->GetTimeouts(out); }
    bool SetTimeouts(const CommTimeouts& t) override { return inner_->SetTimeouts(t); }
    bool SetQueueSizes(uint32_t r, uint32_t t) override { return inner_->SetQueueSizes(r, t); }
    SerialStatus Write(const uint8_t* data, size_t length) override {
        written += length;
        return inner_->Write(data, length);
    }
    SerialStatus ReadByte(uint8_t& byte) override {
        const SerialStatus status = inner_->ReadByte(byte);
        if (status == SerialStatus::Ok) ++read;
        return status;
    }
    void PurgeReceive() override { inner_->PurgeReceive(); }

    static inline size_t written = 0;
    static inline size_t read = 0;

  private:
    std::unique_ptr<SerialDevice> inner_;
};

class CountingOpener : public SerialOpener {
  public:
    OpenResult Open(const std::string& path) override {
        OpenResult opened = termios_.Open(path);
        if (opened.device) opened.device = std::make_unique<CountingDevice>(std::move(opened.device));
        return opened;
    }

  private:
    TermiosOpener termios_;
};

// Seconds the line needs for every byte counted so far: request bytes (their echo is the same
// transmission) and answer bytes.
inline double WireSeconds() {
    const size_t answer = CountingDevice::read - CountingDevice::written;
    return double(CountingDevice::written + answer) * kBitsPerByte / kBaud;
}

inline double CpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// Starts zovsim and returns its pid; `device` gets its terminal.
inline pid_t StartSimulator(const std::string& program, std::string& device) {
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

}  // namespace zov::bench
