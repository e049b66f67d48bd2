#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

namespace zov {

// The about box: the main window's caption as title and product name, the maker's logo and the
// version line.
class TAboutBoxI : public QDialog {
    Q_OBJECT

  public:
    // `version` is the whole line ("Version 5.6.1 PRO"); a missing logo file leaves the place empty.
    TAboutBoxI(const QString& caption, const QString& logoPath, const QString& version,
               QWidget* parent = nullptr);

    QLabel* ProgramIcon;
    QLabel* ProductName;
    QLabel* Version;
    QPushButton* OKButton;
};

}  // namespace zov
