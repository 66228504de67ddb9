#include "platform/filedialogs/CommandChooser.h"

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

extern char** environ;

namespace lumetta::filedialogs {

namespace {

struct Output {
    bool started = false;
    int exitCode = -1;
    std::string text;
};

// Runs a program from PATH without a shell, with no input, its errors discarded, and collects
// what it prints.
Output runCapturing(const std::vector<std::string>& arguments) {
    Output out;
    int fds[2] = {-1, -1};
    if (arguments.empty() || pipe2(fds, O_CLOEXEC) != 0) {
        return out;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    std::vector<std::string> args = arguments;
    std::vector<char*> argv;
    for (std::string& a : args) {
        argv.push_back(a.data());
    }
    argv.push_back(nullptr);
    pid_t pid = -1;
    int rc = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    if (rc != 0) {
        close(fds[0]);
        return out;
    }
    out.started = true;
    char chunk[4096];
    while (true) {
        ssize_t n = read(fds[0], chunk, sizeof chunk);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            break;
        }
        out.text.append(chunk, std::size_t(n));
    }
    close(fds[0]);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    out.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return out;
}

std::string startPath(const FileDialogRequest& request, bool withName) {
    std::filesystem::path folder = request.folder;
    if (folder.empty()) {
        std::error_code ec;
        folder = std::filesystem::current_path(ec);
    }
    std::string name = withName ? offeredName(request) : std::string();
    if (name.empty()) {
        // A trailing slash makes it a folder to start in rather than a name to offer.
        std::string f = folder.string();
        return f.empty() || f.back() == '/' ? f : f + "/";
    }
    return (folder / name).string();
}

std::string patternsJoined(const FileFilter& filter, const char* separator) {
    std::string out;
    for (const std::string& p : filter.patterns) {
        out += (out.empty() ? "" : separator) + p;
    }
    return out;
}

// zenity splits a filter at '|' and kdialog its lines at '|' and newlines.
std::string withoutSeparators(std::string text) {
    for (char& c : text) {
        if (c == '|' || c == '\n') {
            c = ' ';
        }
    }
    return text;
}

} // namespace

std::string dialogTitle(const FileDialogRequest& request) {
    if (!request.title.empty()) {
        return request.title;
    }
    return request.kind == FileDialogRequest::Kind::Save ? "Save As" : "Open";
}

std::string offeredName(const FileDialogRequest& request) {
    if (request.proposedName.find_first_of("*?") != std::string::npos) {
        return {};
    }
    return std::filesystem::path(request.proposedName).filename().string();
}

std::vector<std::string> zenityArguments(const FileDialogRequest& request, int version) {
    bool save = request.kind == FileDialogRequest::Kind::Save;
    std::vector<std::string> args = {"zenity", "--file-selection",
                                     "--title=" + dialogTitle(request)};
    if (save) {
        args.emplace_back("--save");
        if (request.confirmOverwrite && version < 4) {
            args.emplace_back("--confirm-overwrite");
        }
    }
    args.push_back("--filename=" + startPath(request, save));
    for (const FileFilter& f : request.filters) {
        args.push_back("--file-filter=" + withoutSeparators(f.name) + " | " +
                       withoutSeparators(patternsJoined(f, " ")));
    }
    return args;
}

std::vector<std::string> kdialogArguments(const FileDialogRequest& request,
                                          unsigned long attachTo) {
    bool save = request.kind == FileDialogRequest::Kind::Save;
    std::vector<std::string> args = {"kdialog", save ? "--getsavefilename" : "--getopenfilename",
                                     startPath(request, save)};
    std::string filters;
    for (const FileFilter& f : request.filters) {
        filters += (filters.empty() ? "" : "\n") + withoutSeparators(patternsJoined(f, " ")) + "|" +
                   withoutSeparators(f.name);
    }
    args.push_back(filters);
    args.push_back("--title");
    args.push_back(dialogTitle(request));
    if (attachTo != 0) {
        args.push_back("--attach");
        args.push_back(std::to_string(attachTo));
    }
    return args;
}

ChooserAnswer runCommandChooser(const std::vector<std::string>& arguments, bool asksOverwrite) {
    Output out = runCapturing(arguments);
    if (!out.started) {
        return ChooserAnswer::unavailable(arguments.front() + " could not be started");
    }
    if (out.exitCode == 1) {
        ChooserAnswer a;
        a.status = ChooserAnswer::Status::Cancelled;
        return a;
    }
    std::string line = out.text.substr(0, out.text.find('\n'));
    if (out.exitCode != 0 || line.empty() || line.front() != '/') {
        return ChooserAnswer::unavailable(arguments.front() + " failed (exit code " +
                                          std::to_string(out.exitCode) + ")");
    }
    ChooserAnswer a;
    a.status = ChooserAnswer::Status::Chosen;
    a.path = line;
    a.overwriteAsked = asksOverwrite;
    return a;
}

bool programInPath(std::string_view name) {
    const char* path = std::getenv("PATH");
    if (path == nullptr || name.empty()) {
        return false;
    }
    std::string all = path;
    std::size_t start = 0;
    while (start <= all.size()) {
        std::size_t end = all.find(':', start);
        if (end == std::string::npos) {
            end = all.size();
        }
        std::string folder = all.substr(start, end - start);
        start = end + 1;
        if (folder.empty()) {
            continue;
        }
        std::string candidate = folder + "/" + std::string(name);
        if (access(candidate.c_str(), X_OK) == 0) {
            return true;
        }
    }
    return false;
}

int zenityVersion() {
    Output out = runCapturing({"zenity", "--version"});
    if (!out.started || out.exitCode != 0) {
        return 0;
    }
    return std::atoi(out.text.c_str());
}

} // namespace lumetta::filedialogs
