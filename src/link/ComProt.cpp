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

constexpr size_t kMessageCount = 6;
constexpr size_t kOlderMessageCount = 5;

const char* const kBuiltInMessages[kMessageCount] = {
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
    : CPort(portIndex_, baudIndex_, opener), clock_(clock), prompter_(prompter) {}

ComProt::~ComProt() = default;

void ComProt::SetLinkMessages(const std::vector<std::string>& list) {
    std::string* targets[kMessageCount] = {&msgSerialSetup,   &msgNotResponding, &msgRetryQuestion,
                                           &msgConnectFailed, &msgTooManyErrors, &msgDeviceLost};
    const size_t custom =
        (list.size() == kMessageCount || list.size() == kOlderMessageCount) ? list.size() : 0;
    for (size_t i = 0; i < kMessageCount; ++i) *targets[i] = i < custom ? list[i] : kBuiltInMessages[i];
    messagesSet = 1;
}

void ComProt::Show(const std::string& text, PromptIcon icon) {
    prompter_.Ask(text, appTitle, icon, PromptButtons::Ok);
}

void ComProt::DeviceGone() {
    errorFlags |= ERR_DEVICE_LOST | ERR_TIMEOUT;
    NoteDeviceLost();
}

int ComProt::SendEchoed(uint8_t b) {
    const SerialStatus written = handle->Write(&b, 1);
    if (written == SerialStatus::DeviceLost) DeviceGone();
    if (written != SerialStatus::Ok) return kSendFailed;
    lastSent = b;
    checksum += b;
    const bool timedOutBefore = errorFlags & ERR_TIMEOUT;
    const uint8_t echo = ReceiveByte(0);
    if ((errorFlags & ERR_TIMEOUT) && !timedOutBefore) return 0;
    if (echo != b) {
        errorFlags |= ERR_ECHO;
        return 0;
    }
    return 1;
}

int ComProt::SendByte(uint8_t b) {
    if ((errorFlags & kPoison) || !handle) return kSendFailed;
    if (blockMode) {
        if (txLength == 0) handle->PurgeReceive();
        if (txLength >= kTxBufferSize) {
            errorFlags |= ERR_REQUEST;
            return kSendFailed;
        }
        txBuffer[txLength++] = b;
        checksum += b;
        return 1;
    }
    handle->PurgeReceive();
    return SendEchoed(b);
}

int ComProt::SendWord(uint16_t w) {
    const uint8_t low = uint8_t(w & 0xFF);
    const uint8_t high = uint8_t(w >> 8);
    if (blockMode) {
        int r = SendByte(low);
        return r == kSendFailed ? r : SendByte(high);
    }
    if ((errorFlags & kPoison) || !handle) return kSendFailed;
    handle->PurgeReceive();
    if (SendEchoed(low) == kSendFailed) return kSendFailed;
    if (errorFlags & kPoison) return kSendFailed;
    return SendEchoed(high);
}

uint8_t ComProt::ReceiveByte(uint32_t extraWaitMs) {
    if ((errorFlags & kPoison) || !handle) {
        lastReceived = kNoByte;
        return lastReceived;
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
            if (!messagesSet) SetLinkMessages();
            Show(msgSerialSetup, PromptIcon::Error);
            status = handle->ReadByte(b);
        }
    } else {
        status = handle->ReadByte(b);
    }
    if (status == SerialStatus::DeviceLost) DeviceGone();
    if (status == SerialStatus::Timeout) errorFlags |= ERR_TIMEOUT;
    lastReceived = status == SerialStatus::Ok ? b : kNoByte;
    return lastReceived;
}

uint8_t ComProt::ReceiveAnswerByte() {
    const uint8_t b = ReceiveByte(0);
    checksum += b;
    return b;
}

void ComProt::EndFrame(bool appendChecksum) {
    const uint8_t c = uint8_t(checksum & 0xFF);
    checksum = 0;
    if (!blockMode) {
        if (appendChecksum) SendByte(c);
        checksum = 0;
        return;
    }
    if (appendChecksum) {
        if (txLength < kTxBufferSize)
            txBuffer[txLength++] = c;
        else
            errorFlags |= ERR_REQUEST;
    }
    checksum = 0;
    const SerialStatus written = handle ? handle->Write(txBuffer, txLength) : SerialStatus::Timeout;
    if (written != SerialStatus::Ok) {
        if (written == SerialStatus::DeviceLost) DeviceGone();
        errorFlags |= ERR_REQUEST;
        txLength = 0;
        return;
    }
    bool mismatch = false;
    for (uint32_t i = 0; i < txLength; ++i) {
        const uint8_t echo = ReceiveByte(0);
        if (errorFlags & ERR_TIMEOUT) break;
        mismatch |= echo != txBuffer[i];
    }
    if (mismatch) errorFlags |= ERR_ECHO;
    if (errorFlags & (ERR_TIMEOUT | ERR_ECHO)) txLength = 0;
}

bool ComProt::ReadStatusChecksum() {
    const uint8_t expected = uint8_t(checksum & 0xFF);
    const uint8_t got = ReceiveByte(0);
    checksum = 0;
    return got == expected;
}

bool ComProt::ReadAck() {
    lastStatus = ReceiveByte(kStatusWaitMs);
    checksum += lastStatus;
    // Nothing will come from a device that is gone: no pause, no repetition.
    if (errorFlags & ERR_DEVICE_LOST) {
        errorFlags |= ERR_NO_ACK | ERR_LINK;
        return false;
    }
    switch (lastStatus) {
        case STATUS_ACCEPTED:
        case STATUS_REFUSED:
            return true;
        case STATUS_BUSY:
            clock_.SleepMs(kBusyPauseMs);
            if (!ReadStatusChecksum()) errorFlags |= ERR_NO_ACK | ERR_LINK;
            return false;
        case STATUS_REJECTED: {
            clock_.SleepMs(kRejectPauseMs);
            const bool good = ReadStatusChecksum();
            errorFlags |= ERR_NO_ACK;
            if (!good) errorFlags |= ERR_LINK;
            return false;
        }
        default:
            clock_.SleepMs(kRejectPauseMs);
            errorFlags |= ERR_NO_ACK | ERR_LINK;
            return false;
    }
}

bool ComProt::CheckReplyChecksum() {
    const uint8_t expected = uint8_t(checksum & 0xFF);
    const uint8_t got = ReceiveByte(0);
    checksum = 0;
    if (got == expected && !(errorFlags & ERR_TIMEOUT)) {
        if (checksumErrorCount > 0) --checksumErrorCount;
        return true;
    }
    errorFlags |= ERR_CHECKSUM;
    ++checksumErrorCount;
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
    connected = 0;
    if (!isOpen) OpenPort();
    if (!isOpen) return false;
    ++connectCount;
    const bool outer = !changingSession_;
    changingSession_ = true;
    bool opened = false;
    for (int attempt = 0; attempt <= retries && !opened && !DeviceLost(); ++attempt) {
        checksum = 0;
        errorFlags = 0;
        txLength = 0;
        for (uint8_t b : kOpenSession) SendByte(b);
        EndFrame(true);
        // A refusal and a busy answer with a good checksum both open the session; the checksum
        // check may clear errorFlags on its way, so its own result decides.
        bool checksumGood = true;
        if (ReadAck()) checksumGood = CheckReplyChecksum();
        opened = checksumGood && !(errorFlags & (ERR_NO_ACK | ERR_CHECKSUM)) && isOpen && !DeviceLost();
    }
    if (outer) changingSession_ = false;
    if (opened) {
        connected = 1;
        return true;
    }
    connected = 0;
    ClosePort();
    return false;
}

void ComProt::Disconnect() {
    BusyScope busy(*this);
    checksum = 0;
    errorFlags = 0;
    txLength = 0;
    if (!isOpen) {
        connected = 0;
        return;
    }
    if (connected) {
        if (connectCount > 0) --connectCount;
        const bool outer = !changingSession_;
        changingSession_ = true;
        bool acked = false;
        for (int attempt = 0; attempt <= retries && !acked && isOpen && !DeviceLost(); ++attempt) {
            checksum = 0;
            errorFlags = 0;
            txLength = 0;
            for (uint8_t b : kCloseSession) SendByte(b);
            EndFrame(true);
            acked = ReadAck();
        }
        if (acked && lastStatus != STATUS_REFUSED)
            CheckReplyChecksum();
        else
            errorFlags |= ERR_LINK;
        if (outer) changingSession_ = false;
        connected = 0;
    }
    ClosePort();
}

void ComProt::CloseLostDevice() {
    connected = 0;
    ClosePort();
    if (!changingSession_) Show(msgDeviceLost, PromptIcon::Error);
}

void ComProt::ShowReconnectFailure(const std::string& notResponding) {
    Show(DeviceLost() ? msgDeviceLost : notResponding + msgConnectFailed, PromptIcon::Error);
}

void ComProt::HandleLinkError() {
    if (!messagesSet) SetLinkMessages();
    if (errorFlags == 0) return;
    if (DeviceLost()) {
        if (isOpen) CloseLostDevice();
        errorFlags = 0;
        return;
    }
    if (errorFlags & kSessionLost) {
        connected = 0;
        if (!changingSession_) {
            const std::string flags = " (" + std::to_string(errorFlags) + ")\n";
            if (connectCount > reconnectPromptAfter) {
                const PromptAnswer answer =
                    prompter_.Ask(msgNotResponding + flags + msgRetryQuestion, appTitle, PromptIcon::Warning,
                                  PromptButtons::YesNo);
                if (answer == PromptAnswer::Yes) {
                    connectCount = 0;
                    if (!Connect()) ShowReconnectFailure({});
                } else {
                    connected = 0;
                    ClosePort();
                }
            } else {
                clock_.SleepMs(kReconnectPauseMs);
                if (!Connect())
                    ShowReconnectFailure(msgNotResponding + " (" + std::to_string(errorFlags) + ")\n");
            }
        }
    }
    if ((errorFlags & ERR_CHECKSUM) && checksumErrorCount > 2 * checksumErrorLimit && !changingSession_) {
        const std::string flags = " (" + std::to_string(errorFlags) + ")";
        Disconnect();
        Show(msgTooManyErrors + flags, PromptIcon::Error);
        checksumErrorCount = 0;
    }
    errorFlags = 0;
}

}  // namespace zov
