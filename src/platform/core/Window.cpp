#include "platform/core/Window.h"

#include "platform/core/MessageQueue.h"
#include "platform/core/WindowRegistry.h"

namespace lumetta::core {

Window::Window() : queue_(MessageQueue::currentShared()) {
    handle_ = WindowRegistry::instance().add(this, queue_);
}

Window::~Window() {
    destroy();
}

void Window::destroy() {
    if (!handle_) {
        return;
    }
    WindowRegistry::instance().remove(handle_);
    queue_->forgetWindow(handle_);
    handle_ = WindowHandle{};
}

bool Window::post(MessageId id, WParam wParam, LParam lParam) const {
    return postMessage(handle_, id, wParam, lParam);
}

LResult Window::send(MessageId id, WParam wParam, LParam lParam) const {
    return sendMessage(handle_, id, wParam, lParam);
}

bool Window::setTimer(TimerId id, Duration interval) const {
    return core::setTimer(handle_, id, interval);
}

bool Window::killTimer(TimerId id) const {
    return core::killTimer(handle_, id);
}

bool postMessage(WindowHandle window, MessageId id, WParam wParam, LParam lParam) {
    auto entry = WindowRegistry::instance().find(window);
    if (!entry) {
        return false;
    }
    return entry->queue->post(Message{window, id, wParam, lParam});
}

LResult sendMessage(WindowHandle window, MessageId id, WParam wParam, LParam lParam) {
    auto entry = WindowRegistry::instance().find(window);
    if (!entry) {
        return 0;
    }
    return entry->queue->send(Message{window, id, wParam, lParam});
}

bool isWindow(WindowHandle window) {
    return WindowRegistry::instance().find(window).has_value();
}

bool setTimer(WindowHandle window, TimerId id, Duration interval) {
    auto entry = WindowRegistry::instance().find(window);
    if (!entry) {
        return false;
    }
    return entry->queue->setTimer(window, id, interval);
}

bool killTimer(WindowHandle window, TimerId id) {
    auto entry = WindowRegistry::instance().find(window);
    if (!entry) {
        return false;
    }
    return entry->queue->killTimer(window, id);
}

} // namespace lumetta::core
