#include "ArchiveMove.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QStringList>
#include <QUuid>
#include <deque>
#include <optional>

#include "ArchiveLock.h"
#include "CarHistory.h"
#include "CustomerArchive.h"
#include "CustomerSchema.h"

namespace zov {

namespace {

using Status = ArchiveMove::Status;

// A connection of the move's own, closed and let go when it goes out of scope (after every
// query on it has gone).
class Connection {
  public:
    explicit Connection(const ArchiveLocation& location)
        : name_(QStringLiteral("move-") + QUuid::createUuid().toString(QUuid::WithoutBraces)) {
        QSqlDatabase db = QSqlDatabase::addDatabase(location.DriverName(), name_);
        if (db.isValid()) location.Configure(db);
    }
    ~Connection() {
        {
            QSqlDatabase db = Db();
            if (db.isOpen()) db.close();
        }
        QSqlDatabase::removeDatabase(name_);
    }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    QSqlDatabase Db() const { return QSqlDatabase::database(name_, false); }

  private:
    QString name_;
};

class Mover {
  public:
    Mover(const ArchiveLocation& from, const ArchiveLocation& to) : from_(from), to_(to) {}
    ArchiveMove::Outcome Run();

  private:
    bool Moved();
    bool Fail(Status status, const QString& why) {
        outcome_.status = status;
        outcome_.error = why;
        return false;
    }
    bool FailOn(const ArchiveLocation& where, const QSqlError& error) {
        return Fail(Status::Failed, QStringLiteral("%1: %2").arg(where.Describe(), error.text()));
    }
    static bool IsPostgres(const ArchiveLocation& l) { return l.kind == ArchiveLocation::Kind::Postgres; }
    bool Exec(const QSqlDatabase& db, const ArchiveLocation& where, const QString& statement);
    std::optional<qint64> Count(const QSqlDatabase& db, const ArchiveLocation& where, const QString& table);
    bool OpenSource(Connection& source);
    bool OpenTarget(Connection& target);
    bool MoveInto(const QSqlDatabase& source, const QSqlDatabase& target);
    bool PrepareTarget(const QSqlDatabase& target);
    bool CopyTable(const QSqlDatabase& source, const QSqlDatabase& target, const QString& table,
                   qint64& copied);
    bool CopyNotes(const QSqlDatabase& source, const QSqlDatabase& target);
    bool AdvanceIds(const QSqlDatabase& target);
    bool Verify(const QSqlDatabase& source, const QSqlDatabase& target, const QString& table, qint64 copied);

    const ArchiveLocation& from_;
    const ArchiveLocation& to_;
    ArchiveMove::Outcome outcome_;
    bool madeTargetFile_ = false;
    // The target's prepared statements live until the transaction has ended: freeing one inside
    // a failed transaction makes the driver print its complaint.
    std::deque<QSqlQuery> prepared_;
};

QString CustomerTableName() { return QLatin1String(CustomerArchive::kTable); }
QString HistoryTableName() { return QLatin1String(CarHistory::kTable); }

bool Mover::Exec(const QSqlDatabase& db, const ArchiveLocation& where, const QString& statement) {
    QSqlQuery query(db);
    return query.exec(statement) || FailOn(where, query.lastError());
}

std::optional<qint64> Mover::Count(const QSqlDatabase& db, const ArchiveLocation& where,
                                   const QString& table) {
    QSqlQuery query(db);
    if (query.exec(QStringLiteral("SELECT COUNT(*) FROM %1").arg(table)) && query.next())
        return query.value(0).toLongLong();
    FailOn(where, query.lastError());
    return std::nullopt;
}

bool Mover::OpenSource(Connection& source) {
    QSqlDatabase db = source.Db();
    if (!db.isValid()) return Fail(Status::Failed, QStringLiteral("the database driver is not installed"));
    if (!IsPostgres(from_)) {
        if (!QFileInfo::exists(from_.SqlitePath()))
            return Fail(Status::NoSource,
                        QStringLiteral("there is no customer archive at %1").arg(from_.Describe()));
        // The source is only read: it cannot be changed by mistake.
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_BUSY_TIMEOUT=5000"));
    }
    if (!db.open()) return FailOn(from_, db.lastError());
    if (IsPostgres(from_) &&
        !Exec(db, from_, QStringLiteral("SET SESSION CHARACTERISTICS AS TRANSACTION READ ONLY")))
        return false;
    CustomerSchema schema(db, IsPostgres(from_));
    if (!schema.TableExists())
        return Fail(Status::NoSource,
                    QStringLiteral("there is no customer archive at %1").arg(from_.Describe()));
    QString why;
    const int version = schema.Version(why);
    if (version != CustomerSchema::kVersion)
        return Fail(Status::Failed,
                    version <= 0 ? QStringLiteral("%1: %2").arg(from_.Describe(), why)
                                 : QStringLiteral("%1 is an archive of version %2; bring it up to date first "
                                                  "(zovctl customers init)")
                                       .arg(from_.Describe())
                                       .arg(version));
    return true;
}

bool Mover::OpenTarget(Connection& target) {
    QSqlDatabase db = target.Db();
    if (!db.isValid()) return Fail(Status::Failed, QStringLiteral("the database driver is not installed"));
    if (!IsPostgres(to_)) {
        if (!QDir().mkpath(to_.Folder()))
            return Fail(Status::Failed, QStringLiteral("cannot create the folder %1").arg(to_.Folder()));
        madeTargetFile_ = !QFileInfo::exists(to_.SqlitePath());
    }
    if (!db.open()) return FailOn(to_, db.lastError());
    if (IsPostgres(to_))
        return Exec(db, to_, QStringLiteral("SET lock_timeout = '10s'")) &&
               Exec(db, to_, QStringLiteral("SET client_min_messages = warning"));
    return Exec(db, to_, QStringLiteral("PRAGMA synchronous = FULL"));
}

bool Mover::PrepareTarget(const QSqlDatabase& target) {
    CustomerSchema schema(target, IsPostgres(to_));
    QString why;
    if (!schema.TableExists()) return schema.CreateTables(why) || Fail(Status::Failed, why);
    const int version = schema.Version(why);
    if (version != CustomerSchema::kVersion)
        return Fail(Status::Failed, version <= 0 ? QStringLiteral("%1: %2").arg(to_.Describe(), why)
                                                 : QStringLiteral("%1 is an archive of version %2, not %3")
                                                       .arg(to_.Describe())
                                                       .arg(version)
                                                       .arg(CustomerSchema::kVersion));
    // No other bench adds a customer between the look and the commit.
    if (IsPostgres(to_) && !Exec(target, to_,
                                 QStringLiteral("LOCK TABLE %1, %2 IN EXCLUSIVE MODE")
                                     .arg(CustomerTableName(), HistoryTableName())))
        return false;
    const std::optional<qint64> customers = Count(target, to_, CustomerTableName());
    const std::optional<qint64> history = customers ? Count(target, to_, HistoryTableName()) : std::nullopt;
    if (!history) return false;
    if (*customers > 0 || *history > 0)
        return Fail(Status::TargetNotEmpty,
                    QStringLiteral("%1 already holds %2 customers and %3 history entries")
                        .arg(to_.Describe())
                        .arg(*customers)
                        .arg(*history));
    return true;
}

// Column by column as stored, so ids, row versions, times and hosts stay what they were.
bool Mover::CopyTable(const QSqlDatabase& source, const QSqlDatabase& target, const QString& table,
                      qint64& copied) {
    QSqlQuery read(source);
    read.setForwardOnly(true);
    if (!read.exec(QStringLiteral("SELECT * FROM %1 ORDER BY ID").arg(table)))
        return FailOn(from_, read.lastError());
    const QSqlRecord columns = read.record();
    QStringList names;
    for (int i = 0; i < columns.count(); ++i) {
        // The names go into the statement's text: a source file made by hand could carry anything.
        static const QRegularExpression plainName(QStringLiteral("^[A-Za-z_][A-Za-z0-9_]*$"));
        if (!plainName.match(columns.fieldName(i)).hasMatch())
            return Fail(Status::Failed,
                        QStringLiteral("%1: %2 has a column named \"%3\", which no archive has")
                            .arg(from_.Describe(), table, columns.fieldName(i)));
        names << columns.fieldName(i);
    }
    QSqlQuery& write = prepared_.emplace_back(target);
    if (!write.prepare(QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                           .arg(table, names.join(QStringLiteral(", ")),
                                QStringList(names.size(), QStringLiteral("?")).join(QStringLiteral(", ")))))
        return FailOn(to_, write.lastError());
    copied = 0;
    while (read.next()) {
        for (int i = 0; i < columns.count(); ++i) write.addBindValue(read.value(i));
        if (!write.exec())
            return Fail(Status::Failed,
                        QStringLiteral("%1: %2 ID %3: %4")
                            .arg(to_.Describe(), table, read.value(0).toString(), write.lastError().text()));
        ++copied;
    }
    return read.lastError().type() == QSqlError::NoError || FailOn(from_, read.lastError());
}

// The archive's notes (the older table already imported, ...) but its version, which the
// target states itself.
bool Mover::CopyNotes(const QSqlDatabase& source, const QSqlDatabase& target) {
    const QString info = QLatin1String(CustomerSchema::kInfoTable);
    QSqlQuery read(source);
    read.prepare(QStringLiteral("SELECT NAME, VALUE FROM %1 WHERE NAME <> ?").arg(info));
    read.addBindValue(QLatin1String(CustomerSchema::kVersionKey));
    if (!read.exec()) return FailOn(from_, read.lastError());
    QSqlQuery& remove = prepared_.emplace_back(target);
    remove.prepare(QStringLiteral("DELETE FROM %1 WHERE NAME = ?").arg(info));
    QSqlQuery& insert = prepared_.emplace_back(target);
    insert.prepare(QStringLiteral("INSERT INTO %1 (NAME, VALUE) VALUES (?, ?)").arg(info));
    while (read.next()) {
        remove.addBindValue(read.value(0));
        if (!remove.exec()) return FailOn(to_, remove.lastError());
        insert.addBindValue(read.value(0));
        insert.addBindValue(read.value(1));
        if (!insert.exec()) return FailOn(to_, insert.lastError());
    }
    return true;
}

// PostgreSQL's id sequences do not see ids given explicitly; the next record must come after the
// moved ones. (SQLite's AUTOINCREMENT follows the largest id on its own.)
bool Mover::AdvanceIds(const QSqlDatabase& target) {
    if (!IsPostgres(to_)) return true;
    for (const QString& table : {CustomerTableName(), HistoryTableName()})
        if (!Exec(
                target, to_,
                QStringLiteral("SELECT setval(pg_get_serial_sequence('%1', 'id'), COALESCE(MAX(ID), 0) + 1, "
                               "false) FROM %1")
                    .arg(table)))
            return false;
    return true;
}

bool Mover::Verify(const QSqlDatabase& source, const QSqlDatabase& target, const QString& table,
                   qint64 copied) {
    const std::optional<qint64> there = Count(target, to_, table);
    const std::optional<qint64> here = there ? Count(source, from_, table) : std::nullopt;
    if (!here) return false;
    if (*there == copied && *here == copied) return true;
    return Fail(Status::Failed, QStringLiteral("%1: %2 rows read, %3 in the source, %4 in the target")
                                    .arg(table)
                                    .arg(copied)
                                    .arg(*here)
                                    .arg(*there));
}

bool Mover::MoveInto(const QSqlDatabase& source, const QSqlDatabase& target) {
    QSqlDatabase src = source;
    QSqlDatabase dst = target;
    // One snapshot of the source: customers and history as they stood together.
    if (!src.transaction()) return FailOn(from_, src.lastError());
    if (IsPostgres(from_) &&
        !Exec(src, from_, QStringLiteral("SET TRANSACTION ISOLATION LEVEL REPEATABLE READ, READ ONLY")))
        return false;
    if (!dst.transaction()) return FailOn(to_, dst.lastError());
    bool moved = PrepareTarget(dst) && CopyTable(src, dst, CustomerTableName(), outcome_.customers) &&
                 CopyTable(src, dst, HistoryTableName(), outcome_.history) && CopyNotes(src, dst) &&
                 AdvanceIds(dst) && Verify(src, dst, CustomerTableName(), outcome_.customers) &&
                 Verify(src, dst, HistoryTableName(), outcome_.history);
    if (moved && !dst.commit()) moved = FailOn(to_, dst.lastError());
    if (!moved) dst.rollback();
    prepared_.clear();
    src.rollback();
    return moved;
}

bool Mover::Moved() {
    if (from_.SamePlace(to_))
        return Fail(Status::SamePlace, QStringLiteral("the archive is already at %1").arg(to_.Describe()));
    if (!QDir().mkpath(from_.Folder()))
        return Fail(Status::Failed, QStringLiteral("cannot create the folder %1").arg(from_.Folder()));
    ArchiveLock lock;
    QString why;
    switch (lock.Take(from_.LockPath(), why)) {
        case ArchiveLock::Result::Taken:
            break;
        case ArchiveLock::Result::InUse:
            return Fail(Status::InUse, why);
        case ArchiveLock::Result::Failed:
            return Fail(Status::Failed, why);
    }
    bool moved = false;
    {
        Connection source(from_);
        Connection target(to_);
        moved = OpenSource(source) && OpenTarget(target) && MoveInto(source.Db(), target.Db());
    }
    // A file made for the move and left empty is no archive: the target is as it was, absent.
    if (!moved && madeTargetFile_) QFile::remove(to_.SqlitePath());
    return moved;
}

ArchiveMove::Outcome Mover::Run() {
    if (Moved()) outcome_.status = Status::Moved;
    return outcome_;
}

}  // namespace

ArchiveMove::Outcome ArchiveMove::Run(const ArchiveLocation& from, const ArchiveLocation& to) {
    return Mover(from, to).Run();
}

}  // namespace zov
