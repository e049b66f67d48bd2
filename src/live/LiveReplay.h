#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "LiveLog.h"
#include "LiveRecord.h"

namespace zov {

// Plays a record-150 datalog back at 1x or faster: time runs on from the log's first row, and
// each step gives the row that was current at the time reached.
class LiveReplay {
  public:
    // None when the log is not a live-data log or has no rows.
    static std::optional<LiveReplay> Of(LiveLog log, int speed);

    // Moves the replay on by `elapsedMs` of real time (the first step starts at the first row);
    // the rows that came due, in order: each is shown in turn, as the ECU sent them, so what is
    // smoothed over records (the reducer pressure) replays as it was recorded.
    std::vector<LiveValues> Step(int64_t elapsedMs);
    bool Finished() const { return next_ >= log_.RowCount(); }
    int Speed() const { return speed_; }
    // Milliseconds of the log played so far.
    int64_t Position() const { return position_; }

  private:
    LiveReplay(LiveLog log, int speed);

    LiveLog log_;
    int speed_;
    int64_t position_ = 0;
    size_t next_ = 0;
    bool started_ = false;
};

}  // namespace zov
