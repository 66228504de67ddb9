#include "profiles/Browser.h"

#include "platform/os/ProcessLauncher.h"
#include "platform/os/Utf16.h"

#include <vector>

namespace lumetta {

namespace {
constexpr std::size_t MAX_ADDRESS_UNITS = 256;
}

std::vector<std::string> browserCommand(std::string_view address) {
    const std::string kept =
        os::utf16ToUtf8(os::cutUtf16(os::utf8ToUtf16(address), MAX_ADDRESS_UNITS));
    if (kept.empty() || kept.front() == '-') {
        return {};
    }
    return {"xdg-open", kept};
}

bool openInBrowser(std::string_view address) {
    const std::vector<std::string> command = browserCommand(address);
    if (command.empty()) {
        return false;
    }
    os::LaunchOptions options;
    options.searchPath = true;
    return static_cast<bool>(
        os::launchDetached(command[0], {command.begin() + 1, command.end()}, options));
}

} // namespace lumetta
