#include "ConnectionCheck.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>
#include <array>
#include <string>
#include <utility>

#include "CustomerSchema.h"

namespace zov {

namespace {

struct Clue {
    const char* text;  // lower case
    ConnectionProblem problem;
    bool missing = false;  // only when the text goes on to say that it does not exist
};

// Checked in this order: a refused login names the server's socket or address too, so the
// reasons that come from a server that answered go before those of one that did not.
constexpr std::array kClues = {
    Clue{"driver not loaded", ConnectionProblem::DriverMissing},
    Clue{"database \"", ConnectionProblem::DatabaseMissing, true},
    Clue{"password authentication failed", ConnectionProblem::Authentication},
    Clue{"no password supplied", ConnectionProblem::Authentication},
    Clue{"authentication failed", ConnectionProblem::Authentication},
    Clue{"role \"", ConnectionProblem::Authentication, true},
    Clue{"no pg_hba.conf entry", ConnectionProblem::Authentication},
    Clue{"is not permitted to log in", ConnectionProblem::Authentication},
    Clue{"ssl", ConnectionProblem::Ssl},
    Clue{"certificate", ConnectionProblem::Ssl},
    Clue{"could not translate host name", ConnectionProblem::HostUnreachable},
    Clue{"connection refused", ConnectionProblem::HostUnreachable},
    Clue{"no such file or directory", ConnectionProblem::HostUnreachable},
    Clue{"timeout expired", ConnectionProblem::HostUnreachable},
    Clue{"no route to host", ConnectionProblem::HostUnreachable},
    Clue{"network is unreachable", ConnectionProblem::HostUnreachable},
    Clue{"could not connect to server", ConnectionProblem::HostUnreachable},
};

// "database" and "role" are in many texts; only "... does not exist" names a missing one.
bool Matches(const QString& lower, const Clue& clue) {
    const qsizetype at = lower.indexOf(QLatin1String(clue.text));
    if (at < 0) return false;
    return !clue.missing || lower.indexOf(QLatin1String("does not exist"), at) >= 0;
}

ConnectionReport SchemaReport(const QSqlDatabase& db, bool postgres) {
    CustomerSchema schema(db, postgres);
    if (!schema.TableExists()) return {ConnectionProblem::SchemaMissing, {}};
    QString error;
    const int version = schema.Version(error);
    if (version <= 0) return {ConnectionProblem::Other, error};
    if (version < CustomerSchema::kVersion) return {ConnectionProblem::SchemaOlder, {}};
    if (version > CustomerSchema::kVersion) return {ConnectionProblem::SchemaNewer, {}};
    return {ConnectionProblem::None, {}};
}

ConnectionReport ProbeOn(const QString& name, const ArchiveLocation& location, const QString& driver) {
    const bool postgres = location.kind == ArchiveLocation::Kind::Postgres;
    // Asked first, so Qt's own complaint about a missing plugin never reaches the terminal.
    if (!QSqlDatabase::isDriverAvailable(driver))
        return {ConnectionProblem::DriverMissing,
                ConnectionCheck::Describe(ConnectionProblem::DriverMissing)};
    QSqlDatabase db = QSqlDatabase::addDatabase(driver, name);
    location.Configure(db);
    // A look never makes or changes the file.
    if (!postgres) db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
    if (!db.open()) {
        const QString message = db.lastError().text();
        return {ConnectionCheck::Classify(message), message.trimmed()};
    }
    ConnectionReport report = SchemaReport(db, postgres);
    db.close();
    return report;
}

bool MakeOn(const QString& name, const ArchiveLocation& location, QString& error) {
    const bool postgres = location.kind == ArchiveLocation::Kind::Postgres;
    if (!QSqlDatabase::isDriverAvailable(location.DriverName())) {
        error = ConnectionCheck::Describe(ConnectionProblem::DriverMissing);
        return false;
    }
    QSqlDatabase db = QSqlDatabase::addDatabase(location.DriverName(), name);
    location.Configure(db);
    if (!postgres && !QDir().mkpath(location.Folder())) {
        error = QStringLiteral("cannot create the folder %1").arg(location.Folder());
        return false;
    }
    if (!db.open()) {
        error = db.lastError().text().trimmed();
        return false;
    }
    if (postgres) QSqlQuery(db).exec(QStringLiteral("SET client_min_messages = warning"));
    CustomerSchema schema(db, postgres);
    bool made = true;
    if (!schema.TableExists()) {
        made = schema.Create(error);
    } else if (const int version = schema.Version(error); version <= 0) {
        made = false;
    } else if (version > CustomerSchema::kVersion) {
        error = ConnectionCheck::Describe(ConnectionProblem::SchemaNewer);
        made = false;
    } else if (version < CustomerSchema::kVersion) {
        made = schema.Upgrade(error);
    }
    db.close();
    return made;
}

}  // namespace

bool ConnectionCheck::MakeArchive(const ArchiveLocation& location, QString& error) {
    const QString name = QStringLiteral("make-") + QUuid::createUuid().toString(QUuid::WithoutBraces);
    const bool made = MakeOn(name, location, error);
    QSqlDatabase::removeDatabase(name);
    return made;
}

ConnectionProblem ConnectionCheck::Classify(const QString& message) {
    // libpq names the server first ("connection to server on socket \"/srv/ssl/...\" failed: ");
    // only what follows is the reason.
    QString lower = message.toLower();
    if (const qsizetype reason = lower.indexOf(QLatin1String(" failed: ")); reason >= 0)
        lower = lower.mid(reason + int(std::char_traits<char>::length(" failed: ")));
    for (const Clue& clue : kClues)
        if (Matches(lower, clue)) return clue.problem;
    return ConnectionProblem::Other;
}

ConnectionReport ConnectionCheck::Probe(const ArchiveLocation& location, const QString& driver) {
    const bool postgres = location.kind == ArchiveLocation::Kind::Postgres;
    if (!postgres && !QFileInfo::exists(location.SqlitePath())) return {ConnectionProblem::SchemaMissing, {}};
    const QString name = QStringLiteral("probe-") + QUuid::createUuid().toString(QUuid::WithoutBraces);
    ConnectionReport report = ProbeOn(name, location, driver.isEmpty() ? location.DriverName() : driver);
    QSqlDatabase::removeDatabase(name);
    return report;
}

QString ConnectionCheck::Describe(ConnectionProblem problem) {
    switch (problem) {
        case ConnectionProblem::None:
            return QStringLiteral("connected; the customer archive is ready");
        case ConnectionProblem::DriverMissing:
            return QStringLiteral("the PostgreSQL driver of Qt (QPSQL plugin) is not installed");
        case ConnectionProblem::HostUnreachable:
            return QStringLiteral("no server answers at that host and port");
        case ConnectionProblem::Authentication:
            return QStringLiteral("the server refused the user or the password");
        case ConnectionProblem::DatabaseMissing:
            return QStringLiteral("the server has no database of that name");
        case ConnectionProblem::Ssl:
            return QStringLiteral("the server does not accept the chosen SSL mode");
        case ConnectionProblem::SchemaMissing:
            return QStringLiteral("there is no customer archive there yet");
        case ConnectionProblem::SchemaOlder:
            return QStringLiteral("the archive is of an older version and must be brought up to date");
        case ConnectionProblem::SchemaNewer:
            return QStringLiteral("the archive was made by a newer program");
        case ConnectionProblem::Other:
            break;
    }
    return QStringLiteral("the connection failed");
}

}  // namespace zov
