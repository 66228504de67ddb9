#include "updater/app/CReflasherApp.h"

#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

int main(int argc, char** argv) {
    std::vector<std::string> arguments(argv, argv + argc);
    std::error_code error;
    // The package travels at the end of this very file, wherever it was started from.
    std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error) {
        self = std::filesystem::absolute(argv[0], error);
    }
    return lumetta::CReflasherApp().Run(arguments, self);
}
