#include "TFormCopia.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace zov {

TFormCopia::TFormCopia(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      Label1(new QLabel(this)),
      LabelNFile(new QLabel(QStringLiteral("0"), this)),
      ProgressBar1(new QProgressBar(this)),
      ButtonAnnulla(new QPushButton(QStringLiteral("Annulla"), this)),
      Animate1(new QProgressBar(this)) {
    setObjectName(QStringLiteral("FormCopia"));
    setWindowTitle(QStringLiteral("Aggiornamento archivio..."));
    setWindowModality(Qt::ApplicationModal);
    Label1->setObjectName(QStringLiteral("Label1"));
    LabelNFile->setObjectName(QStringLiteral("LabelNFile"));
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ButtonAnnulla->setObjectName(QStringLiteral("ButtonAnnulla"));
    Animate1->setObjectName(QStringLiteral("Animate1"));
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);
    Animate1->setRange(0, 0);
    Animate1->setTextVisible(false);
    Animate1->setMaximumHeight(8);
    ButtonAnnulla->setDefault(true);
    connect(ButtonAnnulla, &QPushButton::clicked, this, [this] {
        cancelRequested_ = true;
        ButtonAnnulla->setEnabled(false);
    });

    auto* status = new QHBoxLayout;
    status->setSpacing(10);
    status->addWidget(Label1);
    status->addWidget(LabelNFile);
    status->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Animate1);
    layout->addLayout(status);
    layout->addWidget(ProgressBar1);
    layout->addWidget(ButtonAnnulla, 0, Qt::AlignHCenter);
    setFixedSize(380, 150);
}

void TFormCopia::SetPhase(const QString& text) {
    Label1->setText(text);
    LabelNFile->setText(QStringLiteral("0"));
    ProgressBar1->setValue(0);
    Paint();
}

void TFormCopia::SetCount(size_t files) {
    LabelNFile->setText(QString::number(files));
    Paint();
}

void TFormCopia::SetProgress(int percent) {
    ProgressBar1->setValue(std::clamp(percent, 0, 100));
    Paint();
}

// The copy runs on the window thread: the window is painted and its button heard between files.
// It is application-modal, so nothing else can be clicked meanwhile.
void TFormCopia::Paint() {
    if (!isVisible()) return;
    repaint();
    QCoreApplication::processEvents();
}

}  // namespace zov
