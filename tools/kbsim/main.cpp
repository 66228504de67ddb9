#include "kbsim/CommandLine.h"
#include "kbsim/ControlClient.h"
#include "kbsim/Simulator.h"

#include <iostream>
#include <string_view>
#include <vector>

int main(int argc, char** argv) {
    using namespace lumetta::kbsim;
    const std::vector<std::string_view> args(argv + 1, argv + argc);
    CommandLine line = parseCommandLine(args);
    switch (line.kind) {
    case CommandLine::Kind::HELP:
        std::cout << usageText();
        return 0;
    case CommandLine::Kind::VERSION:
        std::cout << "lumetta-kbsim " << LUMETTA_VERSION << "\n";
        return 0;
    case CommandLine::Kind::CLIENT:
        return runControlClient(line.controlSocket, line.command);
    case CommandLine::Kind::SERVE:
        return Simulator(std::move(line)).run();
    case CommandLine::Kind::INVALID:
        break;
    }
    std::cerr << "lumetta-kbsim: " << line.error << "\n" << usageText();
    return 2;
}
