#include "CustomerFields.h"

namespace zov {

namespace {

const std::array<CustomerFieldInfo, kCustomerFieldCount> kFields = {{
    {"COGNOME", FieldKind::Text, 30, true, false},
    {"NOME", FieldKind::Text, 30, false, false},
    {"INDIRIZZO", FieldKind::Text, 50, false, false},
    {"CITTA", FieldKind::Text, 20, false, false},
    {"PROVINCIA", FieldKind::Text, 5, false, true},
    {"TELEFONO", FieldKind::Text, 25, false, false},
    {"AUTO", FieldKind::Text, 30, false, false},
    {"CILINDRATA", FieldKind::Number, 0, false, false},
    {"ANNO_AUTO", FieldKind::Number, 0, false, false},
    {"PROGRAMMA", FieldKind::Text, 40, false, false},
    {"VERSIONE", FieldKind::Text, 8, false, false},
    {"DATA_PROG", FieldKind::Date, 0, false, false},
    {"DATA_INST", FieldKind::Date, 0, true, false},
    {"N_SERIE", FieldKind::Text, 15, true, false},
    {"TARGA", FieldKind::Text, 15, false, true},
}};

}  // namespace

const CustomerFieldInfo& FieldInfo(int field) { return kFields.at(static_cast<size_t>(field)); }

std::optional<int> FieldByName(const QString& name) {
    for (int f = 0; f < kCustomerFieldCount; ++f)
        if (name.compare(QLatin1String(kFields[size_t(f)].name), Qt::CaseInsensitive) == 0) return f;
    return std::nullopt;
}

QString CustomerRecord::Text(int field) const {
    const QVariant& v = values.at(size_t(field));
    return v.isNull() ? QString() : v.toString();
}

QDate CustomerRecord::Date(int field) const {
    const QVariant& v = values.at(size_t(field));
    if (v.isNull()) return {};
    if (v.typeId() == QMetaType::QDate) return v.toDate();
    return QDate::fromString(v.toString(), Qt::ISODate);
}

QString CustomerRecord::Display(int field, const QString& dateFormat) const {
    if (FieldInfo(field).kind == FieldKind::Date) {
        const QDate d = Date(field);
        return d.isValid() ? d.toString(dateFormat) : QString();
    }
    return Text(field);
}

std::optional<int> MissingRequiredField(const CustomerRecord& record) {
    for (int f = 0; f < kCustomerFieldCount; ++f) {
        if (!FieldInfo(f).required) continue;
        const bool empty = FieldInfo(f).kind == FieldKind::Date ? !record.Date(f).isValid()
                                                                : record.Text(f).trimmed().isEmpty();
        if (empty) return f;
    }
    return std::nullopt;
}

QString FieldValueProblem(int field, const QVariant& value) {
    const CustomerFieldInfo& info = FieldInfo(field);
    if (value.isNull()) return {};
    switch (info.kind) {
        case FieldKind::Text:
            if (value.toString().size() > info.size)
                return QStringLiteral("%1 holds at most %2 characters")
                    .arg(QLatin1String(info.name))
                    .arg(info.size);
            return {};
        case FieldKind::Number: {
            bool ok = false;
            const int n = value.toString().toInt(&ok);
            if (!ok || n < 0 || n > kMaxFieldNumber)
                return QStringLiteral("%1 must be a whole number from 0 to %2")
                    .arg(QLatin1String(info.name))
                    .arg(kMaxFieldNumber);
            return {};
        }
        case FieldKind::Date: {
            const QDate d = value.typeId() == QMetaType::QDate
                                ? value.toDate()
                                : QDate::fromString(value.toString(), Qt::ISODate);
            if (!d.isValid()) return QStringLiteral("%1 is not a date").arg(QLatin1String(info.name));
            return {};
        }
    }
    return {};
}

CustomerRecord Normalized(CustomerRecord record) {
    for (int f = 0; f < kCustomerFieldCount; ++f) {
        QVariant& v = record.values[size_t(f)];
        if (v.isNull()) continue;
        const CustomerFieldInfo& info = FieldInfo(f);
        if (info.kind == FieldKind::Text) {
            const QString text = v.toString();
            v = info.upperCase ? text.toUpper() : text;
        } else if (info.kind == FieldKind::Number) {
            const QString text = v.toString().trimmed();
            bool ok = false;
            const int n = text.toInt(&ok);
            v = text.isEmpty() ? QVariant() : ok ? QVariant(n) : v;
        } else if (v.typeId() != QMetaType::QDate) {
            v = QDate::fromString(v.toString(), Qt::ISODate);
        }
    }
    return record;
}

}  // namespace zov
