#include "TFormDati.h"

#include <QColor>
#include <QFont>
#include <QGroupBox>
#include <QLabel>
#include <QPalette>
#include <QPushButton>
#include <algorithm>
#include <utility>
#include <vector>

namespace zov {

namespace {

constexpr int kMargin = 8;
constexpr int kCaptionLeft = 12;  // inside a group
constexpr int kMinWidth = 360;
constexpr int kButtonWidth = 90;

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

}  // namespace zov
