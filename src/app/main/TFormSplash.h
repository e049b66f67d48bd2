#pragma once

#include <QWidget>

class QLabel;

namespace zov {

// The start-up picture: always on top, frameless, deaf to the mouse, shown while the main window
// prepares itself.
class TFormSplash : public QWidget {
    Q_OBJECT

  public:
    // The least time the splash stays up.
    static constexpr int kMinimumShowMs = 3000;

    // `picturePath` may name a missing file: the splash then shows the product name instead.
    explicit TFormSplash(const QString& picturePath, QWidget* parent = nullptr);

    QLabel* Image1;
    QLabel* Label1;
};

}  // namespace zov
