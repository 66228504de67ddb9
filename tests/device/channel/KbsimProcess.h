#pragma once

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
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

namespace lumetta::testing {

// A fresh folder under the temporary directory, removed with everything in it.
class TempFolder {
public:
    explicit TempFolder(const std::string& prefix = "lumetta-test") {
        std::string pattern =
            (std::filesystem::temp_directory_path() / (prefix + "-XXXXXX")).string();
        path_ = ::mkdtemp(pattern.data());
    }
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

// The simulated keyboard program running under a temporary root, and its control socket. The
// keyboard's nodes are in place once the object is made; it is stopped with the object.
class KbsimProcess {
public:
    explicit KbsimProcess(const std::string& layout = "us") : folder_("lumetta-kbsim") {
        const std::string program = LUMETTA_KBSIM_PATH;
        std::vector<std::string> args = {program,
                                         "--root",
                                         root().string(),
                                         "--layout",
                                         layout,
                                         "--state",
                                         statePath().string(),
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
    ~KbsimProcess() { stop(); }
    KbsimProcess(const KbsimProcess&) = delete;
    KbsimProcess& operator=(const KbsimProcess&) = delete;

    bool running() const { return pid_ > 0 && std::filesystem::exists(socketPath()); }
    void stop() {
        if (pid_ > 0) {
            ::kill(pid_, SIGTERM);
            int status = 0;
            ::waitpid(pid_, &status, 0);
            pid_ = -1;
        }
    }

    std::filesystem::path root() const { return folder_.path() / "root"; }
    std::filesystem::path sysfs() const { return root() / "sys"; }
    std::filesystem::path dev() const { return root() / "dev"; }
    std::filesystem::path statePath() const { return folder_.path() / "kbsim.state"; }
    std::filesystem::path logPath() const { return folder_.path() / "kbsim.log"; }
    std::filesystem::path socketPath() const { return folder_.path() / "ctl.sock"; }
    const std::filesystem::path& folder() const { return folder_.path(); }

    // Points the HID layer of this process at the simulator's root.
    void exportRoots() const {
        ::setenv("HIDLINK_SYSFS_ROOT", sysfs().c_str(), 1);
        ::setenv("HIDLINK_DEV_ROOT", dev().c_str(), 1);
    }

    // Sends one control command; returns its reply lines without the final "ok", or a single
    // line starting with "error" when it failed.
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
        for (;;) {
            pollfd entry{fd, POLLIN, 0};
            if (::poll(&entry, 1, 10000) <= 0) {
                lines = {"error: no reply"};
                break;
            }
            char buffer[4096];
            const ssize_t n = ::read(fd, buffer, sizeof buffer);
            if (n <= 0) {
                lines = {"error: closed"};
                break;
            }
            reply.append(buffer, static_cast<std::size_t>(n));
            if (takeLines(reply, lines)) {
                break;
            }
        }
        ::close(fd);
        return lines;
    }

    // The key=value lines of a reply as a map.
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

    // Waits until the state says the keyboard is present (or absent).
    bool waitForPresence(bool present) const {
        const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (std::chrono::steady_clock::now() < giveUp) {
            if (values("state")["present"] == (present ? "1" : "0")) {
                return true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return false;
    }

private:
    // Splits complete lines off; true once the final "ok" or "error: ..." line is in.
    static bool takeLines(std::string& reply, std::vector<std::string>& lines) {
        for (auto end = reply.find('\n'); end != std::string::npos; end = reply.find('\n')) {
            std::string line = reply.substr(0, end);
            reply.erase(0, end + 1);
            if (line == "ok") {
                return true;
            }
            if (line.starts_with("error: ")) {
                lines = {line};
                return true;
            }
            lines.push_back(line);
        }
        return false;
    }

    TempFolder folder_;
    pid_t pid_ = -1;
};

} // namespace lumetta::testing
