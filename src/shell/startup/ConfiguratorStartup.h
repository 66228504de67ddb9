#pragma once

#include "platform/os/InstanceLock.h"
#include "shell/startup/CommandLine.h"

#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace lumetta {

// The lock name the configurator holds for its whole life; the main window takes the same text
// as its title.
inline constexpr const char* CONFIGURATOR_INSTANCE_NAME = "Wrenfield_Lumetta_configure";

// The size folder for a size choice: automatic (-1) from the screen size, else the forced value.
std::string chooseStartupSizeFolder(int sizeChoice, int screenWidth, int screenHeight);

// Everything the main window is started with. The lock is held as long as this object lives.
struct ConfiguratorStartup {
    os::InstanceLock lock;
    StartupOptions options;
    std::string sizeFolder;
};

// The start-up steps before the main window: take the single-instance lock (empty result when
// another configurator holds it: nothing is read, logged or sent then), read the command line,
// switch the debug log on and log "App Init" when asked, tell the companion that the
// configurator runs, and choose the size folder. screenSize is asked only for an automatic
// choice. When no lock can be made at all (no runtime folder), the configurator runs unguarded
// rather than not at all.
using ScreenSize = std::function<std::pair<int, int>()>;
std::optional<ConfiguratorStartup> startConfigurator(const std::vector<std::string>& arguments,
                                                     const ScreenSize& screenSize);

// After the main window has closed: tells the companion that the configurator ended.
void finishConfigurator(ConfiguratorStartup& startup);

} // namespace lumetta
