#include "InstallationRecord.h"

#include <cmath>

#include "ConfCar.h"
#include "Cp1252.h"

namespace zov {

namespace {

// Day numbers count from 30 December 1899.
const QDate kDayZero(1899, 12, 30);

QVariant TextFor(int field, const std::string& cp1252Text) {
    const QString text = QString::fromStdString(cp1252::ToUtf8(cp1252Text)).trimmed();
    if (text.isEmpty()) return {};
    return text.left(FieldInfo(field).size);
}

QVariant NumberFor(int32_t value) {
    if (value < 0 || value > kMaxFieldNumber) return {};
    return int(value);
}

}  // namespace

QString VersionText(int version) {
    return QStringLiteral("%1.%2").arg((version >> 8) & 0xFF).arg(version & 0xFF);
}

CustomerRecord InstallationRecord(const ConfCar& car, QDate today) {
    CustomerRecord r;
    r.values[kAuto] = TextFor(kAuto, car.MODELLO);
    r.values[kProgramma] = TextFor(kProgramma, car.NOME_PROGRAMMA);
    r.values[kCilindrata] = NumberFor(car.GetValue(40));
    r.values[kAnnoAuto] = NumberFor(car.ANNO_VETTURA);
    if (std::isfinite(car.DATA_PROGRAMMA) && car.DATA_PROGRAMMA > 0 && car.DATA_PROGRAMMA < 3e6)
        r.values[kDataProg] = kDayZero.addDays(qint64(std::trunc(car.DATA_PROGRAMMA)));
    r.values[kVersione] = VersionText(car.VERSIONE_CENTRALINA);
    r.values[kDataInst] = today;
    return r;
}

QString DateOrderFormat(const QLocale& locale) {
    const QString format = locale.dateFormat(QLocale::ShortFormat);
    const qsizetype day = format.indexOf(QLatin1Char('d'));
    const qsizetype month = format.indexOf(QLatin1Char('M'));
    const qsizetype year = format.indexOf(QLatin1Char('y'));
    if (year >= 0 && (day < 0 || year < day) && (month < 0 || year < month))
        return QStringLiteral("yyyy/M/d");
    if (day >= 0 && month >= 0 && day < month) return QStringLiteral("d/M/yyyy");
    return QStringLiteral("M/d/yyyy");
}

}  // namespace zov
