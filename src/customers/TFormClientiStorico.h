#pragma once

#include <QDialog>
#include <QString>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "CarHistory.h"

class QLineEdit;
class QLabel;
class QPushButton;
class QTemporaryDir;
class QTreeWidget;

namespace zov {

class CustomerArchive;
class Prompter;
class TModuloLingua;

// "Storico vettura", reached from the customer archive: a car's past configurations (the backups
// before each reprogramming and the installations, from every bench sharing the archive), found
// by plate, serial number or customer. Two chosen ones open the compare window; one is written to
// a file the installer chooses, or loaded as the program's configuration as "Ripristina backup"
// loads a backup. Comparing and loading belong to the main window, which hands them in.
class TFormClientiStorico : public QDialog {
    Q_OBJECT

  public:
    struct Actions {
        // Loads a saved configuration into the program (and the ECU, when one is connected).
        std::function<void(const QString& path)> load;
        // Shows the differences of two saved configurations, each named.
        std::function<void(const QString& first, const QString& firstName, const QString& second,
                           const QString& secondName)>
            compare;
    };
    // The .zvf to write an entry to; empty when the installer cancels.
    using FileChooser = std::function<QString(const QString& suggestedName)>;

    TFormClientiStorico(CustomerArchive& archive, Prompter& prompter, TModuloLingua& dictionary,
                        Actions actions, QWidget* parent = nullptr);
    ~TFormClientiStorico() override;

    // The car to look for (the customer record on view); searches at once.
    void SetCar(const QString& plate, const QString& serial, const QString& customer);
    void SetFileChooser(FileChooser chooser) { chooser_ = std::move(chooser); }
    // The entries on view, newest first.
    const std::vector<CarHistory::Entry>& Entries() const { return entries_; }

    void ButtonCercaClick();
    void ButtonConfrontaClick();
    void ButtonSalvaClick();
    void ButtonCaricaClick();

    QLabel* LabelTarga;
    QLabel* LabelNSerie;
    QLabel* LabelCliente;
    QLineEdit* EditTarga;
    QLineEdit* EditNSerie;
    QLineEdit* EditCliente;
    QTreeWidget* ListaStorico;
    QPushButton* ButtonCerca;
    QPushButton* ButtonConfronta;
    QPushButton* ButtonSalva;
    QPushButton* ButtonCarica;
    QPushButton* ButtonEsci;

  private:
    struct Texts;

    void Localize();
    void SelectionChanged();
    std::vector<int> SelectedRows() const;
    // The chosen entry's file in a private scratch folder; empty, with the installer told, when
    // it cannot be read or written.
    QString ScratchFile(int row);
    QString DefaultSaveName(const CarHistory::Entry& entry) const;
    void ShowError(const std::string& text);

    CustomerArchive& archive_;
    Prompter& prompter_;
    TModuloLingua& dictionary_;
    Actions actions_;
    FileChooser chooser_;
    std::unique_ptr<Texts> texts_;
    std::vector<CarHistory::Entry> entries_;
    std::unique_ptr<QTemporaryDir> scratch_;
};

}  // namespace zov
