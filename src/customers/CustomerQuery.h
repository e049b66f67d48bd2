#pragma once

#include <QString>
#include <QVariantList>
#include <optional>

#include "CustomerFields.h"
#include "CustomerFilter.h"

namespace zov {

// The statements behind the window's order and filters, run by the database so that only the
// records in view cross the network. They give the same records in the same order as the filters
// on the records themselves (`Accepts`, a case-ignoring compare of the surname):
// every text field has a search key beside it, its text case-folded character by character as
// Qt's case-ignoring compare folds it, compared byte by byte (SQLite's BINARY, PostgreSQL's "C"
// collation, both code-point order). A prefix then becomes a key range an index can serve, with
// no LIKE and so nothing special about `%` or `_`. Every value is a bound parameter.
struct BoundSql {
    QString text;
    QVariantList values;
};

// The search key of a text: what the key columns hold and what prefixes are compared against.
QString SearchKey(const QString& text);
// The smallest text above every text that begins with `key`; empty when there is none.
QString KeySuccessor(const QString& key);
// The key column of a text field (COGNOME_K); empty for numbers and dates.
QString KeyColumn(int field);
// The columns a record is read from, in the order RecordAt expects them: ID, ROW_VERSION, the
// surname key, then the 15 fields.
QString RecordColumns();
constexpr int kFirstFieldColumn = 3;

// The filter's condition ("1 = 1" with none); its values in order.
BoundSql FilterCondition(const std::optional<CustomerFilter>& filter);
// The filter's condition for counting the records of the view before one of them: a surname
// prefix keeps only its lower bound, the record's own key being the upper one. SQLite bounds an
// index scan by one upper bound only, and the prefix's would make it walk every hit.
BoundSql RankCondition(const std::optional<CustomerFilter>& filter);
// The surnames beginning with `prefix` (case ignored), as a key range.
BoundSql SurnamePrefixCondition(const QString& prefix);

// The view's order and the keyset comparisons with one row of it.
inline constexpr const char* kViewOrder = "COGNOME_K, ID";
inline constexpr const char* kViewOrderReversed = "COGNOME_K DESC, ID DESC";
inline constexpr const char* kBeforeRow = "(COGNOME_K, ID) < (?, ?)";
inline constexpr const char* kAfterRow = "(COGNOME_K, ID) > (?, ?)";

}  // namespace zov
