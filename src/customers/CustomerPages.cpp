#include "CustomerPages.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <algorithm>

namespace zov {

namespace {

void Bind(QSqlQuery& query, const QVariantList& values) {
    for (const QVariant& v : values) query.addBindValue(v);
}

// The one number a COUNT query answers, its values bound.
std::optional<int> CountOf(const QString& connectionName, const QString& sql, const QVariantList& values,
                           QString& error) {
    QSqlQuery query(QSqlDatabase::database(connectionName, false));
    if (!query.prepare(sql)) {
        error = query.lastError().text();
        return std::nullopt;
    }
    Bind(query, values);
    if (!query.exec() || !query.next()) {
        error = query.lastError().text();
        return std::nullopt;
    }
    return query.value(0).toInt();
}

}  // namespace

CustomerRecord RecordFromColumns(const QSqlQuery& query, int first) {
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

void CustomerPages::Reset(BoundSql condition, BoundSql rankCondition, std::vector<qint64> hidden) {
    condition_ = std::move(condition);
    rankCondition_ = std::move(rankCondition);
    hidden_ = std::move(hidden);
    Forget();
}

void CustomerPages::Forget() {
    count_.reset();
    atLeast_ = 0;
    pages_.clear();
}

BoundSql CustomerPages::Where(const BoundSql& condition, const BoundSql& extra) const {
    BoundSql where = condition;
    if (!hidden_.empty()) {
        where.text +=
            QStringLiteral(" AND ID NOT IN (%1)")
                .arg(QStringList(qsizetype(hidden_.size()), QStringLiteral("?")).join(QStringLiteral(", ")));
        for (qint64 id : hidden_) where.values << QVariant(id);
    }
    if (!extra.text.isEmpty()) {
        where.text += QStringLiteral(" AND ") + extra.text;
        where.values += extra.values;
    }
    return where;
}

bool CustomerPages::Select(const BoundSql& where, const QString& order, int limit, int offset,
                           std::vector<Row>& rows, QString& error) const {
    QSqlQuery query(QSqlDatabase::database(connectionName_, false));
    query.setForwardOnly(true);
    const QString text = QStringLiteral("SELECT %1 FROM dbcli WHERE %2 ORDER BY %3 LIMIT %4 OFFSET %5")
                             .arg(RecordColumns(), where.text, order)
                             .arg(limit)
                             .arg(offset);
    if (!query.prepare(text)) {
        error = query.lastError().text();
        return false;
    }
    Bind(query, where.values);
    if (!query.exec()) {
        error = query.lastError().text();
        return false;
    }
    while (query.next())
        rows.push_back({query.value(0).toLongLong(), query.value(1).toInt(), query.value(2).toString(),
                        RecordFromColumns(query, kFirstFieldColumn)});
    return true;
}

std::optional<int> CustomerPages::Count(QString& error) {
    if (count_) return count_;
    const BoundSql where = Where({});
    count_ = CountOf(connectionName_, QStringLiteral("SELECT COUNT(*) FROM dbcli WHERE ") + where.text,
                     where.values, error);
    return count_;
}

std::optional<bool> CustomerPages::Holds(int rank, QString& error) {
    if (rank < 0) return false;
    if (count_) return rank < *count_;
    if (rank < atLeast_) return true;
    // Counting stops a page past the rank asked for: a scroll downwards asks rank by rank.
    const int limit = rank + 1 + kPageSize;
    const BoundSql where = Where({});
    const std::optional<int> hits =
        CountOf(connectionName_,
                QStringLiteral("SELECT COUNT(*) FROM (SELECT 1 FROM dbcli WHERE %1 LIMIT %2) hits")
                    .arg(where.text)
                    .arg(limit),
                where.values, error);
    if (!hits) return std::nullopt;
    const int counted = *hits;
    if (counted < limit)
        count_ = counted;
    else
        atLeast_ = counted;
    return rank < counted;
}

void CustomerPages::Learn(int page, size_t rows) {
    const int end = page * kPageSize + int(rows);
    // A short page ends the view; an empty one past the first only says the view ends before it.
    if (rows < size_t(kPageSize) && (rows > 0 || page == 0))
        count_ = end;
    else
        atLeast_ = std::max(atLeast_, end);
}

bool CustomerPages::Fetch(int page, QString& error) {
    const int first = page * kPageSize;
    std::vector<Row> rows;
    bool reversed = false;
    bool ok = false;
    if (const auto before = pages_.find(page - 1); before != pages_.end() && !before->second.empty()) {
        const Row& edge = before->second.back();
        ok = Select(Where({QLatin1String(kAfterRow), {edge.sortKey, edge.key}}), QLatin1String(kViewOrder),
                    kPageSize, 0, rows, error);
    } else if (const auto after = pages_.find(page + 1); after != pages_.end() && !after->second.empty()) {
        const Row& edge = after->second.front();
        ok = Select(Where({QLatin1String(kBeforeRow), {edge.sortKey, edge.key}}),
                    QLatin1String(kViewOrderReversed), kPageSize, 0, rows, error);
        reversed = true;
    } else if (count_ && page > 0 && first < *count_ && first + kPageSize >= *count_) {
        ok = Select(Where({}), QLatin1String(kViewOrderReversed), *count_ - first, 0, rows, error);
        reversed = true;
    } else {
        ok = Select(Where({}), QLatin1String(kViewOrder), kPageSize, first, rows, error);
    }
    if (!ok) return false;
    if (reversed)
        std::reverse(rows.begin(), rows.end());
    else if (!count_)
        Learn(page, rows.size());
    pages_[page] = std::move(rows);
    return true;
}

std::optional<CustomerPages::Row> CustomerPages::At(int rank, QString& error) {
    if (rank < 0) return std::nullopt;
    const int page = rank / kPageSize;
    if (!pages_.count(page) && !Fetch(page, error)) return std::nullopt;
    const std::vector<Row>& rows = pages_[page];
    const size_t at = size_t(rank % kPageSize);
    if (at >= rows.size()) return std::nullopt;
    return rows[at];
}

std::optional<int> CustomerPages::RankBefore(const QString& sortKey, qint64 id, QString& error) {
    const BoundSql where = Where(rankCondition_, {QLatin1String(kBeforeRow), {sortKey, id}});
    return CountOf(connectionName_, QStringLiteral("SELECT COUNT(*) FROM dbcli WHERE ") + where.text,
                   where.values, error);
}

std::optional<CustomerPages::Row> CustomerPages::First(const BoundSql& extra, QString& error) {
    std::vector<Row> rows;
    if (!Select(Where(extra), QLatin1String(kViewOrder), 1, 0, rows, error) || rows.empty())
        return std::nullopt;
    return rows.front();
}

std::optional<CustomerPages::Row> CustomerPages::WithId(qint64 id, QString& error) {
    std::vector<Row> rows;
    // Ordered by the key it is looked up by, so no database walks the view's order to find it.
    if (!Select(Where({QStringLiteral("ID = ?"), {QVariant(id)}}), QStringLiteral("ID"), 1, 0, rows, error) ||
        rows.empty())
        return std::nullopt;
    return rows.front();
}

}  // namespace zov
