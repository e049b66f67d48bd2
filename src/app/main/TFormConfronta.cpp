#include "TFormConfronta.h"

#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "QtText.h"

namespace zov {

TFormConfronta::TFormConfronta(const std::vector<ConfigurationDiff::Difference>& differences,
                               const QString& fileName, const Texts& texts, QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("FormConfronta"));
    setWindowTitle(texts.caption);
    setModal(true);

    Riepilogo = new QLabel(this);
    Riepilogo->setObjectName(QStringLiteral("Riepilogo"));
    Riepilogo->setText(differences.empty() ? texts.noDifference.arg(fileName)
                                           : texts.differences.arg(differences.size()).arg(fileName));

    Tabella = new QTableWidget(int(differences.size()), 3, this);
    Tabella->setObjectName(QStringLiteral("Tabella"));
    Tabella->setHorizontalHeaderLabels({texts.field, texts.ecu, fileName});
    Tabella->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Tabella->verticalHeader()->hide();
    for (int row = 0; row < int(differences.size()); ++row) {
        const ConfigurationDiff::Difference& d = differences[size_t(row)];
        Tabella->setItem(row, 0, new QTableWidgetItem(texts.names.Of(QString::fromStdString(d.key))));
        Tabella->setItem(row, 1, new QTableWidgetItem(FromCp1252(d.a)));
        Tabella->setItem(row, 2, new QTableWidgetItem(FromCp1252(d.b)));
    }
    Tabella->resizeColumnsToContents();

    OKButton = new QPushButton(texts.ok, this);
    OKButton->setObjectName(QStringLiteral("OKButton"));
    connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Riepilogo);
    layout->addWidget(Tabella);
    layout->addWidget(OKButton, 0, Qt::AlignRight);
    resize(FirstWidth(), kFirstHeight);
    // Only now: a stretched section is as wide as the view was, not as its contents.
    Tabella->horizontalHeader()->setStretchLastSection(true);
}

// Wide enough for every column's longest text, on the screen the window opens on.
int TFormConfronta::FirstWidth() const {
    int width = Tabella->frameWidth() * 2 + Tabella->verticalScrollBar()->sizeHint().width();
    for (int column = 0; column < Tabella->columnCount(); ++column) width += Tabella->columnWidth(column);
    const QMargins margins = layout()->contentsMargins();
    width = std::max(width + margins.left() + margins.right(), kFirstWidth);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        width = std::min(width, screen->availableGeometry().width() * kScreenShare / 100);
    return width;
}

}  // namespace zov
