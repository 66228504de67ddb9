#pragma once

#include <atomic>

namespace lumetta::core {

class MessageQueue;

// Runs the current thread's messages until exit() is called. Loops nest: a modal dialog runs its
// own loop inside a handler of the outer one and ends it with its result; the outer loop goes on
// once the inner run has returned.
class EventLoop {
public:
    EventLoop();
    EventLoop(const EventLoop&) = delete;
    EventLoop& operator=(const EventLoop&) = delete;

    // Returns the code given to exit(). An exit() made before run() ends the next run at once.
    int run();
    // Any thread. The run returns after the message in hand has been handled.
    void exit(int code);
    bool running() const { return running_; }

    // Dispatches one pending message of the current thread (messages sent from other threads
    // first, then backend events, then one posted message or due timer) without waiting.
    // Returns whether anything was handled.
    static bool pumpOne();

private:
    MessageQueue& queue_;
    bool running_ = false;
    std::atomic<bool> exitRequested_{false};
    std::atomic<int> exitCode_{0};
};

} // namespace lumetta::core
