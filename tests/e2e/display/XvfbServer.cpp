#include "e2e/display/XvfbServer.h"

#include "platform/gfx/Picture.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <thread>

extern char** environ;

namespace lumetta::test {

namespace {

using Clock = std::chrono::steady_clock;

constexpr auto kStartTimeout = std::chrono::seconds(20);
constexpr auto kToolTimeout = std::chrono::seconds(20);

// Reads what Xvfb writes to the descriptor given with -displayfd: its display number and a line
// end, once it accepts connections.
std::string readDisplayNumber(int fd, std::string& error) {
    std::string text;
    auto deadline = Clock::now() + kStartTimeout;
    while (text.find('\n') == std::string::npos) {
        auto left = std::chrono::duration_cast<milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) {
            error = "Xvfb did not report a display within 20 s";
            return {};
        }
        pollfd p{fd, POLLIN, 0};
        int ready = poll(&p, 1, int(left));
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        if (ready <= 0) {
            continue;
        }
        char chunk[64];
        ssize_t n = read(fd, chunk, sizeof chunk);
        if (n <= 0) {
            error = "Xvfb ended before it reported a display (is the package xvfb installed?)";
            return {};
        }
        text.append(chunk, std::size_t(n));
    }
    return text.substr(0, text.find('\n'));
}

} // namespace

XvfbServer::XvfbServer(gfx::Size screen) : screen_(screen) {
    int fds[2] = {-1, -1};
    if (pipe2(fds, O_CLOEXEC) != 0) {
        error_ = std::string("pipe: ") + std::strerror(errno);
        return;
    }
    // Descriptor 3 of the server is the pipe's writing end; dup2 leaves it open across exec.
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 3);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    std::string geometry =
        std::to_string(screen.width) + "x" + std::to_string(screen.height) + "x24";
    std::vector<std::string> args = {"Xvfb",   "-displayfd", "3",   "-screen",  "0",
                                     geometry, "-nolisten",  "tcp", "-noreset", "-br"};
    std::vector<char*> argv;
    for (std::string& a : args) {
        argv.push_back(a.data());
    }
    argv.push_back(nullptr);
    pid_t pid = -1;
    int rc = posix_spawnp(&pid, "Xvfb", &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    if (rc != 0) {
        close(fds[0]);
        error_ =
            std::string("cannot start Xvfb (is the package xvfb installed?): ") + std::strerror(rc);
        return;
    }
    pid_ = pid;
    std::string number = readDisplayNumber(fds[0], error_);
    close(fds[0]);
    if (number.empty()) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
        pid_ = -1;
        return;
    }
    display_ = ":" + number;
}

XvfbServer::~XvfbServer() {
    if (pid_ <= 0) {
        return;
    }
    kill(pid_, SIGTERM);
    auto deadline = Clock::now() + std::chrono::seconds(5);
    while (Clock::now() < deadline) {
        if (waitpid(pid_, nullptr, WNOHANG) == pid_) {
            return;
        }
        std::this_thread::sleep_for(milliseconds(10));
    }
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
}

std::vector<std::string> XvfbServer::environment() const {
    // No window manager, no session bus of the desktop: the programs see only this server.
    return {"DISPLAY=" + display_, "WAYLAND_DISPLAY="};
}

int XvfbServer::xdotool(const std::vector<std::string>& arguments, std::string* output) const {
    std::vector<std::string> argv = {"xdotool"};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    ProgramResult r = runProgram(argv, environment(), kToolTimeout);
    if (output != nullptr) {
        *output = r.output;
    }
    return r.started && !r.timedOut ? r.exitCode : -1;
}

bool XvfbServer::saveScreenshot(const std::filesystem::path& png) const {
    ProgramResult r =
        runProgram({"import", "-window", "root", png.string()}, environment(), kToolTimeout);
    return r.started && !r.timedOut && r.exitCode == 0 && std::filesystem::exists(png);
}

gfx::Surface XvfbServer::screenshot() const {
    char pattern[] = "/tmp/lumetta-shot-XXXXXX.png";
    int fd = mkstemps(pattern, 4);
    if (fd < 0) {
        return {};
    }
    close(fd);
    std::filesystem::path path = pattern;
    gfx::Surface out;
    if (saveScreenshot(path)) {
        out = gfx::loadPictureFile(path).surface;
    }
    std::filesystem::remove(path);
    return out;
}

unsigned rgbAt(const gfx::Surface& picture, gfx::Point p) {
    return picture.pixel(p.x, p.y) & 0xFFFFFFu;
}

} // namespace lumetta::test
