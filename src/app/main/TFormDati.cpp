#include "TFormDati.h"

#include <QColor>
#include <QDate>
#include <QFont>
#include <QGroupBox>
#include <QLabel>
#include <QPalette>
#include <QPushButton>
#include <algorithm>
#include <utility>
#include <vector>

#include "ConfCar.h"
#include "IoBaseData.h"
#include "QtText.h"

namespace zov {

namespace {

constexpr int kMargin = 8;
constexpr int kCaptionLeft = 12;  // inside a group
constexpr int kMinWidth = 360;
constexpr int kButtonWidth = 90;
constexpr int kProgrammeGroupHeight = 113;
constexpr int32_t kProtectedBit = 0x10;  // DEFAULT_REGISTRO_CONFIGURAZIONE: the ECU is protected

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text = {}) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    return label;
}

QPushButton* MakeButton(QWidget* parent, const char* name, const QString& text) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(QString::fromLatin1(name));
    return button;
}

}  // namespace

TFormDati::TFormDati(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("FormDati"));
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);

    Label1 = MakeLabel(this, "Label1", QStringLiteral("Identificazione"));
    QFont heading = Label1->font();
    heading.setBold(true);
    Label1->setFont(heading);

    GroupBox1 = new QGroupBox(QStringLiteral("Dati auto"), this);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    Label2 = MakeLabel(GroupBox1, "Label2", QStringLiteral("Modello:"));
    Label3 = MakeLabel(GroupBox1, "Label3", QStringLiteral("Anno:"));
    Label4 = MakeLabel(GroupBox1, "Label4", QStringLiteral("Cilindrata:"));
    Label5 = MakeLabel(GroupBox1, "Label5", QStringLiteral("Carburante:"));
    LabelMod = MakeLabel(GroupBox1, "LabelMod");
    LabelAnno = MakeLabel(GroupBox1, "LabelAnno");
    LabelCil = MakeLabel(GroupBox1, "LabelCil");
    LabelCarb = MakeLabel(GroupBox1, "LabelCarb");

    GroupBox2 = new QGroupBox(QStringLiteral("Dati programma"), this);
    GroupBox2->setObjectName(QStringLiteral("GroupBox2"));
    Label6 = MakeLabel(GroupBox2, "Label6", QStringLiteral("Programma:"));
    Label7 = MakeLabel(GroupBox2, "Label7", QStringLiteral("Data creazione:"));
    LabelVerSoft = MakeLabel(GroupBox2, "LabelVerSoft", QStringLiteral("Versione:"));
    LabelNome = MakeLabel(GroupBox2, "LabelNome");
    LabelData = MakeLabel(GroupBox2, "LabelData");
    LabelVersione = MakeLabel(GroupBox2, "LabelVersione");
    LabelProtected = MakeLabel(GroupBox2, "LabelProtected", QStringLiteral("Centralina protetta"));
    QFont warning = LabelProtected->font();
    warning.setBold(true);
    LabelProtected->setFont(warning);
    QPalette warningColour = LabelProtected->palette();
    warningColour.setColor(QPalette::WindowText, QColor(0xB0, 0x00, 0x00));
    LabelProtected->setPalette(warningColour);
    for (QLabel* value : {LabelMod, LabelAnno, LabelCil, LabelCarb, LabelNome, LabelData, LabelVersione}) {
        value->setTextInteractionFlags(Qt::TextSelectableByMouse);
        QFont f = value->font();
        f.setBold(true);
        value->setFont(f);
    }

    Button1 = MakeButton(this, "Button1", QStringLiteral("Annulla"));
    Button2 = MakeButton(this, "Button2", QStringLiteral("OK"));
    Button2->setDefault(true);
    connect(Button1, &QPushButton::clicked, this, &QDialog::reject);
    connect(Button2, &QPushButton::clicked, this, &QDialog::accept);

    Arrange();
}

void TFormDati::Arrange() {
    const int row = std::max(20, fontMetrics().height() + 6);
    const int groupTop = fontMetrics().height() + 8;  // first row, below the group's title
    int contentWidth = kMinWidth;

    // Lays the visible rows of one group out; returns the height they need.
    auto arrangeGroup = [&](const std::vector<std::pair<QLabel*, QLabel*>>& rows, QLabel* trailer) {
        int y = groupTop;
        for (const auto& [caption, value] : rows) {
            if (!caption->isVisibleTo(this)) continue;
            caption->adjustSize();
            value->adjustSize();
            caption->move(kCaptionLeft, y);
            value->move(caption->x() + caption->width() + kValueGap, y);
            contentWidth = std::max(contentWidth, value->x() + value->width() + 2 * kCaptionLeft);
            y += row;
        }
        if (trailer != nullptr && trailer->isVisibleTo(this)) {
            trailer->adjustSize();
            trailer->move(kCaptionLeft, y);
            contentWidth = std::max(contentWidth, trailer->width() + 3 * kCaptionLeft);
            y += row;
        }
        return y + kMargin;
    };

    Label1->adjustSize();
    Label1->move(kMargin * 2, kMargin + 4);
    contentWidth = std::max(contentWidth, Label1->width() + 4 * kMargin);

    const int need1 = arrangeGroup(
        {{Label2, LabelMod}, {Label3, LabelAnno}, {Label4, LabelCil}, {Label5, LabelCarb}}, nullptr);
    // LabelProtected never hides a row: it sits below the last visible one, so the group grows
    // by one row for it only when the opener's height is too small.
    LabelVerSoft->setVisible(LabelVersione->isVisibleTo(this));
    const int need2 = arrangeGroup({{Label6, LabelNome}, {Label7, LabelData}, {LabelVerSoft, LabelVersione}},
                                   LabelProtected);

    const int top1 = Label1->y() + Label1->height() + kMargin;
    GroupBox1->setGeometry(kMargin, top1, contentWidth, std::max(GroupBox1->height(), need1));
    GroupBox2->setGeometry(kMargin, GroupBox1->geometry().bottom() + 1 + kMargin, contentWidth,
                           std::max(GroupBox2->height(), need2));

    const int buttonTop = GroupBox2->geometry().bottom() + 1 + 2 * kMargin;
    const int buttonHeight = std::max(26, Button2->sizeHint().height());
    const int buttonWidth =
        std::max({kButtonWidth, Button1->sizeHint().width(), Button2->sizeHint().width()});
    const int totalWidth = contentWidth + 2 * kMargin;
    const bool both = Button1->isVisibleTo(this);
    const int buttonsWidth = both ? 2 * buttonWidth + kMargin * 2 : buttonWidth;
    int x = (totalWidth - buttonsWidth) / 2;
    if (both) {
        Button1->setGeometry(x, buttonTop, buttonWidth, buttonHeight);
        x += buttonWidth + 2 * kMargin;
    }
    Button2->setGeometry(x, buttonTop, buttonWidth, buttonHeight);
    setFixedSize(totalWidth, buttonTop + buttonHeight + 2 * kMargin);
}

void TFormDati::ShowEcu(const ConfCar& car, const std::function<QString(const char*)>& text,
                        const QString& versionCaption, const QLocale& language) {
    Button2->setText(text("ButtonOK"));
    Button1->hide();
    GroupBox2->resize(GroupBox2->width(), kProgrammeGroupHeight);
    LabelVerSoft->show();
    LabelVersione->show();
    Label1->setText(text("LabelIdentif"));
    GroupBox1->setTitle(text("GroupDatiAuto"));
    GroupBox2->setTitle(text("GroupDatiProg"));
    const QString colon = QStringLiteral(":");
    Label2->setText(text("LabelModAuto") + colon);
    Label3->setText(text("LabelAnno") + colon);
    Label4->setText(text("LabelCil") + colon);
    Label5->setText(text("LabelCarburante") + colon);
    Label6->setText(text("LabelProg") + colon);
    Label7->setText(text("LabelDataCreaz") + colon);
    LabelVerSoft->setText(versionCaption + colon);

    const int32_t version = car.VERSIONE_CENTRALINA;
    LabelVersione->setText(version == 0
                               ? text("MessNonDisp")
                               : QStringLiteral("%1.%2").arg((version >> 8) & 0xFF).arg(version & 0xFF));
    int year = 0, month = 0, day = 0;
    DateFromDayNumber(car.DATA_PROGRAMMA, year, month, day);
    LabelData->setText(language.toString(QDate(year, month, day), QLocale::LongFormat));
    LabelMod->setText(FromCp1252(car.MODELLO));
    LabelAnno->setText(QString::number(car.ANNO_VETTURA));
    LabelCil->setText(QString::number(car.CILINDRATA));
    LabelNome->setText(FromCp1252(car.NOME_PROGRAMMA));
    LabelCarb->setText(text(car.TIPO_DI_CARBURANTE == 0 ? "LabelGpl" : "LabelMetano"));
    LabelProtected->setText(text("LabelProtected"));
    LabelProtected->setVisible((car.DEFAULT_REGISTRO_CONFIGURAZIONE & kProtectedBit) != 0);
    Arrange();
}

}  // namespace zov
