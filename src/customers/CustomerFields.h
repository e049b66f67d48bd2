#pragma once

#include <QDate>
#include <QString>
#include <QVariant>
#include <array>
#include <optional>

namespace zov {

// The customer table's fields in their fixed order: the search dialog's field list and the
// command line's columns address them by this number.
enum CustomerField : int {
    kCognome = 0,
    kNome,
    kIndirizzo,
    kCitta,
    kProvincia,
    kTelefono,
    kAuto,
    kCilindrata,
    kAnnoAuto,
    kProgramma,
    kVersione,
    kDataProg,
    kDataInst,
    kNSerie,
    kTarga,
};

constexpr int kCustomerFieldCount = 15;

enum class FieldKind { Text, Number, Date };

struct CustomerFieldInfo {
    const char* name;
    FieldKind kind;
    int size;  // characters a text may hold; 0 for numbers and dates
    bool required;
    bool upperCase;
};

const CustomerFieldInfo& FieldInfo(int field);
// The field named `name` (case ignored), if any.
std::optional<int> FieldByName(const QString& name);

// Numbers are unsigned 16-bit, so a stored number is always 0..65535.
constexpr int kMaxFieldNumber = 65535;

// One record of the table: texts as QString, numbers as int, dates as QDate; a field never set is
// a null QVariant.
struct CustomerRecord {
    std::array<QVariant, kCustomerFieldCount> values;

    QString Text(int field) const;
    QDate Date(int field) const;
    // The field as a person reads it: dates in `dateFormat`, numbers in decimal, null as empty.
    QString Display(int field, const QString& dateFormat) const;
    bool operator==(const CustomerRecord&) const = default;
};

// The first required field that is empty, if any.
std::optional<int> MissingRequiredField(const CustomerRecord& record);

// Why a value does not fit its field, empty when it does (upper-case fields are upper-cased
// first by Normalized).
QString FieldValueProblem(int field, const QVariant& value);
CustomerRecord Normalized(CustomerRecord record);

}  // namespace zov
