#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "CPort.h"
#include "Clock.h"
#include "Prompter.h"

namespace zov {

// ErrorFlags() bits of the current exchange.
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

// The link's texts for the user, in the order SetLinkMessages takes them.
enum class LinkText : uint8_t {
    SerialSetup,
    NotResponding,
    RetryQuestion,
    ConnectFailed,
    TooManyErrors,
    DeviceLost
};
inline constexpr size_t kLinkTextCount = 6;

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
    // On USB the adapter is reconfigured too: per-byte echo with the byte timeout, or block
    // transfer with no inter-byte timeout.
    void SetByteMode();
    void SetBlockMode();
    bool InBlockMode() const { return blockMode_; }
    // Six texts replace the built-in ones; five replace the first five and keep the built-in text
    // for a lost device; anything else restores the built-in texts.
    void SetLinkMessages(const std::vector<std::string>& list = {});
    virtual void HandleLinkError();

    // True while an exchange (or one of its waits) runs: a timer tick must not start another.
    bool IsBusy() const { return busyDepth_ > 0; }

    bool IsConnected() const { return connected_; }
    // Set from StartProgramming until EndProgramming or a failed record (BootLoader.cpp).
    bool IsProgramming() const { return programming_; }
    // ERR_* bits of the current exchange. A caller that judges one command by them clears them first.
    int32_t ErrorFlags() const { return errorFlags_; }
    void ClearErrorFlags() { errorFlags_ = 0; }
    // Net answer checksum errors: each bad answer adds one, each good one pays one back.
    int32_t ChecksumErrorCount() const { return checksumErrorCount_; }
    // Sessions opened and not closed by Disconnect; past three, a lost session asks the user.
    int32_t ConnectCount() const { return connectCount_; }
    uint8_t LastReceived() const { return lastReceived_; }
    // Bytes of the block-mode request still buffered (0 once sent with a good echo or dropped).
    uint32_t TxLength() const { return txLength_; }
    bool MessagesSet() const { return messagesSet_; }
    const std::string& LinkMessage(LinkText which) const { return messages_[size_t(which)]; }
    const std::string& AppTitle() const { return appTitle_; }

  protected:
    // One element of a request: a byte, or a word sent low byte first.
    struct RequestItem {
        uint16_t value;
        bool word;
    };
    using Request = std::vector<RequestItem>;

    enum class Outcome { Answered, Refused, Lost };

    // The request exchange every data command runs: up to 1 + kRetries attempts, the status,
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

    void SetConnected(bool connected) { connected_ = connected; }
    void SetProgramming(bool programming) { programming_ = programming; }
    void SetErrorFlags(int32_t flags) { errorFlags_ = flags; }
    void AddErrorFlags(int32_t flags) { errorFlags_ |= flags; }
    // A new frame: no checksum, no error, nothing buffered.
    void BeginFrame() {
        checksum_ = 0;
        errorFlags_ = 0;
        txLength_ = 0;
    }

    Clock& clock_;
    Prompter& prompter_;

  private:
    static constexpr int kRetries = 3;
    static constexpr int kChecksumErrorLimit = 6;
    static constexpr int kReconnectPromptAfter = 3;

    bool SendRequest(const Request& request);
    bool ReadStatusChecksum();
    int SendEchoed(uint8_t b);
    // Marks the exchange as failed by a device that is gone, so nothing waits or retries on it.
    void DeviceGone();
    // Ends the session on a lost device: no reconnection, one message unless a session change
    // underneath reports for itself.
    void CloseLostDevice();
    void ShowReconnectFailure(const std::string& notResponding);

    // --- USB path (ComProtUsb.cpp) -----------------------------------------------------------
    void UsbQueueByte(uint8_t b);
    void UsbQueueReport(const uint8_t* bytes, size_t n);
    void UsbFlushReport();
    void UsbWaitEcho();
    void UsbResynchronise();
    // Handles the oldest adapter notice, if any: an echo fault or a refusal lands in the flags.
    void UsbTakeMessage();
    uint8_t UsbReceiveByte(uint32_t extraWaitMs);

    bool messagesSet_ = false;
    std::array<std::string, kLinkTextCount> messages_;
    bool connected_ = false;
    bool programming_ = false;
    int32_t errorFlags_ = 0;
    int32_t checksumErrorCount_ = 0;
    int32_t connectCount_ = 0;
    uint32_t checksum_ = 0;
    uint8_t lastReceived_ = 0;
    bool blockMode_ = false;
    uint8_t txBuffer_[kTxBufferSize] = {};
    uint32_t txLength_ = 0;
    // Bytes of the USB report being assembled.
    int32_t usbPending_ = 0;
    // Status byte of the last ReadAck.
    uint8_t lastStatus_ = 0;
    std::string appTitle_ = kAppTitle;
    int busyDepth_ = 0;
    // Connect and Disconnect retry on their own: a link error inside them must not start
    // another reconnection (or ask the user) underneath them.
    bool changingSession_ = false;
};

template <typename ReadAnswer>
ComProt::Outcome ComProt::Exchange(const Request& request, ReadAnswer&& readAnswer, bool refusalIsFailure) {
    BusyScope busy(*this);
    while (isOpen && connected_) {
        bool acked = false;
        for (int attempt = 0; attempt <= kRetries && !acked && !DeviceLost(); ++attempt) {
            BeginFrame();
            SendRequest(request);
            EndFrame(true);
            acked = ReadAck();
        }
        if (acked && lastStatus_ == STATUS_REFUSED && !refusalIsFailure) {
            errorFlags_ |= ERR_NOT_AVAILABLE;
            CheckReplyChecksum();
            return Outcome::Refused;
        }
        if (!acked || lastStatus_ == STATUS_REFUSED) {
            errorFlags_ |= ERR_LINK;
            HandleLinkError();
            continue;
        }
        readAnswer();
        if (CheckReplyChecksum()) return Outcome::Answered;
    }
    return Outcome::Lost;
}

}  // namespace zov
