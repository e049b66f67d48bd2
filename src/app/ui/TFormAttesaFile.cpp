#include "TFormAttesaFile.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QGuiApplication>
#include <QLabel>
#include <QProgressBar>
#include <QScreen>
#include <QVBoxLayout>
#include <algorithm>

#include "WindowStacking.h"

namespace zov {

TFormAttesaFile::TFormAttesaFile(QWidget* parent)
    : QWidget(WindowAbove(parent),
              Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowMinMaxButtonsHint),
      Label1(new QLabel(QStringLiteral("Messaggio di attesa..."), this)),
      Label2(new QLabel(this)),
      ProgressBar1(new QProgressBar(this)) {
    setObjectName(QStringLiteral("FormAttesaFile"));
    setWindowTitle(QStringLiteral("Finestra di attesa"));
    Label1->setObjectName(QStringLiteral("Label1"));
    Label2->setObjectName(QStringLiteral("Label2"));
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));

    Label1->setAlignment(Qt::AlignCenter);
    Label1->setWordWrap(true);
    Label2->setAlignment(Qt::AlignCenter);
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);
    // Label2 carries the percentage; the bar's own text would say it twice.
    ProgressBar1->setTextVisible(false);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 14, 16, 14);
    layout->setSpacing(10);
    layout->addWidget(Label1);
    layout->addWidget(ProgressBar1);
    layout->addWidget(Label2);
    setFixedSize(360, 130);
}

void TFormAttesaFile::SetProgress(uint8_t value, bool absolute) {
    const int target = absolute ? value : ProgressBar1->value() + value;
    // Beyond its maximum a QProgressBar ignores the new value, which would leave the label
    // showing a percentage the bar does not hold.
    ProgressBar1->setValue(std::min(target, ProgressBar1->maximum()));
    Label2->setText(QString::number(ProgressBar1->value()) + QStringLiteral("% ") + completionText);
    if (isVisible()) {
        repaint();
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    }
}

void TFormAttesaFile::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    const QScreen* screen =
        parentWidget() != nullptr ? parentWidget()->screen() : QGuiApplication::primaryScreen();
    if (screen != nullptr) {
        const QRect area = screen->availableGeometry();
        move(area.center() - QPoint(width() / 2, height() / 2));
    }
}

}  // namespace zov
