#pragma once

#include <QDialog>
#include <QLocale>
#include <QString>
#include <functional>

class QGroupBox;
class QLabel;
class QPushButton;

namespace zov {

class ConfCar;

// The ECU identification dialog: vehicle data (model, year, displacement, fuel) and programme data
// (file name, creation date, data version, protection). The opener fills the captions and values,
// chooses which rows and buttons show, and calls Arrange before showing it.
class TFormDati : public QDialog {
    Q_OBJECT

  public:
    static constexpr int kValueGap = 8;  // a value starts this far right of its caption

    explicit TFormDati(QWidget* parent = nullptr);

    // Places each value label kValueGap pixels right of its caption, stacks the rows of each
    // group, keeps each group at least as high as the opener set it, and sizes the window so
    // that the longest text is shown whole.
    void Arrange();

    // Fills the dialog as the connect action shows it: the identification of the ECU whose
    // configuration `car` holds, with the localized `text`s by identifier and the data version's
    // caption; only the OK button (Button2), then Arrange. The programming date is written in
    // `language`'s long form (the installer's language, not the machine's).
    void ShowEcu(const ConfCar& car, const std::function<QString(const char* identifier)>& text,
                 const QString& versionCaption, const QLocale& language);

    QLabel* Label1;  // heading
    QGroupBox* GroupBox1;
    QLabel* Label2;  // model
    QLabel* Label3;  // year
    QLabel* Label4;  // displacement
    QLabel* Label5;  // fuel
    QLabel* LabelMod;
    QLabel* LabelAnno;
    QLabel* LabelCil;
    QLabel* LabelCarb;
    QGroupBox* GroupBox2;
    QLabel* Label6;  // programme
    QLabel* Label7;  // creation date
    QLabel* LabelVerSoft;
    QLabel* LabelNome;
    QLabel* LabelData;
    QLabel* LabelVersione;
    QLabel* LabelProtected;
    QPushButton* Button1;
    QPushButton* Button2;
};

}  // namespace zov
