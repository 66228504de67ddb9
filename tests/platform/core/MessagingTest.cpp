#include "RecordingWindow.h"
#include "platform/core/EventLoop.h"
#include "platform/core/MessageQueue.h"
#include "platform/core/WorkerThread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace lumetta::core::test {
namespace {

constexpr MessageId kPing = msg::FirstUser + 1;
constexpr MessageId kStop = msg::FirstUser + 2;

TEST(Messaging, PostsFromOtherThreadsArriveInOrderOnTheOwningThread) {
    EventLoop loop;
    RecordingWindow window([&](MessageId id, WParam, LParam) {
        if (id == kStop) {
            loop.exit(0);
        }
        return 0;
    });
    constexpr int kCount = 200;
    std::thread poster([handle = window.handle()] {
        for (int i = 0; i < kCount; ++i) {
            ASSERT_TRUE(postMessage(handle, kPing, static_cast<WParam>(i), -i));
        }
        postMessage(handle, kStop);
    });
    EXPECT_EQ(loop.run(), 0);
    poster.join();

    auto received = window.received();
    ASSERT_EQ(received.size(), kCount + 1u);
    for (int i = 0; i < kCount; ++i) {
        EXPECT_EQ(received[i].wParam, static_cast<WParam>(i)) << "message " << i;
        EXPECT_EQ(received[i].lParam, -i) << "message " << i;
        EXPECT_EQ(received[i].thread, std::this_thread::get_id()) << "message " << i;
    }
}

TEST(Messaging, SendFromAnotherThreadWaitsForTheOwningThreadsResult) {
    std::atomic<bool> handled{false};
    RecordingWindow window([&](MessageId, WParam wParam, LParam lParam) {
        handled = true;
        return static_cast<LResult>(wParam) + lParam;
    });
    std::atomic<LResult> result{-1};
    std::atomic<bool> returned{false};
    std::thread sender([&, handle = window.handle()] {
        result = sendMessage(handle, kPing, 40, 2);
        returned = true;
    });
    // The sender must still be blocked: nobody has handled its message yet.
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_FALSE(returned.load());
    EXPECT_FALSE(handled.load());

    while (!returned) {
        EventLoop::pumpOne();
        std::this_thread::yield();
    }
    sender.join();
    EXPECT_EQ(result.load(), 42);
    ASSERT_EQ(window.received().size(), 1u);
    EXPECT_EQ(window.received()[0].thread, std::this_thread::get_id());
}

TEST(Messaging, SendOnTheOwningThreadCallsDirectlyWithoutAnyPump) {
    RecordingWindow window([](MessageId, WParam wParam, LParam) { return wParam * 2; });
    EXPECT_EQ(window.send(kPing, 21), 42);
    EXPECT_EQ(window.ids(), std::vector<MessageId>{kPing});
    EXPECT_FALSE(EventLoop::pumpOne()) << "a direct send must not leave anything queued";
}

TEST(Messaging, JoiningASenderAndSendingBackWhileItWaitsDoNotDeadlock) {
    // The worker sends to the main thread, whose handler sends back to a window of the worker
    // while the worker still waits; meanwhile the main thread only joins the worker.
    std::atomic<std::uint64_t> workerWindow{0};
    RecordingWindow mainWindow([&](MessageId, WParam wParam, LParam) {
        return sendMessage(WindowHandle(workerWindow.load()), kPing, wParam) * 10;
    });
    LResult result = 0;
    std::thread::id calleeThread;
    WorkerThread worker([&, target = mainWindow.handle()] {
        RecordingWindow callee([](MessageId, WParam wParam, LParam) { return wParam + 1; });
        workerWindow = callee.handle().value();
        result = sendMessage(target, kPing, 4);
        calleeThread = callee.received().at(0).thread;
    });
    worker.join();
    EXPECT_EQ(result, 50);
    EXPECT_NE(calleeThread, std::this_thread::get_id());
    ASSERT_EQ(mainWindow.received().size(), 1u);
    EXPECT_EQ(mainWindow.received()[0].thread, std::this_thread::get_id());
}

TEST(Messaging, MessagesToADestroyedWindowAreDropped) {
    auto window = std::make_unique<RecordingWindow>([](MessageId, WParam, LParam) { return 7; });
    WindowHandle handle = window->handle();
    ASSERT_TRUE(postMessage(handle, kPing));
    ASSERT_TRUE(window->setTimer(1, std::chrono::milliseconds(1)));
    window.reset();

    EXPECT_FALSE(isWindow(handle));
    EXPECT_FALSE(postMessage(handle, kPing));
    EXPECT_EQ(sendMessage(handle, kPing), 0);
    EXPECT_FALSE(setTimer(handle, 2, std::chrono::milliseconds(1)));
    std::this_thread::sleep_for(std::chrono::milliseconds(3));
    EXPECT_FALSE(EventLoop::pumpOne()) << "the queued post and the timer must be gone";
    EXPECT_FALSE(MessageQueue::current().timeUntilNextTimer().has_value());

    RecordingWindow successor;
    EXPECT_NE(successor.handle(), handle) << "handles are never reused";
}

TEST(Messaging, ASenderIsReleasedWithZeroWhenItsTargetGoesAwayFirst) {
    auto window = std::make_unique<RecordingWindow>([](MessageId, WParam, LParam) { return 7; });
    std::atomic<bool> returned{false};
    LResult result = -1;
    std::thread sender([&, handle = window->handle()] {
        result = sendMessage(handle, kPing);
        returned = true;
    });
    // Give the send time to be queued; should it come later it finds no window, with the same
    // result, but it must never reach the destroyed object.
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    window.reset();
    while (!returned) {
        EventLoop::pumpOne();
        std::this_thread::yield();
    }
    sender.join();
    EXPECT_EQ(result, 0);
}

TEST(Messaging, SendingToAWindowWhoseThreadHasEndedReturnsZero) {
    std::unique_ptr<RecordingWindow> orphan;
    std::thread owner([&] {
        orphan = std::make_unique<RecordingWindow>([](MessageId, WParam, LParam) { return 9; });
    });
    owner.join();
    EXPECT_EQ(sendMessage(orphan->handle(), kPing), 0);
    EXPECT_FALSE(postMessage(orphan->handle(), kPing));
}

} // namespace
} // namespace lumetta::core::test
