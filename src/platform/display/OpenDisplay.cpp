#include "platform/display/OpenDisplay.h"

#include "platform/display/headless/HeadlessDisplay.h"

#include <cstdlib>
#include <iostream>

namespace lumetta::display {

namespace {

// Every backend by the name that selects it. A backend that is not built into this program has
// no factory yet and falls back with a note.
struct BackendEntry {
    std::string_view name;
    std::unique_ptr<DisplayBackend> (*create)();
};

std::unique_ptr<DisplayBackend> createHeadless() {
    return std::make_unique<HeadlessDisplay>();
}

constexpr BackendEntry kBackends[] = {
    {"sdl", nullptr},
    {"headless", &createHeadless},
};

} // namespace

std::unique_ptr<DisplayBackend> openDisplay(std::string_view name, std::string& note) {
    note.clear();
    for (const BackendEntry& entry : kBackends) {
        if (entry.name != name) {
            continue;
        }
        if (entry.create != nullptr) {
            return entry.create();
        }
        note = "LUMETTA_DISPLAY=" + std::string(name) +
               ": this display is not available in this build; using the headless display";
        return createHeadless();
    }
    note = "LUMETTA_DISPLAY=" + std::string(name) +
           ": no such display (choose sdl or headless); using the headless display";
    return createHeadless();
}

std::unique_ptr<DisplayBackend> openDisplay() {
    const char* value = std::getenv("LUMETTA_DISPLAY");
    std::string_view name = value != nullptr && *value != '\0' ? value : "sdl";
    std::string note;
    auto backend = openDisplay(name, note);
    if (!note.empty()) {
        std::cerr << note << "\n";
    }
    return backend;
}

} // namespace lumetta::display
