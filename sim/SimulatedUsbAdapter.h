#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

#include "Clock.h"
#include "EcuSimulator.h"
#include "HidDevice.h"
#include "Wire.h"

namespace zov::sim {

// Faults of the adapter and its USB side. Counts are "the next N" (kAlways: every time).
struct UsbFaults {
    int dropOutput = 0;          // output reports lost before the adapter: no line bytes, no acknowledgement
    int duplicateOutput = 0;     // output reports that reach the adapter twice
    int refuseAck = 0;           // acknowledgements the adapter does not send
    int64_t delayInputUs = 0;    // every input report reaches the PC this much later
    bool stall = false;          // the adapter takes no output report (writes fail)
    bool ignoreFeature = false;  // feature reports get no answer
    // Real time each output report takes to be written: the writer thread falls behind the link,
    // as on a busy bus or a loaded machine. The virtual clock does not move for it.
    int writeLatencyMs = 0;
};

// An output report as the adapter received it.
struct UsbOutputRecord {
    int sequence = 0;
    std::vector<uint8_t> payload;
    bool accepted = false;  // its sequence number was the expected one: the bytes went on the line
};

// The USB adapter in process, behind the same HID seam as the real one, bridging to an
// EcuSimulator over the shared line (Wire) on a Clock. It lists itself as vendor 0x0F84, product
// 0x0013, "USB Interface"; reports are 9 bytes (report ID, header, up to 7 payload bytes).
//
// Its behaviour: a configuration feature report (command 0) stores the line settings and restarts
// the expected sequence at 0; a state query (command 4) answers the sequence it expects; both are
// answered by an 'S' notice [53, 3, result]. An output report with the expected sequence number
// puts its bytes on the line and is acknowledged (83 02 04, expected << 3); any other is ignored
// and the expected number acknowledged again. Bytes coming back from the line travel in line-data
// reports, up to seven bytes that arrive at the same moment per report. In echo mode 1 without the
// per-byte echo bit the echo is kept from the PC.
//
// Every handle opened on it shares one input stream; the adapter must outlive its handles.
class SimulatedUsbAdapter : public HidBus {
  public:
    static constexpr size_t kReportLength = 9;

    SimulatedUsbAdapter(EcuSimulator& ecu, Clock& clock, std::string path = "/dev/hidraw-zovsim");
    ~SimulatedUsbAdapter() override;
    SimulatedUsbAdapter(const SimulatedUsbAdapter&) = delete;
    SimulatedUsbAdapter& operator=(const SimulatedUsbAdapter&) = delete;

    bool Available() override { return available_; }
    std::vector<HidDeviceInfo> Enumerate(uint16_t vendor, uint16_t product) override;
    std::unique_ptr<HidDevice> Open(const std::string& path) override;

    // The system offers HID support at all.
    void SetAvailable(bool available) { available_ = available; }
    // How the device describes itself; another device may be listed before it.
    void SetIdentity(uint16_t vendor, uint16_t product, std::string productString);
    void AddForeignDevice(HidDeviceInfo info) { foreign_.push_back(std::move(info)); }
    // Unplugged: enumeration no longer lists it, and every transfer fails.
    void Unplug();

    void SetFaults(const UsbFaults& faults);
    UsbFaults Faults() const;

    // A notice [type, length, data...] from the adapter, delivered now.
    void SendNotice(const std::vector<uint8_t>& payload);

    std::vector<std::vector<uint8_t>> FeatureReports() const;
    std::vector<UsbOutputRecord> OutputReports() const;
    void ClearRecords();
    int Expected() const;
    int OpenHandles() const;
    const std::string& Path() const { return path_; }
    EcuSimulator& Ecu() { return ecu_; }

  private:
    friend class SimulatedHidHandle;

    struct TimedReport {
        int64_t atUs = 0;
        std::vector<uint8_t> bytes;
    };

    bool SetFeature(const uint8_t* report, size_t length);
    HidStatus Write(const uint8_t* report, size_t length);
    // `taken` counts the reports a handle took; it changes only under lock_.
    HidStatus Read(uint8_t* buffer, size_t capacity, size_t& got, int timeoutMs, uint64_t& taken);
    uint64_t InputOffered(const uint64_t& taken);
    void HandleClosed();

    // Under lock_.
    void Receive(int sequence, const std::vector<uint8_t>& payload);
    void Deliver(int64_t atUs, uint8_t header, const std::vector<uint8_t>& payload);
    void Acknowledge(int64_t atUs);
    bool EchoKept() const;

    EcuSimulator& ecu_;
    Clock& clock_;
    Wire wire_;
    const std::string path_;
    uint16_t vendor_ = 0x0F84;
    uint16_t product_ = 0x0013;
    std::string productString_ = "USB Interface";
    std::vector<HidDeviceInfo> foreign_;
    bool available_ = true;

    mutable std::mutex lock_;
    std::condition_variable arrived_;
    bool plugged_ = true;
    UsbFaults faults_;
    std::deque<TimedReport> input_;
    int expected_ = 0;
    uint8_t mode_ = 0;
    int handles_ = 0;
    std::vector<std::vector<uint8_t>> features_;
    std::vector<UsbOutputRecord> outputs_;
};

}  // namespace zov::sim
