#include "SimulatedUsbAdapter.h"

#include <algorithm>
#include <chrono>
#include <thread>

namespace zov::sim {
namespace {

constexpr uint8_t kAdapterMessage = 0x80;
constexpr uint8_t kCommandConfigure = 0;
constexpr uint8_t kCommandQueryState = 4;
constexpr uint8_t kEchoEachByte = 0x40;
constexpr size_t kMaxPayload = 7;
constexpr auto kReadPoll = std::chrono::microseconds(200);

// A count of "the next N" faults: true when this one is hit.
bool Use(int& count) {
    if (count == kAlways) return true;
    if (count <= 0) return false;
    --count;
    return true;
}

}  // namespace

// A handle the PC holds; it forwards to the adapter.
class SimulatedHidHandle : public HidDevice {
  public:
    explicit SimulatedHidHandle(SimulatedUsbAdapter& adapter) : adapter_(adapter) {}
    ~SimulatedHidHandle() override { adapter_.HandleClosed(); }

    bool GetCaps(HidCaps& out) override {
        out = {SimulatedUsbAdapter::kReportLength, SimulatedUsbAdapter::kReportLength,
               SimulatedUsbAdapter::kReportLength};
        return true;
    }
    bool SetFeature(const uint8_t* report, size_t length) override {
        return adapter_.SetFeature(report, length);
    }
    HidStatus Write(const uint8_t* report, size_t length) override { return adapter_.Write(report, length); }
    HidStatus Read(uint8_t* buffer, size_t capacity, size_t& got, int timeoutMs) override {
        return adapter_.Read(buffer, capacity, got, timeoutMs, taken_);
    }
    // What this handle took, and what any handle could take now.
    uint64_t InputOffered() override { return adapter_.InputOffered(taken_); }

  private:
    SimulatedUsbAdapter& adapter_;
    // Counted under the adapter's lock, together with the report leaving its queue.
    uint64_t taken_ = 0;
};

SimulatedUsbAdapter::SimulatedUsbAdapter(EcuSimulator& ecu, Clock& clock, std::string path)
    : ecu_(ecu), clock_(clock), wire_(ecu), path_(std::move(path)) {}

SimulatedUsbAdapter::~SimulatedUsbAdapter() = default;

std::vector<HidDeviceInfo> SimulatedUsbAdapter::Enumerate(uint16_t vendor, uint16_t product) {
    std::vector<HidDeviceInfo> found;
    std::lock_guard guard(lock_);
    for (const HidDeviceInfo& info : foreign_)
        if (info.vendor == vendor && info.product == product) found.push_back(info);
    if (plugged_ && vendor_ == vendor && product_ == product)
        found.push_back({path_, vendor_, product_, productString_, "ZOV simulator"});
    return found;
}

std::unique_ptr<HidDevice> SimulatedUsbAdapter::Open(const std::string& path) {
    std::lock_guard guard(lock_);
    if (!plugged_ || path != path_) return nullptr;
    ++handles_;
    return std::make_unique<SimulatedHidHandle>(*this);
}

void SimulatedUsbAdapter::HandleClosed() {
    std::lock_guard guard(lock_);
    if (--handles_ == 0) input_.clear();
}

void SimulatedUsbAdapter::SetIdentity(uint16_t vendor, uint16_t product, std::string productString) {
    std::lock_guard guard(lock_);
    vendor_ = vendor;
    product_ = product;
    productString_ = std::move(productString);
}

void SimulatedUsbAdapter::Unplug() {
    {
        std::lock_guard guard(lock_);
        plugged_ = false;
        input_.clear();
    }
    arrived_.notify_all();
}

void SimulatedUsbAdapter::SetFaults(const UsbFaults& faults) {
    std::lock_guard guard(lock_);
    faults_ = faults;
}

UsbFaults SimulatedUsbAdapter::Faults() const {
    std::lock_guard guard(lock_);
    return faults_;
}

void SimulatedUsbAdapter::SendNotice(const std::vector<uint8_t>& payload) {
    {
        std::lock_guard guard(lock_);
        Deliver(clock_.NowUs(), kAdapterMessage, payload);
    }
    arrived_.notify_all();
}

std::vector<std::vector<uint8_t>> SimulatedUsbAdapter::FeatureReports() const {
    std::lock_guard guard(lock_);
    return features_;
}

std::vector<UsbOutputRecord> SimulatedUsbAdapter::OutputReports() const {
    std::lock_guard guard(lock_);
    return outputs_;
}

void SimulatedUsbAdapter::ClearRecords() {
    std::lock_guard guard(lock_);
    features_.clear();
    outputs_.clear();
}

int SimulatedUsbAdapter::Expected() const {
    std::lock_guard guard(lock_);
    return expected_;
}

int SimulatedUsbAdapter::OpenHandles() const {
    std::lock_guard guard(lock_);
    return handles_;
}

bool SimulatedUsbAdapter::EchoKept() const { return (mode_ & 1) && !(mode_ & kEchoEachByte); }

void SimulatedUsbAdapter::Deliver(int64_t atUs, uint8_t header, const std::vector<uint8_t>& payload) {
    TimedReport report{atUs + std::max<int64_t>(0, faults_.delayInputUs),
                       std::vector<uint8_t>(kReportLength, 0)};
    const size_t n = std::min(payload.size(), kMaxPayload);
    report.bytes[1] = uint8_t(header | n);
    std::copy(payload.begin(), payload.begin() + long(n), report.bytes.begin() + 2);
    const auto at = std::upper_bound(input_.begin(), input_.end(), report.atUs,
                                     [](int64_t t, const TimedReport& r) { return t < r.atUs; });
    input_.insert(at, std::move(report));
}

void SimulatedUsbAdapter::Acknowledge(int64_t atUs) {
    if (Use(faults_.refuseAck)) return;
    Deliver(atUs, kAdapterMessage, {0x83, 0x02, 0x04, uint8_t(expected_ << 3)});
}

bool SimulatedUsbAdapter::SetFeature(const uint8_t* report, size_t length) {
    {
        std::lock_guard guard(lock_);
        if (!plugged_ || length < 2) return false;
        features_.emplace_back(report, report + length);
        if (faults_.ignoreFeature) return true;
        uint8_t result = 0;
        if (report[1] == kCommandConfigure && length >= 7) {
            mode_ = report[2];
            expected_ = 0;
        } else if (report[1] == kCommandQueryState) {
            result = uint8_t(expected_);
        } else {
            result = 0xFF;
        }
        Deliver(clock_.NowUs(), kAdapterMessage, {'S', 3, result});
    }
    arrived_.notify_all();
    return true;
}

void SimulatedUsbAdapter::Receive(int sequence, const std::vector<uint8_t>& payload) {
    const int64_t now = clock_.NowUs();
    const bool accepted = sequence == expected_;
    outputs_.push_back({sequence, payload, accepted});
    if (accepted) {
        std::vector<TimedByte> back;
        for (uint8_t b : payload) wire_.Send(b, now, back);
        // Line bytes that come back at the same moment share a report.
        std::vector<uint8_t> chunk;
        int64_t chunkAt = 0;
        auto flush = [&] {
            if (!chunk.empty()) Deliver(chunkAt, 0, chunk);
            chunk.clear();
        };
        for (const TimedByte& b : back) {
            if (b.echo && EchoKept()) continue;
            if (!chunk.empty() && (b.atUs != chunkAt || chunk.size() == kMaxPayload)) flush();
            chunkAt = b.atUs;
            chunk.push_back(b.byte);
        }
        flush();
        expected_ = (expected_ + 1) % 8;
    }
    Acknowledge(now);
}

HidStatus SimulatedUsbAdapter::Write(const uint8_t* report, size_t length) {
    int latencyMs = 0;
    {
        std::lock_guard guard(lock_);
        latencyMs = faults_.writeLatencyMs;
    }
    if (latencyMs > 0) std::this_thread::sleep_for(std::chrono::milliseconds(latencyMs));
    {
        std::lock_guard guard(lock_);
        if (!plugged_ || length < 2 || faults_.stall) return HidStatus::Failed;
        if (!Use(faults_.dropOutput)) {
            const int sequence = (report[1] >> 3) & 7;
            const size_t n = std::min<size_t>(report[1] & 7, length - 2);
            const std::vector<uint8_t> payload(report + 2, report + 2 + n);
            Receive(sequence, payload);
            if (Use(faults_.duplicateOutput)) Receive(sequence, payload);
        }
    }
    arrived_.notify_all();
    return HidStatus::Ok;
}

HidStatus SimulatedUsbAdapter::Read(uint8_t* buffer, size_t capacity, size_t& got, int timeoutMs,
                                    uint64_t& taken) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    std::unique_lock guard(lock_);
    for (;;) {
        if (!plugged_) return HidStatus::Failed;
        if (!input_.empty() && input_.front().atUs <= clock_.NowUs()) {
            const std::vector<uint8_t>& bytes = input_.front().bytes;
            got = std::min(capacity, bytes.size());
            std::copy(bytes.begin(), bytes.begin() + long(got), buffer);
            input_.pop_front();
            ++taken;
            return HidStatus::Ok;
        }
        if (std::chrono::steady_clock::now() >= deadline) return HidStatus::Timeout;
        // The clock may move without telling: look again soon.
        arrived_.wait_for(guard, kReadPoll);
    }
}

uint64_t SimulatedUsbAdapter::InputOffered(const uint64_t& taken) {
    uint64_t ready = 0;
    uint64_t offered = 0;
    {
        std::lock_guard guard(lock_);
        const int64_t now = clock_.NowUs();
        for (const TimedReport& r : input_) {
            if (r.atUs > now) break;
            ++ready;
        }
        offered = taken + ready;
    }
    // The clock may have moved a report into reach: wake the reader.
    if (ready) arrived_.notify_all();
    return offered;
}

}  // namespace zov::sim
