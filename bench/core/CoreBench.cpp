#include "platform/core/DelayMicroseconds.h"
#include "platform/core/EventLoop.h"
#include "platform/core/MessageQueue.h"
#include "platform/core/Window.h"
#include "platform/core/WorkerThread.h"

#include <benchmark/benchmark.h>

#include <atomic>
#include <ctime>

namespace {

using namespace lumetta::core;

double threadCpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// Reports how late each delay ends and what share of it the thread spent on the CPU.
void BM_DelayMicroseconds(benchmark::State& state) {
    const auto asked = static_cast<std::uint64_t>(state.range(0));
    double lateTotal = 0;
    double lateWorst = 0;
    double cpuTotal = 0;
    for (auto _ : state) {
        double cpuBefore = threadCpuSeconds();
        auto start = std::chrono::steady_clock::now();
        DelayMicroseconds(asked);
        auto took =
            std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start)
                .count();
        cpuTotal += threadCpuSeconds() - cpuBefore;
        double late = took - static_cast<double>(asked);
        lateTotal += late;
        lateWorst = std::max(lateWorst, late);
    }
    auto n = static_cast<double>(state.iterations());
    state.counters["late_us_mean"] = lateTotal / n;
    state.counters["late_us_worst"] = lateWorst;
    state.counters["cpu_share"] = cpuTotal / (n * static_cast<double>(asked) * 1e-6);
}
BENCHMARK(BM_DelayMicroseconds)->Arg(200)->Arg(1000)->Arg(3000)->Arg(10000)->UseRealTime();

class Echo : public Window {
protected:
    LResult handleMessage(MessageId, WParam wParam, LParam) override {
        return static_cast<LResult>(wParam);
    }
};

// One message sent to a window of a thread that sleeps in its event loop.
void BM_SendToAnotherThread(benchmark::State& state) {
    std::atomic<std::uint64_t> target{0};
    std::atomic<EventLoop*> loop{nullptr};
    WorkerThread owner([&] {
        Echo echo;
        EventLoop own;
        loop = &own;
        target = echo.handle().value();
        own.run();
    });
    while (target == 0) {
        std::this_thread::yield();
    }
    WindowHandle handle(target);
    WParam i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(sendMessage(handle, msg::FirstUser, ++i));
    }
    loop.load()->exit(0);
}
BENCHMARK(BM_SendToAnotherThread)->UseRealTime();

// Posting and dispatching on one thread.
void BM_PostAndPump(benchmark::State& state) {
    Echo echo;
    for (auto _ : state) {
        echo.post(msg::FirstUser, 1);
        EventLoop::pumpOne();
    }
}
BENCHMARK(BM_PostAndPump);

} // namespace

BENCHMARK_MAIN();
