#include "ComProt.h"

namespace zov {
namespace {

constexpr int32_t kPoison = ERR_TIMEOUT | ERR_LINK | ERR_DEVICE_LOST;
constexpr int32_t kSessionLost = ERR_TIMEOUT | ERR_NO_ACK | ERR_LINK;
constexpr uint32_t kStatusWaitMs = 500;
constexpr int kBusyPauseMs = 250;
constexpr int kRejectPauseMs = 600;
constexpr int kReconnectPauseMs = 1000;
constexpr uint8_t kOpenSession[] = {0x08, 0x00, 0x7C, 0x83};
constexpr uint8_t kCloseSession[] = {0x00, 0x01};

constexpr size_t kOlderMessageCount = 5;

const char* const kBuiltInMessages[kLinkTextCount] = {
    "Errore di settaggio dei parametri seriali",
    "La centralina non comunica correttamente",
    "Vuoi provare a riconnettere?",
    "Connessione fallita: controllare il collegamento",
    // Windows-1252: 0xE8 is the accented e.
    "La centralina \xE8 stata sconnessa per troppi errori di comunicazione",
    "Linea seriale non pi\xF9 disponibile: l'adattatore \xE8 stato scollegato.",
};

}  // namespace

ComProt::ComProt(int portIndex_, int baudIndex_, SerialOpener& opener, Clock& clock, Prompter& prompter)
    : CPort(portIndex_, baudIndex_, opener, clock), clock_(clock), prompter_(prompter) {}

ComProt::~ComProt() = default;

void ComProt::SetLinkMessages(const std::vector<std::string>& list) {
    const size_t custom =
        (list.size() == kLinkTextCount || list.size() == kOlderMessageCount) ? list.size() : 0;
    for (size_t i = 0; i < kLinkTextCount; ++i) messages_[i] = i < custom ? list[i] : kBuiltInMessages[i];
    messagesSet_ = true;
}

void ComProt::Show(const std::string& text, PromptIcon icon) {
    prompter_.Ask(text, appTitle_, icon, PromptButtons::Ok);
}

void ComProt::DeviceGone() {
    errorFlags_ |= ERR_DEVICE_LOST | ERR_TIMEOUT;
    NoteDeviceLost();
}

int ComProt::SendEchoed(uint8_t b) {
    const SerialStatus written = handle->Write(&b, 1);
    if (written == SerialStatus::DeviceLost) DeviceGone();
    if (written != SerialStatus::Ok) return kSendFailed;
    checksum_ += b;
    const bool timedOutBefore = errorFlags_ & ERR_TIMEOUT;
    const uint8_t echo = ReceiveByte(0);
    if ((errorFlags_ & ERR_TIMEOUT) && !timedOutBefore) return 0;
    if (echo != b) {
        errorFlags_ |= ERR_ECHO;
        return 0;
    }
    return 1;
}

int ComProt::SendByte(uint8_t b) {
    if (useUsb && !(errorFlags_ & kPoison) && isOpen) {
        UsbQueueByte(b);
        return 1;
    }
    if ((errorFlags_ & kPoison) || !handle) return kSendFailed;
    if (blockMode_) {
        if (txLength_ == 0) handle->PurgeReceive();
        if (txLength_ >= kTxBufferSize) {
            errorFlags_ |= ERR_REQUEST;
            return kSendFailed;
        }
        txBuffer_[txLength_++] = b;
        checksum_ += b;
        return 1;
    }
    handle->PurgeReceive();
    return SendEchoed(b);
}

int ComProt::SendWord(uint16_t w) {
    const uint8_t low = uint8_t(w & 0xFF);
    const uint8_t high = uint8_t(w >> 8);
    if (blockMode_ || useUsb) {
        int r = SendByte(low);
        return r == kSendFailed ? r : SendByte(high);
    }
    if ((errorFlags_ & kPoison) || !handle) return kSendFailed;
    handle->PurgeReceive();
    if (SendEchoed(low) == kSendFailed) return kSendFailed;
    if (errorFlags_ & kPoison) return kSendFailed;
    return SendEchoed(high);
}

uint8_t ComProt::ReceiveByte(uint32_t extraWaitMs) {
    if (useUsb && !(errorFlags_ & kPoison)) return UsbReceiveByte(extraWaitMs);
    if ((errorFlags_ & kPoison) || !handle) {
        lastReceived_ = kNoByte;
        return lastReceived_;
    }
    uint8_t b = 0;
    SerialStatus status;
    if (extraWaitMs > 0) {
        const uint32_t t = byteTimeoutMs;
        CommTimeouts previous{};
        const CommTimeouts longer{t, t / 2, extraWaitMs + t / 2, t / 2, t / 2};
        if (handle->GetTimeouts(previous) && handle->SetTimeouts(longer)) {
            status = handle->ReadByte(b);
            handle->SetTimeouts(previous);
        } else {
            if (!messagesSet_) SetLinkMessages();
            Show(LinkMessage(LinkText::SerialSetup), PromptIcon::Error);
            status = handle->ReadByte(b);
        }
    } else {
        status = handle->ReadByte(b);
    }
    if (status == SerialStatus::DeviceLost) DeviceGone();
    if (status == SerialStatus::Timeout) errorFlags_ |= ERR_TIMEOUT;
    lastReceived_ = status == SerialStatus::Ok ? b : kNoByte;
    return lastReceived_;
}

uint8_t ComProt::ReceiveAnswerByte() {
    const uint8_t b = ReceiveByte(0);
    checksum_ += b;
    return b;
}

void ComProt::EndFrame(bool appendChecksum) {
    const uint8_t c = uint8_t(checksum_ & 0xFF);
    checksum_ = 0;
    if (useUsb) {
        if (appendChecksum) SendByte(c);
        UsbFlushReport();
        UsbWaitEcho();
        checksum_ = 0;
        return;
    }
    if (!blockMode_) {
        if (appendChecksum) SendByte(c);
        checksum_ = 0;
        return;
    }
    if (appendChecksum) {
        if (txLength_ < kTxBufferSize)
            txBuffer_[txLength_++] = c;
        else
            errorFlags_ |= ERR_REQUEST;
    }
    checksum_ = 0;
    const SerialStatus written = handle ? handle->Write(txBuffer_, txLength_) : SerialStatus::Timeout;
    if (written != SerialStatus::Ok) {
        if (written == SerialStatus::DeviceLost) DeviceGone();
        errorFlags_ |= ERR_REQUEST;
        txLength_ = 0;
        return;
    }
    bool mismatch = false;
    for (uint32_t i = 0; i < txLength_; ++i) {
        const uint8_t echo = ReceiveByte(0);
        if (errorFlags_ & ERR_TIMEOUT) break;
        mismatch |= echo != txBuffer_[i];
    }
    if (mismatch) errorFlags_ |= ERR_ECHO;
    if (errorFlags_ & (ERR_TIMEOUT | ERR_ECHO)) txLength_ = 0;
}

bool ComProt::ReadStatusChecksum() {
    const uint8_t expected = uint8_t(checksum_ & 0xFF);
    const uint8_t got = ReceiveByte(0);
    checksum_ = 0;
    return got == expected;
}

bool ComProt::ReadAck() {
    if (useUsb && usbNoEcho) UsbTakeMessage();
    lastStatus_ = ReceiveByte(kStatusWaitMs);
    checksum_ += lastStatus_;
    // Nothing will come from a device that is gone: no pause, no repetition.
    if (errorFlags_ & ERR_DEVICE_LOST) {
        errorFlags_ |= ERR_NO_ACK | ERR_LINK;
        return false;
    }
    switch (lastStatus_) {
        case STATUS_ACCEPTED:
        case STATUS_REFUSED:
            return true;
        case STATUS_BUSY:
            clock_.SleepMs(kBusyPauseMs);
            if (!ReadStatusChecksum()) errorFlags_ |= ERR_NO_ACK | ERR_LINK;
            return false;
        case STATUS_REJECTED: {
            clock_.SleepMs(kRejectPauseMs);
            const bool good = ReadStatusChecksum();
            errorFlags_ |= ERR_NO_ACK;
            if (!good) errorFlags_ |= ERR_LINK;
            return false;
        }
        default:
            clock_.SleepMs(kRejectPauseMs);
            errorFlags_ |= ERR_NO_ACK | ERR_LINK;
            return false;
    }
}

bool ComProt::CheckReplyChecksum() {
    const uint8_t expected = uint8_t(checksum_ & 0xFF);
    const uint8_t got = ReceiveByte(0);
    checksum_ = 0;
    if (got == expected && !(errorFlags_ & ERR_TIMEOUT)) {
        if (checksumErrorCount_ > 0) --checksumErrorCount_;
        return true;
    }
    errorFlags_ |= ERR_CHECKSUM;
    ++checksumErrorCount_;
    HandleLinkError();
    return false;
}

bool ComProt::SendRequest(const Request& request) {
    for (const RequestItem& item : request) {
        const int r = item.word ? SendWord(item.value) : SendByte(uint8_t(item.value));
        if (r == kSendFailed) return false;
    }
    return true;
}

bool ComProt::Connect() {
    BusyScope busy(*this);
    connected_ = false;
    if (!isOpen) OpenPort();
    if (!isOpen) return false;
    ++connectCount_;
    const bool outer = !changingSession_;
    changingSession_ = true;
    bool opened = false;
    for (int attempt = 0; attempt <= kRetries && !opened && !DeviceLost(); ++attempt) {
        BeginFrame();
        for (uint8_t b : kOpenSession) SendByte(b);
        EndFrame(true);
        // A refusal and a busy answer with a good checksum both open the session; the checksum
        // check may clear the error flags on its way, so its own result decides.
        bool checksumGood = true;
        if (ReadAck()) checksumGood = CheckReplyChecksum();
        opened = checksumGood && !(errorFlags_ & (ERR_NO_ACK | ERR_CHECKSUM)) && isOpen && !DeviceLost();
    }
    if (outer) changingSession_ = false;
    if (opened) {
        connected_ = true;
        return true;
    }
    connected_ = false;
    ClosePort();
    return false;
}

void ComProt::Disconnect() {
    BusyScope busy(*this);
    BeginFrame();
    if (!isOpen) {
        connected_ = false;
        return;
    }
    if (connected_) {
        if (connectCount_ > 0) --connectCount_;
        const bool outer = !changingSession_;
        changingSession_ = true;
        bool acked = false;
        for (int attempt = 0; attempt <= kRetries && !acked && isOpen && !DeviceLost(); ++attempt) {
            BeginFrame();
            for (uint8_t b : kCloseSession) SendByte(b);
            EndFrame(true);
            acked = ReadAck();
        }
        if (acked && lastStatus_ != STATUS_REFUSED)
            CheckReplyChecksum();
        else
            errorFlags_ |= ERR_LINK;
        if (outer) changingSession_ = false;
        connected_ = false;
    }
    ClosePort();
}

void ComProt::CloseLostDevice() {
    connected_ = false;
    ClosePort();
    if (!changingSession_) Show(LinkMessage(LinkText::DeviceLost), PromptIcon::Error);
}

void ComProt::ShowReconnectFailure(const std::string& notResponding) {
    Show(DeviceLost() ? LinkMessage(LinkText::DeviceLost)
                      : notResponding + LinkMessage(LinkText::ConnectFailed),
         PromptIcon::Error);
}

void ComProt::HandleLinkError() {
    if (!messagesSet_) SetLinkMessages();
    if (errorFlags_ == 0) return;
    if (DeviceLost()) {
        if (isOpen) CloseLostDevice();
        errorFlags_ = 0;
        return;
    }
    if (errorFlags_ & kSessionLost) {
        connected_ = false;
        if (!changingSession_) {
            const std::string flags = " (" + std::to_string(errorFlags_) + ")\n";
            if (connectCount_ > kReconnectPromptAfter) {
                const PromptAnswer answer = prompter_.Ask(
                    LinkMessage(LinkText::NotResponding) + flags + LinkMessage(LinkText::RetryQuestion),
                    appTitle_, PromptIcon::Warning, PromptButtons::YesNo);
                if (answer == PromptAnswer::Yes) {
                    connectCount_ = 0;
                    if (!Connect()) ShowReconnectFailure({});
                } else {
                    connected_ = false;
                    ClosePort();
                }
            } else {
                clock_.SleepMs(kReconnectPauseMs);
                if (!Connect())
                    ShowReconnectFailure(LinkMessage(LinkText::NotResponding) + " (" +
                                         std::to_string(errorFlags_) + ")\n");
            }
        }
    }
    if ((errorFlags_ & ERR_CHECKSUM) && checksumErrorCount_ > 2 * kChecksumErrorLimit && !changingSession_) {
        const std::string flags = " (" + std::to_string(errorFlags_) + ")";
        Disconnect();
        Show(LinkMessage(LinkText::TooManyErrors) + flags, PromptIcon::Error);
        checksumErrorCount_ = 0;
    }
    errorFlags_ = 0;
}

}  // namespace zov
