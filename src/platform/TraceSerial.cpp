#include "TraceSerial.h"

namespace zov {

TraceSerial::TraceSerial(std::unique_ptr<SerialDevice> inner, std::FILE* sink, Clock& clock)
    : inner_(std::move(inner)), sink_(sink), clock_(clock), startUs_(clock.NowUs()) {}

void TraceSerial::Line(const char* what, int byte) {
    const double ms = double(clock_.NowUs() - startUs_) / 1000.0;
    if (byte < 0)
        std::fprintf(sink_, "%10.3f %s --\n", ms, what);
    else if (byte > 0xFF)
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

bool TraceSerial::Write(const uint8_t* data, size_t length) {
    for (size_t i = 0; i < length; ++i) Line("TX", data[i]);
    bool ok = inner_->Write(data, length);
    if (!ok) Line("TX-FAILED", 0x100);
    return ok;
}

int TraceSerial::ReadByte() {
    int b = inner_->ReadByte();
    Line("RX", b);
    return b;
}

void TraceSerial::PurgeReceive() {
    Line("PURGE", 0x100);
    inner_->PurgeReceive();
}

std::unique_ptr<SerialDevice> TraceOpener::Open(const std::string& path) {
    auto device = inner_.Open(path);
    if (!device || !sink_) return device;
    std::fprintf(sink_, "OPEN %s\n", path.c_str());
    return std::make_unique<TraceSerial>(std::move(device), sink_, clock_);
}

}  // namespace zov
