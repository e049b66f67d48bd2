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

void ConsoleProgrammingHost::EndLine() {
    if (drawn_ < 0) return;
    std::fputc('\n', out_);
    std::fflush(out_);
    drawn_ = -1;
}

}  // namespace zov
