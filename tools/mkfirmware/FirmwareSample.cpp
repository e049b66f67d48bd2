#include "FirmwareSample.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "BootProtocol.h"
#include "Firmware.h"
#include "Packaging.h"

namespace zov {
namespace {

constexpr size_t kMaxRecordBytes = 123;  // a record line of at most 259 characters
constexpr uint32_t kBootAreaStart = 0x7F00;
constexpr uint32_t kEepromDefaults = 0x0400;
constexpr size_t kEepromBytes = 64;

// The same image for the same version and fuel, so regenerated files do not change.
class Noise {
  public:
    explicit Noise(uint32_t seed) : state_(seed * 2654435761u + 1) {}
    uint8_t Next() {
        state_ = state_ * 1664525u + 1013904223u;
        return uint8_t(state_ >> 24);
    }

  private:
    uint32_t state_;
};

std::string DefaultName(const SampleFirmware& f) {
    const std::string file = StandardFileName(f.fuel, f.version);
    return file.substr(0, file.size() - 4);
}

void PutText(std::vector<uint8_t>& image, size_t at, const std::string& text) {
    for (size_t i = 0; i < boot::kIdentityTextLength; ++i)
        image[at + i] = i < text.size() ? uint8_t(text[i]) : 0;
}

void AppendRecords(std::string& out, uint32_t start, const std::vector<uint8_t>& bytes, size_t perRecord) {
    size_t at = 0;
    while (at < bytes.size()) {
        const uint32_t address = start + uint32_t(at);
        size_t n = std::min(perRecord, bytes.size() - at);
        // An S1 record may not run past 0xFFFF: it ends there and S2 records carry on.
        const uint64_t s1End = boot::AddressSpaceEnd('1');
        if (address < s1End) n = std::min<size_t>(n, size_t(s1End - address));
        const std::vector<uint8_t> data(bytes.begin() + std::ptrdiff_t(at),
                                        bytes.begin() + std::ptrdiff_t(at + n));
        out += FormatSRecord(boot::DataRecordType(address, n), address, data) + "\r\n";
        at += n;
    }
}

}  // namespace

std::string StandardFileName(int fuel, int version) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "Standard%s_%03X.zov", fuel ? "Cng" : "Gpl",
                  unsigned(version) & 0xFFF);
    return buffer;
}

std::string SampleSRecords(const SampleFirmware& f) {
    const size_t perRecord = std::clamp<size_t>(f.recordBytes, 1, kMaxRecordBytes);
    const size_t size =
        std::clamp<size_t>(f.programBytes, boot::kIdentitySize, boot::kFlashEnd - boot::kProgramStart);
    Noise noise(uint32_t(f.version) * 2 + uint32_t(f.fuel ? 1 : 0));

    std::string out;
    const std::string title = DefaultName(f);
    out += FormatSRecord('0', 0, std::vector<uint8_t>(title.begin(), title.end())) + "\r\n";

    std::vector<uint8_t> eeprom(kEepromBytes);
    for (uint8_t& b : eeprom) b = noise.Next();
    AppendRecords(out, kEepromDefaults, eeprom, perRecord);
    std::vector<uint8_t> bootArea(boot::kProgramStart - kBootAreaStart);
    for (uint8_t& b : bootArea) b = noise.Next();
    AppendRecords(out, kBootAreaStart, bootArea, perRecord);

    std::vector<uint8_t> program(size);
    for (uint8_t& b : program) b = noise.Next();
    std::copy(std::begin(boot::kIdentityMarker), std::end(boot::kIdentityMarker), program.begin());
    program[boot::kIdentityVersion] = uint8_t(f.version >> 8);
    program[boot::kIdentityVersion + 1] = uint8_t(f.version);
    program[boot::kIdentityFuel] = uint8_t(f.fuel ? 1 : 0);
    program[boot::kIdentityFuel + 1] = 0;
    PutText(program, boot::kIdentityName, f.programName.empty() ? DefaultName(f) : f.programName);
    PutText(program, boot::kIdentityModel,
            f.model.empty() ? std::string(f.fuel ? "STANDARD METANO" : "STANDARD GPL") : f.model);
    AppendRecords(out, boot::kProgramStart, program, perRecord);

    out += FormatSRecord('9', boot::kProgramStart, {}) + "\r\n";
    return out;
}

std::string SampleEcuContent(const SampleFirmware& f) {
    std::string out;
    out += (f.model.empty() ? std::string(f.fuel ? "STANDARD METANO" : "STANDARD GPL") : f.model) + "\r\n";
    out += (f.programName.empty() ? DefaultName(f) : f.programName) + "\r\n";
    out += std::to_string(f.fuel ? 1 : 0) + "\t" + std::to_string(f.displacement) + "\t" +
           std::to_string(f.year) + "\t1\r\n";
    return out + SampleSRecords(f);
}

std::string SampleEcuFile(const SampleFirmware& f) { return PackEcuData(SampleEcuContent(f)); }

}  // namespace zov
