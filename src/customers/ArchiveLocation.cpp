#include "ArchiveLocation.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <memory>

#include "GlobalData.h"

namespace zov {

namespace {

std::unique_ptr<QSettings> OpenStore(const QString& directory) {
    const QString key = QString::fromStdString(GlobalData::KeyFor(1, "ZOV Qbr"));
    if (directory.isEmpty()) return std::make_unique<QSettings>(QString(GlobalData::kOrganisation), key);
    return std::make_unique<QSettings>(directory + '/' + GlobalData::kOrganisation + '/' + key + ".ini",
                                       QSettings::IniFormat);
}

}  // namespace

QString ArchiveLocation::Describe() const {
    if (kind == Kind::Sqlite) return SqlitePath();
    return QStringLiteral("%1@%2:%3/%4").arg(user, host).arg(port).arg(database);
}

bool ArchiveLocation::SamePlace(const ArchiveLocation& other) const {
    if (kind != other.kind) return false;
    if (kind == Kind::Sqlite)
        return QFileInfo(SqlitePath()).absoluteFilePath() == QFileInfo(other.SqlitePath()).absoluteFilePath();
    return host == other.host && port == other.port && database == other.database;
}

const QStringList& ArchiveLocation::SslModes() {
    static const QStringList modes = {QStringLiteral("disable"),   QStringLiteral("allow"),
                                      QStringLiteral("prefer"),    QStringLiteral("require"),
                                      QStringLiteral("verify-ca"), QStringLiteral("verify-full")};
    return modes;
}

QString ArchiveLocation::DriverName() const {
    return kind == Kind::Postgres ? QStringLiteral("QPSQL") : QStringLiteral("QSQLITE");
}

void ArchiveLocation::Configure(QSqlDatabase& db) const {
    if (kind == Kind::Sqlite) {
        db.setDatabaseName(SqlitePath());
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000"));
        return;
    }
    db.setHostName(host);
    db.setPort(port);
    db.setDatabaseName(database);
    db.setUserName(user);
    db.setConnectOptions(QStringLiteral("connect_timeout=10;sslmode=") + sslMode);
}

QString ArchiveLocation::FindLegacyTable() const {
    const QDir folder(Folder());
    for (const QString& name : folder.entryList(QDir::Files))
        if (name.compare(QLatin1String(kLegacyTable), Qt::CaseInsensitive) == 0) return folder.filePath(name);
    return {};
}

ArchiveLocation ArchiveLocation::FromSettings(const QString& storeDirectory,
                                              const QString& runtimeDirectory) {
    ArchiveLocation location;
    location.runtimeDirectory = runtimeDirectory;
    const std::unique_ptr<QSettings> store = OpenStore(storeDirectory);
    store->beginGroup(QStringLiteral("CustomerArchive"));
    if (store->value(QStringLiteral("Driver"))
            .toString()
            .compare(QLatin1String("postgres"), Qt::CaseInsensitive) != 0)
        return location;
    location.kind = Kind::Postgres;
    location.host = store->value(QStringLiteral("Host")).toString();
    bool ok = false;
    const int port = store->value(QStringLiteral("Port")).toInt(&ok);
    if (ok && port > 0 && port < 65536) location.port = port;
    location.database = store->value(QStringLiteral("Database")).toString();
    location.user = store->value(QStringLiteral("User")).toString();
    const QString sslMode = store->value(QStringLiteral("SslMode")).toString().toLower();
    if (SslModes().contains(sslMode)) location.sslMode = sslMode;
    return location;
}

bool ArchiveLocation::ToSettings(const QString& storeDirectory, const ArchiveLocation& location) {
    const std::unique_ptr<QSettings> store = OpenStore(storeDirectory);
    store->beginGroup(QStringLiteral("CustomerArchive"));
    const bool postgres = location.kind == Kind::Postgres;
    store->setValue(QStringLiteral("Driver"),
                    postgres ? QStringLiteral("postgres") : QStringLiteral("sqlite"));
    store->setValue(QStringLiteral("Host"), location.host);
    store->setValue(QStringLiteral("Port"), location.port);
    store->setValue(QStringLiteral("Database"), location.database);
    store->setValue(QStringLiteral("User"), location.user);
    store->setValue(QStringLiteral("SslMode"), location.sslMode);
    store->endGroup();
    store->sync();
    return store->status() == QSettings::NoError;
}

}  // namespace zov
