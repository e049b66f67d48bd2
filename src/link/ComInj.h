#pragma once

#include <cstdint>

#include "ComProt.h"
#include "EcuVariables.h"

namespace zov {

// The link object of the program: the ECU's variable commands over the frame protocol.
// Every command needs an open session; failures land in errorFlags (ERR_NOT_AVAILABLE for a
// refused or unknown variable), a lost session shows as connected == 0.
class ComInj : public ComProt {
public:
    ComInj(int portIndex, int baudIndex, SerialOpener& opener, Clock& clock, Prompter& prompter);
    ~ComInj() override;

    // Scalars: the value. Arrays: 0, elements in values. Tables 50/131: the row count, cells in
    // values row by row.
    int32_t ReadVar(int index, int32_t* values);
    // Arrays: the element (also stored in values[element]). Tables: one row into values[0..].
    int32_t ReadVarElement(int index, int element, int32_t* values);
    // Records 150, 151, 152 (a and b only for 152); size is the capacity of record.
    bool ReadRecord(int index, int32_t* record, int size, int a = 0, int b = 0);
    bool WriteVar(int index, int32_t value);
    bool WriteArray(int index, const int32_t* values);
    bool WriteTableRow(int index, int row, const int32_t* values);
    bool WriteVarElement(int index, int element, int32_t value);
    bool WriteTableCell(int index, int row, int column, int32_t value);

private:
    bool Ready(int index) const;
    void NotAvailable() { errorFlags = ERR_NOT_AVAILABLE; }
    // Reads `count` elements of `kind` into `out` as the answer arrives.
    void ReadElements(VarKind kind, int count, int32_t* out);
    bool WriteResult(const Request& request);
    static void AppendValues(Request& request, VarKind kind, const int32_t* values, int count);
};

}  // namespace zov
