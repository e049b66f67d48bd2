#pragma once

#include <cstdio>
#include <functional>
#include <string>

#include "EcuProgrammer.h"

namespace zov {

// The programming's progress window on a terminal: a one-line bar on `out`, redrawn in place,
// with the label in front; the caption and the completion text are not shown. The connect action
// is what zovctl does before a command (open the port, open the session, load the model).
class ConsoleProgrammingHost : public ProgrammingHost {
  public:
    ConsoleProgrammingHost(std::FILE* out, std::function<void()> connect)
        : out_(out), connect_(std::move(connect)) {}
    ~ConsoleProgrammingHost() override { EndLine(); }

    void Open() override {}
    void Close() override { EndLine(); }
    void SetLabel(const std::string& text) override;
    void SetCaption(const std::string&) override {}
    void SetCompletion(const std::string&) override {}
    void SetProgress(int value, bool absolute) override;
    void ConnectInteractiveOff() override {
        if (connect_) connect_();
    }

    // The bar as drawn for `percent`: "[#####...............]  25%".
    static std::string Bar(int percent);
    // Ends the bar's line, if one is drawn, so that what follows starts on a line of its own.
    void EndLine();
    // Why a programming failed and what it left in the ECU, in the command line's words.
    static std::string Describe(const ProgrammingFailure& failure);

  private:
    std::FILE* out_;
    std::function<void()> connect_;
    std::string label_ = "programming";
    int percent_ = 0;
    int drawn_ = -1;
};

}  // namespace zov
