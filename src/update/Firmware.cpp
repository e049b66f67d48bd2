#include "Firmware.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "BootProtocol.h"
#include "Packaging.h"

namespace zov {
namespace {

FirmwareCheck Fail(size_t lineNumber, const std::string& what) {
    return {false, "line " + std::to_string(lineNumber) + ": " + what};
}

// An address as the record type writes it: four, six or eight hex digits.
std::string HexAddress(char type, uint64_t address) {
    char text[24];
    std::snprintf(text, sizeof text, "0x%0*llX", int(2 * boot::AddressBytes(type)),
                  static_cast<unsigned long long>(address));
    return text;
}

// Checks one record line; fills `record` when it is sound.
FirmwareCheck CheckRecord(std::string_view line, size_t lineNumber, SRecordLine& record) {
    if (line.size() > kMaxRecordLine)
        return Fail(lineNumber, "longer than " + std::to_string(kMaxRecordLine) + " characters");
    if (line.size() < 4 || line[0] != 'S') return Fail(lineNumber, "not an S-record");
    const char type = line[1];
    const size_t addressBytes = boot::AddressBytes(type);
    if (addressBytes == 0) return Fail(lineNumber, std::string("unknown record type S") + type);
    if (line.size() % 2 != 0) return Fail(lineNumber, "odd number of hex digits");
    std::vector<uint8_t> bytes;
    for (size_t i = 2; i < line.size(); i += 2) {
        const int hi = boot::HexDigit(line[i]), lo = boot::HexDigit(line[i + 1]);
        if (hi < 0 || lo < 0) return Fail(lineNumber, "a character that is not a hex digit");
        bytes.push_back(uint8_t(hi << 4 | lo));
    }
    if (bytes[0] != bytes.size() - 1)
        return Fail(lineNumber, "byte count " + std::to_string(bytes[0]) + " does not match the " +
                                    std::to_string(bytes.size() - 1) + " bytes that follow");
    if (bytes.size() < 1 + addressBytes + 1) return Fail(lineNumber, "too short for its address");
    unsigned sum = 0;
    for (uint8_t b : bytes) sum += b;
    if ((sum & 0xFF) != 0xFF) return Fail(lineNumber, "wrong checksum");
    uint32_t address = 0;
    for (size_t i = 0; i < addressBytes; ++i) address = address << 8 | bytes[1 + i];
    record.text = std::string(line);
    record.type = type;
    record.address = address;
    record.dataLength = bytes.size() - 1 - addressBytes - 1;
    // The rule the link applies: S0 never goes out; an S1 record below 0x8000 is skipped.
    record.sent = type != '0' && !boot::IsBootAreaRecord(type, address);
    return {true, {}};
}

// A data record must land where the ECU can write it, all of it: the boot loader refuses a record
// outside its flash only after the erase, which would leave the ECU blank.
FirmwareCheck CheckRange(const SRecordLine& record, size_t lineNumber) {
    const uint64_t first = record.address;
    const uint64_t end = first + record.dataLength;
    const std::string what = std::string("an S") + record.type + " record of " +
                             std::to_string(record.dataLength) + " bytes at " +
                             HexAddress(record.type, first);
    if (end > boot::AddressSpaceEnd(record.type))
        return Fail(lineNumber, what + " runs past " +
                                    HexAddress(record.type, boot::AddressSpaceEnd(record.type) - 1) +
                                    ", the last address of its type");
    if (boot::IsBootAreaRecord(record.type, first)) {
        if (end > boot::kProgramStart)
            return Fail(lineNumber, what + " runs from the boot loader's area into the flash");
        return {true, {}};
    }
    if (!boot::InFlash(first, record.dataLength))
        return Fail(lineNumber, what + " lies outside the ECU's flash (" +
                                    HexAddress('1', boot::kProgramStart) + "-" +
                                    HexAddress('2', boot::kFlashEnd - 1) + ")");
    return {true, {}};
}

}  // namespace

size_t FirmwareImage::SentCount() const {
    return size_t(std::count_if(records.begin(), records.end(), [](const SRecordLine& r) { return r.sent; }));
}

size_t FirmwareImage::SentDataBytes() const {
    size_t total = 0;
    for (const SRecordLine& r : records)
        if (r.sent && boot::IsDataRecord(r.type)) total += r.dataLength;
    return total;
}

FirmwareCheck ParseFirmware(std::string_view text, int headerLines, FirmwareImage& image) {
    FirmwareImage out;
    out.textLength = text.size();
    size_t at = 0;
    size_t lineNumber = 0;
    bool terminated = false;
    bool counted = false;  // a count record matched the data records before it
    bool programmable = false;
    size_t dataRecords = 0;
    while (at < text.size()) {
        size_t end = text.find('\n', at);
        const size_t next = end == std::string_view::npos ? text.size() : end + 1;
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(at, end - at);
        at = next;
        ++lineNumber;
        if (int(lineNumber) <= headerLines) continue;
        while (!line.empty() && std::isspace(static_cast<unsigned char>(line.back()))) line.remove_suffix(1);
        if (line.empty()) continue;
        if (terminated) return Fail(lineNumber, "a record after the termination record");
        SRecordLine record;
        if (FirmwareCheck c = CheckRecord(line, lineNumber, record); !c) return c;
        if (boot::IsDataRecord(record.type)) {
            if (counted) return Fail(lineNumber, "a data record after the count record");
            if (FirmwareCheck c = CheckRange(record, lineNumber); !c) return c;
            ++dataRecords;
        } else if (boot::IsCountRecord(record.type)) {
            if (record.address != dataRecords)
                return Fail(lineNumber, "the count record gives " + std::to_string(record.address) +
                                            " data records, the file holds " + std::to_string(dataRecords));
            counted = true;
        }
        record.endOffset = at;
        terminated = boot::IsTerminationRecord(record.type);
        programmable |= record.sent && boot::IsDataRecord(record.type);
        out.records.push_back(std::move(record));
    }
    if (int(lineNumber) < headerLines) return {false, "the file ends inside its header lines"};
    if (!programmable) return {false, "no records for the programmable area (from 0x8000)"};
    // A matching count record as the last one proves the file whole as well as a termination
    // record does: tools leave the termination out when no start address is given.
    const bool whole = terminated || (counted && boot::IsCountRecord(out.records.back().type));
    if (!whole)
        return {false,
                "the file ends without a termination record (S7, S8 or S9) or a count record (S5, S6): it is "
                "incomplete"};
    image = std::move(out);
    return {true, {}};
}

FirmwareCheck LoadPackedFirmware(const std::string& path, FirmwareImage& image) {
    std::string data;
    if (PackResult r = ReadWholeFile(path, data); !r) return {false, r.error};
    std::string content;
    if (PackResult r = UnpackEcuData(data, content); !r) return {false, path + ": " + r.error};
    FirmwareCheck c = ParseFirmware(content, kEcuFileHeaderLines, image);
    if (!c) c.error = path + ": " + c.error;
    return c;
}

FirmwareCheck LoadSRecordFile(const std::string& path, FirmwareImage& image) {
    std::string data;
    if (PackResult r = ReadWholeFile(path, data); !r) return {false, r.error};
    FirmwareCheck c = ParseFirmware(data, 0, image);
    if (!c) c.error = path + ": " + c.error;
    return c;
}

bool IsPlainSRecordFile(const std::string& path) {
    std::string lower = path;
    for (char& c : lower) c = char(std::tolower(static_cast<unsigned char>(c)));
    return lower.find("s19") != std::string::npos;
}

std::string FormatSRecord(char type, uint32_t address, const std::vector<uint8_t>& data) {
    const size_t addressBytes = boot::AddressBytes(type) ? boot::AddressBytes(type) : 2;
    std::vector<uint8_t> bytes;
    bytes.push_back(uint8_t(addressBytes + data.size() + 1));
    for (size_t i = addressBytes; i-- > 0;) bytes.push_back(uint8_t(address >> (8 * i)));
    bytes.insert(bytes.end(), data.begin(), data.end());
    unsigned sum = 0;
    for (uint8_t b : bytes) sum += b;
    bytes.push_back(uint8_t(~sum));
    static const char* const kDigits = "0123456789ABCDEF";
    std::string line = {'S', type};
    for (uint8_t b : bytes) {
        line.push_back(kDigits[b >> 4]);
        line.push_back(kDigits[b & 15]);
    }
    return line;
}

}  // namespace zov
