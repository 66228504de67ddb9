#include "platform/hid/SleepWatch.h"

#include <gio/gio.h>

#include <thread>

namespace lumetta::hid {

namespace {

// Runs a private GLib context on its own thread, so the signal is handled whatever the
// program's threads do, and so stopping is a plain quit and join.
class LogindSleepWatch final : public SleepWatch {
public:
    explicit LogindSleepWatch(Handler handler)
        : handler_(std::move(handler)), context_(g_main_context_new()),
          loop_(g_main_loop_new(context_, FALSE)) {
        thread_ = std::thread([this] { run(); });
    }

    ~LogindSleepWatch() override {
        // Quitting from here is safe before the loop runs too: the idle source below only
        // quits once the loop is running.
        GSource* quit = g_idle_source_new();
        g_source_set_callback(
            quit,
            [](gpointer loop) {
                g_main_loop_quit(static_cast<GMainLoop*>(loop));
                return G_SOURCE_REMOVE;
            },
            loop_, nullptr);
        g_source_attach(quit, context_);
        g_source_unref(quit);
        thread_.join();
        g_main_loop_unref(loop_);
        g_main_context_unref(context_);
    }

private:
    void run() {
        g_main_context_push_thread_default(context_);
        GDBusConnection* bus = g_bus_get_sync(G_BUS_TYPE_SYSTEM, nullptr, nullptr);
        guint subscription = 0;
        if (bus) {
            subscription = g_dbus_connection_signal_subscribe(
                bus, "org.freedesktop.login1", "org.freedesktop.login1.Manager", "PrepareForSleep",
                "/org/freedesktop/login1", nullptr, G_DBUS_SIGNAL_FLAGS_NONE,
                &LogindSleepWatch::onSignal, this, nullptr);
        }
        g_main_loop_run(loop_);
        if (bus) {
            g_dbus_connection_signal_unsubscribe(bus, subscription);
            g_object_unref(bus);
        }
        // Lets the bus's pending callbacks for this context run out before it goes.
        while (g_main_context_iteration(context_, FALSE)) {
        }
        g_main_context_pop_thread_default(context_);
    }

    static void onSignal(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar*,
                         GVariant* parameters, gpointer self) {
        if (!g_variant_is_of_type(parameters, G_VARIANT_TYPE("(b)"))) {
            return;
        }
        gboolean sleeping = FALSE;
        g_variant_get(parameters, "(b)", &sleeping);
        static_cast<LogindSleepWatch*>(self)->handler_(sleeping != FALSE);
    }

    Handler handler_;
    GMainContext* context_;
    GMainLoop* loop_;
    std::thread thread_;
};

} // namespace

std::unique_ptr<SleepWatch> SleepWatch::system(Handler handler) {
    return std::make_unique<LogindSleepWatch>(std::move(handler));
}

} // namespace lumetta::hid
