#include "platform/os/ProcessLauncher.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <thread>

extern char** environ;

namespace lumetta::os {

namespace {

// posix_spawn's attributes and file actions, released on every path.
class SpawnSetup {
public:
    SpawnSetup() {
        ::posix_spawnattr_init(&attributes_);
        ::posix_spawn_file_actions_init(&actions_);
    }
    SpawnSetup(const SpawnSetup&) = delete;
    SpawnSetup& operator=(const SpawnSetup&) = delete;
    ~SpawnSetup() {
        ::posix_spawn_file_actions_destroy(&actions_);
        ::posix_spawnattr_destroy(&attributes_);
    }

    int configure(const LaunchOptions& options) {
        short flags = POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF;
        if (options.newSession) {
            flags |= POSIX_SPAWN_SETSID;
        }
        // The child starts with no blocked signals and default handlers, whatever this process
        // had set up for itself.
        sigset_t none;
        sigemptyset(&none);
        sigset_t all;
        sigfillset(&all);
        if (int error = ::posix_spawnattr_setsigmask(&attributes_, &none)) {
            return error;
        }
        if (int error = ::posix_spawnattr_setsigdefault(&attributes_, &all)) {
            return error;
        }
        if (int error = ::posix_spawnattr_setflags(&attributes_, flags)) {
            return error;
        }
        if (!options.workingFolder.empty()) {
            return ::posix_spawn_file_actions_addchdir_np(&actions_, options.workingFolder.c_str());
        }
        return 0;
    }

    const posix_spawnattr_t* attributes() const { return &attributes_; }
    const posix_spawn_file_actions_t* actions() const { return &actions_; }

private:
    posix_spawnattr_t attributes_;
    posix_spawn_file_actions_t actions_;
};

} // namespace

LaunchResult launchProcess(const std::string& program, const std::vector<std::string>& arguments,
                           const LaunchOptions& options) {
    LaunchResult result;
    if (program.empty()) {
        result.error = std::make_error_code(std::errc::invalid_argument);
        return result;
    }
    SpawnSetup setup;
    if (int error = setup.configure(options)) {
        result.error = {error, std::generic_category()};
        return result;
    }
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const auto& argument : arguments) {
        argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);
    pid_t pid = -1;
    const int error = options.searchPath ? ::posix_spawnp(&pid, program.c_str(), setup.actions(),
                                                          setup.attributes(), argv.data(), environ)
                                         : ::posix_spawn(&pid, program.c_str(), setup.actions(),
                                                         setup.attributes(), argv.data(), environ);
    if (error != 0) {
        result.error = {error, std::generic_category()};
        return result;
    }
    result.pid = pid;
    return result;
}

LaunchResult launchDetached(const std::string& program, const std::vector<std::string>& arguments,
                            const LaunchOptions& options) {
    LaunchResult result = launchProcess(program, arguments, options);
    if (result) {
        std::thread([pid = result.pid] { waitForExit(pid); }).detach();
    }
    return result;
}

std::optional<int> waitForExit(pid_t pid) {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) {
            return std::nullopt;
        }
    }
    return status;
}

} // namespace lumetta::os
