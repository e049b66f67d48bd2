#pragma once

#include <cstdio>
#include <memory>

#include "Clock.h"
#include "SerialDevice.h"

namespace zov {

// Logs every byte crossing a serial channel, with its direction and the time since the channel
// was opened: the first thing anyone asks for when a car in a workshop misbehaves.
// Lines read "   12.345 TX 08", "   13.391 RX 08", "   80.002 RX --" (timeout), "    0.000 PURGE";
// a device gone from under the program shows as "   81.000 RX LOST" or "   81.000 TX-LOST".
class TraceSerial : public SerialDevice {
  public:
    TraceSerial(std::unique_ptr<SerialDevice> inner, std::FILE* sink, Clock& clock);

    bool Configure(uint32_t baud) override;
    bool GetTimeouts(CommTimeouts& out) override;
    bool SetTimeouts(const CommTimeouts& timeouts) override;
    bool SetQueueSizes(uint32_t receive, uint32_t transmit) override;
    SerialStatus Write(const uint8_t* data, size_t length) override;
    SerialStatus ReadByte(uint8_t& byte) override;
    void PurgeReceive() override;

  private:
    void Line(const char* what, int byte);

    std::unique_ptr<SerialDevice> inner_;
    std::FILE* sink_;
    Clock& clock_;
    int64_t startUs_;
};

// Wraps another opener; traces when a sink is given, passes through otherwise. The sink stays
// owned by the caller.
class TraceOpener : public SerialOpener {
  public:
    TraceOpener(SerialOpener& inner, std::FILE* sink, Clock& clock)
        : inner_(inner), sink_(sink), clock_(clock) {}
    OpenResult Open(const std::string& path) override;

  private:
    SerialOpener& inner_;
    std::FILE* sink_;
    Clock& clock_;
};

}  // namespace zov
