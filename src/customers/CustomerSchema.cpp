#include "CustomerSchema.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>
#include <utility>
#include <vector>

#include "CarHistory.h"
#include "CustomerFields.h"
#include "CustomerQuery.h"

namespace zov {

namespace {

struct IndexDefinition {
    const char* name;
    const char* columns;
};

// ICOGNOME serves the view's order and the surname searches; the others the searches by vehicle,
// date, plate and serial number.
constexpr IndexDefinition kIndexes[] = {
    {"ICOGNOME", "COGNOME_K, ID"}, {"IVETTURA", "AUTO_K"},   {"IDATA_INST", "DATA_INST"},
    {"ITARGA", "TARGA_K"},         {"INSERIE", "N_SERIE_K"},
};

QString FieldColumnType(int field) {
    const CustomerFieldInfo& info = FieldInfo(field);
    switch (info.kind) {
        case FieldKind::Text:
            return QStringLiteral("VARCHAR(%1)").arg(info.size);
        case FieldKind::Number:
            return QStringLiteral("INTEGER CHECK (%1 BETWEEN 0 AND %2)")
                .arg(QLatin1String(info.name))
                .arg(kMaxFieldNumber);
        case FieldKind::Date:
            return QStringLiteral("DATE");
    }
    return {};
}

QString HistoryTable(bool postgres) {
    return QStringLiteral(
               "CREATE TABLE IF NOT EXISTS %1 (ID %2, KIND VARCHAR(12) NOT NULL, TAKEN_AT VARCHAR(25) "
               "NOT NULL, HOST VARCHAR(64), PLATE VARCHAR(15), SERIAL VARCHAR(15), CUSTOMER "
               "VARCHAR(61), VEHICLE VARCHAR(200), FILE_NAME VARCHAR(200), CONTENT %3 NOT NULL)")
        .arg(QLatin1String(CarHistory::kTable),
             postgres ? QStringLiteral("BIGSERIAL PRIMARY KEY")
                      : QStringLiteral("INTEGER PRIMARY KEY AUTOINCREMENT"),
             postgres ? QStringLiteral("BYTEA") : QStringLiteral("BLOB"));
}

std::vector<int> TextFields() {
    std::vector<int> fields;
    for (int f = 0; f < kCustomerFieldCount; ++f)
        if (FieldInfo(f).kind == FieldKind::Text) fields.push_back(f);
    return fields;
}

}  // namespace

bool CustomerSchema::Exec(const QString& statement, QString& error) const {
    QSqlQuery query(db_);
    if (query.exec(statement)) return true;
    error = query.lastError().text();
    return false;
}

QString CustomerSchema::KeyColumnType() const {
    return postgres_ ? QStringLiteral("TEXT COLLATE \"C\"") : QStringLiteral("TEXT");
}

// One look at the catalogue rather than the driver's list of every table, which on a server
// costs more than the rest of an opening.
bool CustomerSchema::HasTable(const QString& name) const {
    QSqlQuery query(db_);
    query.prepare(
        postgres_ ? QStringLiteral("SELECT to_regclass(?) IS NOT NULL")
                  : QStringLiteral("SELECT COUNT(*) FROM sqlite_master WHERE type = 'table' AND name = ?"));
    query.addBindValue(name.toLower());
    return query.exec() && query.next() && query.value(0).toBool();
}

bool CustomerSchema::TableExists() const { return HasTable(QStringLiteral("dbcli")); }

int CustomerSchema::Version(QString& error) const {
    if (!HasTable(QLatin1String(kInfoTable))) return 1;
    QSqlQuery query(db_);
    query.prepare(QStringLiteral("SELECT VALUE FROM %1 WHERE NAME = ?").arg(QLatin1String(kInfoTable)));
    query.addBindValue(QLatin1String(kVersionKey));
    if (!query.exec()) {
        error = query.lastError().text();
        return 0;
    }
    if (!query.next()) return 1;
    bool ok = false;
    const int version = query.value(0).toString().toInt(&ok);
    if (!ok) error = QStringLiteral("the archive's version row is damaged");
    return ok ? version : 0;
}

bool CustomerSchema::InTransaction(const std::function<bool(QString&)>& work, QString& error) {
    if (!db_.transaction()) {
        error = db_.lastError().text();
        return false;
    }
    if (!work(error)) {
        db_.rollback();
        return false;
    }
    if (db_.commit()) return true;
    error = db_.lastError().text();
    db_.rollback();
    return false;
}

bool CustomerSchema::WriteVersion(QString& error) {
    QSqlQuery remove(db_);
    remove.prepare(QStringLiteral("DELETE FROM %1 WHERE NAME = ?").arg(QLatin1String(kInfoTable)));
    remove.addBindValue(QLatin1String(kVersionKey));
    QSqlQuery insert(db_);
    insert.prepare(
        QStringLiteral("INSERT INTO %1 (NAME, VALUE) VALUES (?, ?)").arg(QLatin1String(kInfoTable)));
    insert.addBindValue(QLatin1String(kVersionKey));
    insert.addBindValue(QString::number(kVersion));
    if (remove.exec() && insert.exec()) return true;
    error = remove.lastError().isValid() ? remove.lastError().text() : insert.lastError().text();
    return false;
}

bool CustomerSchema::Create(QString& error) {
    return InTransaction([this](QString& why) { return CreateTables(why); }, error);
}

bool CustomerSchema::CreateTables(QString& error) {
    QStringList columns;
    columns << (postgres_ ? QStringLiteral("ID BIGSERIAL PRIMARY KEY")
                          : QStringLiteral("ID INTEGER PRIMARY KEY AUTOINCREMENT"));
    for (int f = 0; f < kCustomerFieldCount; ++f)
        columns << QStringLiteral("%1 %2").arg(QLatin1String(FieldInfo(f).name), FieldColumnType(f));
    columns << QStringLiteral("ROW_VERSION INTEGER NOT NULL DEFAULT 1");
    for (int f : TextFields()) columns << KeyColumn(f) + QLatin1Char(' ') + KeyColumnType();
    QStringList all;
    for (const IndexDefinition& index : kIndexes) all << QLatin1String(index.name);
    return Exec(QStringLiteral("CREATE TABLE dbcli (%1)").arg(columns.join(QStringLiteral(", "))), error) &&
           Exec(QStringLiteral(
                    "CREATE TABLE IF NOT EXISTS %1 (NAME VARCHAR(30) PRIMARY KEY, VALUE VARCHAR(200))")
                    .arg(QLatin1String(kInfoTable)),
                error) &&
           Exec(HistoryTable(postgres_), error) && MakeIndexes(all, error) && WriteVersion(error);
}

bool CustomerSchema::FillKeys(QString& error) {
    const std::vector<int> fields = TextFields();
    QStringList names, sets;
    for (int f : fields) {
        names << QLatin1String(FieldInfo(f).name);
        sets << KeyColumn(f) + QStringLiteral(" = ?");
    }
    QSqlQuery read(db_);
    read.setForwardOnly(true);
    if (!read.exec(QStringLiteral("SELECT ID, %1 FROM dbcli").arg(names.join(QStringLiteral(", "))))) {
        error = read.lastError().text();
        return false;
    }
    std::vector<std::pair<qint64, QStringList>> rows;
    while (read.next()) {
        QStringList keys;
        for (size_t i = 0; i < fields.size(); ++i) keys << SearchKey(read.value(int(i) + 1).toString());
        rows.emplace_back(read.value(0).toLongLong(), keys);
    }
    read.finish();
    QSqlQuery write(db_);
    write.prepare(QStringLiteral("UPDATE dbcli SET %1 WHERE ID = ?").arg(sets.join(QStringLiteral(", "))));
    for (const auto& [id, keys] : rows) {
        for (const QString& key : keys) write.addBindValue(key);
        write.addBindValue(id);
        if (!write.exec()) {
            error = write.lastError().text();
            return false;
        }
    }
    return true;
}

bool CustomerSchema::Upgrade(QString& error) {
    QStringList all;
    for (const IndexDefinition& index : kIndexes) all << QLatin1String(index.name);
    return InTransaction(
        [&](QString& why) {
            if (!Exec(QStringLiteral("CREATE TABLE IF NOT EXISTS %1 (NAME VARCHAR(30) PRIMARY KEY, VALUE "
                                     "VARCHAR(200))")
                          .arg(QLatin1String(kInfoTable)),
                      why))
                return false;
            for (int f : TextFields())
                if (!Exec(QStringLiteral("ALTER TABLE dbcli ADD COLUMN %1 %2")
                              .arg(KeyColumn(f), KeyColumnType()),
                          why))
                    return false;
            for (const IndexDefinition& index : kIndexes)
                if (!Exec(QStringLiteral("DROP INDEX IF EXISTS %1").arg(QLatin1String(index.name)), why))
                    return false;
            return FillKeys(why) && Exec(HistoryTable(postgres_), why) && MakeIndexes(all, why) &&
                   WriteVersion(why);
        },
        error);
}

QStringList CustomerSchema::MissingIndexes(QString& error) const {
    QSqlQuery query(db_);
    if (!query.exec(postgres_ ? QStringLiteral("SELECT indexname FROM pg_indexes WHERE tablename = 'dbcli'")
                              : QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'index' AND "
                                               "tbl_name = 'dbcli'"))) {
        error = query.lastError().text();
        return {};
    }
    QStringList present;
    while (query.next()) present << query.value(0).toString();
    QStringList missing;
    for (const IndexDefinition& index : kIndexes)
        if (!present.contains(QLatin1String(index.name), Qt::CaseInsensitive))
            missing << QLatin1String(index.name);
    return missing;
}

bool CustomerSchema::MakeIndexes(const QStringList& names, QString& error) {
    for (const IndexDefinition& index : kIndexes) {
        if (!names.contains(QLatin1String(index.name))) continue;
        if (!Exec(QStringLiteral("CREATE INDEX %1 ON dbcli (%2)")
                      .arg(QLatin1String(index.name), QLatin1String(index.columns)),
                  error))
            return false;
    }
    return true;
}

}  // namespace zov
