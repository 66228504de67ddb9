#pragma once

#include "platform/core/Window.h"

#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace lumetta::core::test {

struct Received {
    MessageId id;
    WParam wParam;
    LParam lParam;
    std::thread::id thread;
};

// Records every message it handles; an optional reaction decides the result.
class RecordingWindow : public Window {
public:
    using Reaction = std::function<LResult(MessageId, WParam, LParam)>;

    explicit RecordingWindow(Reaction reaction = {}) : reaction_(std::move(reaction)) {}
    ~RecordingWindow() override { destroy(); }

    std::vector<Received> received() const {
        std::lock_guard lock(mutex_);
        return received_;
    }
    std::vector<MessageId> ids() const {
        std::vector<MessageId> ids;
        for (const auto& message : received()) {
            ids.push_back(message.id);
        }
        return ids;
    }

protected:
    LResult handleMessage(MessageId id, WParam wParam, LParam lParam) override {
        {
            std::lock_guard lock(mutex_);
            received_.push_back({id, wParam, lParam, std::this_thread::get_id()});
        }
        return reaction_ ? reaction_(id, wParam, lParam) : 0;
    }

private:
    Reaction reaction_;
    mutable std::mutex mutex_;
    std::vector<Received> received_;
};

} // namespace lumetta::core::test
