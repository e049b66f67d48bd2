#include "LogPaneLayout.h"

#include <algorithm>

namespace zov {
namespace {

const char* const kFirstChannels[] = {"rpm", "lambda_v", "map_bar"};
constexpr char kPaneSeparator = ';';
constexpr char kChannelSeparator = ',';

std::vector<std::string> Split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    size_t at = 0;
    for (;;) {
        const size_t end = text.find(separator, at);
        parts.push_back(text.substr(at, end == std::string::npos ? std::string::npos : end - at));
        if (end == std::string::npos) return parts;
        at = end + 1;
    }
}

bool Contains(const std::vector<std::string>& names, const std::string& name) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

}  // namespace

LogPaneLayout LogPaneLayout::Default(const std::vector<std::string>& channels) {
    LogPaneLayout layout;
    for (const char* wanted : kFirstChannels)
        if (Contains(channels, wanted)) layout.panes_[0].push_back(wanted);
    if (layout.panes_[0].empty() && !channels.empty()) layout.panes_[0].push_back(channels.front());
    return layout;
}

LogPaneLayout LogPaneLayout::ForLog(const std::string& remembered, const std::vector<std::string>& channels) {
    LogPaneLayout layout;
    layout.panes_.clear();
    bool any = false;
    for (const std::string& pane : Split(remembered, kPaneSeparator)) {
        if (layout.PaneCount() == kMaxPanes) break;
        std::vector<std::string>& kept = layout.panes_.emplace_back();
        for (const std::string& name : Split(pane, kChannelSeparator))
            if (Contains(channels, name) && !Contains(kept, name)) kept.push_back(name);
        any = any || !kept.empty();
    }
    return any ? layout : Default(channels);
}

std::string LogPaneLayout::Encode() const {
    std::string text;
    for (size_t pane = 0; pane < panes_.size(); ++pane) {
        if (pane > 0) text += kPaneSeparator;
        for (size_t c = 0; c < panes_[pane].size(); ++c) {
            if (c > 0) text += kChannelSeparator;
            text += panes_[pane][c];
        }
    }
    return text;
}

void LogPaneLayout::SetPaneCount(int count) { panes_.resize(size_t(std::clamp(count, 1, kMaxPanes))); }

bool LogPaneLayout::Shows(int pane, const std::string& channel) const {
    return pane >= 0 && pane < PaneCount() && Contains(panes_[size_t(pane)], channel);
}

void LogPaneLayout::Show(int pane, const std::string& channel, bool shown) {
    if (pane < 0 || pane >= PaneCount()) return;
    std::vector<std::string>& names = panes_[size_t(pane)];
    const auto at = std::find(names.begin(), names.end(), channel);
    if (shown && at == names.end()) names.push_back(channel);
    if (!shown && at != names.end()) names.erase(at);
}

}  // namespace zov
