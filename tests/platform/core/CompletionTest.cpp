#include "platform/core/Completion.h"
#include "RecordingWindow.h"

#include <gtest/gtest.h>

#include <thread>

namespace lumetta::core::test {
namespace {

using std::chrono::milliseconds;

TEST(Completion, WaitsForASignalFromAnotherThreadAndStaysSetUntilReset) {
    Completion done;
    EXPECT_FALSE(done.wait(milliseconds(20))) << "no signal yet: the limit ends the wait";
    std::thread signaller([&] {
        std::this_thread::sleep_for(milliseconds(10));
        done.signal();
    });
    EXPECT_TRUE(done.wait());
    signaller.join();
    EXPECT_TRUE(done.wait(milliseconds(0)));
    done.reset();
    EXPECT_FALSE(done.signalled());
    EXPECT_FALSE(done.wait(milliseconds(5)));
}

TEST(Completion, AWaitWithALimitStillHandlesMessagesSentToTheWaiter) {
    RecordingWindow window([](MessageId, WParam wParam, LParam) { return wParam * 3; });
    Completion answered;
    LResult result = 0;
    std::thread sender([&, handle = window.handle()] {
        result = sendMessage(handle, msg::FirstUser, 5);
        answered.signal();
    });
    EXPECT_TRUE(answered.wait(std::chrono::seconds(5)));
    sender.join();
    EXPECT_EQ(result, 15);
}

} // namespace
} // namespace lumetta::core::test
