#pragma once

#include <string>
#include <vector>

namespace zov {

// Which channels the log viewer plots in which of its stacked panes (all on one time axis), by
// channel name so the choice carries over from one log to the next. Kept in the settings as one
// line: panes separated by ';', channels by ','.
class LogPaneLayout {
  public:
    static constexpr int kMaxPanes = 4;

    // One pane with the channels an installer reads first, or the first channel of a log
    // without them.
    static LogPaneLayout Default(const std::vector<std::string>& channels);
    // The remembered layout for a log: its channels the log lacks are dropped; when none is left
    // to plot (another kind of log, a damaged setting) the default.
    static LogPaneLayout ForLog(const std::string& remembered, const std::vector<std::string>& channels);

    std::string Encode() const;
    int PaneCount() const { return int(panes_.size()); }
    // 1 to kMaxPanes; new panes start empty, panes taken away lose their channels.
    void SetPaneCount(int count);
    const std::vector<std::string>& Channels(int pane) const { return panes_[size_t(pane)]; }
    bool Shows(int pane, const std::string& channel) const;
    void Show(int pane, const std::string& channel, bool shown);

  private:
    std::vector<std::vector<std::string>> panes_{1};
};

}  // namespace zov
