#include "CustomerArchive.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <QUuid>
#include <algorithm>
#include <limits>

#include "CustomerQuery.h"
#include "CustomerSchema.h"
#include "LegacyCustomerTable.h"

namespace zov {

namespace {

constexpr const char* kInfoTable = CustomerSchema::kInfoTable;
constexpr const char* kImportedKey = "legacy_import";
// PostgreSQL's "lock not available" (lock_timeout) and SQLite's busy and locked codes.
constexpr const char* kPostgresLockTimeout = "55P03";
constexpr const char* kSqliteBusy = "5";
constexpr const char* kSqliteLocked = "6";
constexpr const char* kBusyMessage = "another bench is busy with the archive; try again in a moment";
// An SQLite archive is compacted when free pages make up this share of it.
constexpr int kPackFreeShareDivisor = 4;
// New records sort after every stored record of the same surname.
constexpr qint64 kAfterEveryStored = std::numeric_limits<qint64>::max();

QStringList FieldNames() {
    QStringList names;
    for (int f = 0; f < kCustomerFieldCount; ++f) names << QLatin1String(FieldInfo(f).name);
    for (int f = 0; f < kCustomerFieldCount; ++f)
        if (!KeyColumn(f).isEmpty()) names << KeyColumn(f);
    return names;
}

QString ErrorOf(const QSqlError& error) {
    const QString code = error.nativeErrorCode();
    if (code == QLatin1String(kPostgresLockTimeout) || code == QLatin1String(kSqliteBusy) ||
        code == QLatin1String(kSqliteLocked))
        return QLatin1String(kBusyMessage);
    return error.text();
}

QString ErrorOf(const QSqlQuery& query) { return ErrorOf(query.lastError()); }

// The fields, then the search keys of the text fields, in FieldNames' order.
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
    for (int f = 0; f < kCustomerFieldCount; ++f)
        if (FieldInfo(f).kind == FieldKind::Text) query.addBindValue(SearchKey(record.Text(f)));
}

}  // namespace

CustomerArchive::CustomerArchive(ArchiveLocation location)
    : location_(std::move(location)),
      connectionName_(QStringLiteral("customers-") + QUuid::createUuid().toString(QUuid::WithoutBraces)),
      pages_(connectionName_) {}

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
    QSqlDatabase db = QSqlDatabase::addDatabase(location_.DriverName(), connectionName_);
    if (!db.isValid()) {
        error = QStringLiteral("the database driver is not installed");
        return false;
    }
    location_.Configure(db);
    if (!db.open()) {
        error = QStringLiteral("%1: %2").arg(location_.Describe(), db.lastError().text());
        return false;
    }
    return StartSession(error);
}

bool CustomerArchive::StartSession(QString& error) {
    // A bench whose write waits on another bench's gives up rather than hang the window; the
    // server's notices are no business of the person at the bench.
    if (IsPostgres())
        return Exec(QStringLiteral("SET lock_timeout = '10s'"), error) &&
               Exec(QStringLiteral("SET client_min_messages = warning"), error);
    // Applied changes survive a crash or a power cut.
    return Exec(QStringLiteral("PRAGMA synchronous = FULL"), error);
}

bool CustomerArchive::Reopen() {
    QSqlDatabase db = QSqlDatabase::database(connectionName_, false);
    db.close();
    QString ignored;
    return db.open() && StartSession(ignored);
}

bool CustomerArchive::StillConnected() {
    {
        QSqlQuery probe(QSqlDatabase::database(connectionName_, false));
        if (probe.exec(QStringLiteral("SELECT 1"))) return true;
    }
    Reopen();
    return false;
}

bool CustomerArchive::PrepareSchema(bool create, OpenOutcome& out) {
    CustomerSchema schema(QSqlDatabase::database(connectionName_, false), IsPostgres());
    if (!schema.TableExists()) {
        out.status = OpenStatus::NoArchive;
        return create && schema.Create(out.error);
    }
    const int version = schema.Version(out.error);
    if (version <= 0) return false;
    if (version > CustomerSchema::kVersion) {
        out.error = QStringLiteral("the archive was made by a newer program (version %1)").arg(version);
        return false;
    }
    if (version < CustomerSchema::kVersion && !schema.Upgrade(out.error)) {
        out.error = QStringLiteral(
                        "the archive must be brought up to date once by the table's owner "
                        "(zovctl customers init): %1")
                        .arg(out.error);
        return false;
    }
    // A lost index is made again; a bench that may not (not the table's owner) works without it.
    QString ignored;
    const QStringList missing = schema.MissingIndexes(ignored);
    if (!missing.isEmpty()) schema.MakeIndexes(missing, ignored);
    return true;
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
    if (!Connect(out.error)) {
        const QSqlDatabase db = QSqlDatabase::database(connectionName_, false);
        out.unreachable = db.isValid() && !db.isOpen();
        return fail(OpenStatus::Failed);
    }
    if (!PrepareSchema(create, out))
        return fail(out.status == OpenStatus::NoArchive && !create ? OpenStatus::NoArchive
                                                                   : OpenStatus::Failed);
    if (!RebuildView(std::nullopt)) {
        out.error = lastError_;
        return fail(OpenStatus::Failed);
    }
    open_ = true;
    out.import = ImportOnFirstOpen();
    out.status = OpenStatus::Opened;
    return out;
}

void CustomerArchive::Close() {
    open_ = false;
    cached_.clear();
    deleted_.clear();
    placed_.clear();
    pages_.Reset(FilterCondition(std::nullopt), RankCondition(std::nullopt), {});
    found_.reset();
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
    if (IsPostgres()) return true;
    QSqlQuery pages(QSqlDatabase::database(connectionName_, false));
    QString why;
    bool done = pages.exec(QStringLiteral("SELECT page_count, freelist_count FROM pragma_page_count, "
                                          "pragma_freelist_count")) &&
                pages.next();
    if (!done) why = ErrorOf(pages);
    const bool worthIt =
        done && pages.value(1).toLongLong() * kPackFreeShareDivisor > pages.value(0).toLongLong();
    pages.finish();
    if (worthIt) done = Exec(QStringLiteral("VACUUM"), why);
    if (!done) {
        lastError_ = why;
        if (error) *error = why;
    }
    return done;
}

bool CustomerArchive::RebuildView(std::optional<qint64> keepKey) {
    std::vector<qint64> hidden;
    for (const Row& row : cached_)
        if (row.key > 0) hidden.push_back(row.key);
    for (const Row& row : deleted_) hidden.push_back(row.key);
    pages_.Reset(FilterCondition(filter_), RankCondition(filter_), hidden);
    found_.reset();
    placed_.clear();
    position_ = -1;
    QString why;
    const std::optional<bool> anyStored = pages_.Holds(0, why);
    if (!anyStored) {
        lastError_ = why;
        return false;
    }
    std::vector<std::pair<QString, size_t>> order;
    for (size_t i = 0; i < cached_.size(); ++i)
        if (!filter_ || Accepts(*filter_, cached_[i].record))
            order.emplace_back(SearchKey(cached_[i].record.Text(kCognome)), i);
    // Stored records in order of entry, then the new ones in order of posting.
    auto tie = [this](size_t i) {
        const qint64 key = cached_[i].key;
        return key > 0 ? std::pair<int, qint64>{0, key} : std::pair<int, qint64>{1, -key};
    };
    std::sort(order.begin(), order.end(), [&](const auto& a, const auto& b) {
        return a.first != b.first ? a.first < b.first : tie(a.second) < tie(b.second);
    });
    for (const auto& [sortKey, i] : order) {
        const qint64 key = cached_[i].key;
        const std::optional<int> before = pages_.RankBefore(sortKey, key > 0 ? key : kAfterEveryStored, why);
        if (!before) {
            lastError_ = why;
            return false;
        }
        placed_.push_back({i, *before, *before + int(placed_.size())});
    }
    position_ = *anyStored || !placed_.empty() ? 0 : -1;
    if (!keepKey) return true;
    const std::optional<int> at = IndexOf(*keepKey);
    if (at) position_ = *at;
    return at.has_value();
}

int CustomerArchive::ViewIndexOfStored(int rank) const {
    int index = rank;
    for (const Placed& p : placed_)
        if (p.storedBefore <= rank) ++index;
    return index;
}

std::optional<int> CustomerArchive::IndexOf(qint64 key) const {
    for (const Placed& p : placed_)
        if (cached_[p.cached].key == key) return p.index;
    if (key <= 0) return std::nullopt;
    QString why;
    const std::optional<CustomerPages::Row> row = pages_.WithId(key, why);
    if (!row) return std::nullopt;
    const std::optional<int> rank = pages_.RankBefore(row->sortKey, row->key, why);
    if (!rank) return std::nullopt;
    const int index = ViewIndexOfStored(*rank);
    // The record kept on view is read already; its page is read only when the user moves from it.
    found_ = {index, Row{row->key, row->version, row->record}};
    return index;
}

int CustomerArchive::Count() const {
    QString why;
    const std::optional<int> stored = pages_.Count(why);
    if (!stored) lastError_ = why;
    return stored.value_or(0) + int(placed_.size());
}

bool CustomerArchive::Holds(int index) const {
    if (index < 0) return false;
    // The cached records at or before `index` take places the stored ones would otherwise have.
    int storedRank = index;
    for (const Placed& p : placed_) {
        if (p.index == index) return true;
        if (p.index < index) --storedRank;
    }
    QString why;
    const std::optional<bool> held = pages_.Holds(storedRank, why);
    if (!held) lastError_ = why;
    return held.value_or(false);
}

void CustomerArchive::KeepPosition(int index) { position_ = Holds(index) ? index : Count() - 1; }

std::optional<CustomerArchive::Row> CustomerArchive::RowAt(int index) const {
    if (index < 0) return std::nullopt;
    if (found_ && found_->first == index) return found_->second;
    int before = 0;
    for (const Placed& p : placed_) {
        if (p.index == index) return cached_[p.cached];
        if (p.index < index) ++before;
    }
    QString why;
    const std::optional<CustomerPages::Row> row = pages_.At(index - before, why);
    if (!row) {
        if (!why.isEmpty()) lastError_ = why;
        return std::nullopt;
    }
    return Row{row->key, row->version, row->record};
}

// A move leaves the record IndexOf found behind.
void CustomerArchive::First() {
    found_.reset();
    position_ = Holds(0) ? 0 : -1;
}
void CustomerArchive::Prior() {
    found_.reset();
    if (position_ > 0) --position_;
}
void CustomerArchive::Next() {
    found_.reset();
    if (position_ >= 0 && Holds(position_ + 1)) ++position_;
}
void CustomerArchive::Last() {
    found_.reset();
    position_ = Count() - 1;
}

CustomerRecord CustomerArchive::Current() const { return position_ < 0 ? CustomerRecord{} : At(position_); }

CustomerRecord CustomerArchive::At(int index) const {
    const std::optional<Row> row = RowAt(index);
    return row ? row->record : CustomerRecord{};
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
    const std::optional<Row> current = asNew ? std::nullopt : RowAt(position_);
    if (!asNew && !current) {
        out.problem = position_ < 0 ? QStringLiteral("no record to change") : lastError_;
        return out;
    }
    qint64 key = 0;
    if (asNew) {
        key = nextNewKey_--;
        cached_.push_back({key, 0, normal});
    } else {
        key = current->key;
        if (current->record == normal) return {true, {}, {}};
        auto same =
            std::find_if(cached_.begin(), cached_.end(), [key](const Row& r) { return r.key == key; });
        if (same != cached_.end())
            same->record = normal;
        else
            cached_.push_back({key, current->version, normal});
    }
    RebuildView(key);
    out.posted = true;
    return out;
}

bool CustomerArchive::DeleteCurrent() {
    const std::optional<Row> current = RowAt(position_);
    if (!current) return false;
    const int keepPosition = position_;
    std::erase_if(cached_, [&](const Row& r) { return r.key == current->key; });
    if (current->key > 0) deleted_.push_back(*current);
    RebuildView(std::nullopt);
    KeepPosition(keepPosition);
    return true;
}

bool CustomerArchive::HasCachedChanges() const { return !deleted_.empty() || !cached_.empty(); }

bool CustomerArchive::InsertRecords(const std::vector<CustomerRecord>& records, std::vector<qint64>* ids,
                                    QString& error) {
    QSqlQuery insert(QSqlDatabase::database(connectionName_, false));
    const QStringList names = FieldNames();
    const QString marks = QStringList(names.size(), QStringLiteral("?")).join(", ");
    if (!insert.prepare(QStringLiteral("INSERT INTO dbcli (%1, ROW_VERSION) VALUES (%2, 1) RETURNING ID")
                            .arg(names.join(", "), marks))) {
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

std::optional<CustomerArchive::ApplyOutcome> CustomerArchive::WriteCached(std::vector<qint64>& newIds) {
    QSqlDatabase db = QSqlDatabase::database(connectionName_, false);
    auto failed = [](ApplyStatus status, const QString& why, const QString& surname = {}) {
        return ApplyOutcome{status, why, surname};
    };
    const QString changedElsewhere = QStringLiteral("the record was changed or deleted on another bench");
    QSqlQuery remove(db);
    remove.prepare(QStringLiteral("DELETE FROM dbcli WHERE ID = ? AND ROW_VERSION = ?"));
    for (const Row& row : deleted_) {
        remove.addBindValue(row.key);
        remove.addBindValue(row.version);
        if (!remove.exec()) return failed(ApplyStatus::Failed, ErrorOf(remove));
        if (remove.numRowsAffected() != 1)
            return failed(ApplyStatus::Conflict, changedElsewhere, row.record.Text(kCognome));
    }
    QStringList sets;
    for (const QString& name : FieldNames()) sets << name + QStringLiteral(" = ?");
    QSqlQuery update(db);
    update.prepare(
        QStringLiteral("UPDATE dbcli SET %1, ROW_VERSION = ROW_VERSION + 1 WHERE ID = ? AND ROW_VERSION = ?")
            .arg(sets.join(", ")));
    std::vector<CustomerRecord> added;
    for (const Row& row : cached_) {
        if (row.key < 0) {
            added.push_back(row.record);
            continue;
        }
        BindRecord(update, row.record);
        update.addBindValue(row.key);
        update.addBindValue(row.version);
        if (!update.exec()) return failed(ApplyStatus::Failed, ErrorOf(update));
        if (update.numRowsAffected() != 1)
            return failed(ApplyStatus::Conflict, changedElsewhere, row.record.Text(kCognome));
    }
    QString why;
    if (!InsertRecords(added, &newIds, why)) return failed(ApplyStatus::Failed, why);
    return std::nullopt;
}

CustomerArchive::ApplyOutcome CustomerArchive::Apply() {
    ApplyOutcome out;
    if (!open_ || !HasCachedChanges()) return out;
    QSqlDatabase db = QSqlDatabase::database(connectionName_, false);
    // The connection lost at an earlier try, and not yet made again.
    if (!db.isOpen()) Reopen();
    auto fail = [&](ApplyOutcome failure) {
        db.rollback();
        lastError_ = failure.error;
        failure.unreachable = failure.status == ApplyStatus::Failed && !StillConnected();
        return failure;
    };
    if (!db.transaction()) return fail({ApplyStatus::Failed, ErrorOf(db.lastError()), {}});
    std::vector<qint64> ids;
    if (std::optional<ApplyOutcome> failure = WriteCached(ids)) return fail(*failure);
    if (!db.commit()) return fail({ApplyStatus::Failed, ErrorOf(db.lastError()), {}});

    std::optional<qint64> current;
    if (const std::optional<Row> row = RowAt(position_)) current = row->key;
    // A view that could not be shown (the archive out of reach) goes back to the last record posted.
    if (!current && !cached_.empty()) current = cached_.back().key;
    size_t added = 0;
    for (const Row& row : cached_) {
        if (row.key >= 0) continue;
        if (current && *current == row.key) current = ids[added];
        ++added;
    }
    const int keepPosition = position_;
    cached_.clear();
    deleted_.clear();
    // Applied: a failure now is only of the fresh look at the table.
    if (!RebuildView(current) && current) KeepPosition(keepPosition);
    return out;
}

void CustomerArchive::CancelCached() {
    std::optional<qint64> current;
    if (const std::optional<Row> row = RowAt(position_); row && row->key > 0) current = row->key;
    cached_.clear();
    deleted_.clear();
    RebuildView(current);
}

bool CustomerArchive::LocateSurname(const QString& prefix) {
    std::optional<int> found;
    QString why;
    if (const std::optional<CustomerPages::Row> row = pages_.First(SurnamePrefixCondition(prefix), why))
        if (const std::optional<int> rank = pages_.RankBefore(row->sortKey, row->key, why))
            found = ViewIndexOfStored(*rank);
    for (const Placed& p : placed_)
        if (cached_[p.cached].record.Text(kCognome).startsWith(prefix, Qt::CaseInsensitive) &&
            (!found || p.index < *found)) {
            found = p.index;
            break;
        }
    if (!found) return false;
    position_ = *found;
    // The record found is read now, as the bench shows it, so an edit made on another bench
    // meanwhile is caught by its row version.
    RowAt(position_);
    return true;
}

void CustomerArchive::SetFilter(std::optional<CustomerFilter> filter) {
    std::optional<qint64> current;
    if (const std::optional<Row> row = RowAt(position_)) current = row->key;
    filter_ = std::move(filter);
    RebuildView(current);
}

bool CustomerArchive::AddRecords(const std::vector<CustomerRecord>& records, QString& error) {
    if (!open_ || HasCachedChanges()) {
        error = open_ ? QStringLiteral("apply or cancel the changes first")
                      : QStringLiteral("the archive is not open");
        return false;
    }
    std::vector<CustomerRecord> normal;
    normal.reserve(records.size());
    for (const CustomerRecord& record : records) {
        normal.push_back(Normalized(record));
        if (const std::optional<int> missing = MissingRequiredField(normal.back())) {
            error = QStringLiteral("%1 is empty").arg(QLatin1String(FieldInfo(*missing).name));
            return false;
        }
        for (int f = 0; f < kCustomerFieldCount; ++f)
            if (const QString why = FieldValueProblem(f, normal.back().values[size_t(f)]); !why.isEmpty()) {
                error = why;
                return false;
            }
    }
    QSqlDatabase db = QSqlDatabase::database(connectionName_, false);
    if (!db.transaction()) {
        error = ErrorOf(db.lastError());
        return false;
    }
    if (!InsertRecords(normal, nullptr, error) || !db.commit()) {
        if (error.isEmpty()) error = ErrorOf(db.lastError());
        db.rollback();
        return false;
    }
    RebuildView(std::nullopt);
    return true;
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
    RebuildView(std::nullopt);
    report.ok = true;
    report.records = int(table.records.size());
    report.problems = table.problems;
    return report;
}

CustomerArchive::ImportReport CustomerArchive::ImportOnFirstOpen() {
    const QString legacy = location_.FindLegacyTable();
    if (legacy.isEmpty()) return {};
    QSqlQuery seen(QSqlDatabase::database(connectionName_, false));
    seen.prepare(QStringLiteral("SELECT COUNT(*) FROM %1 WHERE NAME = ?").arg(QLatin1String(kInfoTable)));
    seen.addBindValue(QLatin1String(kImportedKey));
    if (!seen.exec() || !seen.next()) return {true, false, 0, ErrorOf(seen), {}};
    if (seen.value(0).toInt() > 0) return {};
    seen.finish();
    return ImportLegacyTable(legacy);
}

}  // namespace zov
