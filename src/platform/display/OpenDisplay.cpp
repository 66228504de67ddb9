#include "platform/display/OpenDisplay.h"

#include "platform/display/headless/HeadlessDisplay.h"
#include "platform/display/sdl/SdlDisplay.h"

#include <cstdlib>
#include <iostream>

namespace lumetta::display {

namespace {

// Every backend by the name that selects it. A backend that is not built into this program has
// no factory yet and falls back with a note.
struct BackendEntry {
    std::string_view name;
    // Null, with the reason in why, when the display cannot be opened here.
    std::unique_ptr<DisplayBackend> (*create)(std::string& why);
};

std::unique_ptr<DisplayBackend> createHeadless() {
    return std::make_unique<HeadlessDisplay>();
}

std::unique_ptr<DisplayBackend> createHeadless(std::string&) {
    return createHeadless();
}

std::unique_ptr<DisplayBackend> createSdl(std::string& why) {
    return SdlDisplay::open(why);
}

constexpr BackendEntry kBackends[] = {
    {"sdl", &createSdl},
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
            std::string why;
            if (auto backend = entry.create(why)) {
                return backend;
            }
            note = "LUMETTA_DISPLAY=" + std::string(name) + ": " + why +
                   "; using the headless display";
            return createHeadless();
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
