#pragma once

#include "platform/core/Message.h"

#include <memory>
#include <mutex>
#include <optional>
#include <unordered_map>

namespace lumetta::core {

class MessageQueue;
class Window;

// Maps handles to live windows and the queue of the thread each belongs to. A window is only
// ever called and destroyed on its own thread, so a pointer found here on that thread stays
// valid for the call.
class WindowRegistry {
public:
    struct Entry {
        Window* window = nullptr;
        std::shared_ptr<MessageQueue> queue;
    };

    static WindowRegistry& instance();

    WindowHandle add(Window* window, std::shared_ptr<MessageQueue> queue);
    void remove(WindowHandle handle);
    std::optional<Entry> find(WindowHandle handle) const;

private:
    mutable std::mutex mutex_;
    std::uint64_t nextHandle_ = 1;
    std::unordered_map<std::uint64_t, Entry> entries_;
};

} // namespace lumetta::core
