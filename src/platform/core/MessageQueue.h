#pragma once

#include "platform/core/Clock.h"
#include "platform/core/LoopBackend.h"
#include "platform/core/Message.h"

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace lumetta::core {

// One per thread that owns windows or sends messages, made on first use. Holds the thread's
// posted messages, the messages other threads are sending to it, and its windows' timers. It is
// closed when its thread ends: pending senders then get 0 and later posts fail.
class MessageQueue : public std::enable_shared_from_this<MessageQueue> {
public:
    struct Private {};
    explicit MessageQueue(Private);
    ~MessageQueue();
    MessageQueue(const MessageQueue&) = delete;
    MessageQueue& operator=(const MessageQueue&) = delete;

    static MessageQueue& current();
    static std::shared_ptr<MessageQueue> currentShared();

    std::thread::id threadId() const { return threadId_; }
    bool isCurrent() const { return threadId_ == std::this_thread::get_id(); }

    // Any thread.
    bool post(const Message& message);
    LResult send(const Message& message);
    void wake();

    // The queue's own thread only. The clock and the backend must outlive their use here (set
    // the steady clock or no backend again before destroying them).
    void setClock(Clock& clock);
    Clock& clock() const { return *clock_; }
    void setBackend(LoopBackend* backend);
    LoopBackend* backend() const { return backend_; }

    // Handles the messages sent from other threads, lets the backend deliver its events, then
    // dispatches one posted message or, when none is waiting, one due timer. Never blocks.
    // Returns whether anything was handled.
    bool pumpOne();
    // Handles every message other threads are sending to this one. Returns whether any.
    bool handleSent();
    // Sleeps until a message arrives, the next timer is due, the backend has events or wake()
    // is called. Returns at once when something is already waiting.
    void waitForWork();
    // Waits until done() holds, handling messages sent to this thread meanwhile, so that waiting
    // for a thread that may be sending here cannot deadlock. Whoever makes done() true must call
    // wake() on this queue afterwards. Without a limit it waits as long as it takes; with one it
    // returns done() once the limit has passed.
    bool waitHandlingSent(const std::function<bool()>& done,
                          std::optional<Duration> limit = std::nullopt);

    // Any thread. A timer posts msg::Timer (wParam = id) to its window every interval while
    // nothing else is waiting; setting an id again restarts it with the new interval.
    bool setTimer(WindowHandle window, TimerId id, Duration interval);
    bool killTimer(WindowHandle window, TimerId id);
    std::optional<Duration> timeUntilNextTimer() const;

    // Drops the posted messages and timers of a window that is going away.
    void forgetWindow(WindowHandle window);
    // Ends the queue: pending senders are released with 0, later posts and sends fail.
    void close();

private:
    struct SentMessage;
    struct Timer {
        WindowHandle window;
        TimerId id;
        Duration interval;
        TimePoint due;
    };

    bool enqueueSent(const std::shared_ptr<SentMessage>& sent);
    std::optional<Message> takePosted();
    std::optional<Message> takeDueTimer();
    LResult dispatch(const Message& message);
    void unsubscribeClock();

    const std::thread::id threadId_;
    mutable std::mutex mutex_;
    std::condition_variable wakeup_;
    bool woken_ = false;
    bool closed_ = false;
    std::deque<Message> posted_;
    std::deque<std::shared_ptr<SentMessage>> inbox_;
    std::vector<Timer> timers_;
    Clock* clock_;
    int clockToken_ = 0;
    LoopBackend* backend_ = nullptr;
};

} // namespace lumetta::core
