#include "platform/core/EventLoop.h"

#include "platform/core/MessageQueue.h"

namespace lumetta::core {

EventLoop::EventLoop() : queue_(MessageQueue::current()) {}

int EventLoop::run() {
    if (running_ || !queue_.isCurrent()) {
        return -1;
    }
    running_ = true;
    while (!exitRequested_.load(std::memory_order_acquire)) {
        if (queue_.pumpOne()) {
            continue;
        }
        if (exitRequested_.load(std::memory_order_acquire)) {
            break;
        }
        queue_.waitForWork();
    }
    running_ = false;
    exitRequested_.store(false, std::memory_order_relaxed);
    return exitCode_.load(std::memory_order_relaxed);
}

void EventLoop::exit(int code) {
    exitCode_.store(code, std::memory_order_relaxed);
    exitRequested_.store(true, std::memory_order_release);
    queue_.wake();
}

bool EventLoop::pumpOne() {
    return MessageQueue::current().pumpOne();
}

} // namespace lumetta::core
