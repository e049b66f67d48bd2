#pragma once

#include <QString>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "TModuloLingua.h"

class QObject;
class QWidget;

namespace zov {

class Prompter;

// Localizes one window: collect its texts (control captions by objectName, other texts by
// message identifier, each with its cut length), then Run. Either every text is assigned or, on
// the first failure, none is, so a window never shows a mix of dictionary and built-in texts.
//
//     Localizer(lingua)
//         .Caption(LabelModPar, 30)
//         .WindowTitle(this, "FinestraGestione", 50)
//         .Text("MessNoConn", 70, messNoConn_)
//         .RunOrReport(prompter, dictionary_messages::kEcuManagement, applicationTitle);
class Localizer {
  public:
    explicit Localizer(TModuloLingua& dictionary) : dictionary_(dictionary) {}

    // The caption of a control (QLabel, QAbstractButton, QGroupBox, QAction, QMenu, a page of a
    // QTabWidget, or any object with a "text" property), looked up by its objectName.
    Localizer& Caption(QObject* control, int maxLength);
    // The same with an identifier other than the control's name.
    Localizer& Caption(QObject* control, const QString& identifier, int maxLength);
    Localizer& WindowTitle(QWidget* window, const QString& identifier, int maxLength);
    // Texts the window keeps for later (messages, status texts), as QString or Windows-1252.
    Localizer& Text(const QString& identifier, int maxLength, QString& target);
    Localizer& Text(const QString& identifier, int maxLength, std::string& target);
    Localizer& Apply(const QString& identifier, int maxLength, std::function<void(const QString&)> assign);

    // Looks every text up; assigns them all when all were found. Returns the first failure.
    std::optional<LookupError> Run();
    // As Run; on failure shows `failureMessage` (error icon, `caption` as title) the first time in
    // this run and keeps the built-in texts. True when the window was localized.
    bool RunOrReport(Prompter& prompter, const std::string& failureMessage, const std::string& caption);

    // Sets the visible caption of a control as Caption does.
    static void SetCaption(QObject* control, const QString& text);

  private:
    struct Entry {
        QString identifier;
        int maxLength;
        std::function<void(const QString&)> assign;
    };

    TModuloLingua& dictionary_;
    std::vector<Entry> entries_;
};

}  // namespace zov
