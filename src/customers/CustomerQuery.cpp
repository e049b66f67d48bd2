#include "CustomerQuery.h"

#include <QChar>
#include <QStringList>

namespace zov {

namespace {

constexpr char32_t kLastCodePoint = 0x10FFFF;
constexpr char32_t kFirstSurrogate = 0xD800;
constexpr char32_t kLastSurrogate = 0xDFFF;

BoundSql PrefixCondition(int field, const QString& prefix) {
    // Every text begins with nothing, but a field never set has no text at all.
    if (prefix.isEmpty())
        return {QStringLiteral("%1 IS NOT NULL").arg(QLatin1String(FieldInfo(field).name)), {}};
    const QString column = KeyColumn(field);
    if (column.isEmpty()) {
        // Numbers are matched on their decimal text, as the filter on the record reads them.
        return {
            QStringLiteral("substr(CAST(%1 AS TEXT), 1, ?) = ?").arg(QLatin1String(FieldInfo(field).name)),
            {QVariant(int(prefix.size())), QVariant(prefix)}};
    }
    const QString low = SearchKey(prefix);
    const QString high = KeySuccessor(low);
    if (high.isEmpty()) return {column + QStringLiteral(" >= ?"), {QVariant(low)}};
    return {QStringLiteral("%1 >= ? AND %1 < ?").arg(column), {QVariant(low), QVariant(high)}};
}

BoundSql DateCondition(const DateFilter& filter) {
    const char* op = filter.comparison == DateComparison::Equal    ? "="
                     : filter.comparison == DateComparison::Before ? "<"
                                                                   : ">";
    // Dates are stored as ISO text on SQLite and as DATE on PostgreSQL; both compare in date order.
    return {QStringLiteral("%1 %2 ?").arg(QLatin1String(FieldInfo(filter.field).name), QLatin1String(op)),
            {QVariant(filter.date)}};
}

}  // namespace

QString SearchKey(const QString& text) {
    QList<uint> points = text.toUcs4();
    for (uint& p : points) p = QChar::toCaseFolded(char32_t(p));
    return QString::fromUcs4(reinterpret_cast<const char32_t*>(points.constData()), points.size());
}

QString KeySuccessor(const QString& key) {
    QList<uint> points = key.toUcs4();
    while (!points.isEmpty() && points.last() >= kLastCodePoint) points.removeLast();
    if (points.isEmpty()) return {};
    char32_t next = char32_t(points.last()) + 1;
    if (next >= kFirstSurrogate && next <= kLastSurrogate) next = kLastSurrogate + 1;
    points.last() = uint(next);
    return QString::fromUcs4(reinterpret_cast<const char32_t*>(points.constData()), points.size());
}

QString KeyColumn(int field) {
    if (FieldInfo(field).kind != FieldKind::Text) return {};
    return QLatin1String(FieldInfo(field).name) + QStringLiteral("_K");
}

QString RecordColumns() {
    QStringList names{QStringLiteral("ID"), QStringLiteral("ROW_VERSION"), KeyColumn(kCognome)};
    for (int f = 0; f < kCustomerFieldCount; ++f) names << QLatin1String(FieldInfo(f).name);
    return names.join(QStringLiteral(", "));
}

BoundSql FilterCondition(const std::optional<CustomerFilter>& filter) {
    if (!filter) return {QStringLiteral("1 = 1"), {}};
    if (const auto* prefix = std::get_if<PrefixFilter>(&*filter))
        return PrefixCondition(prefix->field, prefix->prefix);
    return DateCondition(std::get<DateFilter>(*filter));
}

BoundSql RankCondition(const std::optional<CustomerFilter>& filter) {
    const auto* prefix = filter ? std::get_if<PrefixFilter>(&*filter) : nullptr;
    if (!prefix || prefix->field != kCognome || prefix->prefix.isEmpty()) return FilterCondition(filter);
    return {KeyColumn(kCognome) + QStringLiteral(" >= ?"), {QVariant(SearchKey(prefix->prefix))}};
}

BoundSql SurnamePrefixCondition(const QString& prefix) { return PrefixCondition(kCognome, prefix); }

}  // namespace zov
