#include "shell/startup/ConfiguratorStartup.h"

#include "platform/os/DebugOutput.h"
#include "profiles/DebugLog.h"
#include "shell/startup/CompanionNotice.h"
#include "skin/files/SizeFolder.h"

#include <tuple>

namespace lumetta {

std::string chooseStartupSizeFolder(int sizeChoice, int screenWidth, int screenHeight) {
    const std::optional<int> forced =
        sizeChoice == SIZE_CHOICE_AUTOMATIC ? std::nullopt : std::optional<int>(sizeChoice);
    return std::string(ChooseSizeFolder(screenWidth, screenHeight, forced));
}

std::optional<ConfiguratorStartup> startConfigurator(const std::vector<std::string>& arguments,
                                                     const ScreenSize& screenSize) {
    os::InstanceLock lock = os::InstanceLock::acquire(CONFIGURATOR_INSTANCE_NAME);
    if (lock.state() == os::InstanceLock::State::Busy) {
        return std::nullopt;
    }
    if (lock.state() == os::InstanceLock::State::Unavailable) {
        os::debugOutput("single-instance lock unavailable: " + lock.error().message() + "\n");
    }
    ConfiguratorStartup startup{std::move(lock), parseCommandLine(arguments), {}};
    if (startup.options.debug) {
        enableDebugLog();
        writeLog("App Init");
    }
    notifyCompanionStarted();
    int width = 0;
    int height = 0;
    if (startup.options.sizeChoice == SIZE_CHOICE_AUTOMATIC && screenSize) {
        std::tie(width, height) = screenSize();
    }
    startup.sizeFolder = chooseStartupSizeFolder(startup.options.sizeChoice, width, height);
    return startup;
}

void finishConfigurator(ConfiguratorStartup&) {
    notifyCompanionEnded();
}

} // namespace lumetta
