#include "RecordingWindow.h"
#include "platform/core/EventLoop.h"
#include "platform/core/MessageQueue.h"

#include <gtest/gtest.h>

namespace lumetta::core::test {
namespace {

using std::chrono::milliseconds;

class TimerTest : public ::testing::Test {
protected:
    void SetUp() override { MessageQueue::current().setClock(clock); }
    void TearDown() override { MessageQueue::current().setClock(Clock::steady()); }

    static std::vector<WParam> pumpTimers(const RecordingWindow& window) {
        while (EventLoop::pumpOne()) {
        }
        std::vector<WParam> ids;
        for (const auto& message : window.received()) {
            if (message.id == msg::Timer) {
                ids.push_back(message.wParam);
            }
        }
        return ids;
    }

    ManualClock clock;
};

TEST_F(TimerTest, FiresOncePerElapsedIntervalWithoutCatchUpBursts) {
    struct Case {
        const char* name;
        std::vector<int> steps; // milliseconds advanced before each pump
        size_t ticks;
    };
    const Case cases[] = {
        {"not yet due", {99}, 0},
        {"exactly due", {100}, 1},
        {"late loop gets one tick", {350}, 1},
        {"three periods", {100, 100, 100}, 3},
        {"period restarts at the late tick", {350, 50}, 1},
        {"and runs from there", {350, 100}, 2},
    };
    for (const auto& row : cases) {
        RecordingWindow window;
        ASSERT_TRUE(window.setTimer(5, milliseconds(100)));
        std::vector<WParam> ids;
        for (int step : row.steps) {
            clock.advance(milliseconds(step));
            ids = pumpTimers(window);
        }
        EXPECT_EQ(ids.size(), row.ticks) << row.name;
        for (WParam id : ids) {
            EXPECT_EQ(id, 5u) << row.name;
        }
    }
}

TEST_F(TimerTest, TimersAreIndependentPerIdAndCanBeRestartedOrKilled) {
    RecordingWindow window;
    RecordingWindow other;
    window.setTimer(1, milliseconds(30));
    window.setTimer(2, milliseconds(20));
    other.setTimer(1, milliseconds(10));

    clock.advance(milliseconds(30));
    EXPECT_EQ(pumpTimers(window), (std::vector<WParam>{2, 1})) << "earliest due first";
    EXPECT_EQ(pumpTimers(other), (std::vector<WParam>{1}));

    EXPECT_TRUE(window.killTimer(2));
    EXPECT_FALSE(window.killTimer(2));
    window.setTimer(1, milliseconds(100)); // restarts with the new interval
    clock.advance(milliseconds(60));
    EXPECT_EQ(pumpTimers(window), (std::vector<WParam>{2, 1})) << "nothing new before 100 ms";
    clock.advance(milliseconds(40));
    EXPECT_EQ(pumpTimers(window), (std::vector<WParam>{2, 1, 1}));
}

TEST_F(TimerTest, PostedMessagesGoBeforeDueTimers) {
    RecordingWindow window;
    window.setTimer(1, milliseconds(10));
    clock.advance(milliseconds(10));
    window.post(msg::FirstUser);
    window.post(msg::FirstUser + 1);
    while (EventLoop::pumpOne()) {
    }
    EXPECT_EQ(window.ids(),
              (std::vector<MessageId>{msg::FirstUser, msg::FirstUser + 1, msg::Timer}));
}

} // namespace
} // namespace lumetta::core::test
