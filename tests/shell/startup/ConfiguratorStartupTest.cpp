#include "shell/startup/ConfiguratorStartup.h"

#include "platform/os/NamedEndpoint.h"
#include "profiles/DebugLog.h"
#include "shell/startup/CompanionNotice.h"

#include "TestFolders.h"

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <thread>

namespace lumetta {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// A stand-in for the outside companion: records every message it is sent.
class Companion {
public:
    explicit Companion(const fs::path& folder)
        : server_(os::EndpointServer::listen(folder, COMPANION_ENDPOINT)), thread_([this] {
              while (!stop_) {
                  server_->handleOne(
                      [this](const os::EndpointMessage& m) {
                          std::lock_guard lock(mutex_);
                          seen_.push_back(m);
                          return 0;
                      },
                      20ms);
              }
          }) {}
    ~Companion() {
        stop_ = true;
        thread_.join();
    }
    std::vector<os::EndpointMessage> seen() {
        std::lock_guard lock(mutex_);
        return seen_;
    }
    // Posted messages arrive a moment later.
    std::vector<os::EndpointMessage> waitFor(std::size_t count) {
        for (int i = 0; i < 500 && seen().size() < count; ++i) {
            std::this_thread::sleep_for(5ms);
        }
        return seen();
    }

private:
    std::unique_ptr<os::EndpointServer> server_;
    std::atomic<bool> stop_{false};
    std::mutex mutex_;
    std::vector<os::EndpointMessage> seen_;
    std::thread thread_;
};

// The debug switch is process-wide and never goes off, so the whole sequence is one test.
TEST(ConfiguratorStartup, SecondInstanceIsSilentFirstOneLogsAndTellsTheCompanion) {
    testing::TempHome home;
    fs::create_directories(home.path() / "Desktop");
    const fs::path log = home.path() / "Desktop" / "Tarnwick Setup.log";
    Companion companion(home.runtime());
    int screenAsked = 0;
    const ScreenSize screen = [&] {
        ++screenAsked;
        return std::pair{1920, 1200};
    };

    {
        // Another configurator runs: nothing is read, logged or sent.
        os::InstanceLock other = os::InstanceLock::acquire(CONFIGURATOR_INSTANCE_NAME);
        ASSERT_TRUE(other.held());
        EXPECT_FALSE(startConfigurator({"debug"}, screen));
        EXPECT_FALSE(debugLogEnabled());
        EXPECT_FALSE(fs::exists(log));
        EXPECT_TRUE(companion.seen().empty());
    }

    auto started = startConfigurator({"Debug", "ui:1"}, screen);
    ASSERT_TRUE(started);
    EXPECT_TRUE(started->lock.held());
    EXPECT_EQ(started->sizeFolder, "1800x1125/");
    EXPECT_EQ(screenAsked, 0) << "a forced size needs no screen";
    EXPECT_TRUE(debugLogEnabled());
    const auto bytes = testing::readBytes(log);
    ASSERT_GE(bytes.size(), 2u + 2 * 12);
    std::u16string text;
    for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) {
        text.push_back(static_cast<char16_t>(bytes[i] | (bytes[i + 1] << 8)));
    }
    EXPECT_EQ(text.substr(12), u"App Init\r\n");
    // Sent and waited for: it is there when start-up returns.
    EXPECT_EQ(companion.seen(),
              (std::vector<os::EndpointMessage>{{WM_CONFIGURATOR_RUNNING, 0, 1}}));

    EXPECT_FALSE(startConfigurator({}, screen)) << "the first one holds the lock";

    finishConfigurator(*started);
    EXPECT_EQ(companion.waitFor(2),
              (std::vector<os::EndpointMessage>{{WM_CONFIGURATOR_RUNNING, 0, 1},
                                                {WM_CONFIGURATOR_RUNNING, 0, 0}}));

    started.reset();
    auto automatic = startConfigurator({}, screen);
    ASSERT_TRUE(automatic) << "the lock goes with the first configurator";
    EXPECT_EQ(automatic->sizeFolder, "1800x1125/");
    EXPECT_EQ(screenAsked, 1);
}

TEST(ConfiguratorStartup, MissingCompanionIsSkipped) {
    testing::TempHome home;
    EXPECT_FALSE(notifyCompanionStarted());
    EXPECT_FALSE(notifyCompanionEnded());
    auto started = startConfigurator({"ui:0"}, nullptr);
    ASSERT_TRUE(started);
    EXPECT_EQ(started->sizeFolder, "2500x1563/");
}

} // namespace
} // namespace lumetta
