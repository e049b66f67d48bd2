#pragma once

#include <QDialog>
#include <QString>
#include <memory>
#include <string>

#include "AppContext.h"
#include "ArchiveLocation.h"
#include "ConnectionCheck.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;

namespace zov {

class TModuloLingua;

// "Connessione archivio": where the customer archive lives (this computer's SQLite file or a
// PostgreSQL server shared by the benches), tried before it is saved. "Prova connessione" says
// what stands in the way; "Crea archivio" makes (or brings up to date) the archive it found
// missing; "Sposta qui l'archivio" moves the archive in use there and switches to it. The
// password is never asked for nor stored: libpq reads it from ~/.pgpass or PGPASSWORD. The
// caller lets the archive go before showing the dialog (a move takes this computer's lock) and
// opens it again where the settings point afterwards.
class TFormConnessione : public QDialog {
    Q_OBJECT

  public:
    // `current`: the archive in use, the source of a move.
    TFormConnessione(AppContext& ctx, TModuloLingua& dictionary, ArchiveLocation current,
                     QWidget* parent = nullptr);
    ~TFormConnessione() override;

    // The archive the fields describe (the current runtime directory's, for SQLite).
    ArchiveLocation Chosen() const;
    // The Qt driver a try uses instead of the location's own (tests name one that is not there).
    void SetDriverName(QString name) { driverName_ = std::move(name); }
    bool Localized() const { return localized_; }
    // After the archive could not be opened (`failure`, the window's message): asks whether to
    // open the settings and runs the dialog; true when new settings were saved.
    bool OfferAfterFailure(const std::string& failure);

    void ButtonProvaClick();
    void ButtonCreaClick();
    void ButtonSpostaClick();
    void ButtonSalvaClick();

    QLabel* LabelTipo;
    QComboBox* ComboTipo;
    QLabel* LabelServer;
    QLineEdit* EditServer;
    QLabel* LabelPorta;
    QSpinBox* EditPorta;
    QLabel* LabelDatabase;
    QLineEdit* EditDatabase;
    QLabel* LabelUtente;
    QLineEdit* EditUtente;
    QLabel* LabelSsl;
    QComboBox* ComboSsl;
    QLabel* LabelPassword;
    QLabel* LabelEsito;
    QPushButton* ButtonProva;
    QPushButton* ButtonCrea;
    QPushButton* ButtonSposta;
    QPushButton* ButtonSalva;
    QPushButton* ButtonAnnulla;

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    struct Texts;

    void Build();
    bool Localize();
    void LocalizeOnce();
    void ShowLocation(const ArchiveLocation& location);
    void KindChanged();
    void ShowReport(const ConnectionReport& report);
    QString TextFor(ConnectionProblem problem) const;
    bool Save(const ArchiveLocation& location);
    void Tell(const std::string& text, PromptIcon icon);

    AppContext& ctx_;
    TModuloLingua& dictionary_;
    std::unique_ptr<Texts> texts_;
    ArchiveLocation current_;
    QString driverName_;
    bool localized_ = false;
    bool localizeTried_ = false;
};

}  // namespace zov
