#pragma once

#include <QSqlDatabase>
#include <QString>
#include <map>
#include <optional>
#include <vector>

#include "CustomerFields.h"
#include "CustomerQuery.h"

namespace zov {

// The stored records a view shows, fetched from the database a page at a time as they are asked
// for: the view's condition (the filter, less the records the archive holds changed in memory) in
// surname-key order. A page next to one already read is found from that page's edge row (keyset),
// the last page from the end backwards, so scrolling and jumping to the end read a page each
// whatever the archive's size; only a jump into the middle counts its way there (OFFSET). The
// view's size is counted whole only when asked for; whether a record follows is answered by
// counting no further than the page after it.
class CustomerPages {
  public:
    struct Row {
        qint64 key = 0;
        int version = 0;
        QString sortKey;  // the surname's search key
        CustomerRecord record;
    };

    static constexpr int kPageSize = 64;

    explicit CustomerPages(QString connectionName) : connectionName_(std::move(connectionName)) {}

    // A new view: its condition, the same for counting before one of its records (RankCondition)
    // and the stored records it leaves out. Drops every page read.
    void Reset(BoundSql condition, BoundSql rankCondition, std::vector<qint64> hidden);
    // Forgets the pages and the count, as after the table changed.
    void Forget();

    // The number of records in view, counted once per view: only what needs the whole number asks
    // (the window's counter, a move to the last record). Nullopt, with `error` set, when the
    // database did not answer.
    std::optional<int> Count(QString& error);
    // Whether the view holds a record at `rank`, answered from the pages read or by counting no
    // further than the page after it, so the work follows the position and not the archive.
    std::optional<bool> Holds(int rank, QString& error);
    // The record at `rank` in the view's order.
    std::optional<Row> At(int rank, QString& error);
    // How many records of the view come before (sortKey, id), a place in the view (a record it
    // holds, or a cached one its filter accepts).
    std::optional<int> RankBefore(const QString& sortKey, qint64 id, QString& error);
    // The stored record `id` when the view holds it, read by its key alone.
    std::optional<Row> WithId(qint64 id, QString& error);
    // The first record of the view meeting `extra` as well, if any.
    std::optional<Row> First(const BoundSql& extra, QString& error);

  private:
    BoundSql Where(const BoundSql& extra) const { return Where(condition_, extra); }
    BoundSql Where(const BoundSql& condition, const BoundSql& extra) const;
    // Notes what a page read says of the view's size.
    void Learn(int page, size_t rows);
    bool Fetch(int page, QString& error);
    bool Select(const BoundSql& where, const QString& order, int limit, int offset, std::vector<Row>& rows,
                QString& error) const;

    QString connectionName_;
    BoundSql condition_{QStringLiteral("1 = 1"), {}};
    BoundSql rankCondition_{QStringLiteral("1 = 1"), {}};
    std::vector<qint64> hidden_;
    std::optional<int> count_;
    int atLeast_ = 0;  // records the view is known to hold while count_ is unknown
    std::map<int, std::vector<Row>> pages_;
};

// The record in the columns RecordColumns names, from `first` on.
CustomerRecord RecordFromColumns(const class QSqlQuery& query, int first);

}  // namespace zov
