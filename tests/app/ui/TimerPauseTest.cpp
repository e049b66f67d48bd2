// Pausing an ECU timer around a modal window or a long exchange: it is off for the pause and
// back afterwards only if it ran before.
#include <gtest/gtest.h>

#include <QTimer>
#include <string>
#include <vector>

#include "TimerPause.h"

namespace zov::test {
namespace {

TEST(TimerPause, AQtTimerRunsAgainAfterwardsOnlyIfItRanBefore) {
    for (bool running : {true, false}) {
        SCOPED_TRACE(running ? "running" : "stopped");
        QTimer timer;
        timer.setInterval(2000);
        if (running) timer.start();
        {
            TimerPause pause(timer);
            EXPECT_FALSE(timer.isActive());
            {
                TimerPause nested(timer);
                EXPECT_FALSE(timer.isActive());
            }
            EXPECT_FALSE(timer.isActive()) << "the inner pause found it stopped";
        }
        EXPECT_EQ(timer.isActive(), running);
        EXPECT_EQ(timer.interval(), 2000);
    }
}

TEST(TimerPause, ATimerItsOwnerSwitchesIsSwitchedOnlyWhenItRuns) {
    for (bool running : {true, false}) {
        SCOPED_TRACE(running ? "running" : "stopped");
        std::vector<std::string> calls;
        {
            TimerPause pause(
                running, [&] { calls.push_back("stop"); }, [&] { calls.push_back("start"); });
            EXPECT_EQ(calls, running ? std::vector<std::string>{"stop"} : std::vector<std::string>{});
        }
        EXPECT_EQ(calls, running ? (std::vector<std::string>{"stop", "start"}) : std::vector<std::string>{});
    }
}

}  // namespace
}  // namespace zov::test
