#include "platform/core/Completion.h"

#include "platform/core/MessageQueue.h"

#include <algorithm>

namespace lumetta::core {

void Completion::signal() {
    std::vector<std::shared_ptr<MessageQueue>> waiters;
    {
        std::lock_guard lock(mutex_);
        signalled_ = true;
        waiters = waiters_;
    }
    for (auto& queue : waiters) {
        queue->wake();
    }
}

void Completion::reset() {
    std::lock_guard lock(mutex_);
    signalled_ = false;
}

bool Completion::signalled() const {
    std::lock_guard lock(mutex_);
    return signalled_;
}

bool Completion::wait(std::optional<Duration> limit) {
    auto queue = MessageQueue::currentShared();
    {
        std::lock_guard lock(mutex_);
        if (signalled_) {
            return true;
        }
        waiters_.push_back(queue);
    }
    bool done = queue->waitHandlingSent([this] { return signalled(); }, limit);
    std::lock_guard lock(mutex_);
    waiters_.erase(std::find(waiters_.begin(), waiters_.end(), queue));
    return done;
}

} // namespace lumetta::core
