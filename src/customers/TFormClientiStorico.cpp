#include "TFormClientiStorico.h"

#include <QDir>
#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "CustomerArchive.h"
#include "DictionaryMessages.h"
#include "Localizer.h"
#include "Prompter.h"
#include "QtText.h"
#include "WidgetFactory.h"

namespace zov {

// Built-in Italian until the dictionary replaces them all.
struct TFormClientiStorico::Texts {
    QString columns = QStringLiteral("Data;Tipo;Banco;Targa;Numero di serie;Cliente;Vettura");
    QString backup = QStringLiteral("Backup");
    QString installation = QStringLiteral("Installazione");
    std::string messStoricoErrore = "Impossibile leggere lo storico della vettura:";
    std::string messErrSalvaConf = "Impossibile salvare il file di configurazione.";
    std::string messCheckRight = "Verificare il file e i permessi della cartella.";
};

namespace {

enum Column { kDate, kKind, kHost, kPlate, kSerial, kCustomer, kVehicle, kColumnCount };

QLineEdit* MakeEdit(QWidget* parent, const char* name) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QLatin1String(name));
    return edit;
}

}  // namespace

TFormClientiStorico::TFormClientiStorico(CustomerArchive& archive, Prompter& prompter,
                                         TModuloLingua& dictionary, Actions actions, QWidget* parent)
    : QDialog(parent),
      archive_(archive),
      prompter_(prompter),
      dictionary_(dictionary),
      actions_(std::move(actions)),
      texts_(std::make_unique<Texts>()) {
    setObjectName(QStringLiteral("FormClientiStorico"));
    setWindowTitle(QStringLiteral("Storico vettura"));
    auto* search = new QGridLayout;
    LabelTarga = MakeLabel(this, "LabelTarga", "Targa");
    LabelNSerie = MakeLabel(this, "LabelNSerie", "Numero di serie riduttore");
    LabelCliente = MakeLabel(this, "LabelStoricoCliente", "Cliente");
    EditTarga = MakeEdit(this, "EditTarga");
    EditNSerie = MakeEdit(this, "EditNSerie");
    EditCliente = MakeEdit(this, "EditCliente");
    ButtonCerca = MakeButton(this, "ButtonStoricoCerca", "&Cerca");
    search->addWidget(LabelTarga, 0, 0);
    search->addWidget(EditTarga, 1, 0);
    search->addWidget(LabelNSerie, 0, 1);
    search->addWidget(EditNSerie, 1, 1);
    search->addWidget(LabelCliente, 0, 2);
    search->addWidget(EditCliente, 1, 2);
    search->addWidget(ButtonCerca, 1, 3);

    ListaStorico = new QTreeWidget(this);
    ListaStorico->setObjectName(QStringLiteral("ListaStorico"));
    ListaStorico->setColumnCount(kColumnCount);
    ListaStorico->setRootIsDecorated(false);
    ListaStorico->setSelectionMode(QAbstractItemView::ExtendedSelection);
    ListaStorico->header()->setSectionResizeMode(QHeaderView::ResizeToContents);

    ButtonConfronta = MakeButton(this, "ButtonStoricoConfronta", "C&onfronta");
    ButtonSalva = MakeButton(this, "ButtonStoricoSalva", "&Salva come...");
    ButtonCarica = MakeButton(this, "ButtonStoricoCarica", "&Ripristina");
    ButtonEsci = MakeButton(this, "ButtonEsci", "&Esci");
    auto* buttons = new QHBoxLayout;
    for (QPushButton* b : {ButtonConfronta, ButtonSalva, ButtonCarica}) buttons->addWidget(b);
    buttons->addStretch(1);
    buttons->addWidget(ButtonEsci);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(search);
    layout->addWidget(ListaStorico, 1);
    layout->addLayout(buttons);
    resize(900, 420);

    connect(ButtonCerca, &QPushButton::clicked, this, &TFormClientiStorico::ButtonCercaClick);
    connect(ButtonConfronta, &QPushButton::clicked, this, &TFormClientiStorico::ButtonConfrontaClick);
    connect(ButtonSalva, &QPushButton::clicked, this, &TFormClientiStorico::ButtonSalvaClick);
    connect(ButtonCarica, &QPushButton::clicked, this, &TFormClientiStorico::ButtonCaricaClick);
    connect(ButtonEsci, &QPushButton::clicked, this, &QDialog::reject);
    connect(ListaStorico, &QTreeWidget::itemSelectionChanged, this, &TFormClientiStorico::SelectionChanged);
    Localize();
    ListaStorico->setHeaderLabels(texts_->columns.split(QLatin1Char(';')));
    // Only what the opener can do is offered.
    ButtonConfronta->setVisible(static_cast<bool>(actions_.compare));
    ButtonCarica->setVisible(static_cast<bool>(actions_.load));
    SelectionChanged();
}

TFormClientiStorico::~TFormClientiStorico() = default;

void TFormClientiStorico::Localize() {
    Texts& t = *texts_;
    Localizer localizer(dictionary_);
    localizer.Caption(LabelTarga, 15).Caption(LabelNSerie, 30).Caption(LabelCliente, 30);
    for (QObject* button :
         std::initializer_list<QObject*>{ButtonCerca, ButtonConfronta, ButtonSalva, ButtonCarica})
        localizer.Caption(button, 25);
    localizer.Caption(ButtonEsci, 10)
        .WindowTitle(this, QStringLiteral("FinestraStorico"), 70)
        .Text(QStringLiteral("LabelStoricoColonne"), 120, t.columns)
        .Text(QStringLiteral("LabelStoricoBackup"), 20, t.backup)
        .Text(QStringLiteral("LabelStoricoInstallazione"), 20, t.installation)
        .Text(QStringLiteral("MessStoricoErrore"), 70, t.messStoricoErrore)
        .Text(QStringLiteral("MessErrSalvaConf"), 70, t.messErrSalvaConf)
        .Text(QStringLiteral("MessCheckRight"), 70, t.messCheckRight);
    localizer.RunOrReport(prompter_, dictionary_messages::kCustomerArchive, ToCp1252(windowTitle()));
}

void TFormClientiStorico::SetCar(const QString& plate, const QString& serial, const QString& customer) {
    EditTarga->setText(plate);
    EditNSerie->setText(serial);
    EditCliente->setText(customer);
    ButtonCercaClick();
}

void TFormClientiStorico::ButtonCercaClick() {
    ListaStorico->clear();
    entries_.clear();
    QString why;
    const std::optional<std::vector<CarHistory::Entry>> found =
        CarHistory(archive_.Database())
            .FindAny(EditTarga->text(), EditNSerie->text(), EditCliente->text(), why);
    if (!found) {
        ShowError(texts_->messStoricoErrore + "\n" + ToCp1252(why));
        SelectionChanged();
        return;
    }
    entries_ = *found;
    for (const CarHistory::Entry& e : entries_) {
        auto* item = new QTreeWidgetItem(ListaStorico);
        item->setText(kDate, e.taken.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm")));
        item->setText(kKind, e.kind == CarHistory::Kind::Backup ? texts_->backup : texts_->installation);
        item->setText(kHost, e.host);
        item->setText(kPlate, e.plate);
        item->setText(kSerial, e.serial);
        item->setText(kCustomer, e.customer);
        item->setText(kVehicle, e.vehicle);
    }
    if (ListaStorico->topLevelItemCount() > 0) ListaStorico->setCurrentItem(ListaStorico->topLevelItem(0));
    SelectionChanged();
}

std::vector<int> TFormClientiStorico::SelectedRows() const {
    std::vector<int> rows;
    for (QTreeWidgetItem* item : ListaStorico->selectedItems())
        rows.push_back(ListaStorico->indexOfTopLevelItem(item));
    std::sort(rows.begin(), rows.end());
    return rows;
}

void TFormClientiStorico::SelectionChanged() {
    const size_t selected = SelectedRows().size();
    ButtonConfronta->setEnabled(selected == 2);
    ButtonSalva->setEnabled(selected == 1);
    ButtonCarica->setEnabled(selected == 1);
}

QString TFormClientiStorico::ScratchFile(int row) {
    QString why;
    const std::optional<CarHistory::Entry> entry =
        CarHistory(archive_.Database()).Get(entries_[size_t(row)].id, why);
    if (!entry) {
        ShowError(texts_->messStoricoErrore + "\n" + ToCp1252(why));
        return {};
    }
    if (!scratch_) scratch_ = std::make_unique<QTemporaryDir>();
    const QString path = scratch_->filePath(QStringLiteral("%1.zvf").arg(entry->id));
    if (!scratch_->isValid() || !CarHistory::WriteOut(*entry, path, why)) {
        ShowError(texts_->messErrSalvaConf + "\n" +
                  ToCp1252(scratch_->isValid() ? why : scratch_->errorString()));
        return {};
    }
    return path;
}

QString TFormClientiStorico::DefaultSaveName(const CarHistory::Entry& entry) const {
    return entry.fileName.isEmpty() ? QStringLiteral("%1.zvf").arg(entry.id) : entry.fileName;
}

void TFormClientiStorico::ButtonConfrontaClick() {
    const std::vector<int> rows = SelectedRows();
    if (rows.size() != 2 || !actions_.compare) return;
    // The older one first, as the compare window shows the ECU before the file.
    const int older = rows[1], newer = rows[0];
    const QString first = ScratchFile(older);
    if (first.isEmpty()) return;
    const QString second = ScratchFile(newer);
    if (second.isEmpty()) return;
    const auto name = [this](int row) {
        return ListaStorico->topLevelItem(row)->text(kDate) + QLatin1Char(' ') +
               ListaStorico->topLevelItem(row)->text(kKind);
    };
    actions_.compare(first, name(older), second, name(newer));
}

void TFormClientiStorico::ButtonSalvaClick() {
    const std::vector<int> rows = SelectedRows();
    if (rows.size() != 1) return;
    const CarHistory::Entry& chosen = entries_[size_t(rows.front())];
    const QString target = chooser_
                               ? chooser_(DefaultSaveName(chosen))
                               : QFileDialog::getSaveFileName(this, windowTitle(), DefaultSaveName(chosen),
                                                              QStringLiteral("*.zvf"));
    if (target.isEmpty()) return;
    QString why;
    const std::optional<CarHistory::Entry> entry = CarHistory(archive_.Database()).Get(chosen.id, why);
    if (!entry) {
        ShowError(texts_->messStoricoErrore + "\n" + ToCp1252(why));
        return;
    }
    if (!CarHistory::WriteOut(*entry, target, why))
        ShowError(texts_->messErrSalvaConf + "\n" + texts_->messCheckRight + "\n" + ToCp1252(why));
}

void TFormClientiStorico::ButtonCaricaClick() {
    const std::vector<int> rows = SelectedRows();
    if (rows.size() != 1 || !actions_.load) return;
    const QString file = ScratchFile(rows.front());
    if (!file.isEmpty()) actions_.load(file);
}

void TFormClientiStorico::ShowError(const std::string& text) {
    prompter_.Ask(text, ToCp1252(windowTitle()), PromptIcon::Error, PromptButtons::Ok);
}

}  // namespace zov
