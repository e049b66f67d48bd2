#pragma once

#include <QDialog>
#include <vector>

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
    TFormConfronta(const std::vector<ConfigurationDiff::Difference>& differences, const QString& fileName,
                   QWidget* parent = nullptr);

    QLabel* Riepilogo;
    QTableWidget* Tabella;
    QPushButton* OKButton;
};

}  // namespace zov
