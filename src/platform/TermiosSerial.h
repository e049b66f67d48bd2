#pragma once

#include <termios.h>

#include "SerialDevice.h"

namespace zov {

// A tty (serial port, USB-serial converter or pseudo-terminal) driven with termios and poll.
class TermiosSerial : public SerialDevice {
  public:
    // Takes ownership of an open descriptor; the original line settings are restored on close.
    explicit TermiosSerial(int fd);
    ~TermiosSerial() override;

    bool Configure(uint32_t baud) override;
    bool GetTimeouts(CommTimeouts& out) override;
    bool SetTimeouts(const CommTimeouts& timeouts) override;
    bool SetQueueSizes(uint32_t receive, uint32_t transmit) override;
    SerialStatus Write(const uint8_t* data, size_t length) override;
    SerialStatus ReadByte(uint8_t& byte) override;
    void PurgeReceive() override;

  private:
    int fd_;
    bool haveOriginal_ = false;
    termios original_{};
    CommTimeouts timeouts_{};
};

class TermiosOpener : public SerialOpener {
  public:
    OpenResult Open(const std::string& path) override;
};

}  // namespace zov
