#include "TFormRicerca.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "CustomerFilter.h"
#include "Prompter.h"
#include "QtText.h"

namespace zov {

namespace {

// The design, in pixels.
constexpr int kWidth = 350;
constexpr int kHeight = 130;
constexpr int kRowTop = 44;
constexpr int kWideLeft = 88;
constexpr int kWideWidth = 250;

}  // namespace

TFormRicerca::TFormRicerca(Prompter& prompter, QString dateFormat, QWidget* parent)
    : QDialog(parent), prompter_(prompter), dateFormat_(std::move(dateFormat)) {
    setObjectName(QStringLiteral("FormRicerca"));
    setFixedSize(kWidth, kHeight);
    LabelIstruzioni = new QLabel(this);
    LabelIstruzioni->setObjectName(QStringLiteral("LabelIstruzioni"));
    LabelIstruzioni->setAlignment(Qt::AlignCenter);
    LabelIstruzioni->setWordWrap(true);
    LabelIstruzioni->setGeometry(8, 4, kWidth - 16, 36);
    ComboCampi = new QComboBox(this);
    ComboCampi->setObjectName(QStringLiteral("ComboCampi"));
    ComboCampi->setGeometry(8, kRowTop, 150, 24);
    ComboCondizione = new QComboBox(this);
    ComboCondizione->setObjectName(QStringLiteral("ComboCondizione"));
    ComboCondizione->addItems({QStringLiteral("="), QStringLiteral("<"), QStringLiteral(">")});
    ComboCondizione->setGeometry(166, kRowTop, 44, 24);
    EditValore = new QLineEdit(this);
    EditValore->setObjectName(QStringLiteral("EditValore"));
    // No field holds more.
    EditValore->setMaxLength(50);
    EditValore->setGeometry(218, kRowTop, kWidth - 226, 24);
    ButtonOK = new QPushButton(QStringLiteral("&OK"), this);
    ButtonOK->setObjectName(QStringLiteral("ButtonOK"));
    ButtonOK->setDefault(true);
    ButtonOK->setGeometry(88, 88, 80, 28);
    ButtonAnnulla = new QPushButton(QStringLiteral("&Annulla"), this);
    ButtonAnnulla->setObjectName(QStringLiteral("ButtonAnnulla"));
    ButtonAnnulla->setGeometry(182, 88, 80, 28);
    connect(ButtonOK, &QPushButton::clicked, this, &TFormRicerca::accept);
    connect(ButtonAnnulla, &QPushButton::clicked, this, &TFormRicerca::reject);
    connect(ComboCampi, &QComboBox::currentIndexChanged, this, &TFormRicerca::ComboCampiChange);
}

void TFormRicerca::ShowValueOnly() {
    ComboCampi->hide();
    ComboCondizione->hide();
    EditValore->setGeometry(kWideLeft, kRowTop, kWideWidth, 24);
}

void TFormRicerca::SetFields(const QStringList& captions) {
    ComboCampi->clear();
    ComboCampi->addItems(captions);
}

void TFormRicerca::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    FormShow();
}

void TFormRicerca::FormShow() {
    ComboCampi->setCurrentIndex(0);
    ComboCondizione->setCurrentIndex(0);
    ComboCondizione->setEnabled(false);
    EditValore->setFocus();
}

void TFormRicerca::ComboCampiChange() {
    if (Field() == kDataProg || Field() == kDataInst) {
        ComboCondizione->setEnabled(true);
        return;
    }
    ComboCondizione->setEnabled(false);
    ComboCondizione->setCurrentIndex(0);
}

int TFormRicerca::Field() const {
    return ComboCampi->isHidden() ? int(kCognome) : ComboCampi->currentIndex();
}
QString TFormRicerca::Condition() const { return ComboCondizione->currentText(); }
QString TFormRicerca::Value() const { return EditValore->text(); }

void TFormRicerca::Refuse(const std::string& message) {
    prompter_.Ask(message, ToCp1252(windowTitle()), PromptIcon::Error, PromptButtons::Ok);
    EditValore->clear();
    EditValore->setFocus();
}

bool TFormRicerca::FormCloseQuery() {
    // An empty value closes: the opener does nothing with it.
    if (Value().isEmpty()) return true;
    switch (BuildFilter({Field(), Condition(), Value()}, dateFormat_).refusal) {
        case SearchRefusal::None:
        case SearchRefusal::TooLong:
            return true;
        case SearchRefusal::NotADate:
            Refuse(messDataNoValida);
            return false;
        case SearchRefusal::NotANumber:
            Refuse(messNumNoValido);
            return false;
    }
    return true;
}

void TFormRicerca::accept() {
    if (FormCloseQuery()) QDialog::accept();
}

}  // namespace zov
