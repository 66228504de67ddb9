// Kills a process with SIGKILL at random moments while it saves the six profiles in a loop, and
// checks after every kill that each file still loads to one of the two contents being saved.
#include "lighting/model/LayerDefaults.h"
#include "profiles/IniFile.h"
#include "profiles/ProfileFiles.h"

#include "TestFolders.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <memory>
#include <random>
#include <thread>

namespace lumetta {
namespace {

namespace fs = std::filesystem;

std::unique_ptr<ProfileStore> storeWithSeed(std::uint8_t seed) {
    auto store = std::make_unique<ProfileStore>();
    std::memset(store.get(), 0, sizeof *store);
    resetProfileStore(*store, true);
    store->currentProfile = seed % 6;
    for (int i = 0; i < PROFILE_COUNT; ++i) {
        ProfileRecord& record = store->profiles[i];
        for (int c = 0; c < 20; ++c) {
            record.name[c] = static_cast<char16_t>(u'a' + (seed + c + i) % 26);
            store->pictureName[i][c] = static_cast<char16_t>(u'A' + (seed + c) % 26);
        }
        record.activeEffect = static_cast<EffectCode>(0x1000 + seed);
        record.shownEffect = record.activeEffect;
        auto* base = reinterpret_cast<std::uint8_t*>(&record.baseLayer);
        auto* multi = reinterpret_cast<std::uint8_t*>(&record.multiLayer);
        for (std::size_t b = 0; b < sizeof(LayerRecord); ++b) {
            base[b] = static_cast<std::uint8_t>(b + seed + i);
            multi[b] = static_cast<std::uint8_t>(b * 3 + seed + i);
        }
        record.systemStatus = {{seed, static_cast<std::uint8_t>(i), 1}};
    }
    return store;
}

// Which of the candidates profile file i loads to: its index, or -1 for neither.
int matchProfile(const fs::path& base, int i, const ProfileStore* const (&candidates)[2]) {
    auto loaded = std::make_unique<ProfileStore>();
    std::memset(loaded.get(), 0, sizeof *loaded);
    resetProfileStore(*loaded, true);
    readProfileFile(profileFilePath(base, i), loaded->profiles[i]);
    readProfilePicture(base, i, *loaded);
    for (int c = 0; c < 2; ++c) {
        if (loaded->profiles[i] == candidates[c]->profiles[i] &&
            std::memcmp(loaded->pictureName[i], candidates[c]->pictureName[i],
                        sizeof loaded->pictureName[i]) == 0) {
            return c;
        }
    }
    return -1;
}

[[noreturn]] void saveForever(const fs::path& base, const ProfileStore* const (&stores)[2],
                              unsigned first, int readyPipe) {
    const char ready = 'r';
    (void)!::write(readyPipe, &ready, 1);
    for (unsigned round = first;; ++round) {
        saveProfileStore(base, *stores[round % 2]);
    }
}

TEST(ProfileCrash, EveryFileIsOldOrNewAfterAKill) {
    constexpr int KILLS = 200;
    testing::TempFolder folder;
    const fs::path base = folder.path();
    const auto a = storeWithSeed(1);
    const auto b = storeWithSeed(2);
    const ProfileStore* const stores[2] = {a.get(), b.get()};
    ASSERT_TRUE(saveProfileStore(base, *a));

    // Measure one save, so that the kills spread over the first two saves of each child.
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(saveProfileStore(base, *b));
    const auto saveTime = std::chrono::duration_cast<std::chrono::microseconds>(
        std::chrono::steady_clock::now() - start);

    std::mt19937 random(12345);
    std::uniform_int_distribution<long> delay(0, std::max<long>(1000, 2 * saveTime.count()));
    int mixed = 0;
    for (int kill = 0; kill < KILLS; ++kill) {
        int ready[2];
        ASSERT_EQ(::pipe(ready), 0);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ::close(ready[0]);
            saveForever(base, stores, static_cast<unsigned>(kill), ready[1]);
        }
        ::close(ready[1]);
        char signal = 0;
        ASSERT_EQ(::read(ready[0], &signal, 1), 1) << "child never started";
        ::close(ready[0]);
        std::this_thread::sleep_for(std::chrono::microseconds(delay(random)));
        ::kill(child, SIGKILL);
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFSIGNALED(status)) << "kill " << kill;

        int seen[2] = {0, 0};
        for (int i = 0; i < PROFILE_COUNT; ++i) {
            const int match = matchProfile(base, i, stores);
            ASSERT_GE(match, 0) << "profile " << i << " torn after kill " << kill;
            ++seen[match];
        }
        const int current = IniFile(base / "config.ini").readInt(u"Setting", u"Profile", -1);
        ASSERT_TRUE(current == a->currentProfile || current == b->currentProfile)
            << "config.ini torn after kill " << kill;
        mixed += seen[0] > 0 && seen[1] > 0;
    }
    // Kills that fell inside a pass leave some files old and some new; they show that the kills
    // did land while files were being replaced.
    std::cout << "kills: " << KILLS << ", one save: " << saveTime.count()
              << " us, kills inside a pass: " << mixed << "\n";
    EXPECT_GT(mixed, 0) << "no kill landed inside a save pass";

    // The next save clears what killed writers left behind.
    ASSERT_TRUE(saveProfileStore(base, *a));
    std::vector<std::string> leftovers;
    for (const auto& entry : fs::directory_iterator(base)) {
        if (entry.path().filename().string().front() == '.') {
            leftovers.push_back(entry.path().filename().string());
        }
    }
    EXPECT_TRUE(leftovers.empty())
        << leftovers.size() << " temporary files left, first " << leftovers.front();
}

} // namespace
} // namespace lumetta
