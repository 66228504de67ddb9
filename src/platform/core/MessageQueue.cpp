#include "platform/core/MessageQueue.h"

#include "platform/core/Window.h"
#include "platform/core/WindowRegistry.h"

#include <algorithm>
#include <atomic>

namespace lumetta::core {

namespace {

constexpr Duration kShortestTimer = std::chrono::milliseconds(1);

// Closes the thread's queue when the thread ends, so nobody waits on it forever.
struct QueueHolder {
    std::shared_ptr<MessageQueue> queue;
    ~QueueHolder() {
        if (queue) {
            queue->close();
        }
    }
};

thread_local QueueHolder threadQueue;

} // namespace

struct MessageQueue::SentMessage {
    Message message;
    std::shared_ptr<MessageQueue> sender;
    LResult result = 0;
    std::atomic<bool> done{false};

    void complete(LResult value) {
        result = value;
        done.store(true, std::memory_order_release);
        sender->wake();
    }
};

MessageQueue::MessageQueue(Private)
    : threadId_(std::this_thread::get_id()), clock_(&Clock::steady()) {}

MessageQueue::~MessageQueue() {
    unsubscribeClock();
}

MessageQueue& MessageQueue::current() {
    return *currentShared();
}

std::shared_ptr<MessageQueue> MessageQueue::currentShared() {
    if (!threadQueue.queue) {
        threadQueue.queue = std::make_shared<MessageQueue>(Private{});
    }
    return threadQueue.queue;
}

bool MessageQueue::post(const Message& message) {
    {
        std::lock_guard lock(mutex_);
        if (closed_) {
            return false;
        }
        posted_.push_back(message);
        woken_ = true;
        if (backend_) {
            backend_->wake();
        }
    }
    wakeup_.notify_all();
    return true;
}

LResult MessageQueue::send(const Message& message) {
    if (isCurrent()) {
        return dispatch(message);
    }
    auto sent = std::make_shared<SentMessage>();
    sent->message = message;
    sent->sender = currentShared();
    if (!enqueueSent(sent)) {
        return 0;
    }
    sent->sender->waitHandlingSent([&] { return sent->done.load(std::memory_order_acquire); });
    return sent->result;
}

bool MessageQueue::enqueueSent(const std::shared_ptr<SentMessage>& sent) {
    {
        std::lock_guard lock(mutex_);
        if (closed_) {
            return false;
        }
        inbox_.push_back(sent);
        woken_ = true;
        if (backend_) {
            backend_->wake();
        }
    }
    wakeup_.notify_all();
    return true;
}

void MessageQueue::wake() {
    {
        std::lock_guard lock(mutex_);
        woken_ = true;
        if (backend_) {
            backend_->wake();
        }
    }
    wakeup_.notify_all();
}

void MessageQueue::setClock(Clock& clock) {
    unsubscribeClock();
    std::weak_ptr<MessageQueue> self = weak_from_this();
    int token = clock.addJumpListener([self] {
        if (auto queue = self.lock()) {
            queue->wake();
        }
    });
    {
        std::lock_guard lock(mutex_);
        clock_ = &clock;
        clockToken_ = token;
    }
    wake();
}

void MessageQueue::unsubscribeClock() {
    Clock* clock = nullptr;
    int token = 0;
    {
        std::lock_guard lock(mutex_);
        clock = clock_;
        token = clockToken_;
        clockToken_ = 0;
    }
    if (token != 0) {
        clock->removeJumpListener(token);
    }
}

void MessageQueue::setBackend(LoopBackend* backend) {
    std::lock_guard lock(mutex_);
    backend_ = backend;
}

bool MessageQueue::pumpOne() {
    bool handled = handleSent();
    if (backend_ && backend_->dispatchEvents()) {
        handled = true;
    }
    if (auto message = takePosted()) {
        dispatch(*message);
        return true;
    }
    if (auto timer = takeDueTimer()) {
        dispatch(*timer);
        return true;
    }
    return handled;
}

bool MessageQueue::handleSent() {
    bool handled = false;
    for (;;) {
        std::shared_ptr<SentMessage> sent;
        {
            std::lock_guard lock(mutex_);
            if (inbox_.empty()) {
                return handled;
            }
            sent = std::move(inbox_.front());
            inbox_.pop_front();
        }
        sent->complete(dispatch(sent->message));
        handled = true;
    }
}

void MessageQueue::waitForWork() {
    std::optional<Duration> timeout = timeUntilNextTimer();
    std::unique_lock lock(mutex_);
    if (woken_ || !posted_.empty() || !inbox_.empty() ||
        (timeout && *timeout <= Duration::zero())) {
        woken_ = false;
        return;
    }
    if (LoopBackend* backend = backend_) {
        lock.unlock();
        backend->waitForEvents(timeout);
        lock.lock();
    } else if (timeout) {
        wakeup_.wait_for(lock, *timeout, [this] { return woken_; });
    } else {
        wakeup_.wait(lock, [this] { return woken_; });
    }
    woken_ = false;
}

bool MessageQueue::waitHandlingSent(const std::function<bool()>& done,
                                    std::optional<Duration> limit) {
    auto deadline = std::chrono::steady_clock::now();
    if (limit) {
        deadline += *limit;
    }
    for (;;) {
        handleSent();
        if (done()) {
            return true;
        }
        std::unique_lock lock(mutex_);
        if (!inbox_.empty()) {
            continue;
        }
        if (!limit) {
            wakeup_.wait(lock, [this] { return woken_; });
        } else if (!wakeup_.wait_until(lock, deadline, [this] { return woken_; })) {
            lock.unlock();
            handleSent();
            return done();
        }
        woken_ = false;
    }
}

bool MessageQueue::setTimer(WindowHandle window, TimerId id, Duration interval) {
    interval = std::max(interval, kShortestTimer);
    {
        std::lock_guard lock(mutex_);
        if (closed_) {
            return false;
        }
        TimePoint due = clock_->now() + interval;
        auto it = std::find_if(timers_.begin(), timers_.end(), [&](const Timer& timer) {
            return timer.window == window && timer.id == id;
        });
        if (it != timers_.end()) {
            it->interval = interval;
            it->due = due;
        } else {
            timers_.push_back(Timer{window, id, interval, due});
        }
    }
    wake();
    return true;
}

bool MessageQueue::killTimer(WindowHandle window, TimerId id) {
    std::lock_guard lock(mutex_);
    return std::erase_if(timers_, [&](const Timer& timer) {
               return timer.window == window && timer.id == id;
           }) > 0;
}

std::optional<Duration> MessageQueue::timeUntilNextTimer() const {
    std::lock_guard lock(mutex_);
    if (timers_.empty()) {
        return std::nullopt;
    }
    auto next = std::min_element(timers_.begin(), timers_.end(),
                                 [](const Timer& a, const Timer& b) { return a.due < b.due; });
    return std::max(next->due - clock_->now(), Duration::zero());
}

void MessageQueue::forgetWindow(WindowHandle window) {
    std::lock_guard lock(mutex_);
    std::erase_if(posted_, [&](const Message& message) { return message.target == window; });
    std::erase_if(timers_, [&](const Timer& timer) { return timer.window == window; });
}

void MessageQueue::close() {
    std::deque<std::shared_ptr<SentMessage>> pending;
    {
        std::lock_guard lock(mutex_);
        closed_ = true;
        pending.swap(inbox_);
        posted_.clear();
        timers_.clear();
        backend_ = nullptr;
    }
    unsubscribeClock();
    for (auto& sent : pending) {
        sent->complete(0);
    }
}

std::optional<Message> MessageQueue::takePosted() {
    std::lock_guard lock(mutex_);
    if (posted_.empty()) {
        return std::nullopt;
    }
    Message message = posted_.front();
    posted_.pop_front();
    return message;
}

std::optional<Message> MessageQueue::takeDueTimer() {
    std::lock_guard lock(mutex_);
    TimePoint now = clock_->now();
    Timer* earliest = nullptr;
    for (auto& timer : timers_) {
        if (timer.due <= now && (!earliest || timer.due < earliest->due)) {
            earliest = &timer;
        }
    }
    if (!earliest) {
        return std::nullopt;
    }
    // The next period counts from now, so a late loop gets one tick, not a burst of them.
    earliest->due = now + earliest->interval;
    return Message{earliest->window, msg::Timer, earliest->id, 0};
}

LResult MessageQueue::dispatch(const Message& message) {
    auto entry = WindowRegistry::instance().find(message.target);
    if (!entry || entry->queue.get() != this) {
        return 0;
    }
    return entry->window->handleMessage(message.id, message.wParam, message.lParam);
}

} // namespace lumetta::core
