#pragma once

#include "platform/core/Clock.h"
#include "platform/core/Message.h"

#include <memory>

namespace lumetta::core {

class MessageQueue;

// A message target. It belongs to the thread that created it: its messages and timers are
// handled there, and it is destroyed there (or anywhere once that thread has ended). Destroying it
// (or calling destroy() early, which a derived destructor should do before tearing down what its
// handler uses) drops its pending messages and timers; later posts to its handle fail and sends
// return 0.
class Window {
public:
    Window();
    virtual ~Window();
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    WindowHandle handle() const { return handle_; }
    MessageQueue& queue() const { return *queue_; }
    void destroy();

    bool post(MessageId id, WParam wParam = 0, LParam lParam = 0) const;
    LResult send(MessageId id, WParam wParam = 0, LParam lParam = 0) const;
    bool setTimer(TimerId id, Duration interval) const;
    bool killTimer(TimerId id) const;

protected:
    virtual LResult handleMessage(MessageId id, WParam wParam, LParam lParam) = 0;

private:
    friend class MessageQueue;

    std::shared_ptr<MessageQueue> queue_;
    WindowHandle handle_;
};

// Any thread. Posting queues the message for the window's thread and returns at once (false when
// the window is gone). Sending on the window's thread calls it directly; from another thread it
// waits until the window's thread has handled it, handling messages sent to the waiting thread
// meanwhile. A send to a window that is gone, or that goes away first, returns 0.
bool postMessage(WindowHandle window, MessageId id, WParam wParam = 0, LParam lParam = 0);
LResult sendMessage(WindowHandle window, MessageId id, WParam wParam = 0, LParam lParam = 0);
bool isWindow(WindowHandle window);
bool setTimer(WindowHandle window, TimerId id, Duration interval);
bool killTimer(WindowHandle window, TimerId id);

} // namespace lumetta::core
