#include "ConsoleProgrammingHost.h"

#include <algorithm>

#include "Cp1252.h"

namespace zov {

std::string ConsoleProgrammingHost::Bar(int percent) {
    constexpr int kWidth = 40;
    percent = std::clamp(percent, 0, 100);
    const int filled = percent * kWidth / 100;
    char tail[8];
    std::snprintf(tail, sizeof tail, "] %3d%%", percent);
    return "[" + std::string(size_t(filled), '#') + std::string(size_t(kWidth - filled), '.') + tail;
}

void ConsoleProgrammingHost::SetLabel(const std::string& text) {
    EndLine();
    label_ = cp1252::ToUtf8(text);
}

void ConsoleProgrammingHost::SetProgress(int value, bool absolute) {
    percent_ = std::clamp(absolute ? value : percent_ + value, 0, 100);
    // Redrawn only when the figure changes: a terminal line per record would be far too many.
    if (percent_ == drawn_) return;
    drawn_ = percent_;
    std::fprintf(out_, "\r%s %s", label_.c_str(), Bar(percent_).c_str());
    std::fflush(out_);
}

std::string ConsoleProgrammingHost::Describe(const ProgrammingFailure& failure) {
    std::string reason;
    switch (failure.reason) {
        case boot::Failure::None:
            reason = "the image has nothing to program";
            break;
        case boot::Failure::LineLost:
            reason = "the line to the ECU was lost";
            break;
        case boot::Failure::NoAnswer:
            reason = "the ECU does not answer";
            break;
        case boot::Failure::WrongAnswer:
            reason = "wrong answer from the ECU";
            break;
        case boot::Failure::LowSupply:
            reason = "the supply voltage is too low";
            break;
        case boot::Failure::Refused:
            reason = "the ECU refused the programming";
            break;
        case boot::Failure::TooOld:
            reason = "the ECU's boot loader is too old to program it";
            break;
    }
    std::string state;
    switch (failure.ecu) {
        case EcuAfterFailure::Unchanged:
            state = "the ECU was not changed";
            break;
        case EcuAfterFailure::ProgramKept:
            state = "its program is unchanged: switch the ECU off and on to restart it";
            break;
        case EcuAfterFailure::MaybeBlank:
            state = "the ECU may be blank: program it again";
            break;
        case EcuAfterFailure::Blank:
            state = "the ECU is blank and waits in its boot loader: program it again";
            break;
    }
    return reason + "; " + state;
}

void ConsoleProgrammingHost::EndLine() {
    if (drawn_ < 0) return;
    std::fputc('\n', out_);
    std::fflush(out_);
    drawn_ = -1;
}

}  // namespace zov
