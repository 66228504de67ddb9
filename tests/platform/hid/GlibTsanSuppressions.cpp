// GLib synchronises with futexes the thread sanitizer cannot see, so it reports races inside
// GLib's own allocator and main loop that are not there. Only GLib's frames are excused.
extern "C" const char* __tsan_default_suppressions() {
    return "race:libglib-2.0.so\n"
           "race:libgio-2.0.so\n"
           "race:libgobject-2.0.so\n";
}
