#include "UndoLastWrite.h"

#include <QLabel>

#include "AppContext.h"
#include "BusyCursor.h"
#include "QtText.h"
#include "TFormAttesaFile.h"

namespace zov {

bool LastWriteUndoable(AppContext& ctx) {
    return ctx.link.IsConnected() && ctx.lastWrite.Available(ctx.model);
}

bool UndoLastWrite(AppContext& ctx, QWidget* parent, const UndoTexts& texts) {
    if (!LastWriteUndoable(ctx)) return false;
    const std::string caption = ToCp1252(texts.caption);
    if (ctx.prompter.Ask(texts.question, caption, PromptIcon::Question, PromptButtons::YesNo) !=
        PromptAnswer::Yes)
        return false;
    DefinitionReadError error;
    {
        BusyCursor busy;
        TFormAttesaFile progress(parent);
        progress.setWindowTitle(texts.progressTitle);
        progress.Label1->setText(texts.progressLabel);
        progress.completionText = texts.completed;
        progress.show();
        progress.repaint();
        error = ctx.lastWrite.Undo(ctx.model, [&](int step) { progress.SetProgress(uint8_t(step), false); });
        progress.close();
    }
    if (error) {
        ctx.prompter.Ask(texts.failed + "\n" + error.what, caption, PromptIcon::Error, PromptButtons::Ok);
        return false;
    }
    return true;
}

}  // namespace zov
