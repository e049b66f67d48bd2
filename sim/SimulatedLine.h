#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "Clock.h"
#include "EcuSimulator.h"
#include "SerialDevice.h"
#include "Wire.h"

namespace zov::sim {

class SimulatedDevice;

enum class LineDirection : uint8_t {
    PcToEcu,  // a byte the PC wrote, at the time it wrote it
    EcuToPc,  // a byte reaching the PC (echo or answer), at its arrival time
};

struct TrafficEntry {
    int64_t timeUs = 0;
    LineDirection direction = LineDirection::PcToEcu;
    uint8_t byte = 0;
    bool echo = false;  // EcuToPc only: the echo of a PC byte
};

// An in-process serial port wired to an EcuSimulator and timed on a Clock (a VirtualClock in the
// tests, so every wait costs no real time). It opens one device at a time, under any path unless a
// path is set. The line object keeps the timeouts across opens, as a serial driver does, so a test
// can check that the PC restores what it found. The line must outlive the devices it opened.
//
// Timing: a written byte reaches the ECU, and comes back as the echo, one byte time after it was
// written (at once without pacing; bytes written together queue up). The answer follows the
// request's last byte after the ECU's latency, one byte time per byte. ReadByte waits at most
// readTotalMultiplier + readTotalConstant ms: if a byte arrives by then the clock moves to its
// arrival and the byte is returned, otherwise the clock moves by the whole wait and the read times
// out. A lost device (LoseDevice) fails every transfer at once, as an unplugged adapter does.
class SimulatedLine : public SerialOpener {
  public:
    SimulatedLine(EcuSimulator& ecu, Clock& clock);
    ~SimulatedLine() override;
    SimulatedLine(const SimulatedLine&) = delete;
    SimulatedLine& operator=(const SimulatedLine&) = delete;

    OpenResult Open(const std::string& path) override;

    // Failures of the port itself. An open that fails reports `fault` (as the system would have).
    void SetOpenFails(bool fails, DeviceFault fault = DeviceFault::NoSuchDevice) {
        openFails_ = fails;
        openFault_ = fault;
    }
    void SetDevicePath(std::string path) { devicePath_ = std::move(path); }  // empty: any path opens
    void SetConfigureFails(bool fails) { configureFails_ = fails; }
    void SetTimeoutsFail(bool fails) { setTimeoutsFails_ = fails; }
    // The device goes away once the PC has written `afterBytes` more bytes (0: at once): from then
    // on writes and reads fail as lost, and it cannot be opened again until it is plugged back.
    void LoseDevice(size_t afterBytes = 0);
    bool DeviceLost() const { return lost_; }

    bool IsOpen() const { return device_ != nullptr; }
    int OpenCount() const { return openCount_; }
    const std::string& LastOpenedPath() const { return lastPath_; }
    uint32_t ConfiguredBaud() const { return baud_; }
    uint32_t ReceiveQueueSize() const { return receiveQueue_; }
    uint32_t TransmitQueueSize() const { return transmitQueue_; }
    int PurgeCount() const { return purgeCount_; }

    // The driver's timeouts, kept across opens; the initial value is what the PC finds first.
    const CommTimeouts& Timeouts() const { return timeouts_; }
    void SetDriverTimeouts(const CommTimeouts& timeouts) { timeouts_ = timeouts; }

    // Bytes on their way to the PC or waiting to be read.
    size_t PendingBytes() const { return incoming_.size(); }

    // Every byte that crossed the line, ordered by time.
    std::vector<TrafficEntry> Traffic() const;
    void ClearTraffic() { traffic_.clear(); }

    EcuSimulator& Ecu() { return ecu_; }

  private:
    friend class SimulatedDevice;

    bool Configure(uint32_t baud);
    bool SetTimeouts(const CommTimeouts& timeouts);
    bool SetQueueSizes(uint32_t receive, uint32_t transmit);
    SerialStatus Write(const uint8_t* data, size_t length);
    SerialStatus ReadByte(uint8_t& byte);
    void PurgeReceive();
    void Closed(SimulatedDevice* device);

    EcuSimulator& ecu_;
    Clock& clock_;
    Wire wire_;
    SimulatedDevice* device_ = nullptr;
    std::vector<TimedByte> incoming_;  // ordered by arrival
    std::vector<TrafficEntry> traffic_;
    CommTimeouts timeouts_{};
    std::string devicePath_;
    std::string lastPath_;
    bool openFails_ = false;
    bool configureFails_ = false;
    bool setTimeoutsFails_ = false;
    DeviceFault openFault_ = DeviceFault::NoSuchDevice;
    bool lost_ = false;
    int64_t bytesUntilLost_ = -1;  // -1: not going to be lost
    int openCount_ = 0;
    int purgeCount_ = 0;
    uint32_t baud_ = 0;
    uint32_t receiveQueue_ = 0;
    uint32_t transmitQueue_ = 0;
};

}  // namespace zov::sim
