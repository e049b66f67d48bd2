#pragma once

#include <QString>

namespace zov {

// How the compare window names a field: a cell or an axis point of a map by the map and its row
// and column as the installer counts them (from 1), any other field by its definition-file key.
// The patterns hold "%1" (row or point) and "%2" (column).
struct ComparisonNames {
    QString mainMapCell = QStringLiteral("Mappa principale, riga %1, colonna %2");
    QString mapBCell = QStringLiteral("Mappa B, riga %1, colonna %2");
    QString rpmAxis = QStringLiteral("Asse dei giri, punto %1");
    QString pressureAxis = QStringLiteral("Asse della pressione, punto %1");
    // Put after a cell's name for its edit mark (the key's "_MOD" line).
    QString editMark = QStringLiteral("(segno di modifica)");

    QString Of(const QString& key) const;
};

}  // namespace zov
