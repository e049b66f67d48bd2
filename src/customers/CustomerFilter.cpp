#include "CustomerFilter.h"

#include <QRegularExpression>

namespace zov {

namespace {

// Longer than any field or date can be; a value past it cannot be meant.
constexpr int kMaxSearchLength = 64;

std::optional<DateComparison> ComparisonOf(const QString& condition) {
    if (condition == QLatin1String("=")) return DateComparison::Equal;
    if (condition == QLatin1String("<")) return DateComparison::Before;
    if (condition == QLatin1String(">")) return DateComparison::After;
    return std::nullopt;
}

bool IsDateField(int field) { return FieldInfo(field).kind == FieldKind::Date; }

}  // namespace

bool Accepts(const CustomerFilter& filter, const CustomerRecord& record) {
    if (const auto* prefix = std::get_if<PrefixFilter>(&filter))
        return record.Text(prefix->field).startsWith(prefix->prefix, Qt::CaseInsensitive);
    const auto& byDate = std::get<DateFilter>(filter);
    const QDate d = record.Date(byDate.field);
    if (!d.isValid()) return false;
    switch (byDate.comparison) {
        case DateComparison::Equal:
            return d == byDate.date;
        case DateComparison::Before:
            return d < byDate.date;
        case DateComparison::After:
            return d > byDate.date;
    }
    return false;
}

QDate ParseTypedDate(const QString& text, const QString& dateFormat) {
    const QString t = text.trimmed();
    if (t.isEmpty() || t.size() > kMaxSearchLength) return {};
    QDate d = QDate::fromString(t, dateFormat);
    if (!d.isValid()) d = QDate::fromString(t, QStringLiteral("yyyy-MM-dd"));
    return d;
}

SearchOutcome BuildFilter(const SearchRequest& request, const QString& dateFormat) {
    if (request.field < 0 || request.field >= kCustomerFieldCount) return {SearchRefusal::TooLong, {}};
    if (IsDateField(request.field)) {
        const QDate d = ParseTypedDate(request.value, dateFormat);
        const std::optional<DateComparison> comparison = ComparisonOf(request.condition);
        if (!d.isValid() || !comparison) return {SearchRefusal::NotADate, {}};
        return {SearchRefusal::None, DateFilter{request.field, *comparison, d}};
    }
    if (FieldInfo(request.field).kind == FieldKind::Number) {
        static const QRegularExpression digits(QStringLiteral("^\\d{1,5}$"));
        if (!digits.match(request.value).hasMatch()) return {SearchRefusal::NotANumber, {}};
    } else if (request.value.size() > kMaxSearchLength) {
        return {SearchRefusal::TooLong, {}};
    }
    return {SearchRefusal::None, PrefixFilter{request.field, request.value}};
}

std::optional<DateFilter> ParseDateCondition(const QString& text, const QString& dateFormat) {
    if (text.size() > kMaxSearchLength) return std::nullopt;
    static const QRegularExpression form(QStringLiteral("^\\s*([A-Za-z_]+)?\\s*([=<>])\\s*([0-9/.-]+)\\s*$"));
    const QRegularExpressionMatch m = form.match(text);
    if (!m.hasMatch()) return std::nullopt;
    int field = kDataInst;
    if (!m.captured(1).isEmpty()) {
        const std::optional<int> named = FieldByName(m.captured(1));
        if (!named || !IsDateField(*named)) return std::nullopt;
        field = *named;
    }
    const QDate d = ParseTypedDate(m.captured(3), dateFormat);
    if (!d.isValid()) return std::nullopt;
    return DateFilter{field, *ComparisonOf(m.captured(2)), d};
}

}  // namespace zov
