#include "platform/core/EventLoop.h"
#include "RecordingWindow.h"
#include "platform/core/MessageQueue.h"

#include <gtest/gtest.h>

#include <atomic>
#include <deque>
#include <future>
#include <thread>

namespace lumetta::core::test {
namespace {

using std::chrono::milliseconds;

constexpr MessageId kOpenModal = msg::FirstUser + 1;
constexpr MessageId kEndModal = msg::FirstUser + 2;
constexpr MessageId kExitOuter = msg::FirstUser + 3;
constexpr MessageId kPing = msg::FirstUser + 4;
constexpr MessageId kInput = msg::FirstUser + 5;

TEST(EventLoop, ModalRunsNestAndEachEndsWithItsOwnCode) {
    EventLoop outer;
    EventLoop modal;
    int modalResult = -1;
    RecordingWindow* self = nullptr;
    RecordingWindow window([&](MessageId id, WParam wParam, LParam) {
        switch (id) {
        case kOpenModal:
            self->post(kPing);
            self->post(kExitOuter); // must not end the modal run
            self->post(kEndModal, 7);
            modalResult = modal.run();
            self->post(kPing); // left for later: the outer exit is already requested
            break;
        case kEndModal:
            modal.exit(static_cast<int>(wParam));
            break;
        case kExitOuter:
            outer.exit(3);
            break;
        }
        return 0;
    });
    self = &window;
    window.post(kOpenModal);
    window.post(kPing);

    EXPECT_EQ(outer.run(), 3);
    EXPECT_EQ(modalResult, 7);
    EXPECT_EQ(window.ids(),
              (std::vector<MessageId>{kOpenModal, kPing, kPing, kExitOuter, kEndModal}));
    EXPECT_TRUE(EventLoop::pumpOne()); // the ping posted after the modal run is still there
    EXPECT_FALSE(outer.running());
}

TEST(EventLoop, AnExitBeforeTheRunEndsItAtOnce) {
    EventLoop loop;
    loop.exit(4);
    EXPECT_EQ(loop.run(), 4);
}

TEST(EventLoop, PumpOneDispatchesExactlyOnePostedMessage) {
    RecordingWindow window;
    EXPECT_FALSE(EventLoop::pumpOne());
    for (int i = 0; i < 3; ++i) {
        window.post(kPing, i);
    }
    for (size_t i = 1; i <= 3; ++i) {
        EXPECT_TRUE(EventLoop::pumpOne());
        EXPECT_EQ(window.received().size(), i);
    }
    EXPECT_FALSE(EventLoop::pumpOne());
}

TEST(EventLoop, SleepingLoopIsWokenByAPostFromAnotherThread) {
    EventLoop loop;
    RecordingWindow window([&](MessageId id, WParam, LParam) {
        loop.exit(static_cast<int>(id));
        return 0;
    });
    std::thread poster([handle = window.handle()] {
        std::this_thread::sleep_for(milliseconds(30));
        postMessage(handle, kPing);
    });
    EXPECT_EQ(loop.run(), static_cast<int>(kPing));
    poster.join();
}

TEST(EventLoop, SleepingLoopFollowsAManualClockMovedFromAnotherThread) {
    ManualClock clock;
    MessageQueue::current().setClock(clock);
    EventLoop loop;
    RecordingWindow window([&](MessageId id, WParam, LParam) {
        loop.exit(static_cast<int>(id));
        return 0;
    });
    window.setTimer(1, std::chrono::hours(1));
    std::promise<void> finished;
    std::thread mover([&, handle = window.handle(), done = finished.get_future()] {
        std::this_thread::sleep_for(milliseconds(20));
        clock.advance(std::chrono::hours(1));
        // Should the loop miss the jump, this ends it with another id instead of hanging.
        if (done.wait_for(std::chrono::seconds(5)) == std::future_status::timeout) {
            postMessage(handle, kPing);
        }
    });
    EXPECT_EQ(loop.run(), static_cast<int>(msg::Timer));
    finished.set_value();
    mover.join();
    MessageQueue::current().setClock(Clock::steady());
}

// A display backend stand-in: its "input" is a list of ids it delivers as posts, and its wait
// lets the manual clock run forward by the whole timeout, as a real wait would.
class FakeBackend : public LoopBackend {
public:
    FakeBackend(ManualClock& clock, WindowHandle target) : clock_(clock), target_(target) {}

    void waitForEvents(std::optional<Duration> timeout) override {
        waits.push_back(timeout);
        if (timeout) {
            clock_.advance(*timeout);
        }
    }
    void wake() override { ++wakes; }
    bool dispatchEvents() override {
        if (input.empty()) {
            return false;
        }
        while (!input.empty()) {
            postMessage(target_, input.front());
            input.pop_front();
        }
        return true;
    }

    std::deque<MessageId> input;
    std::vector<std::optional<Duration>> waits;
    std::atomic<int> wakes{0};

private:
    ManualClock& clock_;
    WindowHandle target_;
};

TEST(EventLoop, BackendFeedsInputAndTheIdleLoopWaitsOnceUntilTheNextTimer) {
    ManualClock clock;
    auto& queue = MessageQueue::current();
    queue.setClock(clock);
    EventLoop loop;
    RecordingWindow window([&](MessageId id, WParam, LParam) {
        if (id == msg::Timer) {
            loop.exit(1);
        }
        return 0;
    });
    FakeBackend backend(clock, window.handle());
    backend.input = {kInput, kInput + 1};
    queue.setBackend(&backend);
    window.setTimer(9, milliseconds(250));

    EXPECT_EQ(loop.run(), 1);
    EXPECT_EQ(window.ids(), (std::vector<MessageId>{kInput, kInput + 1, msg::Timer}));
    ASSERT_EQ(backend.waits.size(), 1u) << "an idle loop must sleep, not spin";
    EXPECT_EQ(backend.waits[0], Duration(milliseconds(250)));

    int before = backend.wakes;
    std::thread([handle = window.handle()] { postMessage(handle, kPing); }).join();
    EXPECT_GT(backend.wakes, before) << "a post from another thread must wake the backend";

    queue.setBackend(nullptr);
    queue.setClock(Clock::steady());
}

} // namespace
} // namespace lumetta::core::test
