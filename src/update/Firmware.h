#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zov {

// A firmware image as the programming sends it: the S-record lines of an unpacked ECU file (or
// of a plain S-record file), every one checked before the ECU is touched.
struct SRecordLine {
    std::string text;       // the line without its line end
    char type = 0;          // '0'..'9'
    uint32_t address = 0;   // as the record gives it (the count of a count record)
    size_t dataLength = 0;  // bytes between the address and the checksum
    size_t endOffset = 0;   // offset just past this line in the text, for the progress
    // The boot loader receives it: not a header record (S0), not an S1 record below 0x8000.
    bool sent = false;
};

struct FirmwareImage {
    std::vector<SRecordLine> records;
    size_t textLength = 0;  // of the whole text, header lines included
    size_t SentCount() const;
    // Data bytes of the records the boot loader receives.
    size_t SentDataBytes() const;
};

struct FirmwareCheck {
    bool ok = false;
    std::string error;  // the line and what is wrong with it
    explicit operator bool() const { return ok; }
};

// Longest record line (without its line end) a firmware file may hold: the programming reads
// lines of at most this length, and such a record fits the link's 200-byte transmit buffer.
inline constexpr size_t kMaxRecordLine = 259;
// Header lines in front of the S-records of an unpacked ECU file.
inline constexpr int kEcuFileHeaderLines = 3;

// Checks a whole S-record text after `headerLines` lines that are skipped: every non-blank line
// must be an S-record of a known type with hex digits only, a byte count matching its length and
// a correct checksum; every data record must lie wholly in the ECU's flash, or (S1) wholly in the
// boot loader's area below it; a count record (S5, S6) must give the number of data records before
// it, with no data record after it. The image must hold at least one record for the programmable
// area and end with a termination record (S7, S8 or S9) with nothing after it, or with a count
// record.
FirmwareCheck ParseFirmware(std::string_view text, int headerLines, FirmwareImage& image);
// A packed ECU file: unpacked in memory, then checked after its three header lines.
FirmwareCheck LoadPackedFirmware(const std::string& path, FirmwareImage& image);
// A plain S-record file, checked from its first line.
FirmwareCheck LoadSRecordFile(const std::string& path, FirmwareImage& image);
// Whether a file is programmed as it is (its lower-cased name contains "s19") rather than
// unpacked first.
bool IsPlainSRecordFile(const std::string& path);

// One S-record line for `type` with its address, data and checksum, upper-case hex.
std::string FormatSRecord(char type, uint32_t address, const std::vector<uint8_t>& data);

}  // namespace zov
