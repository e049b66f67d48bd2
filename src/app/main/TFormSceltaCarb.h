#pragma once

#include <QDialog>

class QComboBox;
class QLabel;
class QPushButton;

namespace zov {

class Prompter;
class TModuloLingua;

// Asks which fuel the vehicle runs on before the standard ECU software of a vehicle that is not in
// the archive is installed. The list's index has the meaning of TIPO_DI_CARBURANTE: 0 GPL,
// 1 Metano.
//
// The caller creates it, sets ComboAlim's selection, runs it modally (OK: accepted, Cancel or Esc:
// rejected) and destroys it.
class TFormSceltaCarb : public QDialog {
    Q_OBJECT

  public:
    static constexpr int kGpl = 0;
    static constexpr int kMetano = 1;

    // Localizes itself from `dictionary`; when that fails, the built-in Italian captions stay and
    // the failure is shown once per run through `prompter`.
    TFormSceltaCarb(TModuloLingua& dictionary, Prompter& prompter, QWidget* parent = nullptr);

    // False when the dictionary could not give every text.
    bool Localized() const { return localized_; }
    // The chosen fuel: the list's index (0 GPL, 1 Metano).
    int Fuel() const;
    // Selects the item of a TIPO_DI_CARBURANTE value: 0 GPL, anything else Metano.
    void SetFuel(int fuel);

    QLabel* LabelAlim;
    QComboBox* ComboAlim;
    QPushButton* ButtonOK;
    QPushButton* ButtonAnnulla;

  private:
    bool Localize(TModuloLingua& dictionary, Prompter& prompter);

    bool localized_ = false;
};

}  // namespace zov
