#pragma once

#include <QString>

#include "ArchiveLocation.h"

namespace zov {

// What stands between a bench and the archive its settings name, as precisely as the database
// says it, so the person setting a bench up knows which setting to change (or that the program
// must make the archive first).
enum class ConnectionProblem {
    None,             // connected, and the archive is of this program's version
    DriverMissing,    // Qt's driver for the database is not installed
    HostUnreachable,  // no server answers at that host and port
    Authentication,   // the server refused the user or the password
    DatabaseMissing,  // the server has no database of that name
    Ssl,              // the server and the chosen SSL mode do not agree
    SchemaMissing,    // connected, but there is no customer archive there yet
    SchemaOlder,      // an archive of an older version: it must be brought up to date once
    SchemaNewer,      // made by a newer program
    Other,            // anything else; the detail says what
};

struct ConnectionReport {
    ConnectionProblem problem = ConnectionProblem::Other;
    QString detail;  // the database's own words
};

class ConnectionCheck {
  public:
    // The reason in a failed connection's message. libpq and the server write English texts
    // unless told otherwise; a translated text the rule does not know is Other.
    static ConnectionProblem Classify(const QString& message);

    // Connects to `location` as the archive would (an SQLite file is only read, never made) and
    // looks at the archive's version. `driver` overrides the location's Qt driver name.
    static ConnectionReport Probe(const ArchiveLocation& location, const QString& driver = {});

    // Makes the archive at `location`, or brings an older one up to date, as zovctl customers
    // init does, without opening it: an older installation's table is imported, with its report,
    // by the next ordinary open.
    static bool MakeArchive(const ArchiveLocation& location, QString& error);

    // One English line for the command line and the logs.
    static QString Describe(ConnectionProblem problem);
};

}  // namespace zov
