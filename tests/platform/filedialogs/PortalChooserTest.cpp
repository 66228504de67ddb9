// The desktop portal's file chooser, against a stand-in portal on a private session bus: what
// the request carries, and each way the answer can come (or not).
#include "platform/filedialogs/PortalChooser.h"
#include "e2e/display/ChildProcess.h"

#include <gio/gio.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <future>
#include <mutex>
#include <thread>

namespace lumetta::filedialogs {
namespace {

// A session bus of the tests' own, for the life of the test program: the code under test finds
// it by DBUS_SESSION_BUS_ADDRESS, and GIO keeps its first session connection for good.
const std::string& privateBus() {
    static std::unique_ptr<test::ChildProcess> daemon;
    static std::string address;
    if (daemon == nullptr) {
        std::string error;
        daemon = test::ChildProcess::start(
            {"dbus-daemon", "--session", "--nofork", "--nopidfile", "--print-address"}, {}, error);
        if (daemon != nullptr) {
            address = daemon->readLine(std::chrono::seconds(10)).value_or("");
        }
        setenv("DBUS_SESSION_BUS_ADDRESS", address.c_str(), 1);
    }
    return address;
}

// What the stand-in does with a request.
struct Script {
    bool offerChooser = true; // export the file chooser interface
    bool vanish = false;      // leave the bus instead of answering
    guint32 response = 0;
    std::vector<std::string> uris;
};

struct Seen {
    std::string method;
    std::string parent;
    std::string title;
    std::string options;
    std::string handleToken;
};

const char* kIntrospection = R"(<node>
  <interface name="org.freedesktop.portal.FileChooser">
    <method name="OpenFile">
      <arg type="s" direction="in"/><arg type="s" direction="in"/>
      <arg type="a{sv}" direction="in"/><arg type="o" direction="out"/>
    </method>
    <method name="SaveFile">
      <arg type="s" direction="in"/><arg type="s" direction="in"/>
      <arg type="a{sv}" direction="in"/><arg type="o" direction="out"/>
    </method>
    <property name="version" type="u" access="read"/>
  </interface>
</node>)";

// A portal on its own connection and thread, owning the portal's name while it lives.
class FakePortal {
public:
    explicit FakePortal(Script script) : script_(std::move(script)) {
        std::promise<bool> ready;
        auto started = ready.get_future();
        thread_ = std::thread([this, &ready] { run(ready); });
        ok_ = started.get();
    }
    ~FakePortal() {
        g_main_loop_quit(loop_);
        thread_.join();
        if (node_ != nullptr) {
            g_dbus_node_info_unref(node_);
        }
    }
    bool ok() const { return ok_; }
    Seen seen() {
        std::lock_guard lock(mutex_);
        return seen_;
    }

private:
    void run(std::promise<bool>& ready) {
        GMainContext* context = g_main_context_new();
        g_main_context_push_thread_default(context);
        loop_ = g_main_loop_new(context, FALSE);
        GError* error = nullptr;
        connection_ = g_dbus_connection_new_for_address_sync(
            privateBus().c_str(),
            GDBusConnectionFlags(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                 G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
            nullptr, nullptr, &error);
        bool ok = connection_ != nullptr && exportChooser() && own();
        if (error != nullptr) {
            g_error_free(error);
        }
        ready.set_value(ok);
        if (ok) {
            g_main_loop_run(loop_);
        }
        if (connection_ != nullptr) {
            g_dbus_connection_close_sync(connection_, nullptr, nullptr);
            g_object_unref(connection_);
        }
        g_main_loop_unref(loop_);
        g_main_context_pop_thread_default(context);
        g_main_context_unref(context);
    }

    bool exportChooser() {
        if (!script_.offerChooser) {
            return true;
        }
        node_ = g_dbus_node_info_new_for_xml(kIntrospection, nullptr);
        static const GDBusInterfaceVTable vtable = {
            &FakePortal::onCall, &FakePortal::onGet, nullptr, {}};
        guint id = g_dbus_connection_register_object(connection_, "/org/freedesktop/portal/desktop",
                                                     node_->interfaces[0], &vtable, this, nullptr,
                                                     nullptr);
        return id != 0;
    }

    // The portal of an earlier test may still be leaving the bus: asked again for a while.
    bool own() {
        for (int attempt = 0; attempt < 100; ++attempt) {
            GVariant* reply = g_dbus_connection_call_sync(
                connection_, "org.freedesktop.DBus", "/org/freedesktop/DBus",
                "org.freedesktop.DBus", "RequestName",
                g_variant_new("(su)", "org.freedesktop.portal.Desktop", 4u), G_VARIANT_TYPE("(u)"),
                G_DBUS_CALL_FLAGS_NONE, 5000, nullptr, nullptr);
            if (reply == nullptr) {
                return false;
            }
            guint32 result = 0;
            g_variant_get(reply, "(u)", &result);
            g_variant_unref(reply);
            if (result == 1) { // the primary owner
                return true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(30));
        }
        return false;
    }

    static GVariant* onGet(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar*,
                           GError**, gpointer) {
        return g_variant_new_uint32(3);
    }

    static void onCall(GDBusConnection*, const gchar* sender, const gchar*, const gchar*,
                       const gchar* method, GVariant* parameters, GDBusMethodInvocation* invocation,
                       gpointer data) {
        auto* self = static_cast<FakePortal*>(data);
        const gchar* parent = nullptr;
        const gchar* title = nullptr;
        GVariant* options = nullptr;
        g_variant_get(parameters, "(&s&s@a{sv})", &parent, &title, &options);
        const gchar* token = "";
        g_variant_lookup(options, "handle_token", "&s", &token);
        std::string unique = sender + 1;
        for (char& c : unique) {
            c = c == '.' ? '_' : c;
        }
        std::string path = "/org/freedesktop/portal/desktop/request/" + unique + "/" + token;
        {
            std::lock_guard lock(self->mutex_);
            gchar* printed = g_variant_print(options, FALSE);
            self->seen_ = {method, parent, title, printed, token};
            g_free(printed);
        }
        g_variant_unref(options);
        g_dbus_method_invocation_return_value(invocation, g_variant_new("(o)", path.c_str()));
        self->sender_ = sender;
        self->path_ = path;
        // Answered a moment later from the portal's own loop, as a real portal does.
        GSource* later = g_idle_source_new();
        g_source_set_callback(later, &FakePortal::answer, self, nullptr);
        g_source_attach(later, g_main_context_get_thread_default());
        g_source_unref(later);
    }

    static gboolean answer(gpointer data) {
        auto* self = static_cast<FakePortal*>(data);
        if (self->script_.vanish) {
            g_dbus_connection_call_sync(self->connection_, "org.freedesktop.DBus",
                                        "/org/freedesktop/DBus", "org.freedesktop.DBus",
                                        "ReleaseName",
                                        g_variant_new("(s)", "org.freedesktop.portal.Desktop"),
                                        nullptr, G_DBUS_CALL_FLAGS_NONE, 5000, nullptr, nullptr);
            return G_SOURCE_REMOVE;
        }
        GVariantBuilder results;
        g_variant_builder_init(&results, G_VARIANT_TYPE_VARDICT);
        if (!self->script_.uris.empty()) {
            std::vector<const gchar*> uris;
            for (const std::string& u : self->script_.uris) {
                uris.push_back(u.c_str());
            }
            g_variant_builder_add(&results, "{sv}", "uris",
                                  g_variant_new_strv(uris.data(), gssize(uris.size())));
        }
        g_dbus_connection_emit_signal(
            self->connection_, self->sender_.c_str(), self->path_.c_str(),
            "org.freedesktop.portal.Request", "Response",
            g_variant_new("(u@a{sv})", self->script_.response, g_variant_builder_end(&results)),
            nullptr);
        return G_SOURCE_REMOVE;
    }

    Script script_;
    std::thread thread_;
    GMainLoop* loop_ = nullptr;
    GDBusConnection* connection_ = nullptr;
    GDBusNodeInfo* node_ = nullptr;
    std::string sender_;
    std::string path_;
    bool ok_ = false;
    std::mutex mutex_;
    Seen seen_;
};

FileDialogRequest exportRequest() {
    FileDialogRequest r;
    r.kind = FileDialogRequest::Kind::Save;
    r.title = "Export";
    r.folder = "/home/u/Desktop";
    r.proposedName = "Profile 1";
    r.defaultExtension = ".Prf";
    r.filters = {{"Profile File(*.Prf)", {"*.Prf"}}};
    return r;
}

class PortalChooserTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_FALSE(privateBus().empty()) << "dbus-daemon did not start"; }
};

TEST_F(PortalChooserTest, SaveSendsTheRequestAndReadsTheChosenFile) {
    FakePortal portal({true, false, 0, {"file:///home/u/Desktop/My%20Desk.Prf"}});
    ASSERT_TRUE(portal.ok());
    ChooserAnswer a = runPortalChooser(exportRequest(), "x11:3a00004");
    EXPECT_EQ(a.status, ChooserAnswer::Status::Chosen) << a.problem;
    EXPECT_EQ(a.path, "/home/u/Desktop/My Desk.Prf");
    EXPECT_TRUE(a.overwriteAsked);
    Seen seen = portal.seen();
    EXPECT_EQ(seen.method, "SaveFile");
    EXPECT_EQ(seen.parent, "x11:3a00004");
    EXPECT_EQ(seen.title, "Export");
    EXPECT_EQ(seen.options, portalOptionsText(exportRequest(), seen.handleToken));
    for (const char* part : {"'current_name': <'Profile 1'>", "'modal': <true>",
                             "('Profile File(*.Prf)', [(uint32 0, '*.[Pp][Rr][Ff]')])",
                             "'current_folder': <b'/home/u/Desktop'>"}) {
        EXPECT_NE(seen.options.find(part), std::string::npos) << part << " in " << seen.options;
    }
}

TEST_F(PortalChooserTest, OpenOffersNoWildcardName) {
    FakePortal portal({true, false, 0, {"file:///tmp/a.Prf"}});
    ASSERT_TRUE(portal.ok());
    FileDialogRequest open = exportRequest();
    open.kind = FileDialogRequest::Kind::Open;
    open.proposedName = "*.Prf";
    ChooserAnswer a = runPortalChooser(open, "");
    EXPECT_EQ(a.status, ChooserAnswer::Status::Chosen) << a.problem;
    EXPECT_EQ(a.path, "/tmp/a.Prf");
    EXPECT_FALSE(a.overwriteAsked);
    Seen seen = portal.seen();
    EXPECT_EQ(seen.method, "OpenFile");
    EXPECT_EQ(seen.options.find("current_name"), std::string::npos) << seen.options;
}

TEST_F(PortalChooserTest, EveryOtherOutcome) {
    using S = ChooserAnswer::Status;
    struct Row {
        const char* what;
        std::optional<Script> script; // none: no portal at all
        S expected;
    } rows[] = {
        // {offer the chooser, leave instead of answering, response, chosen files}
        {"cancelled", Script{true, false, 1, {}}, S::Cancelled},
        {"ended otherwise", Script{true, false, 2, {}}, S::Unavailable},
        {"chosen without a file", Script{true, false, 0, {}}, S::Unavailable},
        {"not a file", Script{true, false, 0, {"https://example.org/x"}}, S::Unavailable},
        {"no file chooser", Script{false, false, 0, {}}, S::Unavailable},
        {"gone before answering", Script{true, true, 0, {}}, S::Unavailable},
        {"no portal", std::nullopt, S::Unavailable},
    };
    for (const Row& r : rows) {
        std::unique_ptr<FakePortal> portal;
        if (r.script) {
            portal = std::make_unique<FakePortal>(*r.script);
            ASSERT_TRUE(portal->ok()) << r.what;
        }
        ChooserAnswer a = runPortalChooser(exportRequest(), "");
        EXPECT_EQ(a.status, r.expected) << r.what;
        if (r.expected == S::Unavailable) {
            EXPECT_FALSE(a.problem.empty()) << r.what;
        }
    }
}

} // namespace
} // namespace lumetta::filedialogs
