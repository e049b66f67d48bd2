#pragma once

#include <QWidget>
#include <functional>

class QToolButton;

namespace zov {

// A pair of arrow buttons holding a position within a range, beside the edit that shows it: the
// up-down control the editor pages were designed with. A click moves the position by one step
// inside the range and reports it; the owner writes the associated edit.
class TUpDown : public QWidget {
    Q_OBJECT

  public:
    explicit TUpDown(const QString& name, QWidget* parent = nullptr);

    void SetRange(int minimum, int maximum);
    int Minimum() const { return minimum_; }
    int Maximum() const { return maximum_; }
    // Clamped to the range.
    void SetPosition(int position);
    int Position() const { return position_; }

    // Runs before each step: an up-down beside an editable edit takes the edit's value first, so
    // the step starts from what the user typed.
    std::function<void()> beforeStep;

    QToolButton* Up() const { return up_; }
    QSize sizeHint() const override;
    QToolButton* Down() const { return down_; }

  signals:
    // After the user moved the position (a click on either arrow, also when it stayed at an end).
    void clicked(bool up);

  private:
    void Step(int delta);

    QToolButton* up_;
    QToolButton* down_;
    int minimum_ = 0;
    int maximum_ = 100;
    int position_ = 0;
};

}  // namespace zov
