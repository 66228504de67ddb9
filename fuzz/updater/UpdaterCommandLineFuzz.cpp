// Arbitrary argument vectors for the updater: NUL bytes separate the arguments, the first one
// is the program.
#include "updater/cli/UpdaterCommandLine.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<std::string> argv(1);
    for (size_t i = 0; i < size; ++i) {
        if (data[i] == 0) {
            argv.emplace_back();
        } else {
            argv.back().push_back(static_cast<char>(data[i]));
        }
    }
    const lumetta::UpdaterOptions options = lumetta::parseUpdaterCommandLine(argv);
    const bool imageInRange =
        options.ForcedImage == -1 || (options.ForcedImage >= 1 && options.ForcedImage <= 9);
    const bool silentStartsAlone = !options.Silent || options.AutoStart;
    const bool callerGiven = options.CallerPath.empty() || options.AutoStart;
    if (!imageInRange || !silentStartsAlone || !callerGiven ||
        (argv.size() < 2 && options != lumetta::UpdaterOptions{})) {
        std::abort();
    }
    return 0;
}
