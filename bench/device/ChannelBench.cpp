// The command channel against the simulated keyboard program. The keyboard answers on the next
// 1 ms frame after a request, and the channel pauses 3 ms after every write, so a transaction
// cannot take less than about 3 ms; what matters is what the channel adds to that.
#include "device/channel/CUSBDriver.h"
#include "shell/session/DeviceSession.h"

#include "KbsimProcess.h"
#include "TestKeyMaps.h"
#include "lighting/model/LayerDefaults.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <memory>
#include <vector>

namespace lumetta {
namespace {

using Clock = std::chrono::steady_clock;

double processCpuSeconds() {
    timespec now{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// A channel that also adds up the time its commands are meant to take: every prescribed pause
// and one USB frame per transaction.
class MeasuredChannel : public CUSBDriver {
public:
    using CUSBDriver::CUSBDriver;

    int Transact(CommandReport& report) override {
        ++transactions;
        floor += std::chrono::milliseconds(1);
        return CUSBDriver::Transact(report);
    }
    void busyWait(std::chrono::microseconds span) override {
        floor += span;
        CUSBDriver::busyWait(span);
    }
    void sleep(std::chrono::milliseconds span) override {
        floor += span;
        CUSBDriver::sleep(span);
    }

    std::uint64_t transactions = 0;
    std::chrono::microseconds floor{0};
};

// One simulated keyboard and one open channel for the whole run.
struct Bench {
    Bench() {
        keyboard.exportRoots();
        channel = std::make_unique<MeasuredChannel>(linkedHidlinkApi(), 0);
        channel->setDebugOutput([](std::string_view) {});
        opened = keyboard.running() && channel->Open();
    }
    testing::KbsimProcess keyboard;
    std::unique_ptr<MeasuredChannel> channel;
    bool opened = false;
};

Bench& bench() {
    static Bench instance;
    return instance;
}

void BM_Transact(benchmark::State& state) {
    Bench& b = bench();
    if (!b.opened) {
        state.SkipWithError("the simulated keyboard did not come up");
        return;
    }
    std::vector<double> durations;
    const double cpuBefore = processCpuSeconds();
    for (auto _ : state) {
        CommandReport report = makeRequest(0x40, 0x63);
        const auto start = Clock::now();
        if (b.channel->Transact(report) != 0) {
            state.SkipWithError("a transaction failed");
            return;
        }
        durations.push_back(
            std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    const double cpu = processCpuSeconds() - cpuBefore;
    std::nth_element(durations.begin(), durations.begin() + durations.size() / 2, durations.end());
    const double median = durations[durations.size() / 2];
    state.counters["median_ms"] = median;
    state.counters["median_over_pause_ms"] = median - 3.0;
    state.counters["cpu_ms_per_transaction"] = 1000.0 * cpu / static_cast<double>(durations.size());
}
BENCHMARK(BM_Transact)->Iterations(500)->Unit(benchmark::kMillisecond);

void BM_ReadSixFactoryProfiles(benchmark::State& state) {
    Bench& b = bench();
    if (!b.opened) {
        state.SkipWithError("the simulated keyboard did not come up");
        return;
    }
    testing::ScopedKeyMap map(testing::identityKeyMap());
    auto store = std::make_unique<ProfileStore>();
    auto saved = std::make_unique<ProfileStore>();
    DeviceSession session(*b.channel, *store, *saved);
    session.setUpArrival();
    double wall = 0;
    double floor = 0;
    std::uint64_t transactions = 0;
    for (auto _ : state) {
        resetProfileStore(*store, true);
        b.channel->transactions = 0;
        b.channel->floor = {};
        const auto start = Clock::now();
        if (session.readProfilesFromKeyboard(DeviceSession::ALL_PROFILES) != 0) {
            state.SkipWithError("the read failed");
            return;
        }
        wall += std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        floor += std::chrono::duration<double, std::milli>(b.channel->floor).count();
        transactions = b.channel->transactions;
    }
    const auto runs = static_cast<double>(state.iterations());
    state.counters["transactions"] = static_cast<double>(transactions);
    state.counters["wall_ms"] = wall / runs;
    state.counters["floor_ms"] = floor / runs;
    state.counters["ratio"] = wall / floor;
}
BENCHMARK(BM_ReadSixFactoryProfiles)->Iterations(5)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace lumetta

BENCHMARK_MAIN();
