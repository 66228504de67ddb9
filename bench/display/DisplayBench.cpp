// The SDL display on an Xvfb of the benchmark's own:
//  - start to first frame: a 1366 x 768 window of the layer against a bare SDL program that
//    presents one frame of the same size, run alternately in the same run (target: ratio <= 1.3);
//  - idle: the CPU a program showing a window with no timer uses over 10 s (target: < 0.5 %).
#include "e2e/display/XvfbServer.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>
#include <unistd.h>

namespace {

using namespace lumetta;
using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

constexpr int kPairs = 15;
constexpr auto kIdleTime = std::chrono::seconds(10);

test::XvfbServer& server() {
    static test::XvfbServer xvfb({1920, 1080});
    return xvfb;
}

std::vector<std::string> environment() {
    std::vector<std::string> env = server().environment();
    env.push_back("LUMETTA_DISPLAY=sdl");
    return env;
}

// Seconds from starting the program to its "presented" line; negative when it failed.
double startToFirstFrame(const char* program) {
    std::string error;
    Clock::time_point start = Clock::now();
    auto child = test::ChildProcess::start({program}, environment(), error);
    if (child == nullptr) {
        return -1;
    }
    auto line = child->waitForLine("presented", std::chrono::seconds(30));
    double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    child->wait(std::chrono::seconds(10));
    return line ? seconds : -1;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

void firstFrame(benchmark::State& state, const char* program) {
    if (!server().running()) {
        state.SkipWithError(server().error().c_str());
        return;
    }
    for (auto _ : state) {
        double s = startToFirstFrame(program);
        if (s < 0) {
            state.SkipWithError("the program did not present a frame");
            return;
        }
        state.SetIterationTime(s);
    }
}

void BM_FirstFrame_LayerWindow(benchmark::State& state) {
    firstFrame(state, LUMETTA_BENCH_WINDOW);
}
BENCHMARK(BM_FirstFrame_LayerWindow)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(10);

void BM_FirstFrame_BareSdl(benchmark::State& state) {
    firstFrame(state, LUMETTA_BENCH_BARE_SDL);
}
BENCHMARK(BM_FirstFrame_BareSdl)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);

// Both programs alternately, so that a slower moment of the machine hits both alike.
void BM_FirstFrame_Ratio(benchmark::State& state) {
    if (!server().running()) {
        state.SkipWithError(server().error().c_str());
        return;
    }
    for (auto _ : state) {
        std::vector<double> layer;
        std::vector<double> bare;
        for (int i = 0; i < kPairs; ++i) {
            bare.push_back(startToFirstFrame(LUMETTA_BENCH_BARE_SDL));
            layer.push_back(startToFirstFrame(LUMETTA_BENCH_WINDOW));
        }
        if (*std::min_element(layer.begin(), layer.end()) < 0 ||
            *std::min_element(bare.begin(), bare.end()) < 0) {
            state.SkipWithError("a program did not present a frame");
            return;
        }
        state.counters["layer_ms"] = median(layer) * 1000;
        state.counters["bare_sdl_ms"] = median(bare) * 1000;
        state.counters["ratio"] = median(layer) / median(bare);
    }
}
BENCHMARK(BM_FirstFrame_Ratio)->Unit(benchmark::kMillisecond)->Iterations(1);

// CPU time of every thread of a process, in seconds.
double cpuSeconds(pid_t pid) {
    double total = 0;
    std::filesystem::path tasks = "/proc/" + std::to_string(pid) + "/task";
    std::error_code ec;
    for (const auto& task : std::filesystem::directory_iterator(tasks, ec)) {
        std::ifstream in(task.path() / "schedstat");
        unsigned long long ns = 0;
        if (in >> ns) {
            total += double(ns) / 1e9;
            continue;
        }
        // Without scheduler statistics: user and system ticks of the task.
        std::ifstream stat(task.path() / "stat");
        std::string text((std::istreambuf_iterator<char>(stat)), {});
        std::istringstream fields(text.substr(text.rfind(')') + 2));
        std::string skip;
        for (int i = 0; i < 11; ++i) {
            fields >> skip;
        }
        unsigned long long user = 0, system = 0;
        fields >> user >> system;
        total += double(user + system) / double(sysconf(_SC_CLK_TCK));
    }
    return total;
}

void BM_IdleWindowCpu(benchmark::State& state) {
    if (!server().running()) {
        state.SkipWithError(server().error().c_str());
        return;
    }
    for (auto _ : state) {
        std::string error;
        auto child =
            test::ChildProcess::start({LUMETTA_BENCH_WINDOW, "--stay"}, environment(), error);
        if (child == nullptr || !child->waitForLine("presented", std::chrono::seconds(30))) {
            state.SkipWithError("the window program did not start");
            return;
        }
        std::this_thread::sleep_for(std::chrono::seconds(1));
        double before = cpuSeconds(child->pid());
        Clock::time_point start = Clock::now();
        std::this_thread::sleep_for(kIdleTime);
        double used = cpuSeconds(child->pid()) - before;
        double wall = std::chrono::duration<double>(Clock::now() - start).count();
        child->stop();
        state.counters["cpu_percent_of_a_core"] = used / wall * 100;
        state.counters["idle_cpu_ms"] = used * 1000;
        // What it used to start, to show the reading works.
        state.counters["start_cpu_ms"] = before * 1000;
    }
}
BENCHMARK(BM_IdleWindowCpu)->Unit(benchmark::kSecond)->Iterations(1);

} // namespace

BENCHMARK_MAIN();
