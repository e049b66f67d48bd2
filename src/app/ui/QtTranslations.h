#pragma once

#include <QString>
#include <memory>
#include <optional>

class QTranslator;

namespace zov {

// Qt's own texts — the standard buttons of the message boxes, the file, folder and print dialogs —
// in the installer's language, from Qt's catalogue "qtbase_<code>" (Debian's
// qt6-translations-l10n). The dictionary names its languages by column (ITALIANO, ENGLISH,
// DEUTSCH); a language Qt has no catalogue for leaves Qt's texts in English.
class QtTranslations {
  public:
    QtTranslations();
    ~QtTranslations();
    QtTranslations(const QtTranslations&) = delete;
    QtTranslations& operator=(const QtTranslations&) = delete;

    // The catalogue code of a dictionary column ("ITALIANO" -> "it"); none for a column it does
    // not know.
    static std::optional<QString> CodeOf(const QString& column);
    // Replaces the catalogue in use by the language of `column` from `folder` (by default Qt's
    // own translations folder). False, and Qt's texts in English, when there is none; English
    // itself needs none.
    bool Use(const QString& column, const QString& folder = {});

  private:
    void Drop();
    std::unique_ptr<QTranslator> translator_;
};

}  // namespace zov
