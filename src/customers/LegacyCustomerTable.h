#pragma once

#include <QString>
#include <vector>

#include "CustomerFields.h"

namespace zov {

// A value of the table that did not reach the archive as it stood: left empty, cut to its field,
// or (`recordLeftOut`) the whole record left out because a field the window requires is empty.
struct ImportProblem {
    int record = 0;  // the record's number in the table, from 1, counting deleted ones
    QString field;
    QString value;
    QString reason;
    bool recordLeftOut = false;

    // "record 12, CILINDRATA '99999': ..." for messages and the window's list.
    QString Describe() const;
};

// The dBASE customer table an older installation left in Clienti/ (dbcli.DBF), read through
// shapelib. Columns are matched by name, so a table with the fields in another order or with
// fields of its own still gives its customers; texts are in the code page the header's
// language-driver byte names (Windows-1252 when it names none), dates YYYYMMDD. Records marked as
// deleted are left out. Every value that cannot be taken is reported, never dropped quietly.
// The file is only read, never changed.
struct LegacyTableContents {
    bool ok = false;
    QString error;     // why the table cannot be read, naming the file
    QString codePage;  // the code page the texts were read in
    std::vector<CustomerRecord> records;
    std::vector<ImportProblem> problems;
};

LegacyTableContents ReadLegacyCustomerTable(const QString& path);

// The code page a dBASE language-driver byte names ("IBM437", "windows-1252", ...); empty for a
// byte this program does not know.
QString CodePageOfDriverByte(unsigned char driver);

}  // namespace zov
