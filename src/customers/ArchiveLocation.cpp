#include "ArchiveLocation.h"

#include <QDir>
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
    store->endGroup();
    store->sync();
    return store->status() == QSettings::NoError;
}

}  // namespace zov
