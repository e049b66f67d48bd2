#include "TraceHid.h"

#include <string>

namespace zov {
namespace {

class TraceHidDevice : public HidDevice {
  public:
    TraceHidDevice(std::unique_ptr<HidDevice> inner, std::FILE* sink, Clock& clock, int64_t startUs)
        : inner_(std::move(inner)), sink_(sink), clock_(clock), startUs_(startUs) {}

    bool GetCaps(HidCaps& out) override { return inner_->GetCaps(out); }
    bool SetFeature(const uint8_t* report, size_t length) override {
        const bool sent = inner_->SetFeature(report, length);
        Line(sent ? "FEATURE" : "FEATURE-FAILED", report, length);
        return sent;
    }
    HidStatus Write(const uint8_t* report, size_t length) override {
        const HidStatus status = inner_->Write(report, length);
        Line(status == HidStatus::Ok ? "OUT" : "OUT-FAILED", report, length);
        return status;
    }
    HidStatus Read(uint8_t* buffer, size_t capacity, size_t& got, int timeoutMs) override {
        const HidStatus status = inner_->Read(buffer, capacity, got, timeoutMs);
        if (status == HidStatus::Ok) Line("IN", buffer, got);
        if (status == HidStatus::Failed) Line("IN-FAILED", buffer, 0);
        return status;
    }
    uint64_t InputOffered() override { return inner_->InputOffered(); }

  private:
    // One whole line per call, so lines of different threads never mix.
    void Line(const char* what, const uint8_t* bytes, size_t n) {
        char head[48];
        std::snprintf(head, sizeof head, "%10.3f %s", double(clock_.NowUs() - startUs_) / 1000.0, what);
        std::string line = head;
        for (size_t i = 0; i < n; ++i) {
            char hex[4];
            std::snprintf(hex, sizeof hex, " %02X", bytes[i]);
            line += hex;
        }
        line += '\n';
        std::fputs(line.c_str(), sink_);
        std::fflush(sink_);
    }

    std::unique_ptr<HidDevice> inner_;
    std::FILE* sink_;
    Clock& clock_;
    int64_t startUs_;
};

}  // namespace

TraceHidBus::TraceHidBus(HidBus& inner, std::FILE* sink, Clock& clock)
    : inner_(inner), sink_(sink), clock_(clock), startUs_(clock.NowUs()) {}

std::unique_ptr<HidDevice> TraceHidBus::Open(const std::string& path) {
    std::unique_ptr<HidDevice> device = inner_.Open(path);
    if (!device || !sink_) return device;
    std::fprintf(sink_, "OPEN %s\n", path.c_str());
    return std::make_unique<TraceHidDevice>(std::move(device), sink_, clock_, startUs_);
}

}  // namespace zov
