#pragma once

#include <QString>
#include <string>

class QWidget;

namespace zov {

class AppContext;

// The texts of "Annulla ultima scrittura", from the dictionary of the window that runs it.
struct UndoTexts {
    std::string question;  // asked before anything is sent
    std::string failed;    // followed by the reason
    QString caption;       // of the question and the message boxes
    QString progressTitle;
    QString progressLabel;
    QString completed;
};

// Puts the ECU back to what it held before the last store, as the parameter editor and the main
// window both offer it: the question, then one more write under the progress window. True when
// the earlier values were sent; false when the installer said no, there was nothing to undo, or no
// ECU session is open (the undo stays for later then).
bool UndoLastWrite(AppContext& ctx, QWidget* parent, const UndoTexts& texts);

// Whether the installer can be offered the undo now.
bool LastWriteUndoable(AppContext& ctx);

}  // namespace zov
