// Saving and loading all six profiles as the main window does. Saving includes the flushes to
// disk that make each file replacement durable, so the figures depend on the file system under
// /tmp (or $LUMETTA_BENCH_DIR).
#include "lighting/model/LayerDefaults.h"
#include "profiles/ProfileFiles.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>

namespace {

namespace fs = std::filesystem;
using namespace lumetta;

fs::path scratchRoot() {
    const char* chosen = std::getenv("LUMETTA_BENCH_DIR");
    std::string pattern =
        std::string(chosen != nullptr ? chosen : "/tmp") + "/lumetta-bench-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) {
        std::abort();
    }
    return pattern;
}

struct Scratch {
    fs::path root = scratchRoot();
    ~Scratch() {
        std::error_code ignored;
        fs::remove_all(root, ignored);
    }
};

std::unique_ptr<ProfileStore> defaultStore() {
    auto store = std::make_unique<ProfileStore>();
    std::memset(store.get(), 0, sizeof *store);
    resetProfileStore(*store, true);
    return store;
}

// Every byte of every layer set, names and picture names filled: the largest files there are.
std::unique_ptr<ProfileStore> fullStore() {
    auto store = defaultStore();
    for (int i = 0; i < PROFILE_COUNT; ++i) {
        ProfileRecord& record = store->profiles[i];
        for (int c = 0; c < 40; ++c) {
            record.name[c] = static_cast<char16_t>(u'A' + (c + i) % 26);
            store->pictureName[i][c] = static_cast<char16_t>(u'a' + (c + i) % 26);
        }
        auto* base = reinterpret_cast<std::uint8_t*>(&record.baseLayer);
        auto* multi = reinterpret_cast<std::uint8_t*>(&record.multiLayer);
        for (std::size_t b = 0; b < sizeof(LayerRecord); ++b) {
            base[b] = static_cast<std::uint8_t>(b * 31 + i);
            multi[b] = static_cast<std::uint8_t>(b * 17 + i);
        }
        record.activeEffect = EffectCode::MULTILAYER;
    }
    return store;
}

void BM_SaveIntoEmptyFolder(benchmark::State& state) {
    Scratch scratch;
    const auto store = defaultStore();
    int round = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const fs::path base = scratch.root / std::to_string(round++);
        fs::create_directories(base);
        state.ResumeTiming();
        benchmark::DoNotOptimize(saveProfileStore(base, *store));
    }
}

void BM_SaveIntoPopulatedFolder(benchmark::State& state) {
    Scratch scratch;
    const auto store = defaultStore();
    saveProfileStore(scratch.root, *store);
    for (auto _ : state) {
        benchmark::DoNotOptimize(saveProfileStore(scratch.root, *store));
    }
}

void BM_LoadSixFullProfiles(benchmark::State& state) {
    Scratch scratch;
    saveProfileStore(scratch.root, *fullStore());
    auto store = defaultStore();
    for (auto _ : state) {
        loadProfileStore(scratch.root, *store);
        benchmark::DoNotOptimize(store.get());
    }
}

BENCHMARK(BM_SaveIntoEmptyFolder)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(20)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_SaveIntoPopulatedFolder)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(20)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_LoadSixFullProfiles)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

} // namespace

BENCHMARK_MAIN();
