#include "TFormSceltaCarb.h"

#include <QComboBox>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "AppContext.h"
#include "DictionaryMessages.h"
#include "Localizer.h"
#include "TFormMainInst.h"
#include "TModuloLingua.h"
#include "WindowScale.h"

namespace zov {

namespace {

constexpr int kCaptionLength = 50;
constexpr int kLabelLength = 30;
constexpr int kButtonLength = 15;
constexpr int kFuelLength = 30;
constexpr int kMinimumWidth = 320;
constexpr int kCaptionRoom = 90;  // the title bar's icon and close button

}  // namespace

TFormSceltaCarb::TFormSceltaCarb(TModuloLingua& dictionary, Prompter& prompter, QWidget* parent)
    : QDialog(parent),
      LabelAlim(new QLabel(QStringLiteral("Tipo di carburante"), this)),
      ComboAlim(new QComboBox(this)),
      ButtonOK(new QPushButton(QStringLiteral("&OK"), this)),
      ButtonAnnulla(new QPushButton(QStringLiteral("&Annulla"), this)) {
    setObjectName(QStringLiteral("FormSceltaCarb"));
    setWindowTitle(QStringLiteral("Scegliere il tipo di carburante della vettura"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    LabelAlim->setObjectName(QStringLiteral("LabelAlim"));
    ComboAlim->setObjectName(QStringLiteral("ComboAlim"));
    ButtonOK->setObjectName(QStringLiteral("ButtonOK"));
    ButtonAnnulla->setObjectName(QStringLiteral("ButtonAnnulla"));

    // Scaled with the main window on a screen other than the design one; the layout follows the
    // font.
    const double scale = PrimaryScreenScale();
    if (scale != 1.0) {
        QFont scaled = font();
        scaled.setPointSizeF(scaled.pointSizeF() * scale);
        setFont(scaled);
    }

    ComboAlim->addItems({QStringLiteral("GPL"), QStringLiteral("METANO")});
    ComboAlim->setCurrentIndex(kGpl);
    LabelAlim->setBuddy(ComboAlim);
    ButtonOK->setDefault(true);
    ButtonOK->setAutoDefault(true);
    ButtonAnnulla->setAutoDefault(false);
    connect(ButtonOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(ButtonAnnulla, &QPushButton::clicked, this, &QDialog::reject);

    auto* buttons = new QHBoxLayout();
    buttons->addStretch();
    buttons->addWidget(ButtonOK);
    buttons->addWidget(ButtonAnnulla);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 16, 20, 14);
    layout->setSpacing(8);
    layout->addWidget(LabelAlim);
    layout->addWidget(ComboAlim);
    layout->addSpacing(10);
    layout->addLayout(buttons);

    localized_ = Localize(dictionary, prompter);
    // Not resizable: the size the texts and the caption need (the caption is long in every
    // language), never less than the design width.
    const int captionWidth = QFontMetrics(font()).horizontalAdvance(windowTitle()) + kCaptionRoom;
    setFixedSize(
        sizeHint().expandedTo(QSize(std::max(int(std::lround(kMinimumWidth * scale)), captionWidth), 0)));
}

bool TFormSceltaCarb::Localize(TModuloLingua& dictionary, Prompter& prompter) {
    QString gpl, metano;
    const bool ok = Localizer(dictionary)
                        .Caption(LabelAlim, kLabelLength)
                        .Caption(ButtonOK, kButtonLength)
                        .Caption(ButtonAnnulla, kButtonLength)
                        .WindowTitle(this, QStringLiteral("FinestraSceltaCarb"), kCaptionLength)
                        .Text(QStringLiteral("LabelGpl"), kFuelLength, gpl)
                        .Text(QStringLiteral("LabelMetano"), kFuelLength, metano)
                        .RunOrReport(prompter, dictionary_messages::kFuelChoice, AppContext::kTitle);
    if (!ok) return false;
    const int selected = ComboAlim->currentIndex();
    ComboAlim->clear();
    ComboAlim->addItems({gpl, metano});
    ComboAlim->setCurrentIndex(selected);
    return true;
}

int TFormSceltaCarb::Fuel() const { return ComboAlim->currentIndex(); }

void TFormSceltaCarb::SetFuel(int fuel) { ComboAlim->setCurrentIndex(fuel == 0 ? kGpl : kMetano); }

}  // namespace zov
