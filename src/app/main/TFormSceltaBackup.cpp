#include "TFormSceltaBackup.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "QtText.h"

namespace zov {

TFormSceltaBackup::TFormSceltaBackup(std::vector<BackupEntry> backups, QWidget* parent)
    : QDialog(parent), backups_(std::move(backups)) {
    setObjectName(QStringLiteral("FormSceltaBackup"));
    setWindowTitle(QStringLiteral("Ripristina backup"));
    ListaBackup = new QTreeWidget(this);
    ListaBackup->setObjectName(QStringLiteral("ListaBackup"));
    ListaBackup->setHeaderLabels(
        {QStringLiteral("Data"), QStringLiteral("Modello"), QStringLiteral("Programma")});
    ListaBackup->setRootIsDecorated(false);
    ListaBackup->setSelectionMode(QAbstractItemView::SingleSelection);
    for (const BackupEntry& entry : backups_)
        new QTreeWidgetItem(ListaBackup, {QString::fromStdString(entry.date), FromCp1252(entry.model),
                                          FromCp1252(entry.programme)});
    ListaBackup->header()->setSectionResizeMode(QHeaderView::ResizeToContents);

    ButtonOK = new QPushButton(QStringLiteral("OK"), this);
    ButtonOK->setObjectName(QStringLiteral("ButtonOK"));
    ButtonOK->setDefault(true);
    ButtonAnnulla = new QPushButton(QStringLiteral("Annulla"), this);
    ButtonAnnulla->setObjectName(QStringLiteral("ButtonAnnulla"));
    connect(ButtonOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(ButtonAnnulla, &QPushButton::clicked, this, &QDialog::reject);
    connect(ListaBackup, &QTreeWidget::itemDoubleClicked, this, &QDialog::accept);
    connect(ListaBackup, &QTreeWidget::itemSelectionChanged, this,
            [this] { ButtonOK->setEnabled(!ListaBackup->selectedItems().isEmpty()); });
    if (ListaBackup->topLevelItemCount() > 0) ListaBackup->setCurrentItem(ListaBackup->topLevelItem(0));
    ButtonOK->setEnabled(!ListaBackup->selectedItems().isEmpty());

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ButtonOK);
    buttons->addWidget(ButtonAnnulla);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(ListaBackup);
    layout->addLayout(buttons);
    resize(480, 320);
}

std::string TFormSceltaBackup::ChosenPath() const {
    const QList<QTreeWidgetItem*> selected = ListaBackup->selectedItems();
    if (selected.isEmpty()) return {};
    const int row = ListaBackup->indexOfTopLevelItem(selected.front());
    return row < 0 ? std::string() : backups_[size_t(row)].path;
}

void TFormSceltaBackup::SetTexts(const QString& title, const QStringList& columns, const QString& ok,
                                 const QString& cancel) {
    if (!title.isEmpty()) setWindowTitle(title);
    for (int c = 0; c < std::min(int(columns.size()), ListaBackup->columnCount()); ++c)
        if (!columns[c].isEmpty()) ListaBackup->headerItem()->setText(c, columns[c]);
    if (!ok.isEmpty()) ButtonOK->setText(ok);
    if (!cancel.isEmpty()) ButtonAnnulla->setText(cancel);
}

}  // namespace zov
