#include "CustomerArchive.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <QUuid>
#include <algorithm>

#include "LegacyCustomerTable.h"

namespace zov {

namespace {

constexpr const char* kInfoTable = "dbcli_info";
constexpr const char* kImportedKey = "legacy_import";

QString ColumnType(int field) {
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

QStringList FieldNames() {
    QStringList names;
    for (int f = 0; f < kCustomerFieldCount; ++f) names << QLatin1String(FieldInfo(f).name);
    return names;
}

QString ErrorOf(const QSqlQuery& query) { return query.lastError().text(); }

void BindRecord(QSqlQuery& query, const CustomerRecord& record) {
    for (int f = 0; f < kCustomerFieldCount; ++f) {
        const QVariant& v = record.values[size_t(f)];
        switch (FieldInfo(f).kind) {
            case FieldKind::Text:
                query.addBindValue(v.isNull() ? QVariant(QMetaType(QMetaType::QString))
                                              : QVariant(v.toString()));
                break;
            case FieldKind::Number:
                query.addBindValue(v.isNull() ? QVariant(QMetaType(QMetaType::Int)) : QVariant(v.toInt()));
                break;
            case FieldKind::Date:
                query.addBindValue(v.isNull() ? QVariant(QMetaType(QMetaType::QDate))
                                              : QVariant(record.Date(f)));
                break;
        }
    }
}

CustomerRecord RecordFromQuery(const QSqlQuery& query, int first) {
    CustomerRecord record;
    for (int f = 0; f < kCustomerFieldCount; ++f) {
        const QVariant v = query.value(first + f);
        if (v.isNull()) continue;
        switch (FieldInfo(f).kind) {
            case FieldKind::Text:
                record.values[size_t(f)] = v.toString();
                break;
            case FieldKind::Number:
                record.values[size_t(f)] = v.toInt();
                break;
            case FieldKind::Date: {
                const QDate d = v.typeId() == QMetaType::QDate ? v.toDate()
                                                               : QDate::fromString(v.toString(), Qt::ISODate);
                if (d.isValid()) record.values[size_t(f)] = d;
                break;
            }
        }
    }
    return record;
}

}  // namespace

CustomerArchive::CustomerArchive(ArchiveLocation location)
    : location_(std::move(location)),
      connectionName_(QStringLiteral("customers-") + QUuid::createUuid().toString(QUuid::WithoutBraces)) {}

CustomerArchive::~CustomerArchive() { Close(); }

bool CustomerArchive::Exec(const QString& statement, QString& error) {
    QSqlQuery query(QSqlDatabase::database(connectionName_, false));
    if (query.exec(statement)) return true;
    error = ErrorOf(query);
    return false;
}

bool CustomerArchive::Connect(QString& error) {
    if (!QDir().mkpath(location_.Folder())) {
        error = QStringLiteral("cannot create the folder %1").arg(location_.Folder());
        return false;
    }
    QSqlDatabase db = QSqlDatabase::addDatabase(
        IsPostgres() ? QStringLiteral("QPSQL") : QStringLiteral("QSQLITE"), connectionName_);
    if (!db.isValid()) {
        error = QStringLiteral("the database driver is not installed");
        return false;
    }
    if (IsPostgres()) {
        db.setHostName(location_.host);
        db.setPort(location_.port);
        db.setDatabaseName(location_.database);
        db.setUserName(location_.user);
        // A bench whose apply waits on another bench's gives up rather than hang the window.
        db.setConnectOptions(QStringLiteral("connect_timeout=10"));
    } else {
        db.setDatabaseName(location_.SqlitePath());
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000"));
    }
    if (!db.open()) {
        error = QStringLiteral("%1: %2").arg(location_.Describe(), db.lastError().text());
        return false;
    }
    if (IsPostgres()) return Exec(QStringLiteral("SET lock_timeout = '10s'"), error);
    // Applied changes survive a crash or a power cut.
    return Exec(QStringLiteral("PRAGMA synchronous = FULL"), error);
}

bool CustomerArchive::TableExists() {
    return QSqlDatabase::database(connectionName_, false)
        .tables()
        .contains(QLatin1String(kTable), Qt::CaseInsensitive);
}

bool CustomerArchive::CreateSchema(QString& error) {
    QStringList columns;
    columns << (IsPostgres() ? QStringLiteral("ID BIGSERIAL PRIMARY KEY")
                             : QStringLiteral("ID INTEGER PRIMARY KEY AUTOINCREMENT"));
    for (int f = 0; f < kCustomerFieldCount; ++f)
        columns << QStringLiteral("%1 %2").arg(QLatin1String(FieldInfo(f).name), ColumnType(f));
    columns << QStringLiteral("ROW_VERSION INTEGER NOT NULL DEFAULT 1");
    QSqlDatabase db = QSqlDatabase::database(connectionName_, false);
    db.transaction();
    const bool made =
        Exec(QStringLiteral("CREATE TABLE %1 (%2)")
                 .arg(QLatin1String(kTable), columns.join(QStringLiteral(", "))),
             error) &&
        Exec(
            QStringLiteral("CREATE TABLE IF NOT EXISTS %1 (NAME VARCHAR(30) PRIMARY KEY, VALUE VARCHAR(200))")
                .arg(QLatin1String(kInfoTable)),
            error) &&
        EnsureIndexes(error);
    if (!made) {
        db.rollback();
        return false;
    }
    return db.commit() || (error = db.lastError().text(), false);
}

bool CustomerArchive::EnsureIndexes(QString& error) {
    return Exec(QStringLiteral(
                    "CREATE TABLE IF NOT EXISTS %1 (NAME VARCHAR(30) PRIMARY KEY, VALUE VARCHAR(200))")
                    .arg(QLatin1String(kInfoTable)),
                error) &&
           Exec(QStringLiteral("CREATE INDEX IF NOT EXISTS ICOGNOME ON dbcli (COGNOME)"), error) &&
           Exec(QStringLiteral("CREATE INDEX IF NOT EXISTS IVETTURA ON dbcli (AUTO)"), error) &&
           Exec(QStringLiteral("CREATE INDEX IF NOT EXISTS IDATA_INST ON dbcli (DATA_INST)"), error);
}

CustomerArchive::OpenOutcome CustomerArchive::Open(bool create) {
    OpenOutcome out;
    if (open_) {
        out.status = OpenStatus::Opened;
        return out;
    }
    if (!QDir().mkpath(location_.Folder())) {
        out.error = QStringLiteral("cannot create the folder %1").arg(location_.Folder());
        return out;
    }
    switch (lock_.Take(location_.LockPath(), out.error)) {
        case ArchiveLock::Result::Taken:
            break;
        case ArchiveLock::Result::InUse:
            out.status = OpenStatus::InUse;
            return out;
        case ArchiveLock::Result::Failed:
            return out;
    }
    auto fail = [&](OpenStatus status) {
        Close();
        out.status = status;
        return out;
    };
    // SQLite would make an empty file for a missing archive; whether to make it is the caller's.
    if (!IsPostgres() && !create && !QFileInfo::exists(location_.SqlitePath()))
        return fail(OpenStatus::NoArchive);
    if (!Connect(out.error)) return fail(OpenStatus::Failed);
    if (!TableExists()) {
        if (!create) return fail(OpenStatus::NoArchive);
        if (!CreateSchema(out.error)) return fail(OpenStatus::Failed);
    } else if (!EnsureIndexes(out.error)) {
        return fail(OpenStatus::Failed);
    }
    if (!Load(out.error)) return fail(OpenStatus::Failed);
    Resort(std::nullopt);
    open_ = true;
    out.import = ImportOnFirstOpen();
    out.status = OpenStatus::Opened;
    return out;
}

void CustomerArchive::Close() {
    open_ = false;
    rows_.clear();
    deleted_.clear();
    view_.clear();
    position_ = -1;
    if (QSqlDatabase::contains(connectionName_)) {
        {
            QSqlDatabase db = QSqlDatabase::database(connectionName_, false);
            if (db.isOpen()) db.close();
        }
        QSqlDatabase::removeDatabase(connectionName_);
    }
    lock_.Release();
}

bool CustomerArchive::Pack(QString* error) {
    QString why;
    const bool done = Exec(IsPostgres() ? QStringLiteral("VACUUM dbcli") : QStringLiteral("VACUUM"), why) &&
                      (IsPostgres() || Exec(QStringLiteral("REINDEX dbcli"), why));
    if (!done) {
        lastError_ = why;
        if (error) *error = why;
    }
    return done;
}

bool CustomerArchive::Load(QString& error) {
    QSqlQuery query(QSqlDatabase::database(connectionName_, false));
    query.setForwardOnly(true);
    if (!query.exec(QStringLiteral("SELECT ID, ROW_VERSION, %1 FROM dbcli ORDER BY ID")
                        .arg(FieldNames().join(", ")))) {
        error = ErrorOf(query);
        return false;
    }
    std::vector<Row> rows;
    while (query.next())
        rows.push_back(
            {query.value(0).toLongLong(), query.value(1).toInt(), false, RecordFromQuery(query, 2)});
    rows_ = std::move(rows);
    deleted_.clear();
    return true;
}

void CustomerArchive::Resort(std::optional<qint64> keepKey) {
    std::stable_sort(rows_.begin(), rows_.end(), [](const Row& a, const Row& b) {
        const int bySurname =
            QString::compare(a.record.Text(kCognome), b.record.Text(kCognome), Qt::CaseInsensitive);
        if (bySurname != 0) return bySurname < 0;
        // Applied records in order of entry, then the new ones in order of posting.
        if ((a.key < 0) != (b.key < 0)) return a.key > 0;
        return a.key < 0 ? a.key > b.key : a.key < b.key;
    });
    view_.clear();
    for (size_t i = 0; i < rows_.size(); ++i)
        if (!filter_ || Accepts(*filter_, rows_[i].record)) view_.push_back(i);
    position_ = view_.empty() ? -1 : 0;
    if (!keepKey) return;
    for (size_t v = 0; v < view_.size(); ++v)
        if (rows_[view_[v]].key == *keepKey) position_ = int(v);
}

void CustomerArchive::First() { position_ = Count() > 0 ? 0 : -1; }
void CustomerArchive::Prior() {
    if (position_ > 0) --position_;
}
void CustomerArchive::Next() {
    if (position_ >= 0 && position_ + 1 < Count()) ++position_;
}
void CustomerArchive::Last() { position_ = Count() - 1; }

CustomerRecord CustomerArchive::Current() const { return position_ < 0 ? CustomerRecord{} : At(position_); }

CustomerRecord CustomerArchive::At(int index) const {
    if (index < 0 || index >= Count()) return {};
    return rows_[view_[size_t(index)]].record;
}

CustomerArchive::PostOutcome CustomerArchive::Post(const CustomerRecord& record, bool asNew) {
    PostOutcome out;
    const CustomerRecord normal = Normalized(record);
    if ((out.missingField = MissingRequiredField(normal))) return out;
    for (int f = 0; f < kCustomerFieldCount; ++f)
        if (const QString why = FieldValueProblem(f, normal.values[size_t(f)]); !why.isEmpty()) {
            out.problem = why;
            return out;
        }
    if (!asNew && position_ < 0) {
        out.problem = QStringLiteral("no record to change");
        return out;
    }
    qint64 key = 0;
    if (asNew) {
        key = nextNewKey_--;
        rows_.push_back({key, 0, true, normal});
    } else {
        Row& row = rows_[view_[size_t(position_)]];
        if (row.record == normal) return {true, {}, {}};
        row.record = normal;
        row.changed = true;
        key = row.key;
    }
    Resort(key);
    out.posted = true;
    return out;
}

bool CustomerArchive::DeleteCurrent() {
    if (position_ < 0) return false;
    const size_t index = view_[size_t(position_)];
    const int keepPosition = position_;
    if (rows_[index].key > 0) deleted_.push_back(rows_[index]);
    rows_.erase(rows_.begin() + std::ptrdiff_t(index));
    Resort(std::nullopt);
    position_ = std::min(keepPosition, Count() - 1);
    return true;
}

bool CustomerArchive::HasCachedChanges() const {
    return !deleted_.empty() ||
           std::any_of(rows_.begin(), rows_.end(), [](const Row& r) { return r.changed; });
}

bool CustomerArchive::InsertRecords(const std::vector<CustomerRecord>& records, std::vector<qint64>* ids,
                                    QString& error) {
    QSqlQuery insert(QSqlDatabase::database(connectionName_, false));
    const QString marks = QStringList(kCustomerFieldCount, QStringLiteral("?")).join(", ");
    if (!insert.prepare(QStringLiteral("INSERT INTO dbcli (%1, ROW_VERSION) VALUES (%2, 1) RETURNING ID")
                            .arg(FieldNames().join(", "), marks))) {
        error = ErrorOf(insert);
        return false;
    }
    for (const CustomerRecord& record : records) {
        BindRecord(insert, record);
        if (!insert.exec() || !insert.next()) {
            error = ErrorOf(insert);
            return false;
        }
        if (ids) ids->push_back(insert.value(0).toLongLong());
        insert.finish();
    }
    return true;
}

CustomerArchive::ApplyOutcome CustomerArchive::Apply() {
    ApplyOutcome out;
    if (!open_ || !HasCachedChanges()) return out;
    QSqlDatabase db = QSqlDatabase::database(connectionName_, false);
    auto fail = [&](ApplyStatus status, const QString& why) {
        db.rollback();
        out.status = status;
        out.error = why;
        lastError_ = why;
        return out;
    };
    if (!db.transaction()) return fail(ApplyStatus::Failed, db.lastError().text());

    QSqlQuery remove(db);
    remove.prepare(QStringLiteral("DELETE FROM dbcli WHERE ID = ? AND ROW_VERSION = ?"));
    for (const Row& row : deleted_) {
        remove.addBindValue(row.key);
        remove.addBindValue(row.version);
        if (!remove.exec()) return fail(ApplyStatus::Failed, ErrorOf(remove));
        if (remove.numRowsAffected() != 1) {
            out.conflictSurname = row.record.Text(kCognome);
            return fail(ApplyStatus::Conflict,
                        QStringLiteral("the record was changed or deleted on another bench"));
        }
    }
    QStringList sets;
    for (const QString& name : FieldNames()) sets << name + QStringLiteral(" = ?");
    QSqlQuery update(db);
    update.prepare(
        QStringLiteral("UPDATE dbcli SET %1, ROW_VERSION = ROW_VERSION + 1 WHERE ID = ? AND ROW_VERSION = ?")
            .arg(sets.join(", ")));
    std::vector<CustomerRecord> added;
    std::vector<qint64> addedKeys;
    for (const Row& row : rows_) {
        if (!row.changed) continue;
        if (row.key < 0) {
            added.push_back(row.record);
            addedKeys.push_back(row.key);
            continue;
        }
        BindRecord(update, row.record);
        update.addBindValue(row.key);
        update.addBindValue(row.version);
        if (!update.exec()) return fail(ApplyStatus::Failed, ErrorOf(update));
        if (update.numRowsAffected() != 1) {
            out.conflictSurname = row.record.Text(kCognome);
            return fail(ApplyStatus::Conflict,
                        QStringLiteral("the record was changed or deleted on another bench"));
        }
    }
    std::vector<qint64> ids;
    QString why;
    if (!InsertRecords(added, &ids, why)) return fail(ApplyStatus::Failed, why);
    if (!db.commit()) return fail(ApplyStatus::Failed, db.lastError().text());

    std::optional<qint64> current;
    if (position_ >= 0) current = rows_[view_[size_t(position_)]].key;
    for (size_t i = 0; i < addedKeys.size(); ++i)
        if (current && *current == addedKeys[i]) current = ids[i];
    const int keepPosition = position_;
    if (!Load(why)) {
        // Applied: what failed is only the fresh look at the table.
        lastError_ = why;
    }
    Resort(current);
    if (current && position_ >= 0 && rows_[view_[size_t(position_)]].key != *current)
        position_ = std::min(keepPosition, Count() - 1);
    return out;
}

void CustomerArchive::CancelCached() {
    std::optional<qint64> current;
    if (position_ >= 0 && rows_[view_[size_t(position_)]].key > 0)
        current = rows_[view_[size_t(position_)]].key;
    QString why;
    if (!Load(why)) lastError_ = why;
    Resort(current);
}

bool CustomerArchive::LocateSurname(const QString& prefix) {
    for (int v = 0; v < Count(); ++v)
        if (At(v).Text(kCognome).startsWith(prefix, Qt::CaseInsensitive)) {
            position_ = v;
            return true;
        }
    return false;
}

void CustomerArchive::SetFilter(std::optional<CustomerFilter> filter) {
    std::optional<qint64> current;
    if (position_ >= 0) current = rows_[view_[size_t(position_)]].key;
    filter_ = std::move(filter);
    Resort(current);
}

CustomerArchive::ImportReport CustomerArchive::ImportLegacyTable(const QString& path) {
    ImportReport report;
    report.attempted = true;
    if (!open_) {
        report.error = QStringLiteral("the archive is not open");
        return report;
    }
    if (HasCachedChanges()) {
        report.error = QStringLiteral("apply or cancel the changes first");
        return report;
    }
    const LegacyTableContents table = ReadLegacyCustomerTable(path);
    if (!table.ok) {
        report.error = table.error;
        return report;
    }
    QSqlDatabase db = QSqlDatabase::database(connectionName_, false);
    QString why;
    db.transaction();
    if (!InsertRecords(table.records, nullptr, why)) {
        db.rollback();
        report.error = QStringLiteral("%1: %2").arg(path, why);
        return report;
    }
    QSqlQuery mark(db);
    mark.prepare(QStringLiteral("INSERT INTO %1 (NAME, VALUE) VALUES (?, ?)").arg(QLatin1String(kInfoTable)));
    mark.addBindValue(QLatin1String(kImportedKey));
    mark.addBindValue(QStringLiteral("%1 records from %2").arg(table.records.size()).arg(path).left(200));
    // Only the first import of the older table is remembered; an explicit import may repeat.
    QSqlQuery seen(db);
    seen.prepare(QStringLiteral("SELECT COUNT(*) FROM %1 WHERE NAME = ?").arg(QLatin1String(kInfoTable)));
    seen.addBindValue(QLatin1String(kImportedKey));
    const bool marked = seen.exec() && seen.next() && seen.value(0).toInt() > 0;
    seen.finish();
    if ((!marked && !mark.exec()) || !db.commit()) {
        report.error = QStringLiteral("%1: %2").arg(path, marked ? db.lastError().text() : ErrorOf(mark));
        db.rollback();
        return report;
    }
    if (!Load(why)) lastError_ = why;
    Resort(std::nullopt);
    report.ok = true;
    report.records = int(table.records.size());
    return report;
}

CustomerArchive::ImportReport CustomerArchive::ImportOnFirstOpen() {
    const QString legacy = location_.FindLegacyTable();
    if (legacy.isEmpty()) return {};
    QSqlQuery seen(QSqlDatabase::database(connectionName_, false));
    seen.prepare(QStringLiteral("SELECT COUNT(*) FROM %1 WHERE NAME = ?").arg(QLatin1String(kInfoTable)));
    seen.addBindValue(QLatin1String(kImportedKey));
    if (!seen.exec() || !seen.next()) return {true, false, 0, ErrorOf(seen)};
    if (seen.value(0).toInt() > 0) return {};
    seen.finish();
    return ImportLegacyTable(legacy);
}

}  // namespace zov
