#include "kbsim/CommandLine.h"

#include <sys/un.h>

namespace lumetta::kbsim {

namespace {

CommandLine invalid(std::string error) {
    CommandLine line;
    line.kind = CommandLine::Kind::INVALID;
    line.error = std::move(error);
    return line;
}

bool fitsSocketAddress(const std::filesystem::path& path) {
    return path.native().size() < sizeof(sockaddr_un{}.sun_path);
}

struct RawOptions {
    std::optional<std::string> root, layout, state, log, control;
    std::string command;
    bool help = false;
    bool version = false;
};

// Splits "--name value" and "--name=value"; returns an error text or empty.
std::string collect(std::span<const std::string_view> args, RawOptions& raw) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string_view arg = args[i];
        if (arg == "--help" || arg == "-h") {
            raw.help = true;
            continue;
        }
        if (arg == "--version") {
            raw.version = true;
            continue;
        }
        if (!arg.starts_with("--")) {
            raw.command += raw.command.empty() ? "" : " ";
            raw.command += arg;
            continue;
        }
        std::string_view name = arg;
        std::optional<std::string_view> value;
        if (const auto eq = arg.find('='); eq != std::string_view::npos) {
            name = arg.substr(0, eq);
            value = arg.substr(eq + 1);
        } else if (i + 1 < args.size()) {
            value = args[++i];
        }
        std::optional<std::string>* slot = name == "--root"      ? &raw.root
                                           : name == "--layout"  ? &raw.layout
                                           : name == "--state"   ? &raw.state
                                           : name == "--log"     ? &raw.log
                                           : name == "--control" ? &raw.control
                                                                 : nullptr;
        if (!slot) {
            return "unknown option " + std::string(name);
        }
        if (!value || value->empty()) {
            return std::string(name) + " needs a value";
        }
        *slot = std::string(*value);
    }
    return {};
}

} // namespace

CommandLine parseCommandLine(std::span<const std::string_view> args) {
    RawOptions raw;
    if (std::string error = collect(args, raw); !error.empty()) {
        return invalid(error);
    }
    CommandLine line;
    if (raw.help || raw.version) {
        line.kind = raw.help ? CommandLine::Kind::HELP : CommandLine::Kind::VERSION;
        return line;
    }
    if (!raw.command.empty()) {
        if (!raw.control) {
            return invalid("a control command needs --control SOCKET");
        }
        if (raw.root || raw.layout || raw.state || raw.log) {
            return invalid("a control command takes only --control");
        }
        line.kind = CommandLine::Kind::CLIENT;
        line.controlSocket = *raw.control;
        line.command = raw.command;
        return line;
    }
    if (!raw.root) {
        return invalid(raw.control ? "--control without --root needs a command"
                                   : "--root DIR is required");
    }
    line.kind = CommandLine::Kind::SERVE;
    line.root = *raw.root;
    if (raw.layout) {
        line.layout = parseLayout(*raw.layout);
        if (!line.layout) {
            return invalid("--layout must be us, eu or jp");
        }
    }
    line.stateFile = raw.state ? std::filesystem::path(*raw.state) : line.root / "kbsim.state";
    line.logFile = raw.log ? std::filesystem::path(*raw.log) : line.root / "kbsim.log";
    line.controlSocket =
        raw.control ? std::filesystem::path(*raw.control) : line.root / "kbsim.sock";
    if (!fitsSocketAddress(line.controlSocket)) {
        return invalid("the control socket path is too long for a Unix socket");
    }
    return line;
}

std::string usageText() {
    return "usage:\n"
           "  lumetta-kbsim --root DIR [--layout us|eu|jp] [--state FILE] [--log FILE]\n"
           "                [--control SOCKET]\n"
           "      run a simulated keyboard whose hidraw nodes appear under DIR/sys and DIR/dev\n"
           "      (defaults: --layout us for a new keyboard, --state DIR/kbsim.state,\n"
           "       --log DIR/kbsim.log, --control DIR/kbsim.sock)\n"
           "  lumetta-kbsim --control SOCKET COMMAND [ARGUMENTS]\n"
           "      send one command to a running simulator and print its reply; COMMAND is\n"
           "      press-profile-key, press-mode-key, unplug, plug, drop-answers N,\n"
           "      delay-answers MS, unplug-after N, wrong-pointer-once, bad-checksum-once,\n"
           "      refuse-bootloader [on|off], clear-faults, state, profile N [live|committed],\n"
           "      checksum START LENGTH or help\n"
           "  lumetta-kbsim --help | --version\n";
}

} // namespace lumetta::kbsim
