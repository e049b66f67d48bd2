#include "TFormSet.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

#include "ConfMap.h"
#include "ConfParam.h"
#include "TUpDown.h"

namespace zov {

namespace {

// Whether a key types a character, as a key press of the window sees it: caret movement, Delete
// and the like do not (some platforms give Delete the text DEL).
bool TypesCharacter(const QKeyEvent* event) {
    const QString text = event->text();
    return !text.isEmpty() && text != QStringLiteral("\x7f");
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// TFormSet

TFormSet::TFormSet(ConfMap& map, ConfParam& param, QWidget* parent)
    : QDialog(parent), map_(map), param_(param) {
    setObjectName(QStringLiteral("FormSet"));
    setWindowTitle(QStringLiteral("Setta"));
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    setModal(true);

    Edit1 = new QLineEdit(QStringLiteral("2"), this);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setAlignment(Qt::AlignRight);
    // Only whole numbers are entered, and only through the keys the key filter lets pass.
    Edit1->setContextMenuPolicy(Qt::NoContextMenu);
    Edit1->setAcceptDrops(false);
    Edit1->setFixedWidth(80);
    UpDown1 = new TUpDown(QStringLiteral("UpDown1"), this);
    UpDown1->SetRange(kMinimum, kMaximum);
    UpDown1->SetPosition(2);
    UpDown1->setFixedHeight(Edit1->sizeHint().height());
    LabelPerc = new QLabel(QStringLiteral("%"), this);
    LabelPerc->setObjectName(QStringLiteral("LabelPerc"));
    RadioButtonLinear = new QRadioButton(QStringLiteral("Lineare"), this);
    RadioButtonLinear->setObjectName(QStringLiteral("RadioButtonLinear"));
    RadioButtonLinear->setChecked(true);
    RadioButtonProp = new QRadioButton(QStringLiteral("Proporzionale"), this);
    RadioButtonProp->setObjectName(QStringLiteral("RadioButtonProp"));
    Button1 = new QPushButton(QStringLiteral("&Modifica"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    // Enter on the focused button presses it, as on the system the dialog comes from; Enter in
    // the edit never reaches it (the edit's key filter takes it).
    Button1->setAutoDefault(true);

    auto* valueRow = new QHBoxLayout();
    valueRow->setSpacing(2);
    valueRow->addStretch();
    valueRow->addWidget(Edit1);
    valueRow->addWidget(UpDown1);
    valueRow->addSpacing(4);
    valueRow->addWidget(LabelPerc);
    valueRow->addStretch();
    // The percent sign comes and goes; the row must not move when it does.
    LabelPerc->setFixedWidth(LabelPerc->sizeHint().width() + 2);
    QSizePolicy keep = LabelPerc->sizePolicy();
    keep.setRetainSizeWhenHidden(true);
    LabelPerc->setSizePolicy(keep);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(14, 12, 14, 12);
    column->setSpacing(8);
    column->addLayout(valueRow);
    column->addWidget(RadioButtonLinear);
    column->addWidget(RadioButtonProp);
    column->addSpacing(4);
    column->addWidget(Button1, 0, Qt::AlignHCenter);
    column->setSizeConstraint(QLayout::SetFixedSize);

    connect(Edit1, &QLineEdit::textChanged, this, &TFormSet::Edit1Changed);
    connect(UpDown1, &TUpDown::clicked, this, &TFormSet::UpDown1Click);
    connect(Button1, &QPushButton::clicked, this, &TFormSet::Button1Click);
    connect(RadioButtonLinear, &QRadioButton::clicked, this, &TFormSet::RadioButtonLinearClick);
    connect(RadioButtonProp, &QRadioButton::clicked, this, &TFormSet::RadioButtonPropClick);

    // The window sees keys before its controls.
    for (QWidget* control : {static_cast<QWidget*>(Edit1), static_cast<QWidget*>(RadioButtonLinear),
                             static_cast<QWidget*>(RadioButtonProp), static_cast<QWidget*>(Button1)})
        control->installEventFilter(this);
}

void TFormSet::Edit1Changed(const QString& text) {
    if (writingEdit_) return;
    bool ok = false;
    // Wider than int, so that a long run of digits is limited rather than refused.
    const qlonglong typed = text.trimmed().toLongLong(&ok);
    if (ok) UpDown1->SetPosition(int(std::clamp<qlonglong>(typed, kMinimum, kMaximum)));
}

void TFormSet::UpDown1Click() {
    writingEdit_ = true;
    Edit1->setText(QString::number(UpDown1->Position()));
    writingEdit_ = false;
    Edit1->selectAll();
}

int TFormSet::EnteredValue() const { return UpDown1->Position(); }

void TFormSet::Select(int editMode, int top, int left, int bottom, int right) {
    editMode_ = editMode;
    top_ = top;
    left_ = left;
    bottom_ = bottom;
    right_ = right;
}

int TFormSet::ShowForMap(int top, int left, int bottom, int right) {
    Select(kMainMap, top, left, bottom, right);
    return exec();
}

int TFormSet::ShowForEnrichment(int top, int left, int bottom, int right) {
    Select(kEnrichmentMap, top, left, bottom, right);
    return exec();
}

void TFormSet::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    FormShow();
}

void TFormSet::FormShow() {
    if (SingleCell()) {
        const int row = bottom_ - 1;
        const int column = right_ - 1;
        UpDown1->SetPosition(editMode_ == kEnrichmentMap ? param_.GetEnrichment(row, column)
                                                         : map_.GetCell(row, column));
        UpDown1Click();
        LabelPerc->hide();
        RadioButtonProp->setEnabled(false);
        RadioButtonLinear->setChecked(true);
    } else {
        LabelPerc->setVisible(RadioButtonProp->isChecked());
        UpDown1->SetPosition(0);
        UpDown1Click();
        RadioButtonProp->setEnabled(true);
    }
    Edit1->selectAll();
    if (Edit1->isEnabled() && Edit1->isVisible()) Edit1->setFocus(Qt::OtherFocusReason);
}

bool TFormSet::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (FormKeyPress(watched, key)) return true;
        if (watched == Edit1 && Edit1KeyPress(key)) return true;
    }
    return QDialog::eventFilter(watched, event);
}

bool TFormSet::FormKeyPress(QObject* target, QKeyEvent* event) {
    // Only keys that type a character count, as a key press of the window does; the control
    // that had the focus still gets the key.
    if (target != Edit1 && TypesCharacter(event) && Edit1->isEnabled()) Edit1->setFocus(Qt::OtherFocusReason);
    return false;
}

bool TFormSet::Edit1KeyPress(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            ApplyValue();
            accept();
            return true;
        case Qt::Key_Escape:
            reject();
            return true;
        case Qt::Key_Backspace:
            return false;
        case Qt::Key_Up:
        case Qt::Key_Down:
            // The up-down's arrow keys.
            UpDown1->SetPosition(UpDown1->Position() + (event->key() == Qt::Key_Up ? 1 : -1));
            UpDown1Click();
            return true;
        default:
            break;
    }
    // Pasting would bring in what the filter keeps out.
    if (event->matches(QKeySequence::Paste)) return true;
    if (!TypesCharacter(event)) return false;
    const QString text = event->text();
    if (text.size() == 1) {
        const QChar c = text.front();
        if (c >= QLatin1Char('0') && c <= QLatin1Char('9')) return false;
        if (c == QLatin1Char('-')) {
            const bool replacesFromStart = Edit1->hasSelectedText() && Edit1->selectionStart() == 0;
            return !(Edit1->text().isEmpty() || replacesFromStart);
        }
    }
    return true;  // ",", ".", letters, control characters (paste included): dropped
}

void TFormSet::Button1Click() {
    ApplyValue();
    accept();
}

void TFormSet::RadioButtonLinearClick() {
    LabelPerc->hide();
    Edit1->setFocus(Qt::OtherFocusReason);
}

void TFormSet::RadioButtonPropClick() {
    if (!SingleCell()) LabelPerc->show();
    Edit1->setFocus(Qt::OtherFocusReason);
}

void TFormSet::ApplyValue() {
    const int p = EnteredValue();
    if (editMode_ == kEnrichmentMap)
        ApplyToEnrichment(p);
    else
        ApplyToMainMap(p);
}

void TFormSet::ApplyToMainMap(int p) {
    if (SingleCell()) {
        if (p >= 0) map_.SetCell(bottom_ - 1, right_ - 1, p, true);
        return;
    }
    const bool proportional = RadioButtonProp->isChecked();
    // A cut of more than 100 % would turn every cell negative: the map is left alone.
    if (proportional && p < -100) return;
    for (int column = left_ - 1; column <= right_ - 1; ++column) {
        for (int row = top_ - 1; row <= bottom_ - 1; ++row) {
            const int32_t v = map_.GetCell(row, column);
            if (proportional)
                map_.SetCell(row, column, v * (p + 100) / 100, true);
            else if (v + p >= 0)
                map_.SetCell(row, column, v + p, true);
        }
    }
}

void TFormSet::ApplyToEnrichment(int p) {
    if (SingleCell()) {
        param_.SetEnrichment(bottom_ - 1, right_ - 1, p);
        return;
    }
    const bool proportional = RadioButtonProp->isChecked();
    for (int column = left_ - 1; column <= right_ - 1; ++column) {
        for (int row = top_ - 1; row <= bottom_ - 1; ++row) {
            const int32_t v = param_.GetEnrichment(row, column);
            param_.SetEnrichment(row, column, proportional ? v * (p + 100) / 100 : v + p);
        }
    }
}

}  // namespace zov
