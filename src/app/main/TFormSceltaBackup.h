#pragma once

#include <QDialog>
#include <string>
#include <vector>

#include "ConfigurationBackup.h"

class QPushButton;
class QTreeWidget;

namespace zov {

// Lists the backups made before reprogramming (date, model, programme; newest first, the newest
// selected) for "Ripristina backup". OK takes the selected one; OK stays greyed while the list is
// empty. The caller creates it, runs it modally and destroys it.
class TFormSceltaBackup : public QDialog {
    Q_OBJECT

  public:
    explicit TFormSceltaBackup(std::vector<BackupEntry> backups, QWidget* parent = nullptr);

    // The selected backup's path; empty when none is selected.
    std::string ChosenPath() const;
    // The installer's words for the title, the three columns and the two buttons; an empty one
    // keeps the built-in Italian.
    void SetTexts(const QString& title, const QStringList& columns, const QString& ok, const QString& cancel);

    QTreeWidget* ListaBackup;
    QPushButton* ButtonOK;
    QPushButton* ButtonAnnulla;

  private:
    std::vector<BackupEntry> backups_;
};

}  // namespace zov
