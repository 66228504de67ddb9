#include "apps/ctl/CtlCommands.h"
#include "apps/ctl/CtlOptions.h"
#include "apps/ctl/Interrupt.h"
#include "platform/os/XdgFolders.h"

#include <iostream>
#include <string_view>
#include <vector>

int main(int argc, char** argv) {
    using namespace lumetta::ctl;
    const std::vector<std::string_view> args(argv + 1, argv + argc);
    const CtlOptions options = parseCtlOptions(args);
    if (options.command == CtlOptions::Command::VERSION) {
        std::cout << "lumetta-ctl " << LUMETTA_VERSION << "\n";
        return 0;
    }
    installInterruptHandlers();
    const ExitCode code = runCtl(options, lumetta::os::programFolder(), std::cout, std::cerr);
    return static_cast<int>(code);
}
