#pragma once

#include <QDialog>
#include <QString>
#include <functional>
#include <map>
#include <string>

#include "AppContext.h"
#include "ArchiveSelection.h"
#include "EcuProgrammer.h"
#include "TFormSceltaLingua.h"
#include "VehicleArchive.h"

class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace zov {

class TFormAggiorna;
class TFormSchema;
class TModuloLingua;

// "Archivio Vetture": the vehicle archive as a tree of fuel, brand and vehicle with the brands'
// logos and the vehicles' pictures. In installation mode (F1) it programs the ECU with the chosen
// vehicle and closes with Accepted after a programming, or with Ignore ("Prosegui"); in browsing
// mode (F3) it shows the archive and its instructions. Esc and "Esci" close it with Rejected.
class TFormVetture : public QDialog {
    Q_OBJECT

  public:
    // The result of "Prosegui".
    static constexpr int kIgnore = 5;

    // `host`: the progress window and busy cursor of the programming.
    TFormVetture(AppContext& ctx, TModuloLingua& dictionary, ArchiveMode mode, ProgrammingHost& host,
                 QWidget* parent = nullptr);
    ~TFormVetture() override;

    // How the language choice and the instruction viewer are run; tests hand in their own.
    DialogRunner languageRunner = ExecDialog;
    std::function<int(TFormSchema&)> schemaRunner;
    std::function<int(TFormAggiorna&)> updateRunner;

    const VehicleArchive& Archive() const { return archive_; }
    const ArchiveSelection& Selection() const { return selection_; }
    bool Localized() const { return localized_; }

    void ButtonProgrammaClick();
    void ButtonIstVettClick();
    void ButtonIstGenClick();
    void ButtonIstruzioniKitClick();
    void ButtonAggiornaClick();

    QTreeWidget* TreeViewVetture;
    QPushButton* ButtonProgramma;
    QPushButton* ButtonProsegui;
    QPushButton* ButtonAggiorna;
    QPushButton* ButtonIstVett;
    QPushButton* ButtonIstGen;
    QPushButton* ButtonIstruzioniKit;
    QPushButton* ButtonEsci;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    bool Localize();
    void BuildTree();
    void SelectionChanged();
    void OpenDocument(DocumentKind kind);
    std::vector<std::string> Languages() const;
    QString Text(const char* id) const;
    std::string Caption() const;

    AppContext& ctx_;
    TModuloLingua& dictionary_;
    ArchiveMode mode_;
    ProgrammingHost& host_;
    std::string carsPath_;
    std::string cardsPath_;
    VehicleArchive archive_;
    ArchiveSelection selection_;
    bool localized_ = false;
    std::map<std::string, std::string> texts_;  // Windows-1252, by identifier
};

}  // namespace zov
