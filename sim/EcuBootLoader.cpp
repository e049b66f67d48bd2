// The simulated ECU's boot loader and the restarts around it.
#include <algorithm>

#include "BootProtocol.h"
#include "EcuSimulator.h"
#include "EcuVariables.h"

namespace zov::sim {
namespace {

bool IsBootOpcode(uint8_t b) {
    return b == boot::kOpSync || b == boot::kOpQuery || b == boot::kOpErase || b == boot::kOpStart ||
           b == boot::kOpEnd || b == boot::kRecordStart;
}

std::string TextAt(const std::vector<uint8_t>& flash, size_t at, size_t length) {
    std::string text;
    for (size_t i = at; i < at + length && flash[i] != 0 && flash[i] != 0xFF; ++i)
        text.push_back(char(flash[i]));
    return text;
}

}  // namespace

uint8_t EcuSimulator::FlashByte(uint32_t address) const {
    if (address < boot::kProgramStart || address >= boot::kFlashEnd) return 0xFF;
    return flash_[address - boot::kProgramStart];
}

ByteReaction EcuSimulator::ReceiveBoot(uint8_t byte) {
    ByteReaction reaction;
    // Bytes that cannot start a command (the application's frames, line noise) are ignored.
    if (frame_.empty() && !IsBootOpcode(byte)) return reaction;
    frame_.push_back(byte);
    const size_t expected = ExpectedBootLength();
    if (expected != 0 && frame_.size() >= expected) reaction.answer = FinishBoot(reaction.delayUs);
    return reaction;
}

size_t EcuSimulator::ExpectedBootLength() const {
    if (frame_.empty()) return 0;
    if (frame_[0] != boot::kRecordStart) return 2;
    // 'S', the type, the count, then the counted bytes (address, data, checksum).
    return frame_.size() < 3 ? 0 : 3 + size_t(frame_[2]);
}

std::vector<uint8_t> EcuSimulator::FinishBoot(int64_t& delayUs) {
    FrameRecord record{nowUs_, std::move(frame_), {}, true, true};
    frame_.clear();
    if (!config_.faults.silent) {
        const int status = ExecuteBoot(record.request, delayUs);
        if (status >= 0) {
            // A damaged answer: the repetition of the status differs from it.
            const bool damaged = TakeFault(config_.faults.badChecksum);
            record.answer = {uint8_t(status), uint8_t(damaged ? status + 1 : status)};
        }
    }
    std::vector<uint8_t> answer = record.answer;
    log_.push_back(std::move(record));
    return answer;
}

int EcuSimulator::ExecuteBoot(const std::vector<uint8_t>& request, int64_t& delayUs) {
    Faults& faults = config_.faults;
    const uint8_t opcode = request[0];
    if (opcode == boot::kRecordStart) return WriteRecord(request);
    if (opcode == boot::kOpSync) return request[1] == boot::kOpSync ? int(boot::kStatusSynchronised) : -1;
    if (request[1] != opcode) return boot::kStatusRefused;
    switch (opcode) {
        case boot::kOpQuery:
            return config_.bootLoaderVersion & 0xFF;
        case boot::kOpErase:
            if (TakeFault(faults.lowSupply)) return boot::kStatusLowSupply;
            if (TakeFault(faults.eraseRefused)) return boot::kStatusRefused;
            std::fill(flash_.begin(), flash_.end(), uint8_t(0xFF));
            flashWritten_ = 0;
            hasProgram_ = false;
            bootErased_ = true;
            bootProgramming_ = false;
            bootFailed_ = false;
            delayUs = config_.eraseUs;
            return boot::kStatusDone;
        case boot::kOpStart:
            if (TakeFault(faults.lowSupply)) return boot::kStatusLowSupply;
            if (!bootErased_) return boot::kStatusRefused;
            bootProgramming_ = true;
            bootFailed_ = false;
            return boot::kStatusAccepted;
        case boot::kOpEnd:
            if (!bootProgramming_ || bootFailed_) return boot::kStatusRefused;
            bootProgramming_ = false;
            bootErased_ = false;
            mode_ = EcuMode::Starting;
            startAtUs_ = nowUs_ + std::max<int64_t>(0, config_.restartUs);
            return boot::kStatusDone;
        default:
            return boot::kStatusRefused;
    }
}

int EcuSimulator::WriteRecord(const std::vector<uint8_t>& request) {
    auto refuse = [this] {
        bootFailed_ = true;
        bootProgramming_ = false;
        return int(boot::kStatusRefused);
    };
    if (!bootProgramming_) return boot::kStatusRefused;
    // The count, the address, the data and the checksum add up to 0xFF.
    uint8_t sum = 0;
    for (size_t i = 2; i < request.size(); ++i) sum = uint8_t(sum + request[i]);
    const uint8_t type = request[1];
    const size_t addressBytes = boot::AddressBytes(char(type));
    const size_t count = request[2];
    if (sum != 0xFF || addressBytes == 0 || count < addressBytes + 1 ||
        TakeFault(config_.faults.recordRefused))
        return refuse();
    uint32_t address = 0;
    for (size_t i = 0; i < addressBytes; ++i) address = address << 8 | request[3 + i];
    const auto data = request.begin() + 3 + std::ptrdiff_t(addressBytes);
    const size_t length = count - addressBytes - 1;
    if (boot::IsDataRecord(char(type))) {
        if (!boot::InFlash(address, length)) return refuse();
        std::copy(data, data + std::ptrdiff_t(length), flash_.begin() + (address - boot::kProgramStart));
        flashWritten_ += length;
        return boot::kStatusAccepted;
    }
    // A termination record ends the image; the others (header, count) carry nothing to write.
    return type >= '7' ? boot::kStatusDone : boot::kStatusAccepted;
}

void EcuSimulator::EnterBootLoader() {
    mode_ = EcuMode::BootLoader;
    bootRequested_ = false;
    bootErased_ = false;
    bootProgramming_ = false;
    bootFailed_ = false;
    sessionOpen_ = false;
    frame_.clear();
}

void EcuSimulator::StartProgram() {
    frame_.clear();
    sessionOpen_ = false;
    bootRequested_ = false;
    bootProgramming_ = false;
    const bool identified = std::equal(std::begin(boot::kIdentityMarker), std::end(boot::kIdentityMarker),
                                       flash_.begin(), [](char a, uint8_t b) { return uint8_t(a) == b; });
    if (!identified) {
        hasProgram_ = false;
        mode_ = EcuMode::BootLoader;
        return;
    }
    config_.version = flash_[boot::kIdentityVersion] << 8 | flash_[boot::kIdentityVersion + 1];
    config_.fuel = flash_[boot::kIdentityFuel];
    config_.programName = TextAt(flash_, boot::kIdentityName, boot::kIdentityTextLength);
    config_.model = TextAt(flash_, boot::kIdentityModel, boot::kIdentityTextLength);
    BuildMemory();
    hasProgram_ = true;
    mode_ = EcuMode::Application;
}

void EcuSimulator::CloseSession() {
    sessionOpen_ = false;
    if (bootRequested_ && config_.version > 7) EnterBootLoader();
}

void EcuSimulator::PowerCycle() {
    // Diagnosis mode and the actuator test live in RAM: a restart ends them.
    SetValue(kDiagnosisModeVariable, 0, 0);
    SetValue(kActuatorMaskVariable, 0, 0);
    if (mode_ == EcuMode::Starting) {
        StartProgram();
        return;
    }
    if (bootRequested_ || !hasProgram_) {
        EnterBootLoader();
        return;
    }
    frame_.clear();
    sessionOpen_ = false;
    mode_ = EcuMode::Application;
}

}  // namespace zov::sim
