#pragma once

#include <QSqlDatabase>
#include <QString>
#include <QStringList>

namespace zov {

// Where the customer archive lives. SQLite (the default) keeps it in Clienti/ under the program's
// runtime directory and needs nothing else. A workshop with several benches can share one archive
// on a PostgreSQL server instead: host (a name, an address or a Unix socket folder), port,
// database and user come from the settings; the password is never stored there, it comes from
// the usual PostgreSQL sources (~/.pgpass, PGPASSWORD).
struct ArchiveLocation {
    enum class Kind { Sqlite, Postgres };

    Kind kind = Kind::Sqlite;
    QString runtimeDirectory;  // the lock file and, for SQLite, the archive's folder
    QString host;
    int port = 5432;
    QString database;
    QString user;
    QString sslMode = QLatin1String(kDefaultSslMode);  // libpq's sslmode

    static constexpr const char* kDefaultSslMode = "prefer";
    static constexpr const char* kFolder = "Clienti";
    static constexpr const char* kSqliteFile = "dbcli.sqlite";
    static constexpr const char* kLegacyTable = "dbcli.DBF";
    static constexpr const char* kLockFile = "Clienti/.dbcli.lock";

    QString Folder() const { return runtimeDirectory + QLatin1Char('/') + QLatin1String(kFolder); }
    QString SqlitePath() const { return Folder() + QLatin1Char('/') + QLatin1String(kSqliteFile); }
    // The older installation's table in Clienti/, its name's case ignored (it was written on a
    // file system that ignores case: DBCLI.DBF, dbcli.dbf); empty when there is none.
    QString FindLegacyTable() const;
    QString LockPath() const { return runtimeDirectory + QLatin1Char('/') + QLatin1String(kLockFile); }
    // One line for messages: the file, or user@host:port/database.
    QString Describe() const;
    // The same archive: the same file, or the same database on the same server.
    bool SamePlace(const ArchiveLocation& other) const;

    // libpq's SSL modes, weakest first.
    static const QStringList& SslModes();
    // The Qt SQL driver of this kind of archive.
    QString DriverName() const;
    // Points `db` at this archive (no password: libpq finds it in ~/.pgpass or PGPASSWORD).
    void Configure(QSqlDatabase& db) const;

    // The settings store's group "CustomerArchive" (Driver = "sqlite" or "postgres", Host, Port,
    // Database, User, SslMode) in the same store as the program's other settings (`storeDirectory` empty:
    // the user's own store). A store without the group, or with another driver name, means SQLite.
    static ArchiveLocation FromSettings(const QString& storeDirectory, const QString& runtimeDirectory);
    // Writes the group, so the window and zovctl agree; no password is ever written.
    static bool ToSettings(const QString& storeDirectory, const ArchiveLocation& location);
};

}  // namespace zov
