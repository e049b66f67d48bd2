#pragma once

#include <QDate>
#include <QString>
#include <optional>
#include <variant>

#include "CustomerFields.h"

namespace zov {

// The field list's filters: a text prefix on any field but the dates (case ignored, the
// condition unused), or a comparison of a date field with one date.
//
// The date is parsed and checked here and compared as a date, so nothing typed ever becomes part
// of a database statement: a value that is not a date is refused, not passed on.
struct PrefixFilter {
    int field = kCognome;
    QString prefix;
};

enum class DateComparison { Equal, Before, After };

struct DateFilter {
    int field = kDataInst;
    DateComparison comparison = DateComparison::Equal;
    QDate date;
};

using CustomerFilter = std::variant<PrefixFilter, DateFilter>;

bool Accepts(const CustomerFilter& filter, const CustomerRecord& record);

// Why a typed search value is refused.
enum class SearchRefusal { None, NotADate, NotANumber, TooLong };

struct SearchRequest {
    int field = kCognome;
    QString condition;  // "=", "<" or ">"; read for the date fields only
    QString value;
};

// The search dialog's checks and the filter they build. `dateFormat` is the date order the
// window shows (for example "d/M/yyyy"); ISO dates (2002-03-01) are accepted too.
struct SearchOutcome {
    SearchRefusal refusal = SearchRefusal::None;
    std::optional<CustomerFilter> filter;
};
SearchOutcome BuildFilter(const SearchRequest& request, const QString& dateFormat);

// A date typed in `dateFormat` or ISO form; invalid when it is neither.
QDate ParseTypedDate(const QString& text, const QString& dateFormat);

// The command line's date condition: an optional date field name (DATA_INST when left out), one of
// "=", "<", ">", then a date, blanks allowed between them: "DATA_PROG<2002-03-01", "> 1/3/2002".
std::optional<DateFilter> ParseDateCondition(const QString& text, const QString& dateFormat);

}  // namespace zov
