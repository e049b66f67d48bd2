#pragma once

#include <QDate>
#include <QLocale>
#include <QString>

#include "CustomerFields.h"

namespace zov {

class ConfCar;

// The new record an installation starts with: the vehicle and programme as the ECU was just
// programmed (AUTO = MODELLO, PROGRAMMA = NOME_PROGRAMMA, CILINDRATA = variable 40, ANNO_AUTO =
// ANNO_VETTURA, DATA_PROG = the date of DATA_PROGRAMMA, VERSIONE = the data version's high and
// low byte in decimal, 0x0102 giving "1.2") and today as the installation date. Texts longer than
// their field are cut to it; numbers outside 0..65535 are left empty.
CustomerRecord InstallationRecord(const ConfCar& car, QDate today);

// "1.2" for 0x0102.
QString VersionText(int version);

// The date order the system's short date format uses: "d/M/yyyy" when the day comes before the
// month, "yyyy/M/d" when the year comes first, otherwise "M/d/yyyy".
QString DateOrderFormat(const QLocale& locale = QLocale::system());

}  // namespace zov
