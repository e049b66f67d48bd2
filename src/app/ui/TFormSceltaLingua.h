#pragma once

#include <QDialog>
#include <QString>
#include <QUrl>
#include <functional>
#include <optional>
#include <string>

class QLabel;
class QPushButton;
class QRadioButton;

namespace zov {

class Prompter;
class TModuloLingua;

// The language choice offered when a help file or a document is missing in the current language:
// a warning, one radio button per language that has it, OK and Cancel.
class TFormSceltaLingua : public QDialog {
    Q_OBJECT

  public:
    static constexpr int kButtonLeft = 50;
    static constexpr int kFirstButtonTop = 70;
    static constexpr int kButtonStep = 30;

    explicit TFormSceltaLingua(QWidget* parent = nullptr);

    // Adds a radio button at left 50, top 70 + 30 * (buttons already added), tagged `tag`; the
    // first one is checked. The window grows by 30 pixels and OK and Cancel move down by 30.
    QRadioButton* AddLanguage(const QString& caption, int tag);
    int ButtonCount() const { return buttons_; }

    // The tag of the radio button that was checked when the window closed (0 before that).
    int Tag() const { return tag_; }
    void done(int result) override;

    QLabel* LabelWarning;
    QPushButton* OKBtn;
    QPushButton* CancelBtn;

  private:
    int buttons_ = 0;
    int tag_ = 0;
};

// Texts of one use of the choice, already localized by the caller.
struct LanguageChoiceTexts {
    QString caption;      // window title: the calling window's caption
    QString warning;      // e.g. MessNoGuidaLingua + "\n" + MessNoIstrLingua2
    QString ok;           // ButtonOK
    QString cancel;       // ButtonAnnulla
    QString noneMessage;  // shown (error icon, `caption`) when no language has it, e.g. MessNoGuida
};

// Runs a modal dialog and returns its result; tests pass one that answers without a user.
using DialogRunner = std::function<int(QDialog&)>;
int ExecDialog(QDialog& dialog);

// Offers every language (column k >= 1, tag k, caption = language menu item k - 1) for which
// `available(column name)` holds. With none, shows texts.noneMessage and returns nothing;
// otherwise runs the dialog and returns the column name of the chosen language on OK, nothing on
// Cancel. The current language is not changed.
std::optional<QString> ChooseLanguage(const TModuloLingua& dictionary,
                                      const std::function<bool(const QString& language)>& available,
                                      const LanguageChoiceTexts& texts, Prompter& prompter, QWidget* parent,
                                      const DialogRunner& run = ExecDialog);

// mainPath + "/Help/Zov_" + language + ".html".
QString HelpFilePath(const QString& mainPath, const QString& language);
// The help file's URL at its topic "Main".
QUrl HelpUrl(const QString& helpFile);

// The help command's choice: the languages whose help file exists under `mainPath`.
std::optional<QString> ChooseHelpLanguage(const TModuloLingua& dictionary, const QString& mainPath,
                                          const LanguageChoiceTexts& texts, Prompter& prompter,
                                          QWidget* parent, const DialogRunner& run = ExecDialog);

}  // namespace zov
