#include "shell/startup/CompanionNotice.h"

#include "platform/os/NamedEndpoint.h"
#include "platform/os/XdgFolders.h"

namespace lumetta {

bool notifyCompanionStarted(const std::filesystem::path& folder) {
    if (folder.empty()) {
        return false;
    }
    const os::EndpointMessage message{WM_CONFIGURATOR_RUNNING, 0, 1};
    return os::sendToEndpoint(folder, COMPANION_ENDPOINT, message, COMPANION_ANSWER_TIMEOUT)
        .has_value();
}

bool notifyCompanionEnded(const std::filesystem::path& folder) {
    if (folder.empty()) {
        return false;
    }
    const os::EndpointMessage message{WM_CONFIGURATOR_RUNNING, 0, 0};
    return os::postToEndpoint(folder, COMPANION_ENDPOINT, message);
}

bool notifyCompanionStarted() {
    return notifyCompanionStarted(os::runtimeFolder());
}
bool notifyCompanionEnded() {
    return notifyCompanionEnded(os::runtimeFolder());
}

} // namespace lumetta
