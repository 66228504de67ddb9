#include "platform/core/WindowRegistry.h"

namespace lumetta::core {

WindowRegistry& WindowRegistry::instance() {
    // Never destroyed: windows held in other static objects may unregister during exit.
    static auto* registry = new WindowRegistry;
    return *registry;
}

WindowHandle WindowRegistry::add(Window* window, std::shared_ptr<MessageQueue> queue) {
    std::lock_guard lock(mutex_);
    WindowHandle handle(nextHandle_++);
    entries_.emplace(handle.value(), Entry{window, std::move(queue)});
    return handle;
}

void WindowRegistry::remove(WindowHandle handle) {
    std::lock_guard lock(mutex_);
    entries_.erase(handle.value());
}

std::optional<WindowRegistry::Entry> WindowRegistry::find(WindowHandle handle) const {
    std::lock_guard lock(mutex_);
    auto it = entries_.find(handle.value());
    if (it == entries_.end()) {
        return std::nullopt;
    }
    return it->second;
}

} // namespace lumetta::core
