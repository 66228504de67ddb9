#include "apps/ctl/CtlOptions.h"

#include <charconv>
#include <vector>

namespace lumetta::ctl {

namespace {

CtlOptions invalid(std::string error) {
    CtlOptions options;
    options.error = std::move(error);
    return options;
}

std::optional<int> profileNumber(std::string_view text) {
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < 1 || value > 6) {
        return std::nullopt;
    }
    return value;
}

std::optional<CtlOptions::Command> commandNamed(std::string_view word) {
    using Command = CtlOptions::Command;
    if (word == "list") {
        return Command::LIST;
    }
    if (word == "info") {
        return Command::INFO;
    }
    if (word == "read") {
        return Command::READ;
    }
    if (word == "write") {
        return Command::WRITE;
    }
    if (word == "switch") {
        return Command::SWITCH;
    }
    return std::nullopt;
}

struct Collected {
    std::vector<std::string_view> words;
    std::optional<std::string_view> dir;
    std::optional<std::string_view> profile;
    bool force = false;
    bool debug = false;
    bool help = false;
    bool version = false;
};

// Splits options ("--dir DIR", "--dir=DIR", flags) from the words; returns an error or empty.
std::string collect(std::span<const std::string_view> args, Collected& out) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string_view arg = args[i];
        if (arg == "--help" || arg == "-h") {
            out.help = true;
        } else if (arg == "--version") {
            out.version = true;
        } else if (arg == "--force") {
            out.force = true;
        } else if (arg == "--debug") {
            out.debug = true;
        } else if (arg.starts_with("--dir") || arg.starts_with("--profile")) {
            const bool isDir = arg.starts_with("--dir");
            const std::string_view name = isDir ? "--dir" : "--profile";
            std::optional<std::string_view> value;
            if (arg.size() > name.size() && arg[name.size()] == '=') {
                value = arg.substr(name.size() + 1);
            } else if (arg.size() == name.size() && i + 1 < args.size()) {
                value = args[++i];
            } else if (arg.size() != name.size()) {
                return "unknown option " + std::string(arg);
            }
            if (!value || value->empty()) {
                return std::string(name) + " needs a value";
            }
            (isDir ? out.dir : out.profile) = *value;
        } else if (arg.starts_with("-") && arg.size() > 1) {
            return "unknown option " + std::string(arg);
        } else {
            out.words.push_back(arg);
        }
    }
    return {};
}

} // namespace

CtlOptions parseCtlOptions(std::span<const std::string_view> args) {
    using Command = CtlOptions::Command;
    Collected raw;
    if (std::string error = collect(args, raw); !error.empty()) {
        return invalid(error);
    }
    CtlOptions options;
    options.debug = raw.debug;
    if (raw.help || raw.version) {
        options.command = raw.help ? Command::HELP : Command::VERSION;
        return options;
    }
    if (raw.words.empty()) {
        return invalid("no command given");
    }
    const auto command = commandNamed(raw.words[0]);
    if (!command) {
        return invalid("unknown command " + std::string(raw.words[0]));
    }
    options.command = *command;
    const std::size_t expectedWords = *command == Command::SWITCH ? 2 : 1;
    if (raw.words.size() != expectedWords) {
        return invalid(*command == Command::SWITCH
                           ? "switch needs one profile number, 1 to 6"
                           : "too many words for " + std::string(raw.words[0]));
    }
    if (*command == Command::SWITCH) {
        options.profile = profileNumber(raw.words[1]);
        if (!options.profile) {
            return invalid("the profile number must be 1 to 6");
        }
    }
    const bool takesDir = *command == Command::READ || *command == Command::WRITE;
    if (raw.dir && !takesDir) {
        return invalid("--dir goes only with read and write");
    }
    if (raw.force && *command != Command::READ) {
        return invalid("--force goes only with read");
    }
    if (raw.profile && *command != Command::WRITE) {
        return invalid("--profile goes only with write");
    }
    if (*command == Command::READ && !raw.dir) {
        return invalid("read needs --dir DIR");
    }
    if (raw.profile) {
        options.profile = profileNumber(*raw.profile);
        if (!options.profile) {
            return invalid("the profile number must be 1 to 6");
        }
    }
    if (raw.dir) {
        options.dir = std::filesystem::path(*raw.dir);
    }
    options.force = raw.force;
    return options;
}

std::string ctlUsage() {
    return "usage: lumetta-ctl [--debug] COMMAND\n"
           "  list                          the keyboards found: device path, vendor:product,\n"
           "                                application or bootloader mode, layout type\n"
           "  info                          model, layout id, firmware and application version\n"
           "  read --dir DIR [--force]      read all six profiles into Profile0.Prf ...\n"
           "                                Profile5.Prf and config.ini in DIR (--force replaces\n"
           "                                existing files)\n"
           "  write [--dir DIR] [--profile N]\n"
           "                                write the profile files (default: the configurator's\n"
           "                                profile folder) to the keyboard, all six or profile N\n"
           "  switch N                      make profile N current on the keyboard\n"
           "  --help, --version\n"
           "Profiles are numbered 1 to 6. The keyboard is always left on the profile it runs\n"
           "and in its normal mode, also after an error or Ctrl-C.\n"
           "Exit codes: 0 done, 1 keyboard error, 2 usage error, 3 no keyboard, 4 the\n"
           "configurator is running, 130 interrupted.\n";
}

} // namespace lumetta::ctl
