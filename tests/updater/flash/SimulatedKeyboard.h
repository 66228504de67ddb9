#pragma once

// The simulated keyboard program under a temporary root, for the updater's tests and
// benchmarks. The program's path comes from KBSIM_PROGRAM.

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <poll.h>
#include <spawn.h>
#include <string>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace lumetta::flash::test {

// A fresh folder under the temporary directory, removed with everything in it.
class ScratchFolder {
public:
    explicit ScratchFolder(const std::string& prefix) {
        std::string pattern =
            (std::filesystem::temp_directory_path() / (prefix + "-XXXXXX")).string();
        if (::mkdtemp(pattern.data())) {
            path_ = pattern;
        }
    }
    ~ScratchFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

// One simulated keyboard; its nodes exist once the object is made, and it stops with it.
class SimulatedKeyboard {
public:
    explicit SimulatedKeyboard(const std::string& layout = "us") : folder_("lumetta-flash") {
        const std::string program = KBSIM_PROGRAM;
        std::vector<std::string> args = {program,
                                         "--root",
                                         root().string(),
                                         "--layout",
                                         layout,
                                         "--state",
                                         (folder_.path() / "kbsim.state").string(),
                                         "--log",
                                         logPath().string(),
                                         "--control",
                                         socketPath().string()};
        std::vector<char*> argv;
        for (auto& arg : args) {
            argv.push_back(arg.data());
        }
        argv.push_back(nullptr);
        if (::posix_spawn(&pid_, program.c_str(), nullptr, nullptr, argv.data(), environ) != 0) {
            pid_ = -1;
            return;
        }
        const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (!std::filesystem::exists(socketPath()) &&
               std::chrono::steady_clock::now() < giveUp) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }
    ~SimulatedKeyboard() {
        if (pid_ > 0) {
            ::kill(pid_, SIGTERM);
            int status = 0;
            ::waitpid(pid_, &status, 0);
        }
    }
    SimulatedKeyboard(const SimulatedKeyboard&) = delete;
    SimulatedKeyboard& operator=(const SimulatedKeyboard&) = delete;

    bool running() const { return pid_ > 0 && std::filesystem::exists(socketPath()); }
    std::filesystem::path root() const { return folder_.path() / "root"; }
    std::filesystem::path logPath() const { return folder_.path() / "kbsim.log"; }
    std::filesystem::path socketPath() const { return folder_.path() / "ctl.sock"; }

    // Points this process's HID layer at the simulator's nodes (read when an instance is made).
    void exportRoots() const {
        ::setenv("HIDLINK_SYSFS_ROOT", (root() / "sys").c_str(), 1);
        ::setenv("HIDLINK_DEV_ROOT", (root() / "dev").c_str(), 1);
    }

    // One control command: its data lines, or one line starting with "error".
    std::vector<std::string> control(const std::string& command) const {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, socketPath().c_str(), sizeof address.sun_path - 1);
        if (fd < 0 ||
            ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
            if (fd >= 0) {
                ::close(fd);
            }
            return {"error: no simulator"};
        }
        const std::string line = command + "\n";
        [[maybe_unused]] auto sent = ::send(fd, line.data(), line.size(), MSG_NOSIGNAL);
        std::string reply;
        std::vector<std::string> lines;
        for (bool complete = false; !complete;) {
            pollfd entry{fd, POLLIN, 0};
            char buffer[4096];
            const ssize_t n = ::poll(&entry, 1, 10000) > 0 ? ::read(fd, buffer, sizeof buffer) : 0;
            if (n <= 0) {
                lines = {"error: no reply"};
                break;
            }
            reply.append(buffer, static_cast<std::size_t>(n));
            for (auto end = reply.find('\n'); end != std::string::npos; end = reply.find('\n')) {
                std::string text = reply.substr(0, end);
                reply.erase(0, end + 1);
                if (text == "ok" || text.starts_with("error")) {
                    if (text != "ok") {
                        lines = {text};
                    }
                    complete = true;
                    break;
                }
                lines.push_back(text);
            }
        }
        ::close(fd);
        return lines;
    }

    // The key=value lines of a command's reply.
    std::map<std::string, std::string> values(const std::string& command) const {
        std::map<std::string, std::string> result;
        for (const std::string& line : control(command)) {
            const auto eq = line.find('=');
            if (eq != std::string::npos) {
                result[line.substr(0, eq)] = line.substr(eq + 1);
            }
        }
        return result;
    }

    // Waits until the keyboard is there and runs in `mode` ("firmware" or "bootloader").
    bool waitForMode(const std::string& mode) const {
        const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (std::chrono::steady_clock::now() < giveUp) {
            auto state = values("state");
            if (state["present"] == "1" && state["mode"] == mode) {
                return true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return false;
    }

    // The flash checksum of a range, as the keyboard computes it (nothing when it did not say).
    std::optional<std::uint32_t> checksum(std::uint32_t start, std::uint32_t length) const {
        const std::string text =
            values("checksum " + std::to_string(start) + " " + std::to_string(length))["checksum"];
        if (!text.starts_with("0x")) {
            return std::nullopt;
        }
        return static_cast<std::uint32_t>(std::stoul(text.substr(2), nullptr, 16));
    }

    // The command byte (two hex digits) of every report the host wrote, from the report log.
    std::vector<std::string> sentCommands() const {
        std::vector<std::string> commands;
        std::ifstream log(logPath());
        for (std::string line; std::getline(log, line);) {
            const auto at = line.find(" out ");
            if (at != std::string::npos && line.size() >= at + 7) {
                commands.push_back(line.substr(at + 5, 2));
            }
        }
        return commands;
    }

private:
    ScratchFolder folder_;
    pid_t pid_ = -1;
};

} // namespace lumetta::flash::test
