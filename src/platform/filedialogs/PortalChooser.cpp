#include "platform/filedialogs/PortalChooser.h"

#include "platform/filedialogs/CommandChooser.h"

#include <gio/gio.h>

#include <atomic>
#include <memory>

namespace lumetta::filedialogs {

namespace {

constexpr const char* kBusName = "org.freedesktop.portal.Desktop";
constexpr const char* kObjectPath = "/org/freedesktop/portal/desktop";
constexpr const char* kInterface = "org.freedesktop.portal.FileChooser";
// Questions to the bus itself and the portal's first answer (its request handle) come quickly;
// the user's answer comes as a signal later, without a limit.
constexpr int kQuickCallMs = 3000;
constexpr int kOpenCallMs = 30000;

std::atomic<unsigned> nextToken{1};

struct GObjectUnref {
    void operator()(gpointer p) const { g_object_unref(p); }
};
struct VariantUnref {
    void operator()(GVariant* v) const { g_variant_unref(v); }
};
struct ErrorFree {
    void operator()(GError* e) const { g_error_free(e); }
};
using Bus = std::unique_ptr<GDBusConnection, GObjectUnref>;
using Variant = std::unique_ptr<GVariant, VariantUnref>;
using Error = std::unique_ptr<GError, ErrorFree>;

// The calling thread's own main context for the time of one dialog, so that the answer signal
// is handled here and not in some other loop of the process.
class ThreadContext {
public:
    ThreadContext() : context_(g_main_context_new()) {
        g_main_context_push_thread_default(context_);
    }
    ~ThreadContext() {
        g_main_context_pop_thread_default(context_);
        g_main_context_unref(context_);
    }
    ThreadContext(const ThreadContext&) = delete;
    ThreadContext& operator=(const ThreadContext&) = delete;
    void iterate() { g_main_context_iteration(context_, TRUE); }

private:
    GMainContext* context_;
};

struct Pending {
    bool done = false;
    bool vanished = false;
    guint32 response = 2;
    std::string uri;
};

GVariant* filterVariant(const FileFilter& filter) {
    GVariantBuilder patterns;
    g_variant_builder_init(&patterns, G_VARIANT_TYPE("a(us)"));
    for (const std::string& p : filter.patterns) {
        // 0: a glob pattern.
        g_variant_builder_add(&patterns, "(us)", 0u, caseInsensitiveGlob(p).c_str());
    }
    return g_variant_new("(s@a(us))", filter.name.c_str(), g_variant_builder_end(&patterns));
}

GVariant* optionsVariant(const FileDialogRequest& request, const std::string& token) {
    GVariantBuilder b;
    g_variant_builder_init(&b, G_VARIANT_TYPE_VARDICT);
    g_variant_builder_add(&b, "{sv}", "handle_token", g_variant_new_string(token.c_str()));
    g_variant_builder_add(&b, "{sv}", "modal", g_variant_new_boolean(TRUE));
    if (!request.filters.empty()) {
        GVariantBuilder filters;
        g_variant_builder_init(&filters, G_VARIANT_TYPE("a(sa(us))"));
        for (const FileFilter& f : request.filters) {
            g_variant_builder_add_value(&filters, filterVariant(f));
        }
        g_variant_builder_add(&b, "{sv}", "filters", g_variant_builder_end(&filters));
        g_variant_builder_add(&b, "{sv}", "current_filter", filterVariant(request.filters.front()));
    }
    std::string name = offeredName(request);
    if (request.kind == FileDialogRequest::Kind::Save && !name.empty()) {
        g_variant_builder_add(&b, "{sv}", "current_name", g_variant_new_string(name.c_str()));
    }
    if (!request.folder.empty()) {
        // A byte string with its terminating zero, as the portal wants file names.
        g_variant_builder_add(&b, "{sv}", "current_folder",
                              g_variant_new_bytestring(request.folder.c_str()));
    }
    return g_variant_builder_end(&b);
}

Variant call(GDBusConnection* bus, const char* name, const char* path, const char* interface,
             const char* method, GVariant* parameters, const char* replyType, int timeoutMs,
             Error* error) {
    GError* raw = nullptr;
    GVariant* reply = g_dbus_connection_call_sync(bus, name, path, interface, method, parameters,
                                                  G_VARIANT_TYPE(replyType), G_DBUS_CALL_FLAGS_NONE,
                                                  timeoutMs, nullptr, &raw);
    if (error != nullptr && raw != nullptr) {
        error->reset(raw);
    } else if (raw != nullptr) {
        g_error_free(raw);
    }
    return Variant(reply);
}

bool portalRuns(GDBusConnection* bus) {
    Variant owned =
        call(bus, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
             "NameHasOwner", g_variant_new("(s)", kBusName), "(b)", kQuickCallMs, nullptr);
    gboolean has = FALSE;
    if (owned) {
        g_variant_get(owned.get(), "(b)", &has);
    }
    return has != FALSE;
}

// The file chooser's interface version; 0 when the portal does not offer one.
guint32 chooserVersion(GDBusConnection* bus) {
    Variant reply =
        call(bus, kBusName, kObjectPath, "org.freedesktop.DBus.Properties", "Get",
             g_variant_new("(ss)", kInterface, "version"), "(v)", kQuickCallMs, nullptr);
    if (!reply) {
        return 0;
    }
    GVariant* inner = nullptr;
    g_variant_get(reply.get(), "(v)", &inner);
    Variant value(inner);
    return g_variant_is_of_type(inner, G_VARIANT_TYPE_UINT32) ? g_variant_get_uint32(inner) : 0;
}

// Where the portal will put the request for our token: the sender's unique name without its
// colon and with its dots made underscores.
std::string requestPath(GDBusConnection* bus, const std::string& token) {
    std::string sender = g_dbus_connection_get_unique_name(bus);
    if (!sender.empty() && sender.front() == ':') {
        sender.erase(0, 1);
    }
    for (char& c : sender) {
        if (c == '.') {
            c = '_';
        }
    }
    return "/org/freedesktop/portal/desktop/request/" + sender + "/" + token;
}

void onResponse(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar*,
                GVariant* parameters, gpointer data) {
    auto* pending = static_cast<Pending*>(data);
    GVariant* results = nullptr;
    g_variant_get(parameters, "(u@a{sv})", &pending->response, &results);
    Variant owned(results);
    const gchar** uris = nullptr;
    if (g_variant_lookup(results, "uris", "^a&s", &uris) && uris != nullptr) {
        if (uris[0] != nullptr) {
            pending->uri = uris[0];
        }
        g_free(uris);
    }
    pending->done = true;
}

void onOwnerChanged(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar*,
                    GVariant* parameters, gpointer data) {
    const gchar* name = nullptr;
    const gchar* oldOwner = nullptr;
    const gchar* newOwner = nullptr;
    g_variant_get(parameters, "(&s&s&s)", &name, &oldOwner, &newOwner);
    if (newOwner == nullptr || *newOwner == '\0') {
        auto* pending = static_cast<Pending*>(data);
        pending->vanished = true;
        pending->done = true;
    }
}

guint subscribeResponse(GDBusConnection* bus, const std::string& path, Pending* pending) {
    return g_dbus_connection_signal_subscribe(
        bus, kBusName, "org.freedesktop.portal.Request", "Response", path.c_str(), nullptr,
        G_DBUS_SIGNAL_FLAGS_NONE, &onResponse, pending, nullptr);
}

ChooserAnswer answerFrom(const Pending& pending, bool save) {
    if (pending.vanished) {
        return ChooserAnswer::unavailable("the desktop portal went away");
    }
    if (pending.response == 1) {
        ChooserAnswer a;
        a.status = ChooserAnswer::Status::Cancelled;
        return a;
    }
    if (pending.response != 0 || pending.uri.empty()) {
        return ChooserAnswer::unavailable("the desktop portal could not show its file chooser");
    }
    gchar* file = g_filename_from_uri(pending.uri.c_str(), nullptr, nullptr);
    if (file == nullptr) {
        return ChooserAnswer::unavailable("the desktop portal answered with " + pending.uri);
    }
    ChooserAnswer a;
    a.status = ChooserAnswer::Status::Chosen;
    a.path = file;
    g_free(file);
    // Its dialogs ask before replacing a file themselves.
    a.overwriteAsked = save;
    return a;
}

} // namespace

std::string portalOptionsText(const FileDialogRequest& request, const std::string& token) {
    Variant options(g_variant_ref_sink(optionsVariant(request, token)));
    gchar* text = g_variant_print(options.get(), FALSE);
    std::string out = text;
    g_free(text);
    return out;
}

ChooserAnswer runPortalChooser(const FileDialogRequest& request, const std::string& parentWindow) {
    ThreadContext context;
    GError* raw = nullptr;
    Bus bus(g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, &raw));
    Error error(raw);
    if (!bus) {
        return ChooserAnswer::unavailable("no session bus");
    }
    if (!portalRuns(bus.get())) {
        return ChooserAnswer::unavailable("no desktop portal runs");
    }
    if (chooserVersion(bus.get()) == 0) {
        return ChooserAnswer::unavailable("the desktop portal offers no file chooser");
    }
    bool save = request.kind == FileDialogRequest::Kind::Save;
    std::string token = "lumetta" + std::to_string(nextToken++);
    std::string path = requestPath(bus.get(), token);
    Pending pending;
    // Listening before asking: the answer may come before the call returns.
    guint response = subscribeResponse(bus.get(), path, &pending);
    guint owner = g_dbus_connection_signal_subscribe(
        bus.get(), "org.freedesktop.DBus", "org.freedesktop.DBus", "NameOwnerChanged",
        "/org/freedesktop/DBus", kBusName, G_DBUS_SIGNAL_FLAGS_NONE, &onOwnerChanged, &pending,
        nullptr);
    GVariant* parameters =
        g_variant_new("(ss@a{sv})", parentWindow.c_str(), dialogTitle(request).c_str(),
                      optionsVariant(request, token));
    Error callError;
    Variant reply =
        call(bus.get(), kBusName, kObjectPath, kInterface, save ? "SaveFile" : "OpenFile",
             parameters, "(o)", kOpenCallMs, &callError);
    if (!reply) {
        g_dbus_connection_signal_unsubscribe(bus.get(), response);
        g_dbus_connection_signal_unsubscribe(bus.get(), owner);
        return ChooserAnswer::unavailable(std::string("the desktop portal refused: ") +
                                          (callError ? callError->message : "no answer"));
    }
    const gchar* handle = nullptr;
    g_variant_get(reply.get(), "(&o)", &handle);
    if (handle != nullptr && path != handle && !pending.done) {
        // Portals older than the handle token put the request elsewhere.
        g_dbus_connection_signal_unsubscribe(bus.get(), response);
        response = subscribeResponse(bus.get(), handle, &pending);
    }
    while (!pending.done) {
        context.iterate();
    }
    g_dbus_connection_signal_unsubscribe(bus.get(), response);
    g_dbus_connection_signal_unsubscribe(bus.get(), owner);
    return answerFrom(pending, save);
}

} // namespace lumetta::filedialogs
