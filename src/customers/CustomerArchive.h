#pragma once

#include <QSqlDatabase>
#include <QString>
#include <optional>
#include <vector>

#include "ArchiveLocation.h"
#include "ArchiveLock.h"
#include "CustomerFields.h"
#include "CustomerFilter.h"

namespace zov {

// The customer archive: one record per installation, in the table "dbcli" on SQLite (default) or
// PostgreSQL, with the indexes ICOGNOME, IVETTURA and IDATA_INST. It shows the records in
// surname order (case ignored, then in order of entry), all of them or those a filter accepts,
// with a current position.
//
// Changes are cached: posted and deleted records change what is shown at once, and reach the
// database only when applied, all together in one transaction; cancelling drops them and shows
// the database again. A transaction is not held open while someone types: on a shared server it
// would lock the rows against the other benches. Every stored record carries a row version
// checked by the apply, so a record another bench changed meanwhile ends the apply with a
// conflict, nothing of it written and the cached changes kept.
class CustomerArchive {
  public:
    static constexpr const char* kTable = "dbcli";

    enum class OpenStatus { Opened, NoArchive, InUse, Failed };
    struct ImportReport {
        bool attempted = false;
        bool ok = false;
        int records = 0;
        QString error;
    };
    struct OpenOutcome {
        OpenStatus status = OpenStatus::Failed;
        QString error;
        ImportReport import;  // the older installation's table, imported on the first open only
    };
    enum class ApplyStatus { Applied, Conflict, Failed };
    struct ApplyOutcome {
        ApplyStatus status = ApplyStatus::Applied;
        QString error;
        QString conflictSurname;  // the record the other bench changed
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

    // Takes the lock, connects and loads. NoArchive (with `create` false) when the table does not
    // exist yet; with `create` it is made with its indexes. A missing index is rebuilt silently.
    OpenOutcome Open(bool create);
    // Drops the cached changes, closes the connection and gives the lock back.
    void Close();
    bool IsOpen() const { return open_; }
    // Removes the free space of deleted records for good and rebuilds the indexes (VACUUM).
    bool Pack(QString* error = nullptr);

    // The records in view.
    int Count() const { return int(view_.size()); }
    int Position() const { return position_; }
    bool AtBeginning() const { return position_ <= 0; }
    bool AtEnd() const { return position_ < 0 || position_ + 1 >= Count(); }
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

    // Adds the records of an older installation's dBASE table in one transaction (nothing when it
    // cannot be read whole). Refused while changes are cached.
    ImportReport ImportLegacyTable(const QString& path);

    // Why the last database operation failed.
    const QString& LastError() const { return lastError_; }

  private:
    struct Row {
        qint64 key = 0;  // the stored ID, or a negative number for a record not yet applied
        int version = 0;
        bool changed = false;
        CustomerRecord record;
    };

    bool Connect(QString& error);
    bool TableExists();
    bool CreateSchema(QString& error);
    bool EnsureIndexes(QString& error);
    bool Load(QString& error);
    void Resort(std::optional<qint64> keepKey);
    ImportReport ImportOnFirstOpen();
    bool Exec(const QString& statement, QString& error);
    bool InsertRecords(const std::vector<CustomerRecord>& records, std::vector<qint64>* ids, QString& error);
    bool IsPostgres() const { return location_.kind == ArchiveLocation::Kind::Postgres; }

    ArchiveLocation location_;
    QString connectionName_;
    ArchiveLock lock_;
    bool open_ = false;
    std::vector<Row> rows_;     // surname order
    std::vector<Row> deleted_;  // stored records deleted in the cache
    std::vector<size_t> view_;  // indices into rows_ the filter accepts
    int position_ = -1;
    qint64 nextNewKey_ = -1;
    std::optional<CustomerFilter> filter_;
    QString lastError_;
};

}  // namespace zov
