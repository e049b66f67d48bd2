#include "EditReading.h"

#include <QLineEdit>

#include "EditNumber.h"

namespace zov {
namespace {

// Only the characters that count, so a long text costs nothing to convert.
std::string Counted(const QLineEdit* edit) {
    return edit->text().left(qsizetype(EditNumber::kReadLength)).toStdString();
}

}  // namespace

int32_t EditReading::ReadInt(QLineEdit* edit, int32_t fallback) {
    if (const auto value = EditNumber::ParseInt(Counted(edit))) return *value;
    edit->setText(QString::fromStdString(EditNumber::FormatInt(fallback)));
    return fallback;
}

double EditReading::ReadDecimal(QLineEdit* edit, double fallback) {
    if (const auto value = EditNumber::ParseDecimal(Counted(edit))) return *value;
    edit->setText(QString::fromStdString(EditNumber::FormatDecimal(fallback)));
    return fallback;
}

void EditReading::Fill(QLineEdit* edit, int32_t value) {
    edit->setText(QStringLiteral("xx"));
    ReadInt(edit, value);
}

void EditReading::FillDecimal(QLineEdit* edit, double value) {
    edit->setText(QStringLiteral("xx"));
    ReadDecimal(edit, value);
}

}  // namespace zov
