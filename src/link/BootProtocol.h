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

// Records below this address belong to the boot loader's own area and are never sent.
inline constexpr uint32_t kProgramStart = 0x8000;
// The simulated ECU's flash: 64 KiB from kProgramStart (S1 records up to 0xFFFF, S2 above).
inline constexpr uint32_t kFlashEnd = 0x18000;

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
