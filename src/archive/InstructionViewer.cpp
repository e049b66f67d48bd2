#include "InstructionViewer.h"

#include <QLabel>
#include <QPushButton>

#include "Prompter.h"
#include "QtText.h"
#include "TFormSchema.h"
#include "TModuloLingua.h"

namespace zov {

InstructionViewer::InstructionViewer(const TModuloLingua& dictionary, std::string cardsPath,
                                     Prompter& prompter, QWidget* parent)
    : dictionary_(dictionary), cardsPath_(std::move(cardsPath)), prompter_(prompter), parent_(parent) {}

bool InstructionViewer::FindInstructions(const std::string& language, const std::string& pattern) const {
    return VehicleArchive::FindDocument(cardsPath_, language, pattern).has_value();
}

std::optional<std::string> InstructionViewer::ChooseInstructionsLanguage(
    const std::string& pattern, const InstructionViewerTexts& texts) const {
    const auto available = [&](const QString& language) {
        return FindInstructions(language.toStdString(), pattern);
    };
    const std::optional<QString> chosen =
        ChooseLanguage(dictionary_, available, texts.choice, prompter_, parent_, languageRunner);
    if (!chosen) return std::nullopt;
    return chosen->toStdString();
}

bool InstructionViewer::Open(DocumentKind kind, const std::string& pattern,
                             const InstructionViewerTexts& texts) const {
    std::string language = dictionary_.CurrentLanguage().toStdString();
    if (!FindInstructions(language, pattern)) {
        const std::optional<std::string> chosen = ChooseInstructionsLanguage(pattern, texts);
        if (!chosen) return false;
        language = *chosen;
    }
    // The folder may have changed since the choice was offered (an update, a removed medium).
    const std::optional<InstructionDocument> document =
        VehicleArchive::FindDocument(cardsPath_, language, pattern);
    return document && Show(kind, *document, texts);
}

bool InstructionViewer::Show(DocumentKind kind, const InstructionDocument& document,
                             const InstructionViewerTexts& texts) const {
    TFormSchema schema(parent_);
    schema.setWindowTitle(
        QString::fromStdString(VehicleArchive::ViewerCaption(kind, texts.title.toStdString(), document)));
    schema.Button1->setText(texts.choice.ok);
    schema.LabelCerca->setText(texts.search);
    if (!schema.Open(QString::fromStdString(document.path))) {
        prompter_.Ask(ToCp1252(texts.unreadable) + "\n" + document.path, ToCp1252(texts.choice.caption),
                      PromptIcon::Error, PromptButtons::Ok);
        return false;
    }
    if (schemaRunner) {
        schemaRunner(schema);
    } else {
        schema.setWindowState(Qt::WindowMaximized);
        schema.exec();
    }
    return true;
}

}  // namespace zov
