#pragma once

#include <QString>
#include <QWidget>
#include <cstdint>

class QLabel;
class QProgressBar;

namespace zov {

// "Finestra di attesa": the progress window of the long ECU operations. The caller sets the
// caption, Label1 and completionText, shows it, drives it with SetProgress on the window thread
// and destroys it when the operation ends.
class TFormAttesaFile : public QWidget {
    Q_OBJECT

  public:
    explicit TFormAttesaFile(QWidget* parent = nullptr);

    // Absolute: the bar's position becomes `value`; otherwise `value` is added to it. The bar
    // stops at 100. Label2 then shows the position, "% " and completionText, and the window is
    // painted at once (events are processed without user input, so nothing can be clicked).
    void SetProgress(uint8_t value, bool absolute);

    QLabel* Label1;
    QLabel* Label2;
    QProgressBar* ProgressBar1;
    QString completionText;

  protected:
    void showEvent(QShowEvent* event) override;
};

}  // namespace zov
