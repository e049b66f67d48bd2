#include "ConsolePrompter.h"

#include "Cp1252.h"

namespace zov {

PromptAnswer ConsolePrompter::Ask(const std::string& text, const std::string& caption, PromptIcon,
                                  PromptButtons buttons) {
    if (before_) before_();
    std::string flat = cp1252::ToUtf8(text);
    for (char& c : flat)
        if (c == '\n') c = ' ';
    std::fprintf(out_, "%s: %s", cp1252::ToUtf8(caption).c_str(), flat.c_str());
    if (buttons == PromptButtons::Ok) {
        std::fprintf(out_, "\n");
        return PromptAnswer::Ok;
    }
    std::fprintf(out_, " [%s]\n", answer_ == PromptAnswer::Yes ? "yes" : "no");
    return answer_;
}

}  // namespace zov
