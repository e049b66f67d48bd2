#include "EcuVariables.h"

#include <initializer_list>

namespace zov {
namespace {

struct Table {
    std::array<VarInfo, kVarCount> vars{};

    void Scalars(VarKind kind, std::initializer_list<int> indices) {
        for (int i : indices) vars[i] = {kind, 1, 0, false};
    }
    void Range(VarKind kind, int from, int to) {
        for (int i = from; i <= to; ++i) vars[i] = {kind, 1, 0, false};
    }
    void Array(VarKind kind, int index, int length, bool readOnly = false) {
        vars[index] = {kind, static_cast<uint16_t>(length), 0, readOnly};
    }

    Table() {
        Range(VarKind::U8, 1, 5);
        Range(VarKind::U8, 7, 16);
        Range(VarKind::U8, 24, 29);
        Scalars(VarKind::U8, {32, 34, 35, 36, 37, 38, 39, 44, 47, 53, 54, 56, 57, 58, 59, 60, 72});
        Range(VarKind::U8, 76, 86);
        Scalars(VarKind::U8, {88, 95, 98, 99, 128, 134, 135});

        Scalars(VarKind::S8, {17, 18, 19, 30, 31, 61, 62, 64});

        Scalars(VarKind::U16, {0, 6, 20, 21, 22, 33, 40, 41, 42, 45, 46, 63, 65, 66, 67, 70, 71, 75, 87});
        Range(VarKind::U16, 89, 94);
        Scalars(VarKind::U16, {96, 97});

        for (int i = 100; i <= 104; ++i) Array(VarKind::ArrayU8, i, 20);
        Array(VarKind::ArrayU8, 105, 16);
        Array(VarKind::ArrayU8, 106, 8);
        Array(VarKind::ArrayU8, 107, 8);
        Array(VarKind::ArrayU8, 108, 20);
        Array(VarKind::ArrayU8, 109, 4);
        Array(VarKind::ArrayU8, 112, 4, true);
        Array(VarKind::ArrayU8, 113, 4, true);
        Array(VarKind::ArrayU8, 117, 40, true);
        Array(VarKind::ArrayU8, 118, 40, true);
        Array(VarKind::ArrayU8, 119, 8);
        Array(VarKind::ArrayU8, 120, 9);
        Array(VarKind::ArrayU8, 127, 31);
        Array(VarKind::ArrayU8, 132, 12);

        Array(VarKind::ArrayS8, 114, 4);
        Array(VarKind::ArrayS8, 115, 4);
        Array(VarKind::ArrayS8, 116, 4, true);
        Array(VarKind::ArrayS8, 129, 8);
        Array(VarKind::ArrayS8, 130, 8);

        Array(VarKind::ArrayU16, 110, 8);
        Array(VarKind::ArrayU16, 111, 20);
        for (int i = 121; i <= 126; ++i) Array(VarKind::ArrayU16, i, 2);
        Array(VarKind::ArrayU16, 133, 12);

        vars[50] = {VarKind::TableU16, 20, 16, false};
        vars[131] = {VarKind::TableU16, 12, 12, false};
        vars[51] = {VarKind::TableS8, 8, 0, false};
    }
};

const Table& TheTable() {
    static const Table table;
    return table;
}

constexpr RecordLayout kRecord150{
    14,
    18,
    {VarKind::U8, VarKind::U8, VarKind::U8, VarKind::S8, VarKind::S8, VarKind::U16, VarKind::U8, VarKind::U16,
     VarKind::U16, VarKind::U16, VarKind::U8, VarKind::U8, VarKind::U8, VarKind::U8}};
constexpr RecordLayout kRecord151{4, 5, {VarKind::U16, VarKind::U8, VarKind::U8, VarKind::U8}};
constexpr RecordLayout kRecord152{8,
                                  12,
                                  {VarKind::U8, VarKind::U8, VarKind::U8, VarKind::U16, VarKind::U16,
                                   VarKind::U8, VarKind::U16, VarKind::U8}};

}  // namespace

const VarInfo& VarInfoOf(int index) {
    static const VarInfo none{};
    if (index < 0 || index >= kVarCount) return none;
    return TheTable().vars[index];
}

bool IsScalar(VarKind k) { return k == VarKind::U8 || k == VarKind::S8 || k == VarKind::U16; }
bool IsArray(VarKind k) { return k == VarKind::ArrayU8 || k == VarKind::ArrayS8 || k == VarKind::ArrayU16; }
bool IsTable(VarKind k) { return k == VarKind::TableU16 || k == VarKind::TableS8; }

int ElementBytes(VarKind k) {
    return (k == VarKind::U16 || k == VarKind::ArrayU16 || k == VarKind::TableU16) ? 2 : 1;
}

bool IsSignedByte(VarKind k) { return k == VarKind::S8 || k == VarKind::ArrayS8 || k == VarKind::TableS8; }

const RecordLayout* RecordLayoutOf(int index) {
    switch (index) {
        case kRecordLive:
            return &kRecord150;
        case kRecordParameters:
            return &kRecord151;
        case kRecordMapping:
            return &kRecord152;
        default:
            return nullptr;
    }
}

int32_t DecodeElement(VarKind k, const uint8_t* bytes) {
    if (ElementBytes(k) == 2) return static_cast<int32_t>(bytes[0] | (bytes[1] << 8));
    if (IsSignedByte(k)) return static_cast<int8_t>(bytes[0]);
    return bytes[0];
}

}  // namespace zov
