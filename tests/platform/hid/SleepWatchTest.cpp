#include "platform/hid/SleepWatch.h"

#include <gio/gio.h>
#include <gtest/gtest.h>

#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <mutex>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace lumetta::hid::test {
namespace {

// A private message bus started for the test, standing in for the system bus.
class PrivateBus {
public:
    PrivateBus() {
        int out[2];
        if (::pipe(out) != 0) {
            return;
        }
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], 1);
        posix_spawn_file_actions_addclose(&actions, out[0]);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
        // Bounded in time, so a test that dies before its destructor leaves no bus behind.
        char arg0[] = "timeout", arg1[] = "120", arg2[] = "dbus-daemon", arg3[] = "--session",
             arg4[] = "--nofork", arg5[] = "--print-address=1";
        char* argv[] = {arg0, arg1, arg2, arg3, arg4, arg5, nullptr};
        if (posix_spawnp(&pid_, "timeout", &actions, nullptr, argv, environ) != 0) {
            pid_ = -1;
        }
        posix_spawn_file_actions_destroy(&actions);
        ::close(out[1]);
        char line[512] = {};
        FILE* from = ::fdopen(out[0], "r");
        if (pid_ > 0 && from && std::fgets(line, sizeof line, from)) {
            address_ = line;
            while (!address_.empty() && address_.back() == '\n') {
                address_.pop_back();
            }
        }
        if (from) {
            std::fclose(from);
        }
    }
    ~PrivateBus() {
        if (pid_ > 0) {
            ::kill(pid_, SIGTERM);
            ::waitpid(pid_, nullptr, 0);
        }
    }
    const std::string& address() const { return address_; }

private:
    pid_t pid_ = -1;
    std::string address_;
};

class SleepLog {
public:
    void add(bool sleeping) {
        std::lock_guard lock(mutex_);
        events_.push_back(sleeping);
        changed_.notify_all();
    }
    // Waits until the latest event is the given one.
    bool waitForLatest(bool sleeping, std::chrono::milliseconds limit) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, limit,
                                 [&] { return !events_.empty() && events_.back() == sleeping; });
    }
    std::vector<bool> events() {
        std::lock_guard lock(mutex_);
        return events_;
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<bool> events_;
};

void emitPrepareForSleep(GDBusConnection* bus, bool sleeping) {
    g_dbus_connection_emit_signal(bus, nullptr, "/org/freedesktop/login1",
                                  "org.freedesktop.login1.Manager", "PrepareForSleep",
                                  g_variant_new("(b)", sleeping ? TRUE : FALSE), nullptr);
    g_dbus_connection_flush_sync(bus, nullptr, nullptr);
}

TEST(SleepWatch, FollowsTheLoginManagersSleepSignalOnTheSystemBus) {
    PrivateBus daemon;
    if (daemon.address().empty()) {
        GTEST_SKIP() << "dbus-daemon is not installed";
    }
    ::setenv("DBUS_SYSTEM_BUS_ADDRESS", daemon.address().c_str(), 1);
    SleepLog log;
    auto watch = SleepWatch::system([&](bool sleeping) { log.add(sleeping); });

    // Plays the login manager: owns its name and emits the signal.
    GError* error = nullptr;
    GDBusConnection* manager = g_dbus_connection_new_for_address_sync(
        daemon.address().c_str(),
        static_cast<GDBusConnectionFlags>(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                          G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
        nullptr, nullptr, &error);
    ASSERT_TRUE(manager) << (error ? error->message : "");
    GVariant* owned = g_dbus_connection_call_sync(
        manager, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
        "RequestName", g_variant_new("(su)", "org.freedesktop.login1", 0u), nullptr,
        G_DBUS_CALL_FLAGS_NONE, -1, nullptr, &error);
    ASSERT_TRUE(owned) << (error ? error->message : "");
    g_variant_unref(owned);

    // The watch subscribes on its own thread; until it has, signals pass unseen.
    for (int attempt = 0; attempt < 100 && log.events().empty(); ++attempt) {
        emitPrepareForSleep(manager, true);
        log.waitForLatest(true, std::chrono::milliseconds(50));
    }
    ASSERT_FALSE(log.events().empty());
    EXPECT_TRUE(log.events().front());
    emitPrepareForSleep(manager, false);
    EXPECT_TRUE(log.waitForLatest(false, std::chrono::seconds(5)));

    watch.reset();
    g_object_unref(manager);
    ::unsetenv("DBUS_SYSTEM_BUS_ADDRESS");
}

TEST(SleepWatch, WithoutASystemBusItStaysSilentAndStopsCleanly) {
    ::setenv("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=/nonexistent/bus", 1);
    bool fired = false;
    auto watch = SleepWatch::system([&](bool) { fired = true; });
    watch.reset();
    EXPECT_FALSE(fired);
    ::unsetenv("DBUS_SYSTEM_BUS_ADDRESS");
}

} // namespace
} // namespace lumetta::hid::test
