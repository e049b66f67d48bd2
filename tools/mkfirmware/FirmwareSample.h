#pragma once

#include <cstddef>
#include <string>

namespace zov {

// A synthetic ECU program for the simulator, the tests, the benchmark and the runtime folder's
// standard software: it carries the identity block the simulated ECU reads when it starts a
// program (BootProtocol.h), so a programmed simulator reports this version, fuel and names.
struct SampleFirmware {
    int version = 200;           // data version, VERSIONE_CENTRALINA
    int fuel = 0;                // 0 GPL, 1 Metano
    std::string programName;     // empty: the standard file name without extension
    std::string model;           // empty: "STANDARD GPL" or "STANDARD METANO"
    size_t programBytes = 8192;  // bytes from 0x8000, identity block included (at most 64 KiB)
    size_t recordBytes = 32;     // data bytes per record (1..123)
    int displacement = 0;        // header line 3 of the packed file
    int year = 0;
};

// "StandardGpl_0C8.zov" / "StandardCng_0C8.zov": the version in three upper-case hex digits.
std::string StandardFileName(int fuel, int version);
// The S-record text: an S0 header, S1 records of the boot loader's own area (below 0x8000, never
// sent), the program from 0x8000 (S1, then S2 above 0xFFFF), and S9. Lines end with CR LF.
std::string SampleSRecords(const SampleFirmware& firmware);
// The unpacked content of a packed ECU file: MODELLO, NOME_PROGRAMMA, the fuel line, then the
// S-records.
std::string SampleEcuContent(const SampleFirmware& firmware);
// The packed ECU file itself.
std::string SampleEcuFile(const SampleFirmware& firmware);

}  // namespace zov
