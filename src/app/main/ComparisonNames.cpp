#include "ComparisonNames.h"

#include <QStringList>

namespace zov {
namespace {

constexpr const char* kModifiedSuffix = "_MOD";

// The numbers after `stem` in "STEM_a" or "STEM_a_b"; none when the key is not of that form.
QList<int> Numbers(const QString& key, const QString& stem) {
    if (!key.startsWith(stem)) return {};
    QList<int> numbers;
    for (const QString& part : key.mid(stem.size()).split(QLatin1Char('_'))) {
        bool ok = false;
        const int n = part.toInt(&ok);
        if (!ok || n < 0) return {};
        numbers << n;
    }
    return numbers;
}

}  // namespace

QString ComparisonNames::Of(const QString& key) const {
    const bool mark = key.endsWith(QLatin1String(kModifiedSuffix));
    const QString field = mark ? key.chopped(int(qstrlen(kModifiedSuffix))) : key;
    // The file numbers a cell column first: CL_<column>_<row>.
    const auto cell = [&](const QString& pattern, const QList<int>& n) {
        const QString name = pattern.arg(n[1] + 1).arg(n[0] + 1);
        return mark ? name + QLatin1Char(' ') + editMark : name;
    };
    if (const QList<int> n = Numbers(field, QStringLiteral("CL_")); n.size() == 2)
        return cell(mainMapCell, n);
    if (mark) return key;
    if (const QList<int> n = Numbers(field, QStringLiteral("MB_")); n.size() == 2) return cell(mapBCell, n);
    if (const QList<int> n = Numbers(field, QStringLiteral("CG_")); n.size() == 1)
        return rpmAxis.arg(n[0] + 1);
    if (const QList<int> n = Numbers(field, QStringLiteral("CM_")); n.size() == 1)
        return pressureAxis.arg(n[0] + 1);
    return key;
}

}  // namespace zov
