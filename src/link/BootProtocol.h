#pragma once

#include <cstddef>
#include <cstdint>

// The ECU's boot loader as both ends see it: the PC's link (BootLoader.cpp), the ECU simulator and
// the sample firmware generator share these values, as they share the variable table.
namespace zov::boot {

// Written to variable 59, it asks the ECU's program to restart into its boot loader. The program
// takes the request when the session is closed (data version above 7) or at the next power-on
// (older versions). 0xB5 is not a value variable 59 takes in normal use.
inline constexpr uint8_t kBootRequestCode = 0xB5;
inline constexpr int kBootRequestVariable = 59;

// Requests. Every one but the synchronisation and the S-record carries the request checksum,
// which for a single opcode byte is the opcode itself.
inline constexpr uint8_t kOpSync = 0x50;  // sent twice, no checksum
inline constexpr uint8_t kOpQuery = 0x9D;
inline constexpr uint8_t kOpErase = 0x6F;
inline constexpr uint8_t kOpStart = 0x93;
inline constexpr uint8_t kOpEnd = 0x85;
inline constexpr uint8_t kRecordStart = 'S';

// Answer status bytes; every answer is the status followed by the same byte again.
inline constexpr uint8_t kStatusSynchronised = 'S';
inline constexpr uint8_t kStatusRefused = 'S';  // programming refused or failed
inline constexpr uint8_t kStatusDone = 'a';
inline constexpr uint8_t kStatusAccepted = 0xA7;
inline constexpr uint8_t kStatusLowSupply = 0x0B;

// The ECU's flash, the one range a programming may write: 64 KiB from kProgramStart up to (not
// including) kFlashEnd, S1 records up to 0xFFFF and S2 above. Below kProgramStart lies the boot
// loader's own area: S1 records there belong to the image but are never sent.
inline constexpr uint32_t kProgramStart = 0x8000;
inline constexpr uint32_t kFlashEnd = 0x18000;

// Whether `length` bytes from `address` lie wholly in the flash (64-bit, so no sum wraps).
constexpr bool InFlash(uint64_t address, uint64_t length) {
    return address >= kProgramStart && address + length <= kFlashEnd;
}

// --- S-records as the checker, the link, the boot loader and the sample generator read them ---

// The value of a hex digit, either case; -1 for any other character.
constexpr int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// Address bytes of a record type ('0'..'9'); 0 for S4 (reserved) and anything else.
constexpr size_t AddressBytes(char type) {
    switch (type) {
        case '0':
        case '1':
        case '5':
        case '9':
            return 2;
        case '2':
        case '6':
        case '8':
            return 3;
        case '3':
        case '7':
            return 4;
        default:
            return 0;
    }
}

// The first address past what a record type can reach (0x10000 for S1).
constexpr uint64_t AddressSpaceEnd(char type) { return uint64_t(1) << (8 * AddressBytes(type)); }

constexpr bool IsDataRecord(char type) { return type == '1' || type == '2' || type == '3'; }
constexpr bool IsCountRecord(char type) { return type == '5' || type == '6'; }
constexpr bool IsTerminationRecord(char type) { return type == '7' || type == '8' || type == '9'; }

// An S1 record of the boot loader's own area: the link skips it without sending a byte.
constexpr bool IsBootAreaRecord(char type, uint64_t address) {
    return type == '1' && address < kProgramStart;
}

// The type a data record of `length` bytes at `address` is written with: S1 while it stays in
// the 16-bit space, S2 otherwise.
constexpr char DataRecordType(uint64_t address, uint64_t length) {
    return address + length <= AddressSpaceEnd('1') ? '1' : '2';
}

// Why a boot-loader operation failed, as the link saw it.
enum class Failure : uint8_t {
    None,
    LineLost,     // nothing came back, not even the echo of the request, or the port failed
    NoAnswer,     // the request went out (its echo came back) but the boot loader stayed silent
    WrongAnswer,  // an answer other than the expected one: bytes that differ, a garbled echo
    LowSupply,    // the boot loader answered 0x0B
    Refused,      // the boot loader answered 'S': programming refused or failed
    TooOld,       // the boot loader's version (2 or less) cannot program this ECU
};

// Where a program image says which program it is. The ECU reads this block when it starts the
// program; the sample firmware generator fills it.
//   +0   4 bytes  "ZQBR"
//   +4   2 bytes  data version (VERSIONE_CENTRALINA), high byte first
//   +6   1 byte   fuel: 0 GPL, 1 Metano
//   +7   1 byte   0
//   +8  40 bytes  programme name (NOME_PROGRAMMA), zero padded
//   +48 40 bytes  vehicle model (MODELLO), zero padded
inline constexpr uint32_t kIdentityAddress = kProgramStart;
inline constexpr char kIdentityMarker[4] = {'Z', 'Q', 'B', 'R'};
inline constexpr size_t kIdentityVersion = 4;
inline constexpr size_t kIdentityFuel = 6;
inline constexpr size_t kIdentityName = 8;
inline constexpr size_t kIdentityModel = 48;
inline constexpr size_t kIdentityTextLength = 40;
inline constexpr size_t kIdentitySize = 88;

}  // namespace zov::boot
