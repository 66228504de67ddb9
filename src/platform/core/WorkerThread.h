#pragma once

#include "platform/core/Completion.h"

#include <functional>
#include <memory>
#include <thread>

namespace lumetta::core {

// A thread whose join keeps handling the messages sent to the joining thread, so joining a
// thread that is sending to the joiner cannot deadlock. Destruction joins.
class WorkerThread {
public:
    WorkerThread() = default;
    explicit WorkerThread(std::function<void()> body);
    ~WorkerThread();
    WorkerThread(WorkerThread&&) noexcept = default;
    WorkerThread& operator=(WorkerThread&& other) noexcept;

    bool joinable() const { return thread_.joinable(); }
    void join();

private:
    std::unique_ptr<Completion> finished_;
    std::thread thread_;
};

} // namespace lumetta::core
