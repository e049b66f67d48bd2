#include "SimulatedLine.h"

#include <algorithm>

namespace zov::sim {

// The handle the PC holds; it forwards to the line while both exist.
class SimulatedDevice : public SerialDevice {
  public:
    explicit SimulatedDevice(SimulatedLine* line) : line_(line) {}
    ~SimulatedDevice() override {
        if (line_) line_->Closed(this);
    }

    bool Configure(uint32_t baud) override { return line_ && line_->Configure(baud); }
    bool GetTimeouts(CommTimeouts& out) override {
        if (!line_) return false;
        out = line_->Timeouts();
        return true;
    }
    bool SetTimeouts(const CommTimeouts& timeouts) override { return line_ && line_->SetTimeouts(timeouts); }
    bool SetQueueSizes(uint32_t receive, uint32_t transmit) override {
        return line_ && line_->SetQueueSizes(receive, transmit);
    }
    SerialStatus Write(const uint8_t* data, size_t length) override {
        return line_ ? line_->Write(data, length) : SerialStatus::DeviceLost;
    }
    SerialStatus ReadByte(uint8_t& byte) override {
        return line_ ? line_->ReadByte(byte) : SerialStatus::DeviceLost;
    }
    void PurgeReceive() override {
        if (line_) line_->PurgeReceive();
    }

    void Detach() { line_ = nullptr; }

  private:
    SimulatedLine* line_;
};

SimulatedLine::SimulatedLine(EcuSimulator& ecu, Clock& clock) : ecu_(ecu), clock_(clock), wire_(ecu) {}

SimulatedLine::~SimulatedLine() {
    if (device_) device_->Detach();
}

OpenResult SimulatedLine::Open(const std::string& path) {
    if (openFails_) return {nullptr, {openFault_, path, 0}};
    if (lost_ || (!devicePath_.empty() && path != devicePath_))
        return {nullptr, {DeviceFault::NoSuchDevice, path, 0}};
    if (device_) return {nullptr, {DeviceFault::Busy, path, 0}};
    auto device = std::make_unique<SimulatedDevice>(this);
    device_ = device.get();
    ++openCount_;
    lastPath_ = path;
    return {std::move(device), {}};
}

void SimulatedLine::LoseDevice(size_t afterBytes) {
    bytesUntilLost_ = int64_t(afterBytes);
    lost_ = afterBytes == 0;
}

void SimulatedLine::Closed(SimulatedDevice* device) {
    if (device != device_) return;
    device_ = nullptr;
    // A reopened port starts with empty queues.
    incoming_.clear();
}

bool SimulatedLine::Configure(uint32_t baud) {
    static constexpr uint32_t kRates[] = {110, 300, 1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200};
    if (configureFails_ || std::find(std::begin(kRates), std::end(kRates), baud) == std::end(kRates))
        return false;
    baud_ = baud;
    return true;
}

bool SimulatedLine::SetTimeouts(const CommTimeouts& timeouts) {
    if (setTimeoutsFails_) return false;
    timeouts_ = timeouts;
    return true;
}

bool SimulatedLine::SetQueueSizes(uint32_t receive, uint32_t transmit) {
    receiveQueue_ = receive;
    transmitQueue_ = transmit;
    return true;
}

SerialStatus SimulatedLine::Write(const uint8_t* data, size_t length) {
    if (lost_) return SerialStatus::DeviceLost;
    if (!data && length) return SerialStatus::Timeout;
    const int64_t now = clock_.NowUs();
    std::vector<TimedByte> back;
    for (size_t i = 0; i < length; ++i) {
        if (bytesUntilLost_ >= 0 && bytesUntilLost_-- == 0) {
            lost_ = true;
            incoming_.clear();
            return SerialStatus::DeviceLost;
        }
        traffic_.push_back({now, LineDirection::PcToEcu, data[i], false});
        wire_.Send(data[i], now, back);
    }
    for (const TimedByte& b : back) {
        traffic_.push_back({b.atUs, LineDirection::EcuToPc, b.byte, b.echo});
        auto at = std::upper_bound(incoming_.begin(), incoming_.end(), b.atUs,
                                   [](int64_t t, const TimedByte& x) { return t < x.atUs; });
        incoming_.insert(at, b);
    }
    if (bytesUntilLost_ == 0) {
        lost_ = true;
        incoming_.clear();
    }
    return SerialStatus::Ok;
}

SerialStatus SimulatedLine::ReadByte(uint8_t& byte) {
    if (lost_) return SerialStatus::DeviceLost;
    const int64_t now = clock_.NowUs();
    const int64_t waitUs = (int64_t(timeouts_.readTotalMultiplier) + timeouts_.readTotalConstant) * 1000;
    if (!incoming_.empty() && incoming_.front().atUs <= now + waitUs) {
        const TimedByte b = incoming_.front();
        incoming_.erase(incoming_.begin());
        if (b.atUs > now) clock_.SleepUs(b.atUs - now);
        byte = b.byte;
        return SerialStatus::Ok;
    }
    clock_.SleepUs(waitUs);
    return SerialStatus::Timeout;
}

void SimulatedLine::PurgeReceive() {
    ++purgeCount_;
    const int64_t now = clock_.NowUs();
    incoming_.erase(std::remove_if(incoming_.begin(), incoming_.end(),
                                   [now](const TimedByte& b) { return b.atUs <= now; }),
                    incoming_.end());
}

std::vector<TrafficEntry> SimulatedLine::Traffic() const {
    std::vector<TrafficEntry> sorted = traffic_;
    std::stable_sort(sorted.begin(), sorted.end(),
                     [](const TrafficEntry& a, const TrafficEntry& b) { return a.timeUs < b.timeUs; });
    return sorted;
}

}  // namespace zov::sim
