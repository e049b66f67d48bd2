#pragma once

#include <QDialog>
#include <vector>

#include "ComparisonNames.h"
#include "ConfigurationDiff.h"

class QLabel;
class QPushButton;
class QTableWidget;

namespace zov {

// "Confronta configurazione": the fields in which the ECU and a saved configuration differ, one
// row each (field, the ECU's value, the file's value), in the order of the definition files.
class TFormConfronta : public QDialog {
    Q_OBJECT

  public:
    // The window's words in the installer's language; built-in Italian until the caller replaces
    // them. The summaries hold "%1" for the file's name, the second one first the count.
    struct Texts {
        QString caption = QStringLiteral("Confronta configurazione");
        QString noDifference = QStringLiteral("Nessuna differenza con %1");
        QString differences = QStringLiteral("%1 differenze con %2");
        QString field = QStringLiteral("Campo");
        QString ecu = QStringLiteral("Centralina");
        QString ok = QStringLiteral("OK");
        ComparisonNames names;
    };

    TFormConfronta(const std::vector<ConfigurationDiff::Difference>& differences, const QString& fileName,
                   const Texts& texts, QWidget* parent = nullptr);

    QLabel* Riepilogo;
    QTableWidget* Tabella;
    QPushButton* OKButton;

  private:
    static constexpr int kFirstWidth = 520;
    static constexpr int kFirstHeight = 420;
    static constexpr int kScreenShare = 90;  // percent of the screen's width the window may take

    int FirstWidth() const;
};

}  // namespace zov
