#include "updater/app/CReflasherApp.h"

#include "platform/display/OpenDisplay.h"
#include "platform/display/headless/HeadlessDisplay.h"
#include "platform/os/InstanceLock.h"
#include "platform/ui/Desktop.h"
#include "skin/files/SkinStore.h"
#include "updater/app/CReflasherDlg.h"
#include "updater/cli/UpdaterCommandLine.h"

#include <cstdio>
#include <iostream>

namespace lumetta {

int CReflasherApp::Run(const std::vector<std::string>& argv,
                       const std::filesystem::path& programPath) {
    const UpdaterOptions options = parseUpdaterCommandLine(argv);
    if (options.helpRequested) {
        std::cout << updaterHelpText() << std::flush;
        return UPDATER_EXIT_OK;
    }
    os::InstanceLock lock = os::InstanceLock::acquire(kInstanceName);
    if (lock.state() == os::InstanceLock::State::Busy) {
        // Another copy is updating; a script asking silently must not read that as success.
        return options.Silent ? UPDATER_EXIT_FAILED : UPDATER_EXIT_OK;
    }
    // Silent runs show nothing, so they never need (or wait for) a screen.
    std::unique_ptr<display::DisplayBackend> backend =
        options.Silent ? std::make_unique<display::HeadlessDisplay>() : display::openDisplay();
    ui::Desktop desktop(std::move(backend));
    SkinStore::Process().EnsureStrings(programPath.parent_path());

    CReflasherDlg dialog(options, programPath);
    dialog.runModal();
    return dialog.ExitCode;
}

} // namespace lumetta
