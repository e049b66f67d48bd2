#pragma once

#include <QString>
#include <vector>

#include "CustomerFields.h"

namespace zov {

// The dBASE customer table an older installation left in Clienti/ (dbcli.DBF), read through
// shapelib. Columns are matched by name, so a table with the fields in another order or with
// fields of its own still gives its customers; texts are Windows-1252, dates YYYYMMDD. Records
// marked as deleted are left out. The file is only read, never changed.
struct LegacyTableContents {
    bool ok = false;
    QString error;  // why the table cannot be read, naming the file
    std::vector<CustomerRecord> records;
};

LegacyTableContents ReadLegacyCustomerTable(const QString& path);

}  // namespace zov
