#pragma once

#include <array>
#include <cstdint>

namespace zov {

// How an ECU variable travels on the line.
enum class VarKind : uint8_t {
    None,  // not available
    U8,    // unsigned byte scalar
    S8,    // signed byte scalar
    U16,   // unsigned word scalar, low byte first
    ArrayU8,
    ArrayS8,
    ArrayU16,
    TableU16,  // rows x columns of words, row after row
    TableS8,   // rows of signed bytes, by row or by cell only
};

struct VarInfo {
    VarKind kind = VarKind::None;
    uint16_t length = 0;    // elements of an array; cells per row of a table
    uint16_t rows = 0;      // rows of a table (0 when the link does not fix it)
    bool readOnly = false;  // arrays the write commands refuse
};

constexpr int kVarCount = 136;
constexpr int kRecordLive = 150;
constexpr int kRecordParameters = 151;
constexpr int kRecordMapping = 152;

// Written to variable 88 to ask the ECU's program for its actuator-test (diagnosis) mode; any other
// value there is the normal running mode. One fixed byte the firmware recognises: 0xA5 is a pattern
// no counter or flag byte of the running mode takes by accident.
constexpr int kDiagnosisModeVariable = 88;
constexpr uint8_t kDiagnosisModeCode = 0xA5;

// The variable table of the ECU, indices 0..135; everything else is not available.
const VarInfo& VarInfoOf(int index);

bool IsScalar(VarKind k);
bool IsArray(VarKind k);
bool IsTable(VarKind k);
// Bytes one element (or cell) takes on the line: 1 or 2.
int ElementBytes(VarKind k);
bool IsSignedByte(VarKind k);

// Read-only records: the type of each value in the order they fill the caller's array.
struct RecordLayout {
    int valueCount = 0;
    int dataBytes = 0;
    std::array<VarKind, 14> types{};
};

// Null for anything but 150, 151, 152.
const RecordLayout* RecordLayoutOf(int index);

// Decodes one element from `bytes` (1 or 2 of them, low first) with the sign rule of `k`.
int32_t DecodeElement(VarKind k, const uint8_t* bytes);

}  // namespace zov
