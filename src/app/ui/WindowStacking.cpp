#include "WindowStacking.h"

#include <QApplication>
#include <QWidget>

namespace zov {

QWidget* WindowAbove(QWidget* starter) {
    if (QWidget* modal = QApplication::activeModalWidget()) return modal;
    return starter;
}

}  // namespace zov
