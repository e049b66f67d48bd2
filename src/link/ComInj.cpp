#include "ComInj.h"

#include <algorithm>
#include <vector>

namespace zov {
namespace {

constexpr uint8_t OP_READ_SCALAR = 0x01;
constexpr uint8_t OP_READ_ARRAY = 0x21;
constexpr uint8_t OP_READ_TABLE = 0x61;
constexpr uint8_t OP_READ_ELEMENT = 0x05;
constexpr uint8_t OP_READ_ROW = 0x65;
constexpr uint8_t OP_READ_RECORD = 0x41;
constexpr uint8_t OP_READ_RECORD_ARGS = 0x49;
constexpr uint8_t OP_WRITE_BYTE = 0x06;
constexpr uint8_t OP_WRITE_WORD = 0x0A;
constexpr uint8_t OP_WRITE_ARRAY = 0x3E;
constexpr uint8_t OP_WRITE_ROW = 0x7E;
constexpr uint8_t OP_WRITE_BYTE_ELEMENT = 0x0A;
constexpr uint8_t OP_WRITE_WORD_ELEMENT = 0x0E;
constexpr uint8_t OP_WRITE_BYTE_CELL = 0x0E;
constexpr uint8_t OP_WRITE_WORD_CELL = 0x12;

bool FitsByte(int v) { return v >= 0 && v <= 0xFF; }

}  // namespace

ComInj::ComInj(int portIndex_, int baudIndex_, SerialOpener& opener, Clock& clock, Prompter& prompter)
    : ComProt(portIndex_, baudIndex_, opener, clock, prompter) {}

ComInj::~ComInj() = default;

bool ComInj::Ready(int index) const { return FitsByte(index) && isOpen && IsConnected() && !IsBusy(); }

void ComInj::ReadElements(VarKind kind, int count, int32_t* out) {
    const int width = ElementBytes(kind);
    for (int i = 0; i < count; ++i) {
        uint8_t bytes[2] = {ReceiveAnswerByte(), 0};
        if (width == 2) bytes[1] = ReceiveAnswerByte();
        out[i] = DecodeElement(kind, bytes);
    }
}

void ComInj::AppendValues(Request& request, VarKind kind, const int32_t* values, int count) {
    const bool word = ElementBytes(kind) == 2;
    for (int i = 0; i < count; ++i)
        request.push_back({uint16_t(word ? (values[i] & 0xFFFF) : (values[i] & 0xFF)), word});
}

WriteOutcome ComInj::WriteResult(const Request& request) {
    switch (Exchange(request, [] {})) {
        case Outcome::Answered:
            return WriteOutcome::Answered;
        case Outcome::Refused:
            return WriteOutcome::Refused;
        case Outcome::Lost:
            break;
    }
    return WriteOutcome::Lost;
}

WriteOutcome ComInj::Unsent(int index) const {
    return isOpen && IsConnected() && !IsBusy() && !FitsByte(index) ? WriteOutcome::Refused
                                                                    : WriteOutcome::Lost;
}

int32_t ComInj::ReadVar(int index, int32_t* values) {
    if (!Ready(index)) return 0;
    const VarInfo& v = VarInfoOf(index);
    const uint8_t idx = uint8_t(index);
    if (IsScalar(v.kind)) {
        int32_t value = 0;
        const Outcome o =
            Exchange({{OP_READ_SCALAR, false}, {idx, false}}, [&] { ReadElements(v.kind, 1, &value); });
        return o == Outcome::Answered ? value : 0;
    }
    const bool array = IsArray(v.kind);
    if (!array && v.kind != VarKind::TableU16) {
        NotAvailable();
        return 0;
    }
    if (!values) {
        AddErrorFlags(ERR_REQUEST);
        return 0;
    }
    const int count = array ? v.length : v.length * v.rows;
    std::vector<int32_t> answer(size_t(count), 0);
    const Outcome o = Exchange({{array ? OP_READ_ARRAY : OP_READ_TABLE, false}, {idx, false}},
                               [&] { ReadElements(v.kind, count, answer.data()); });
    if (o != Outcome::Answered) return 0;
    std::copy(answer.begin(), answer.end(), values);
    return array ? 0 : v.rows;
}

int32_t ComInj::ReadVarElement(int index, int element, int32_t* values) {
    if (!Ready(index)) return 0;
    const VarInfo& v = VarInfoOf(index);
    const uint8_t idx = uint8_t(index);
    if (!FitsByte(element)) {
        AddErrorFlags(ERR_REQUEST);
        return 0;
    }
    if (IsArray(v.kind)) {
        int32_t value = 0;
        const Outcome o = Exchange({{OP_READ_ELEMENT, false}, {idx, false}, {uint16_t(element), false}},
                                   [&] { ReadElements(v.kind, 1, &value); });
        if (o != Outcome::Answered) return 0;
        if (element >= v.length) {
            AddErrorFlags(ERR_REQUEST);
            return value;
        }
        if (values) values[element] = value;
        return value;
    }
    if (IsTable(v.kind)) {
        std::vector<int32_t> row(v.length, 0);
        const Outcome o = Exchange({{OP_READ_ROW, false}, {idx, false}, {uint16_t(element), false}},
                                   [&] { ReadElements(v.kind, v.length, row.data()); });
        if (o != Outcome::Answered) return 0;
        if (values)
            std::copy(row.begin(), row.end(), values);
        else
            AddErrorFlags(ERR_REQUEST);
        return 0;
    }
    NotAvailable();
    return 0;
}

bool ComInj::ReadRecord(int index, int32_t* record, int size, int a, int b) {
    if (!Ready(index)) return false;
    const RecordLayout* layout = RecordLayoutOf(index);
    if (!layout) {
        NotAvailable();
        return false;
    }
    if (!record || size < layout->valueCount) return false;
    Request request{{index == kRecordMapping ? OP_READ_RECORD_ARGS : OP_READ_RECORD, false},
                    {uint16_t(index), false}};
    if (index == kRecordMapping) {
        request.push_back({uint16_t(a & 0xFF), false});
        request.push_back({uint16_t(b & 0xFF), false});
    }
    // Record 152 carries one byte more than its values fill: the answer is read whole and the
    // values are taken from its start.
    std::vector<uint8_t> data(size_t(layout->dataBytes), 0);
    const Outcome o = Exchange(
        request,
        [&] {
            for (uint8_t& b : data) b = ReceiveAnswerByte();
        },
        true);
    if (o != Outcome::Answered) return false;
    const uint8_t* at = data.data();
    for (int i = 0; i < layout->valueCount; ++i) {
        const VarKind kind = layout->types[size_t(i)];
        record[i] = DecodeElement(kind, at);
        at += ElementBytes(kind);
    }
    return true;
}

WriteOutcome ComInj::WriteVar(int index, int32_t value) {
    if (!Ready(index)) return Unsent(index);
    const VarInfo& v = VarInfoOf(index);
    if (!IsScalar(v.kind)) return RefusedHere(ERR_NOT_AVAILABLE);
    const uint8_t idx = uint8_t(index);
    if (v.kind == VarKind::U16)
        return WriteResult({{OP_WRITE_WORD, false}, {idx, false}, {uint16_t(value & 0xFFFF), true}});
    return WriteResult({{OP_WRITE_BYTE, false}, {idx, false}, {uint16_t(value & 0xFF), false}});
}

WriteOutcome ComInj::WriteArray(int index, const int32_t* values) {
    if (!Ready(index)) return Unsent(index);
    const VarInfo& v = VarInfoOf(index);
    if (!IsArray(v.kind) || v.readOnly) return RefusedHere(ERR_NOT_AVAILABLE);
    const bool word = ElementBytes(v.kind) == 2;
    if (!values) return word ? WriteOutcome::Refused : RefusedHere(ERR_REQUEST);
    const int length = (word ? 2 * v.length : v.length) + 1;
    Request request{{OP_WRITE_ARRAY, false}, {uint16_t(length), false}, {uint8_t(index), false}};
    AppendValues(request, v.kind, values, v.length);
    return WriteResult(request);
}

WriteOutcome ComInj::WriteTableRow(int index, int row, const int32_t* values) {
    if (!Ready(index)) return Unsent(index);
    const VarInfo& v = VarInfoOf(index);
    if (!IsTable(v.kind)) return RefusedHere(ERR_NOT_AVAILABLE);
    if (!values) return WriteOutcome::Refused;
    const int length = ElementBytes(v.kind) * v.length + 2;
    Request request{{OP_WRITE_ROW, false},
                    {uint16_t(length), false},
                    {uint8_t(index), false},
                    {uint16_t(row & 0xFF), false}};
    AppendValues(request, v.kind, values, v.length);
    return WriteResult(request);
}

WriteOutcome ComInj::WriteVarElement(int index, int element, int32_t value) {
    if (!Ready(index)) return Unsent(index);
    const VarInfo& v = VarInfoOf(index);
    if (!IsArray(v.kind) || v.readOnly) return RefusedHere(ERR_NOT_AVAILABLE);
    if (element < 0 || element >= v.length) return RefusedHere(ERR_REQUEST);
    const uint8_t idx = uint8_t(index);
    if (ElementBytes(v.kind) == 2)
        return WriteResult({{OP_WRITE_WORD_ELEMENT, false},
                            {idx, false},
                            {uint16_t(element), false},
                            {uint16_t(value & 0xFFFF), true}});
    return WriteResult({{OP_WRITE_BYTE_ELEMENT, false},
                        {idx, false},
                        {uint16_t(element), false},
                        {uint16_t(value & 0xFF), false}});
}

WriteOutcome ComInj::WriteTableCell(int index, int row, int column, int32_t value) {
    if (!Ready(index)) return Unsent(index);
    const VarInfo& v = VarInfoOf(index);
    if (!IsTable(v.kind)) return RefusedHere(ERR_NOT_AVAILABLE);
    const uint8_t idx = uint8_t(index);
    const uint16_t r = uint16_t(row & 0xFF), c = uint16_t(column & 0xFF);
    if (v.kind == VarKind::TableU16)
        return WriteResult({{OP_WRITE_WORD_CELL, false},
                            {idx, false},
                            {r, false},
                            {c, false},
                            {uint16_t(value & 0xFFFF), true}});
    return WriteResult(
        {{OP_WRITE_BYTE_CELL, false}, {idx, false}, {r, false}, {c, false}, {uint16_t(value & 0xFF), false}});
}

}  // namespace zov
