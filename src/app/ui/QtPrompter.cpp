#include "QtPrompter.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

#include "QtText.h"
#include "TModuloLingua.h"
#include "WindowStacking.h"

namespace zov {

namespace {

QMessageBox::Icon IconOf(PromptIcon icon) {
    switch (icon) {
        case PromptIcon::Error:
            return QMessageBox::Critical;
        case PromptIcon::Warning:
            return QMessageBox::Warning;
        case PromptIcon::Question:
            return QMessageBox::Question;
        case PromptIcon::Information:
            break;
    }
    return QMessageBox::Information;
}

QMessageBox::StandardButtons ButtonsOf(PromptButtons buttons) {
    switch (buttons) {
        case PromptButtons::YesNo:
            return QMessageBox::Yes | QMessageBox::No;
        case PromptButtons::YesNoCancel:
            return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
        case PromptButtons::OkCancel:
            return QMessageBox::Ok | QMessageBox::Cancel;
        case PromptButtons::Ok:
            break;
    }
    return QMessageBox::Ok;
}

struct ButtonWord {
    QMessageBox::StandardButton button;
    const char16_t* identifier;
};

constexpr ButtonWord kButtonWords[] = {{QMessageBox::Yes, u"ButtonSi"},
                                       {QMessageBox::No, u"ButtonNo"},
                                       {QMessageBox::Ok, u"ButtonOK"},
                                       {QMessageBox::Cancel, u"ButtonAnnulla"}};
constexpr int kButtonWordLength = 15;

}  // namespace

QtPrompter::QtPrompter(QWidget* parent, Runner run) : parent_(parent), run_(std::move(run)) {
    if (!run_) run_ = [](QMessageBox& box) { return box.exec(); };
}

PromptAnswer QtPrompter::Ask(const std::string& text, const std::string& caption, PromptIcon icon,
                             PromptButtons buttons) {
    QWidget* parent = parent_ != nullptr ? parent_.data() : WindowAbove(QApplication::activeWindow());
    QMessageBox box(IconOf(icon), FromCp1252(caption), FromCp1252(text), ButtonsOf(buttons), parent);
    box.setObjectName(QStringLiteral("MessageBox"));
    NameButtons(box);
    // The first button is the default, as in the message boxes the installers know.
    const bool ok = buttons == PromptButtons::Ok || buttons == PromptButtons::OkCancel;
    box.setDefaultButton(ok ? QMessageBox::Ok : QMessageBox::Yes);
    switch (run_(box)) {
        case QMessageBox::Yes:
            return PromptAnswer::Yes;
        case QMessageBox::No:
            return PromptAnswer::No;
        case QMessageBox::Cancel:
            return PromptAnswer::Cancel;
        case QMessageBox::Ok:
            return PromptAnswer::Ok;
        default:
            break;
    }
    // Closed without a button: the answer that changes nothing.
    switch (buttons) {
        case PromptButtons::YesNo:
            return PromptAnswer::No;
        case PromptButtons::YesNoCancel:
        case PromptButtons::OkCancel:
            return PromptAnswer::Cancel;
        case PromptButtons::Ok:
            break;
    }
    return PromptAnswer::Ok;
}

void QtPrompter::UseDictionary(const TModuloLingua* dictionary) { dictionary_ = dictionary; }

void QtPrompter::NameButtons(QMessageBox& box) const {
    if (dictionary_ == nullptr) return;
    for (const ButtonWord& word : kButtonWords) {
        QAbstractButton* button = box.button(word.button);
        if (button == nullptr) continue;
        const std::optional<QString> text = dictionary_->Lookup(word.identifier, kButtonWordLength);
        if (text && !text->isEmpty()) button->setText(*text);
    }
}

}  // namespace zov
