#pragma once

#include <QApplication>

namespace zov {

// The hourglass while the program does not return to the event loop. Given back when it is
// destroyed, whichever way the scope is left.
class BusyCursor {
  public:
    explicit BusyCursor(bool busy = true) { Set(busy); }
    ~BusyCursor() { Set(false); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;

    void Set(bool busy) {
        if (busy == busy_) return;
        busy_ = busy;
        if (busy)
            QApplication::setOverrideCursor(Qt::WaitCursor);
        else
            QApplication::restoreOverrideCursor();
    }
    bool Busy() const { return busy_; }

  private:
    bool busy_ = false;
};

}  // namespace zov
