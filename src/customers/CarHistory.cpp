#include "CarHistory.h"

#include <QFile>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <QSysInfo>
#include <QVariant>

#include "Packaging.h"

namespace zov {

namespace {

constexpr const char* kColumns = "ID, KIND, TAKEN_AT, HOST, PLATE, SERIAL, CUSTOMER, VEHICLE, FILE_NAME";

CarHistory::Entry EntryFrom(const QSqlQuery& query) {
    CarHistory::Entry e;
    e.id = query.value(0).toLongLong();
    e.kind = query.value(1).toString() == QLatin1String("installation") ? CarHistory::Kind::Installation
                                                                        : CarHistory::Kind::Backup;
    e.taken = QDateTime::fromString(query.value(2).toString(), Qt::ISODate);
    e.host = query.value(3).toString();
    e.plate = query.value(4).toString();
    e.serial = query.value(5).toString();
    e.customer = query.value(6).toString();
    e.vehicle = query.value(7).toString();
    e.fileName = query.value(8).toString();
    return e;
}

}  // namespace

std::optional<qint64> CarHistory::Store(Entry entry, QString& error) {
    QSqlQuery insert(db_);
    insert.prepare(QStringLiteral("INSERT INTO %1 (KIND, TAKEN_AT, HOST, PLATE, SERIAL, CUSTOMER, VEHICLE, "
                                  "FILE_NAME, CONTENT) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?) RETURNING ID")
                       .arg(QLatin1String(kTable)));
    insert.addBindValue(KindName(entry.kind));
    insert.addBindValue(QDateTime::currentDateTimeUtc().toString(Qt::ISODate));
    insert.addBindValue(entry.host.isEmpty() ? QSysInfo::machineHostName() : entry.host);
    insert.addBindValue(entry.plate.trimmed().toUpper());
    insert.addBindValue(entry.serial.trimmed().toUpper());
    insert.addBindValue(entry.customer);
    insert.addBindValue(entry.vehicle);
    insert.addBindValue(entry.fileName);
    insert.addBindValue(entry.content);
    if (!insert.exec() || !insert.next()) {
        error = insert.lastError().text();
        return std::nullopt;
    }
    return insert.value(0).toLongLong();
}

std::optional<std::vector<CarHistory::Entry>> CarHistory::Find(const QString& plate, const QString& serial,
                                                               QString& error) {
    QSqlQuery query(db_);
    QString where = QStringLiteral("1 = 1");
    if (!plate.isEmpty()) where = QStringLiteral("PLATE = ?");
    if (!serial.isEmpty()) where += QStringLiteral(" AND SERIAL = ?");
    query.prepare(QStringLiteral("SELECT %1 FROM %2 WHERE %3 ORDER BY TAKEN_AT DESC, ID DESC")
                      .arg(QLatin1String(kColumns), QLatin1String(kTable), where));
    if (!plate.isEmpty()) query.addBindValue(plate.trimmed().toUpper());
    if (!serial.isEmpty()) query.addBindValue(serial.trimmed().toUpper());
    if (!query.exec()) {
        error = query.lastError().text();
        return std::nullopt;
    }
    std::vector<Entry> out;
    while (query.next()) out.push_back(EntryFrom(query));
    return out;
}

std::optional<std::vector<CarHistory::Entry>> CarHistory::FindAny(const QString& plate, const QString& serial,
                                                                  const QString& customer, QString& error) {
    QStringList conditions;
    QVariantList values;
    const auto ask = [&](const char* condition, const QString& value) {
        if (value.isEmpty()) return;
        conditions << QLatin1String(condition);
        values << value;
    };
    ask("PLATE = ?", plate.trimmed().toUpper());
    ask("SERIAL = ?", serial.trimmed().toUpper());
    ask("CUSTOMER = ?", customer.trimmed());
    std::vector<Entry> out;
    if (conditions.isEmpty()) return out;
    QSqlQuery query(db_);
    query.prepare(
        QStringLiteral("SELECT %1 FROM %2 WHERE %3 ORDER BY TAKEN_AT DESC, ID DESC")
            .arg(QLatin1String(kColumns), QLatin1String(kTable), conditions.join(QStringLiteral(" OR "))));
    for (const QVariant& v : values) query.addBindValue(v);
    if (!query.exec()) {
        error = query.lastError().text();
        return std::nullopt;
    }
    while (query.next()) out.push_back(EntryFrom(query));
    return out;
}

bool CarHistory::Identify(qint64 id, const QString& plate, const QString& serial, const QString& customer,
                          QString& error) {
    QSqlQuery update(db_);
    update.prepare(QStringLiteral("UPDATE %1 SET PLATE = ?, SERIAL = ?, CUSTOMER = ? WHERE ID = ? AND "
                                  "COALESCE(PLATE, '') = '' AND COALESCE(SERIAL, '') = '' AND "
                                  "COALESCE(CUSTOMER, '') = ''")
                       .arg(QLatin1String(kTable)));
    update.addBindValue(plate.trimmed().toUpper());
    update.addBindValue(serial.trimmed().toUpper());
    update.addBindValue(customer.trimmed());
    update.addBindValue(id);
    if (update.exec()) return true;
    error = update.lastError().text();
    return false;
}

bool CarHistory::WriteOut(const Entry& entry, const QString& path, QString& error) {
    const PackResult written =
        WriteFileAtomically(QFile::encodeName(path).toStdString(),
                            std::string_view(entry.content.constData(), size_t(entry.content.size())));
    if (!written) error = QString::fromStdString(written.error);
    return written.ok;
}

std::optional<CarHistory::Entry> CarHistory::Get(qint64 id, QString& error) {
    QSqlQuery query(db_);
    query.prepare(QStringLiteral("SELECT %1, CONTENT FROM %2 WHERE ID = ?")
                      .arg(QLatin1String(kColumns), QLatin1String(kTable)));
    query.addBindValue(id);
    if (!query.exec()) {
        error = query.lastError().text();
        return std::nullopt;
    }
    if (!query.next()) {
        error = QStringLiteral("there is no history entry %1").arg(id);
        return std::nullopt;
    }
    Entry e = EntryFrom(query);
    e.content = query.value(9).toByteArray();
    return e;
}

}  // namespace zov
