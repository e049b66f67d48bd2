#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "QtTranslations.h"

class QAction;
class QActionGroup;
class QMenu;
class QToolButton;
class QWidget;

namespace zov {

// Why a text could not be looked up. Every kind is an error for the window that asked.
enum class LookupFailure {
    NoTable,     // the dictionary could not be read when the module was created
    NoLanguage,  // no language has been chosen yet
    NoColumn,    // the language asked for is not a column of the dictionary
    NoRow,       // no row has this identifier
};

struct LookupError {
    LookupFailure kind = LookupFailure::NoRow;
    QString identifier;
    QString language;

    // One English sentence for logs and diagnostics (users see the windows' built-in messages).
    QString Describe() const;
};

// The multilingual dictionary: the table "Dizionario.dbf" with one row per text identifier and one
// column per language, the language menu and the current language.
//
// The table is read once, when the module is created, and kept in memory: lookups never touch the
// disk, so a window cannot fail half-way through localizing because the file went away.
class TModuloLingua : public QObject {
    Q_OBJECT

  public:
    static constexpr const char* kTableName = "Dizionario.dbf";
    static constexpr int kMenuCaptionLength = 12;
    static constexpr int kFlagButtonSize = 52;
    static constexpr int kFlagWidth = 48;
    static constexpr int kFlagHeight = 32;

    // Reads `directory`/`tableName` and builds `PopupMenuLingue`. A table that cannot be read
    // leaves the module without languages: IsOpen() is false and OpenError() says why.
    explicit TModuloLingua(const QString& directory,
                           const QString& tableName = QString::fromLatin1(kTableName),
                           QObject* parent = nullptr);
    ~TModuloLingua() override;

    bool IsOpen() const { return open_; }
    const QString& OpenError() const { return openError_; }
    const QString& Directory() const { return directory_; }

    // Languages in table order; index i is column i + 1 and item i of the menu.
    int LanguageCount() const { return static_cast<int>(languages_.size()); }
    QStringList LanguageKeys() const;
    // Column name (the language's key and help-file suffix); empty for an index out of range.
    QString LanguageKey(int index) const;
    // The "MenuLingua" text cut to 12 characters, as the menu item shows it.
    QString LanguageCaption(int index) const;
    // The "Flag" text: a picture file name under "immagini/".
    QString FlagFile(int index) const;

    // One checkable item per language in one exclusive group; objectName = column name.
    QMenu* PopupMenuLingue() const { return menu_.get(); }
    QAction* LanguageAction(int index) const;

    // Column name of the language in use; empty until a language is chosen.
    const QString& CurrentLanguage() const { return current_; }
    // Index of the language in use (the value kept in the language setting); -1 until chosen.
    int CurrentIndex() const { return currentIndex_; }

    // Checks the item, makes its language current and emits LanguageChosen, also when the
    // language was already current (the windows re-localize). False, with nothing changed, for
    // an index that is not a language.
    bool SelectLanguage(int index);
    bool SelectLanguageAction(QAction* action);

    // The current language's text of `identifier`, cut to its first `maxLength` characters
    // (never wrapped, never refused for its length). Nothing, with `error` filled, when there is
    // no table, no current language or no such row.
    std::optional<QString> Lookup(QStringView identifier, int maxLength, LookupError* error = nullptr) const;
    // The same in a named language column.
    std::optional<QString> LookupIn(const QString& language, QStringView identifier, int maxLength,
                                    LookupError* error = nullptr) const;
    // The same as Windows-1252 bytes, for texts handed to the link, the model or a Prompter.
    std::optional<std::string> LookupCp1252(std::string_view identifier, int maxLength,
                                            LookupError* error = nullptr) const;

    // Top of flag button `index` of `count` in a panel `panelHeight` pixels high:
    // g = (H - 52n) / (n + 1), or 0 when negative; top = (g + 52) i + g.
    static int FlagButtonTop(int index, int count, int panelHeight);

    // Creates one 52 x 52 flag button per language in `panel` (the main window's `PanelLingue`),
    // horizontally centred and spaced by FlagButtonTop; named column name + index, tooltip = the
    // menu caption without "&", icon = Directory()/immagini/<Flag text>; a click chooses the
    // language. The buttons follow the panel when it is resized. Returns them in language order.
    std::vector<QToolButton*> BuildLanguageButtons(QWidget* panel);

    // Makes `window`'s context menu (right click) the language menu.
    void AttachPopupMenu(QWidget* window);

    // True the first time `message` is offered in this run, false afterwards: a window that
    // cannot localize shows its message once, not each time it opens.
    bool FirstReportOf(const std::string& message);

  signals:
    // A language was chosen (flag button, menu item or SelectLanguage). The main window connects
    // this to re-localize itself, store `index` in the language setting and forget its help file.
    void LanguageChosen(int index);

  private:
    struct Language {
        QString key;
        QString caption;
        QString flag;
        QAction* action = nullptr;
    };

    bool Load(const QString& path);
    const std::string* Find(std::string_view identifier, int column) const;
    void LayoutButtons(QWidget* panel) const;
    bool eventFilter(QObject* watched, QEvent* event) override;

    QString directory_;
    bool open_ = false;
    QString openError_;
    std::vector<std::vector<std::string>> rows_;          // Windows-1252, column 0 = identifier
    std::unordered_map<std::string, std::size_t> index_;  // identifier -> first row holding it
    std::vector<Language> languages_;
    std::unique_ptr<QMenu> menu_;
    QActionGroup* group_ = nullptr;
    QString current_;
    int currentIndex_ = -1;
    std::set<std::string> reported_;
    // Qt's own dialogs and buttons follow the chosen language.
    QtTranslations qtTranslations_;
};

}  // namespace zov
