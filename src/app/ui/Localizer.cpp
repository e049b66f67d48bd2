#include "Localizer.h"

#include <QAbstractButton>
#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QTabWidget>
#include <QVariant>

#include "Prompter.h"
#include "QtText.h"

namespace zov {

Localizer& Localizer::Caption(QObject* control, int maxLength) {
    return Caption(control, control->objectName(), maxLength);
}

Localizer& Localizer::Caption(QObject* control, const QString& identifier, int maxLength) {
    return Apply(identifier, maxLength, [control](const QString& text) { SetCaption(control, text); });
}

Localizer& Localizer::WindowTitle(QWidget* window, const QString& identifier, int maxLength) {
    return Apply(identifier, maxLength, [window](const QString& text) { window->setWindowTitle(text); });
}

Localizer& Localizer::Text(const QString& identifier, int maxLength, QString& target) {
    return Apply(identifier, maxLength, [&target](const QString& text) { target = text; });
}

Localizer& Localizer::Text(const QString& identifier, int maxLength, std::string& target) {
    return Apply(identifier, maxLength, [&target](const QString& text) { target = ToCp1252(text); });
}

Localizer& Localizer::Apply(const QString& identifier, int maxLength,
                            std::function<void(const QString&)> assign) {
    entries_.push_back({identifier, maxLength, std::move(assign)});
    return *this;
}

std::optional<LookupError> Localizer::Run() {
    std::vector<QString> texts;
    texts.reserve(entries_.size());
    for (const Entry& e : entries_) {
        LookupError error;
        std::optional<QString> text = dictionary_.Lookup(e.identifier, e.maxLength, &error);
        if (!text) return error;
        texts.push_back(std::move(*text));
    }
    for (std::size_t i = 0; i < entries_.size(); ++i) entries_[i].assign(texts[i]);
    return std::nullopt;
}

bool Localizer::RunOrReport(Prompter& prompter, const std::string& failureMessage,
                            const std::string& caption) {
    if (!Run().has_value()) return true;
    if (dictionary_.FirstReportOf(failureMessage)) {
        prompter.Ask(failureMessage, caption, PromptIcon::Error, PromptButtons::Ok);
    }
    return false;
}

void Localizer::SetCaption(QObject* control, const QString& text) {
    if (auto* action = qobject_cast<QAction*>(control)) {
        action->setText(text);
    } else if (auto* menu = qobject_cast<QMenu*>(control)) {
        menu->setTitle(text);
    } else if (auto* label = qobject_cast<QLabel*>(control)) {
        label->setText(text);
    } else if (auto* button = qobject_cast<QAbstractButton*>(control)) {
        button->setText(text);
    } else if (auto* group = qobject_cast<QGroupBox*>(control)) {
        group->setTitle(text);
    } else if (auto* widget = qobject_cast<QWidget*>(control)) {
        // A tab page sits in the tab widget's stack; its caption is the tab's text.
        for (QWidget* up = widget->parentWidget(); up != nullptr; up = up->parentWidget()) {
            if (auto* tabs = qobject_cast<QTabWidget*>(up)) {
                const int index = tabs->indexOf(widget);
                if (index >= 0) {
                    tabs->setTabText(index, text);
                    return;
                }
                break;
            }
        }
        if (widget->isWindow()) {
            widget->setWindowTitle(text);
        } else {
            widget->setProperty("text", text);
        }
    } else {
        control->setProperty("text", text);
    }
}

}  // namespace zov
