#pragma once

#include <QSqlDatabase>
#include <QString>
#include <optional>
#include <utility>
#include <vector>

#include "ArchiveLocation.h"
#include "ArchiveLock.h"
#include "CustomerFields.h"
#include "CustomerFilter.h"
#include "CustomerPages.h"
#include "LegacyCustomerTable.h"

namespace zov {

// The customer archive: one record per installation, in the table "dbcli" on SQLite (default) or
// PostgreSQL (tables and indexes: CustomerSchema). It shows the records in surname order (case
// ignored, then in order of entry), all of them or those a filter accepts, with a current
// position. The database does the ordering and filtering and hands over a page at a time
// (CustomerPages), so opening and searching follow the records in view, not the archive's size.
//
// Changes are cached: posted and deleted records change what is shown at once, and reach the
// database only when applied, all together in one transaction; cancelling drops them and shows
// the database again. A transaction is not held open while someone types: on a shared server it
// would lock the rows against the other benches. Every stored record carries a row version
// checked by the apply, so a record another bench changed meanwhile ends the apply with a
// conflict, nothing of it written and the cached changes kept. The records changed in the cache are
// shown from memory, placed among the stored ones by counting the stored records before them.
class CustomerArchive {
  public:
    static constexpr const char* kTable = "dbcli";

    enum class OpenStatus { Opened, NoArchive, InUse, Failed };
    struct ImportReport {
        bool attempted = false;
        bool ok = false;
        int records = 0;
        QString error;
        std::vector<ImportProblem> problems;  // values not taken as they stood, records left out
    };
    struct OpenOutcome {
        OpenStatus status = OpenStatus::Failed;
        QString error;
        bool unreachable = false;  // Failed: the database could not be connected to at all
        ImportReport import;       // the older installation's table, imported on the first open only
    };
    enum class ApplyStatus { Applied, Conflict, Failed };
    struct ApplyOutcome {
        ApplyStatus status = ApplyStatus::Applied;
        QString error;
        QString conflictSurname;   // the record the other bench changed
        bool unreachable = false;  // Failed: the connection was lost (it is made again for a retry)
    };
    struct PostOutcome {
        bool posted = false;
        std::optional<int> missingField;  // a required field is empty
        QString problem;                  // a value does not fit its field
    };

    explicit CustomerArchive(ArchiveLocation location);
    ~CustomerArchive();
    CustomerArchive(const CustomerArchive&) = delete;
    CustomerArchive& operator=(const CustomerArchive&) = delete;

    const ArchiveLocation& Location() const { return location_; }

    // Takes the lock, connects and counts the records in view. NoArchive (with `create` false)
    // when the table does not exist yet; with `create` it is made with its indexes. An archive of
    // an older version is upgraded once; a missing index is rebuilt silently.
    OpenOutcome Open(bool create);
    // Drops the cached changes, closes the connection and gives the lock back.
    void Close();
    bool IsOpen() const { return open_; }
    // Gives the space of deleted records back (VACUUM) when it is a good part of an SQLite file;
    // a PostgreSQL server does it on its own.
    bool Pack(QString* error = nullptr);

    // The records in view, counted whole once per view (the window's counter asks); moving and
    // reading count no further than the position.
    int Count() const;
    int Position() const { return position_; }
    bool AtBeginning() const { return position_ <= 0; }
    bool AtEnd() const { return position_ < 0 || !Holds(position_ + 1); }
    void First();
    void Prior();
    void Next();
    void Last();
    // The record at the position; an empty record when nothing is in view.
    CustomerRecord Current() const;
    CustomerRecord At(int index) const;

    // Stores `record` into the cache: over the current record, or as a new one (`asNew`), which
    // becomes current. Upper-case fields are upper-cased. Refused when a required field is empty
    // or a value does not fit.
    PostOutcome Post(const CustomerRecord& record, bool asNew);
    // Removes the current record into the cache; false with nothing in view.
    bool DeleteCurrent();
    bool HasCachedChanges() const;
    ApplyOutcome Apply();
    void CancelCached();

    // Moves to the first record in view whose surname begins with `prefix` (case ignored); false,
    // with the position unchanged, when none does.
    bool LocateSurname(const QString& prefix);
    void SetFilter(std::optional<CustomerFilter> filter);
    bool FilterActive() const { return filter_.has_value(); }

    // Stores `records` (normalized, each checked as Post checks it) in one transaction: all or
    // none. Refused while changes are cached.
    bool AddRecords(const std::vector<CustomerRecord>& records, QString& error);

    // Adds the records of an older installation's dBASE table in one transaction (nothing when it
    // cannot be read whole). Refused while changes are cached.
    ImportReport ImportLegacyTable(const QString& path);

    // The archive's connection while it is open (the cars' history lives beside the customers).
    QSqlDatabase Database() const { return QSqlDatabase::database(connectionName_, false); }

    // Why the last database operation failed.
    const QString& LastError() const { return lastError_; }

  private:
    struct Row {
        qint64 key = 0;  // the stored ID, or a negative number for a record not yet applied
        int version = 0;
        CustomerRecord record;
    };
    // A cached record in view: its index there, and how many stored records come before it.
    struct Placed {
        size_t cached = 0;
        int storedBefore = 0;
        int index = 0;
    };

    bool Connect(QString& error);
    bool StartSession(QString& error);
    // After a failure: whether the connection still answers; when it does not, it is closed and
    // opened again once, so that the next try may succeed.
    bool StillConnected();
    bool Reopen();
    bool PrepareSchema(bool create, OpenOutcome& out);
    // Shows the records again (filter, stored and cached); the position goes to `keepKey` when it
    // is in view (true), else to the first record.
    bool RebuildView(std::optional<qint64> keepKey);
    std::optional<int> IndexOf(qint64 key) const;
    // Whether the view has a record at `index`.
    bool Holds(int index) const;
    // The position goes to `index`, or to the last record when the view ends before it.
    void KeepPosition(int index);
    std::optional<Row> RowAt(int index) const;
    int ViewIndexOfStored(int rank) const;
    ImportReport ImportOnFirstOpen();
    bool Exec(const QString& statement, QString& error);
    bool InsertRecords(const std::vector<CustomerRecord>& records, std::vector<qint64>* ids, QString& error);
    std::optional<ApplyOutcome> WriteCached(std::vector<qint64>& newIds);
    bool IsPostgres() const { return location_.kind == ArchiveLocation::Kind::Postgres; }

    ArchiveLocation location_;
    QString connectionName_;
    ArchiveLock lock_;
    bool open_ = false;
    std::vector<Row> cached_;     // stored records changed and new records, in order of posting
    std::vector<Row> deleted_;    // stored records deleted in the cache
    std::vector<Placed> placed_;  // the cached records the filter accepts, in view order
    mutable CustomerPages pages_;
    mutable std::optional<std::pair<int, Row>> found_;  // the record IndexOf found, at its index
    int position_ = -1;
    qint64 nextNewKey_ = -1;
    std::optional<CustomerFilter> filter_;
    mutable QString lastError_;
};

}  // namespace zov
