#pragma once

#include <QDialog>
#include <QString>
#include <QStringList>
#include <string>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace zov {

class Prompter;

// The search dialog of the customer archive: a field list, a condition ("=", "<", ">", used for
// the two date fields only) and the value. The archive window sets its caption, instruction,
// button texts, error texts and field list, shows it modally and reads the choice.
//
// OK is refused, with the value emptied and focused, when a date field's value is not a date or
// a number field's value is not a whole number.
class TFormRicerca : public QDialog {
    Q_OBJECT

  public:
    TFormRicerca(Prompter& prompter, QString dateFormat, QWidget* parent = nullptr);

    // The value alone (locate): the field list and the condition hidden, the value widened.
    void ShowValueOnly();
    void SetFields(const QStringList& captions);

    void FormShow();
    void ComboCampiChange();
    // True when the dialog may close with OK.
    bool FormCloseQuery();

    int Field() const;
    QString Condition() const;
    QString Value() const;

    // Cp1252 texts of the two refusals, set by the opener.
    std::string messDataNoValida = "Data non valida";
    std::string messNumNoValido = "Numero non valido";

    QComboBox* ComboCampi;
    QComboBox* ComboCondizione;
    QLineEdit* EditValore;
    QLabel* LabelIstruzioni;
    QPushButton* ButtonOK;
    QPushButton* ButtonAnnulla;

    void accept() override;

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void Refuse(const std::string& message);

    Prompter& prompter_;
    QString dateFormat_;
};

}  // namespace zov
