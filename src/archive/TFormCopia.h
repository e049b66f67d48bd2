#pragma once

#include <QDialog>

class QLabel;
class QProgressBar;
class QPushButton;

namespace zov {

// "Aggiornamento archivio...": the search and copy progress of an archive update. "Annulla" asks
// the copy to stop before its next file; what was already installed stays installed.
class TFormCopia : public QDialog {
    Q_OBJECT

  public:
    explicit TFormCopia(QWidget* parent = nullptr);

    // Label1's text for the search or the copy; the counter starts again at 0.
    void SetPhase(const QString& text);
    void SetCount(size_t files);
    void SetProgress(int percent);
    bool CancelRequested() const { return cancelRequested_; }

    QLabel* Label1;
    QLabel* LabelNFile;
    QProgressBar* ProgressBar1;
    QPushButton* ButtonAnnulla;
    // Busy while the window lives: the search and the copy give no time estimate.
    QProgressBar* Animate1;

  private:
    void Paint();

    bool cancelRequested_ = false;
};

}  // namespace zov
