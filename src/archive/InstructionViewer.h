#pragma once

#include <QString>
#include <functional>
#include <optional>
#include <string>

#include "TFormSceltaLingua.h"
#include "VehicleArchive.h"

class QWidget;

namespace zov {

class Prompter;
class TFormSchema;
class TModuloLingua;

// Texts of one use of the viewer, already localized by the calling window.
struct InstructionViewerTexts {
    LanguageChoiceTexts choice;  // the language choice; its caption is the calling window's
    QString title;               // FinestraIstruzioni, the start of the viewer's caption
    QString search;              // LabelCerca
    QString unreadable;          // MessIstrIlleggibili
};

// An instruction document of the cards folder (a vehicle's sheet, the general instructions, the
// kit's instructions) in the document viewer, modally: in the dictionary's current language when
// that language has it, otherwise in a language the installer picks among those that have it.
// The vehicle archive and the parameter editor show their documents through it.
class InstructionViewer {
  public:
    InstructionViewer(const TModuloLingua& dictionary, std::string cardsPath, Prompter& prompter,
                      QWidget* parent);

    // How the language choice and the viewer are run; tests hand in their own.
    DialogRunner languageRunner = ExecDialog;
    std::function<int(TFormSchema&)> schemaRunner;

    // Whether the language folder holds a document matching `pattern` (VehicleArchive's).
    bool FindInstructions(const std::string& language, const std::string& pattern) const;
    // The language the installer picks among those holding the document; nothing when he cancels
    // or when none holds it (after saying so).
    std::optional<std::string> ChooseInstructionsLanguage(const std::string& pattern,
                                                          const InstructionViewerTexts& texts) const;
    // The whole flow; false when nothing was shown (no language, cancelled, unreadable file).
    bool Open(DocumentKind kind, const std::string& pattern, const InstructionViewerTexts& texts) const;

  private:
    bool Show(DocumentKind kind, const InstructionDocument& document,
              const InstructionViewerTexts& texts) const;

    const TModuloLingua& dictionary_;
    std::string cardsPath_;
    Prompter& prompter_;
    QWidget* parent_;
};

}  // namespace zov
