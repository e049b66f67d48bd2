#pragma once

#include <cstdio>
#include <functional>

#include "Prompter.h"

namespace zov {

// Message boxes of a command-line run: the text goes to stderr and a question is answered by
// the --yes / --no choice the user made in advance.
class ConsolePrompter : public Prompter {
  public:
    ConsolePrompter(std::FILE* out, PromptAnswer answer) : out_(out), answer_(answer) {}
    PromptAnswer Ask(const std::string& text, const std::string& caption, PromptIcon icon,
                     PromptButtons buttons) override;
    // Runs before every message: whoever draws on the same terminal line (a progress bar) ends it.
    void SetBeforeMessage(std::function<void()> before) { before_ = std::move(before); }

  private:
    std::FILE* out_;
    PromptAnswer answer_;
    std::function<void()> before_;
};

}  // namespace zov
