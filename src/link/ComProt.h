#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "CPort.h"
#include "Clock.h"
#include "Prompter.h"

namespace zov {

// errorFlags bits of the current exchange.
enum : int32_t {
    ERR_TIMEOUT = 0x01,
    ERR_NO_ACK = 0x02,
    ERR_NOT_AVAILABLE = 0x04,
    ERR_ECHO = 0x08,
    ERR_CHECKSUM = 0x10,
    ERR_LINK = 0x20,
    ERR_DEVICE_LOST = 0x40,  // the serial device itself is gone; set together with ERR_TIMEOUT
    ERR_REQUEST = 0x80,
};

// Answer status bytes.
enum : uint8_t {
    STATUS_ACCEPTED = 0x82,
    STATUS_REFUSED = 0x7F,
    STATUS_BUSY = 0x78,
    STATUS_REJECTED = 0x83,
};

// What a poisoned read returns, and what a missing byte reads as.
constexpr uint8_t kNoByte = 0x9C;
constexpr int kSendFailed = -100;

// The request/answer protocol over the shared ECU line: echo of every byte sent, status byte,
// additive checksums, repetition of failed requests and recovery of the session.
class ComProt : public CPort {
  public:
    static constexpr size_t kTxBufferSize = 200;
    static constexpr const char* kAppTitle = "ZOV Qbr";

    ComProt(int portIndex, int baudIndex, SerialOpener& opener, Clock& clock, Prompter& prompter);
    ~ComProt() override;

    // Byte primitives.
    int SendByte(uint8_t b);
    int SendWord(uint16_t w);
    uint8_t ReceiveByte(uint32_t extraWaitMs);
    void EndFrame(bool appendChecksum);
    bool ReadAck();
    bool CheckReplyChecksum();

    // Session and modes.
    bool Connect();
    void Disconnect();
    void SetByteMode() { blockMode = 0; }
    void SetBlockMode() { blockMode = 1; }
    // Six texts replace the built-in ones; five replace the first five and keep the built-in text
    // for a lost device; anything else restores the built-in texts.
    void SetLinkMessages(const std::vector<std::string>& list = {});
    virtual void HandleLinkError();

    // True while an exchange (or one of its waits) runs: a timer tick must not start another.
    bool IsBusy() const { return busyDepth_ > 0; }

    uint8_t messagesSet = 0;
    std::string msgSerialSetup, msgNotResponding, msgRetryQuestion, msgConnectFailed, msgTooManyErrors,
        msgDeviceLost;
    int32_t retries = 3;
    int32_t checksumErrorLimit = 6;
    int32_t reconnectPromptAfter = 3;
    int32_t connected = 0;
    int32_t errorFlags = 0;
    uint32_t programming = 0;
    int32_t checksumErrorCount = 0;
    int32_t connectCount = 0;
    uint32_t checksum = 0;
    uint8_t lastSent = 0;
    uint8_t lastReceived = 0;
    uint8_t blockMode = 0;
    uint8_t txBuffer[kTxBufferSize] = {};
    uint32_t txLength = 0;
    int32_t usbPending = 0;
    // Status byte of the last ReadAck.
    uint8_t lastStatus = 0;
    std::string appTitle = kAppTitle;

  protected:
    // One element of a request: a byte, or a word sent low byte first.
    struct RequestItem {
        uint16_t value;
        bool word;
    };
    using Request = std::vector<RequestItem>;

    enum class Outcome { Answered, Refused, Lost };

    // The request exchange every data command runs: up to 1 + retries attempts, the status,
    // the answer read by `readAnswer` (each byte through ReceiveAnswerByte), the checksum, and
    // recovery through HandleLinkError until the answer is good, refused, or the session is gone.
    template <typename ReadAnswer>
    Outcome Exchange(const Request& request, ReadAnswer&& readAnswer, bool refusalIsFailure = false);

    uint8_t ReceiveAnswerByte();
    void Show(const std::string& text, PromptIcon icon);

    struct BusyScope {
        explicit BusyScope(ComProt& p) : p_(p) { ++p_.busyDepth_; }
        ~BusyScope() { --p_.busyDepth_; }
        ComProt& p_;
    };

    Clock& clock_;
    Prompter& prompter_;

  private:
    bool SendRequest(const Request& request);
    bool ReadStatusChecksum();
    int SendEchoed(uint8_t b);
    // Marks the exchange as failed by a device that is gone, so nothing waits or retries on it.
    void DeviceGone();
    // Ends the session on a lost device: no reconnection, one message unless a session change
    // underneath reports for itself.
    void CloseLostDevice();
    void ShowReconnectFailure(const std::string& notResponding);

    int busyDepth_ = 0;
    // Connect and Disconnect retry on their own: a link error inside them must not start
    // another reconnection (or ask the user) underneath them.
    bool changingSession_ = false;
};

template <typename ReadAnswer>
ComProt::Outcome ComProt::Exchange(const Request& request, ReadAnswer&& readAnswer, bool refusalIsFailure) {
    BusyScope busy(*this);
    while (isOpen && connected) {
        bool acked = false;
        for (int attempt = 0; attempt <= retries && !acked && !DeviceLost(); ++attempt) {
            checksum = 0;
            errorFlags = 0;
            txLength = 0;
            SendRequest(request);
            EndFrame(true);
            acked = ReadAck();
        }
        if (acked && lastStatus == STATUS_REFUSED && !refusalIsFailure) {
            errorFlags |= ERR_NOT_AVAILABLE;
            CheckReplyChecksum();
            return Outcome::Refused;
        }
        if (!acked || lastStatus == STATUS_REFUSED) {
            errorFlags |= ERR_LINK;
            HandleLinkError();
            continue;
        }
        readAnswer();
        if (CheckReplyChecksum()) return Outcome::Answered;
    }
    return Outcome::Lost;
}

}  // namespace zov
