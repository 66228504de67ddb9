#pragma once

#include "platform/core/Clock.h"

#include <memory>
#include <mutex>
#include <optional>
#include <vector>

namespace lumetta::core {

class MessageQueue;

// A signal between threads whose waiters keep handling messages sent to their thread, so a
// thread can wait for another that may be sending to it. It stays set until reset().
class Completion {
public:
    // Any thread; idempotent.
    void signal();
    void reset();
    bool signalled() const;
    // Returns whether the signal came (always true without a limit).
    bool wait(std::optional<Duration> limit = std::nullopt);

private:
    mutable std::mutex mutex_;
    bool signalled_ = false;
    std::vector<std::shared_ptr<MessageQueue>> waiters_;
};

} // namespace lumetta::core
