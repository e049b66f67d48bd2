// The boot-loader operations of the link object.
#include <array>

#include "ComInj.h"

namespace zov {
namespace {

using Texts = std::array<std::string, 3>;

constexpr uint32_t kEraseWaitMs = 5000;
constexpr uint32_t kStartWaitMs = 1000;
constexpr uint32_t kRecordWaitMs = 4000;
constexpr uint32_t kEndWaitMs = 1000;
constexpr int kRestartWaitMs = 2000;
constexpr int kEraseAttempts = 4;
constexpr int kVarVersion = 46;
constexpr int32_t kVersionRestartingByItself = 7;

// Windows-1252: 0xF2 o grave, 0xE0 a grave, 0xF9 u grave.
const Texts kEnterTexts = {
    "Togliere e ridare i 12V Batteria: la centralina pu\xF2 essere programmata",
    "Errore di comunicazione con la centralina. Assicurarsi che:\n\n- i collegamenti siano corretti,\n- per "
    "le "
    "centraline gi\xE0 programmate i 12V Sottochiave non siano assenti da pi\xF9 di 2 ore.",
    "Sincronizz. errata: togliere e ridare i 12 V e riprovare entro 10 secondi",
};
const Texts kEraseTexts = {
    "Errore sulla comunicazione seriale",
    "Tensione di alimentazione insufficiente (1)",
    "Programmazione centralina fallita! (1)",
};
const Texts kStartTexts = {
    "Errore sulla comunicazione seriale",
    "Tensione di alimentazione insufficiente (2)",
    "Programmazione centralina fallita! (2)",
};

// The caller's texts when there are exactly three; `suffix` marks which step failed.
Texts Choose(const std::vector<std::string>& given, const Texts& builtIn, const char* suffix = "") {
    if (given.size() != 3) return builtIn;
    return {given[0], given[1] + suffix, given[2] + suffix};
}

// The text for a failure status: low supply, refusal, anything else.
const std::string& FailureText(const Texts& texts, uint8_t status) {
    if (status == boot::kStatusLowSupply) return texts[1];
    if (status == boot::kStatusRefused) return texts[2];
    return texts[0];
}

// What an exchange means when its operation fails, from the error flags once the request was
// out (`sendFlags`) and once the answer was read, and from the two answer bytes.
boot::Failure ExchangeFailure(bool sent, int32_t sendFlags, int32_t answerFlags, uint8_t status,
                              uint8_t second) {
    if (!sent || (sendFlags & (ERR_TIMEOUT | ERR_REQUEST))) return boot::Failure::LineLost;
    if (sendFlags & ERR_ECHO) return boot::Failure::WrongAnswer;
    if (answerFlags & ERR_TIMEOUT) return boot::Failure::NoAnswer;
    if (second != status) return boot::Failure::WrongAnswer;
    if (status == boot::kStatusLowSupply) return boot::Failure::LowSupply;
    if (status == boot::kStatusRefused) return boot::Failure::Refused;
    return boot::Failure::WrongAnswer;
}

}  // namespace

boot::Failure ComInj::BootCommand(uint8_t opcode, uint32_t extraWaitMs, uint8_t& status, uint8_t& second) {
    BeginFrame();
    const bool sent = isOpen && SendByte(opcode) != kSendFailed;
    EndFrame(true);
    const int32_t sendFlags = ErrorFlags();
    status = ReceiveByte(extraWaitMs);
    second = ReceiveByte(0);
    return ExchangeFailure(sent, sendFlags, ErrorFlags(), status, second);
}

bool ComInj::EnterBootMode(uint8_t code, const std::vector<std::string>& texts) {
    const Texts t = Choose(texts, kEnterTexts);
    bootFailure_ = boot::Failure::None;
    // ReadVar and WriteVar stand aside while the link is busy, so the busy mark is taken only
    // after them; each command marks itself.
    if (IsConnected() || Connect()) {
        const int32_t version = ReadVar(kVarVersion, nullptr);
        const WriteOutcome request = WriteVar(boot::kBootRequestVariable, code);
        Disconnect();
        ClosePort();
        // A refused request leaves the program running; a lost one may have reached it, which
        // the boot loader's answer will tell.
        if (request == WriteOutcome::Refused) {
            bootFailure_ = boot::Failure::Refused;
            return false;
        }
        BusyScope busy(*this);
        if (version > kVersionRestartingByItself)
            clock_.SleepMs(kRestartWaitMs);
        else
            Show(t[0], PromptIcon::Information);
        return true;
    }

    // No program answers: a blank ECU, or one already in its boot loader.
    BusyScope busy(*this);
    BeginFrame();
    if (!isOpen && !OpenPort()) AddErrorFlags(ERR_REQUEST);
    SetConnected(true);
    if (!ErrorFlags()) {
        SendByte(boot::kOpSync);
        SendByte(boot::kOpSync);
        // The adapter sends only whole reports: the two bytes go out (and echo) together.
        if (useUsb) EndFrame(false);
    }
    if (ErrorFlags()) {
        bootFailure_ = ErrorFlags() == ERR_ECHO ? boot::Failure::WrongAnswer : boot::Failure::LineLost;
        Show(t[1], PromptIcon::Error);
        ClosePort();
        SetConnected(false);
        return false;
    }
    ReceiveByte(0);
    const uint8_t second = ReceiveByte(0);
    if (second != boot::kStatusSynchronised) {
        bootFailure_ = (ErrorFlags() & ERR_TIMEOUT) ? boot::Failure::NoAnswer : boot::Failure::WrongAnswer;
        Show(t[2], PromptIcon::Error);
        SetConnected(false);
        ClosePort();
        return false;
    }
    return true;
}

int ComInj::QueryBootLoader() {
    BusyScope busy(*this);
    bootFailure_ = boot::Failure::None;
    if (!isOpen && !OpenPort()) {
        bootFailure_ = boot::Failure::LineLost;
        return 0;
    }
    SetConnected(true);
    uint8_t status = 0, second = 0;
    const boot::Failure failure = BootCommand(boot::kOpQuery, 0, status, second);
    if ((ErrorFlags() & ERR_TIMEOUT) || status == boot::kStatusRefused) {
        bootFailure_ = failure;
        SetConnected(false);
        return -1;
    }
    return status;
}

bool ComInj::EraseFlash(const std::vector<std::string>& texts) {
    BusyScope busy(*this);
    const Texts t = Choose(texts, kEraseTexts, " (1)");
    uint8_t status = 0, second = 0;
    for (int attempt = 0; attempt < kEraseAttempts; ++attempt) {
        bootFailure_ = BootCommand(boot::kOpErase, kEraseWaitMs, status, second);
        if (ErrorFlags() & ERR_TIMEOUT) {
            // The message boxes have no "no icon" kind; information is the plainest.
            Show(t[0], PromptIcon::Information);
            ClearErrorFlags();
            ClosePort();
            SetConnected(false);
            return false;
        }
        if (second != status) {
            ClosePort();
            SetConnected(false);
            return false;
        }
        if (status == boot::kStatusDone) {
            bootFailure_ = boot::Failure::None;
            return true;
        }
    }
    SetConnected(false);
    Show(FailureText(t, status), PromptIcon::Error);
    return false;
}

bool ComInj::StartProgramming(const std::vector<std::string>& texts) {
    BusyScope busy(*this);
    const Texts t = Choose(texts, kStartTexts, " (2)");
    uint8_t status = 0, second = 0;
    bootFailure_ = BootCommand(boot::kOpStart, kStartWaitMs, status, second);
    if (second != status) return false;
    if (status == boot::kStatusAccepted) {
        bootFailure_ = boot::Failure::None;
        SetProgramming(true);
        return true;
    }
    Show(FailureText(t, status), PromptIcon::Error);
    return false;
}

bool ComInj::SendSRecord(std::string_view record) {
    BusyScope busy(*this);
    BeginFrame();
    bootFailure_ = boot::Failure::None;
    if (!IsProgramming()) return false;
    // 'S', the type, then whole hex pairs: at least the count and a 16-bit address.
    if (record.size() < 8 || record.size() % 2 != 0 || record[0] != boot::kRecordStart) {
        AddErrorFlags(ERR_REQUEST);
        return false;
    }
    for (size_t i = 2; i < record.size(); ++i) {
        if (boot::HexDigit(record[i]) < 0) {
            AddErrorFlags(ERR_REQUEST);
            return false;
        }
    }
    const char type = record[1];
    auto byteAt = [&](size_t i) {
        return uint8_t(boot::HexDigit(record[i]) << 4 | boot::HexDigit(record[i + 1]));
    };
    if (boot::IsBootAreaRecord(type, uint32_t(byteAt(4)) << 8 | byteAt(6))) return true;

    SendByte(uint8_t(record[0]));
    SendByte(uint8_t(type));
    for (size_t i = 2; i + 1 < record.size(); i += 2) SendByte(byteAt(i));
    EndFrame(false);
    const int32_t sendFlags = ErrorFlags();
    const uint8_t status = ReceiveByte(kRecordWaitMs);
    const uint8_t second = ReceiveByte(0);
    if (second != boot::kStatusAccepted && second != boot::kStatusDone) {
        bootFailure_ = ExchangeFailure(isOpen != 0, sendFlags, ErrorFlags(), status, second);
        SetProgramming(false);
        return false;
    }
    return true;
}

bool ComInj::EndProgramming() {
    BusyScope busy(*this);
    uint8_t status = 0, answerChecksum = 0;
    const boot::Failure failure = BootCommand(boot::kOpEnd, kEndWaitMs, status, answerChecksum);
    // The answer checksum of the frame protocol (the status alone here), compared without the
    // session recovery of CheckReplyChecksum: there is no session to recover in the boot loader.
    const bool checksumGood = !(ErrorFlags() & ERR_TIMEOUT) && answerChecksum == status;
    const bool ended = checksumGood && status == boot::kStatusDone;
    bootFailure_ = ended ? boot::Failure::None : failure;
    SetProgramming(false);
    ClosePort();
    SetConnected(false);
    return ended;
}

}  // namespace zov
