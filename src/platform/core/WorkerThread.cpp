#include "platform/core/WorkerThread.h"

namespace lumetta::core {

WorkerThread::WorkerThread(std::function<void()> body) : finished_(std::make_unique<Completion>()) {
    thread_ = std::thread([finished = finished_.get(), body = std::move(body)] {
        body();
        finished->signal();
    });
}

WorkerThread::~WorkerThread() {
    join();
}

WorkerThread& WorkerThread::operator=(WorkerThread&& other) noexcept {
    if (this != &other) {
        join();
        finished_ = std::move(other.finished_);
        thread_ = std::move(other.thread_);
    }
    return *this;
}

void WorkerThread::join() {
    if (!thread_.joinable()) {
        return;
    }
    finished_->wait();
    thread_.join();
}

} // namespace lumetta::core
