// Flashing the 40 KiB demonstration image into the simulated keyboard's bootloader, on a worker
// thread as the updater does, against its floor: the sequence's prescribed sleeps, the 3 ms
// pause after every write (which also covers the keyboard's 1 ms answer frame) and the
// simulated erase time (3 ms per 1 KiB page of the whole firmware and version area, plus its
// answer frame). Counters: wall and floor in ms, their ratio, CPU time of the whole process and
// its share of the wall time.

#include "SimulatedKeyboard.h"
#include "TestPackage.h"
#include "device/channel/HidlinkApi.h"
#include "platform/core/DelayMicroseconds.h"
#include "platform/core/EventLoop.h"
#include "platform/core/WorkerThread.h"
#include "updater/flash/CUSBDriver.h"
#include "updater/flash/FlashSequence.h"
#include "updater/flash/IAP_CUSBDriver.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <ctime>

namespace lumetta::flash::test {
namespace {

using std::chrono::milliseconds;

constexpr double WRITE_PAUSE_MS = 3.0;
constexpr double FRAME_MS = 1.0;
// The simulator erases 3 ms per 1 KiB page: 60 pages of firmware area and 4 of version area.
constexpr double ERASE_MS = 3.0 * (60 + 4);

double processCpuMs() {
    timespec now{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

void pumpFor(milliseconds span) {
    const auto until = std::chrono::steady_clock::now() + span;
    while (std::chrono::steady_clock::now() < until) {
        if (!core::EventLoop::pumpOne()) {
            std::this_thread::sleep_for(milliseconds(1));
        }
    }
}

// Passes every transaction on to the channel and keeps its duration, so that the run can be
// told apart from the machine it ran on: a busy machine wakes a sleeping thread late now and
// then, which shows in the slow tail but not in the median.
class TimedCommands : public BootloaderCommands {
public:
    explicit TimedCommands(UpdaterChannel& channel) : channel_(channel) {}

    bool isConnected() const override { return channel_.isConnected(); }
    int TransactWithin(CommandReport& report, milliseconds wait) override {
        return timed([&] { return channel_.TransactWithin(report, wait); });
    }
    int WriteOnly(const CommandReport& report) override {
        return timed([&] { return channel_.WriteOnly(report); });
    }

    std::vector<double> durationsMs;

private:
    template <class Call> int timed(Call&& call) {
        const auto start = std::chrono::steady_clock::now();
        const int result = call();
        durationsMs.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count());
        return result;
    }

    UpdaterChannel& channel_;
};

double quantile(std::vector<double> values, double q) {
    if (values.empty()) {
        return 0;
    }
    std::sort(values.begin(), values.end());
    return values[static_cast<std::size_t>(q * static_cast<double>(values.size() - 1))];
}

// Restarts the keyboard from its firmware into its bootloader, as the updater's dialog does.
bool enterBootloader(const SimulatedKeyboard& keyboard) {
    if (!keyboard.waitForMode("firmware")) {
        return false;
    }
    CUSBDriver application(linkedHidlinkApi());
    application.setDebugOutput({});
    application.SetActive();
    if (!application.Open(0x04D9, 0x0203) || application.EnterBootloader() != 0) {
        return false;
    }
    application.Close();
    return keyboard.waitForMode("bootloader");
}

void BM_FlashDemonstrationImage(benchmark::State& state) {
    FirmwarePackage package;
    std::string error;
    if (!makeTestPackage({}, package, error)) {
        state.SkipWithError(error.c_str());
        return;
    }
    SimulatedKeyboard keyboard;
    if (!keyboard.running()) {
        state.SkipWithError("the simulated keyboard did not start");
        return;
    }
    keyboard.exportRoots();
    double wallTotal = 0;
    double floorTotal = 0;
    double literalTotal = 0;
    double cpuTotal = 0;
    bool allSucceeded = true;
    std::vector<double> medians;
    std::vector<double> slowTail;
    for (auto _ : state) {
        if (!enterBootloader(keyboard)) {
            state.SkipWithError("the keyboard did not enter its bootloader");
            return;
        }
        IAP_CUSBDriver channel(linkedHidlinkApi());
        channel.setDebugOutput([](std::string_view) {});
        channel.SetActive();
        if (!channel.Open(0x04D9, 0x1203)) {
            state.SkipWithError("no bootloader channel");
            return;
        }
        UpdaterState updater;
        updater.SelectedImage = 0;
        std::atomic<std::int64_t> sleptMs{0};
        const std::uint64_t transactionsBefore = channel.transactionCount();
        FlashResult result;

        const auto wallStart = std::chrono::steady_clock::now();
        const double cpuStart = processCpuMs();
        TimedCommands timed(channel);
        core::WorkerThread thread([&] {
            FlashSequence sequence(
                timed, package, updater,
                [&](milliseconds span) {
                    sleptMs += span.count();
                    std::this_thread::sleep_for(span);
                },
                [](int) {});
            result = sequence.run();
        });
        thread.join();
        const double cpuMs = processCpuMs() - cpuStart;
        const double wallMs =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - wallStart)
                .count();
        state.SetIterationTime(wallMs / 1e3);

        const auto transactions =
            static_cast<double>(channel.transactionCount() - transactionsBefore);
        // The erase's write pause runs while the keyboard erases, so it counts once, as the
        // erase; every other transaction costs at least its pause.
        const double floorMs = static_cast<double>(sleptMs) + (transactions - 1) * WRITE_PAUSE_MS +
                               std::max(WRITE_PAUSE_MS, ERASE_MS + FRAME_MS);
        const double literalMs =
            static_cast<double>(sleptMs) + transactions * (WRITE_PAUSE_MS + FRAME_MS) + ERASE_MS;
        wallTotal += wallMs;
        floorTotal += floorMs;
        literalTotal += literalMs;
        cpuTotal += cpuMs;
        allSucceeded = allSucceeded && result.succeeded;
        state.counters["transactions"] = transactions;
        medians.push_back(quantile(timed.durationsMs, 0.5));
        slowTail.push_back(quantile(timed.durationsMs, 0.9));
        channel.Close();
        pumpFor(milliseconds(10));
    }
    if (!allSucceeded) {
        state.SkipWithError("a flash failed");
        return;
    }
    const auto runs = static_cast<double>(state.iterations());
    state.counters["wall_ms"] = wallTotal / runs;
    state.counters["floor_ms"] = floorTotal / runs;
    state.counters["ratio"] = wallTotal / floorTotal;
    state.counters["floor_with_frames_ms"] = literalTotal / runs;
    state.counters["ratio_with_frames"] = wallTotal / literalTotal;
    state.counters["cpu_ms"] = cpuTotal / runs;
    state.counters["cpu_share"] = cpuTotal / wallTotal;
    state.counters["txn_median_ms"] = quantile(medians, 0.5);
    state.counters["txn_p90_ms"] = quantile(slowTail, 0.5);
}

// One bootloader transaction: its 3 ms write pause and the answer within it.
void BM_BootloaderTransaction(benchmark::State& state) {
    SimulatedKeyboard keyboard;
    keyboard.exportRoots();
    if (!keyboard.running() || !enterBootloader(keyboard)) {
        state.SkipWithError("no keyboard in its bootloader");
        return;
    }
    IAP_CUSBDriver channel(linkedHidlinkApi());
    channel.setDebugOutput([](std::string_view) {});
    channel.SetActive();
    if (!channel.Open(0x04D9, 0x1203)) {
        state.SkipWithError("no bootloader channel");
        return;
    }
    for (auto _ : state) {
        std::uint32_t pointer = BootloaderCommands::READ_POINTER;
        if (channel.GetWritePointer(pointer) != 0) {
            state.SkipWithError("no answer");
            return;
        }
    }
    channel.ResetDevice();
    channel.Close();
}

BENCHMARK(BM_BootloaderTransaction)->Unit(benchmark::kMillisecond)->Iterations(200);

void BM_WritePause(benchmark::State& state) {
    for (auto _ : state) {
        core::DelayMicroseconds(3000);
    }
}

BENCHMARK(BM_WritePause)->Unit(benchmark::kMillisecond)->Iterations(200);

BENCHMARK(BM_FlashDemonstrationImage)
    ->UseManualTime()
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond);

} // namespace
} // namespace lumetta::flash::test

BENCHMARK_MAIN();
