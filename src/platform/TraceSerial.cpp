#include "TraceSerial.h"

namespace zov {
namespace {

// A trace line that carries no byte.
constexpr int kNoByte = -1;

}  // namespace

TraceSerial::TraceSerial(std::unique_ptr<SerialDevice> inner, std::FILE* sink, Clock& clock)
    : inner_(std::move(inner)), sink_(sink), clock_(clock), startUs_(clock.NowUs()) {}

void TraceSerial::Line(const char* what, int byte) {
    const double ms = double(clock_.NowUs() - startUs_) / 1000.0;
    if (byte == kNoByte)
        std::fprintf(sink_, "%10.3f %s\n", ms, what);
    else
        std::fprintf(sink_, "%10.3f %s %02X\n", ms, what, byte);
    std::fflush(sink_);
}

bool TraceSerial::Configure(uint32_t baud) { return inner_->Configure(baud); }
bool TraceSerial::GetTimeouts(CommTimeouts& out) { return inner_->GetTimeouts(out); }
bool TraceSerial::SetTimeouts(const CommTimeouts& timeouts) { return inner_->SetTimeouts(timeouts); }
bool TraceSerial::SetQueueSizes(uint32_t receive, uint32_t transmit) {
    return inner_->SetQueueSizes(receive, transmit);
}

SerialStatus TraceSerial::Write(const uint8_t* data, size_t length) {
    for (size_t i = 0; i < length; ++i) Line("TX", data[i]);
    const SerialStatus status = inner_->Write(data, length);
    if (status == SerialStatus::Timeout) Line("TX-FAILED", kNoByte);
    if (status == SerialStatus::DeviceLost) Line("TX-LOST", kNoByte);
    return status;
}

SerialStatus TraceSerial::ReadByte(uint8_t& byte) {
    const SerialStatus status = inner_->ReadByte(byte);
    if (status == SerialStatus::Ok)
        Line("RX", byte);
    else
        Line(status == SerialStatus::Timeout ? "RX --" : "RX LOST", kNoByte);
    return status;
}

void TraceSerial::PurgeReceive() {
    Line("PURGE", kNoByte);
    inner_->PurgeReceive();
}

OpenResult TraceOpener::Open(const std::string& path) {
    OpenResult result = inner_.Open(path);
    if (!result.device || !sink_) return result;
    std::fprintf(sink_, "OPEN %s\n", path.c_str());
    result.device = std::make_unique<TraceSerial>(std::move(result.device), sink_, clock_);
    return result;
}

}  // namespace zov
