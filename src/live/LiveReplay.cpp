#include "LiveReplay.h"

#include <utility>

#include "LiveLogFormat.h"

namespace zov {

std::optional<LiveReplay> LiveReplay::Of(LiveLog log, int speed) {
    if (log.RowCount() == 0 || speed < 1 || !LiveValuesOfRow(log, 0)) return std::nullopt;
    return LiveReplay(std::move(log), speed);
}

LiveReplay::LiveReplay(LiveLog log, int speed) : log_(std::move(log)), speed_(speed) {}

std::vector<LiveValues> LiveReplay::Step(int64_t elapsedMs) {
    if (started_) position_ += elapsedMs * speed_;
    started_ = true;
    const int64_t now = log_.times.front() + position_;
    std::vector<LiveValues> due;
    for (; next_ < log_.RowCount() && log_.times[next_] <= now; ++next_)
        due.push_back(*LiveValuesOfRow(log_, next_));
    return due;
}

}  // namespace zov
