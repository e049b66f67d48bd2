#pragma once

#include <deque>
#include <string>
#include <vector>

namespace zov {

enum class PromptIcon { Error, Warning, Question, Information };
enum class PromptButtons { Ok, YesNo, YesNoCancel, OkCancel };
enum class PromptAnswer { Ok, Yes, No, Cancel };

// The modal message box. Texts are 8-bit Windows-1252 strings, as the program keeps them.
class Prompter {
  public:
    virtual ~Prompter() = default;
    virtual PromptAnswer Ask(const std::string& text, const std::string& caption, PromptIcon icon,
                             PromptButtons buttons) = 0;
};

// Answers from a script and records every box shown; tests read `shown` to assert the texts.
class ScriptedPrompter : public Prompter {
  public:
    struct Shown {
        std::string text;
        std::string caption;
        PromptIcon icon;
        PromptButtons buttons;
    };

    PromptAnswer Ask(const std::string& text, const std::string& caption, PromptIcon icon,
                     PromptButtons buttons) override {
        shown.push_back({text, caption, icon, buttons});
        if (buttons == PromptButtons::Ok) return PromptAnswer::Ok;
        if (answers.empty()) return fallback;
        PromptAnswer a = answers.front();
        answers.pop_front();
        return a;
    }

    std::deque<PromptAnswer> answers;
    PromptAnswer fallback = PromptAnswer::No;
    std::vector<Shown> shown;
};

}  // namespace zov
