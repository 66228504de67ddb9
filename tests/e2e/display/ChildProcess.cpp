#include "e2e/display/ChildProcess.h"

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

// The test's environment with the extra entries replacing same-named ones.
std::vector<std::string> mergedEnvironment(const std::vector<std::string>& extra) {
    std::vector<std::string> out;
    auto overridden = [&](const std::string& entry) {
        std::string name = entry.substr(0, entry.find('='));
        for (const std::string& e : extra) {
            if (e.substr(0, e.find('=')) == name) {
                return true;
            }
        }
        return false;
    };
    for (char** e = environ; *e != nullptr; ++e) {
        if (!overridden(*e)) {
            out.emplace_back(*e);
        }
    }
    out.insert(out.end(), extra.begin(), extra.end());
    return out;
}

std::vector<char*> pointers(std::vector<std::string>& strings) {
    std::vector<char*> out;
    for (std::string& s : strings) {
        out.push_back(s.data());
    }
    out.push_back(nullptr);
    return out;
}

struct Spawned {
    pid_t pid = -1;
    int in = -1;
    int out = -1;
    std::string error;
};

Spawned spawn(const std::vector<std::string>& argv, const std::vector<std::string>& extraEnv,
              bool withInput) {
    Spawned s;
    int inPipe[2] = {-1, -1};
    int outPipe[2] = {-1, -1};
    if ((withInput && pipe2(inPipe, O_CLOEXEC) != 0) || pipe2(outPipe, O_CLOEXEC) != 0) {
        s.error = std::string("pipe: ") + std::strerror(errno);
        return s;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (withInput) {
        posix_spawn_file_actions_adddup2(&actions, inPipe[0], 0);
    } else {
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    }
    posix_spawn_file_actions_adddup2(&actions, outPipe[1], 1);
    std::vector<std::string> args = argv;
    std::vector<std::string> env = mergedEnvironment(extraEnv);
    auto argp = pointers(args);
    auto envp = pointers(env);
    pid_t pid = -1;
    int rc = posix_spawnp(&pid, argp[0], &actions, nullptr, argp.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (withInput) {
        close(inPipe[0]);
    }
    close(outPipe[1]);
    if (rc != 0) {
        s.error = argv.front() + ": " + std::strerror(rc);
        if (withInput) {
            close(inPipe[1]);
        }
        close(outPipe[0]);
        return s;
    }
    s.pid = pid;
    s.in = withInput ? inPipe[1] : -1;
    s.out = outPipe[0];
    return s;
}

int remainingMs(Clock::time_point deadline) {
    auto left = std::chrono::duration_cast<milliseconds>(deadline - Clock::now()).count();
    return left < 0 ? 0 : int(left);
}

// Collects the child if it has ended by the deadline.
std::optional<int> reap(pid_t pid, Clock::time_point deadline) {
    while (true) {
        int status = 0;
        pid_t r = waitpid(pid, &status, WNOHANG);
        if (r == pid) {
            return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        }
        if (r < 0 && errno != EINTR) {
            return -1;
        }
        if (Clock::now() >= deadline) {
            return std::nullopt;
        }
        std::this_thread::sleep_for(milliseconds(10));
    }
}

} // namespace

ProgramResult runProgram(const std::vector<std::string>& argv,
                         const std::vector<std::string>& extraEnv, milliseconds timeout) {
    ProgramResult result;
    Spawned s = spawn(argv, extraEnv, false);
    if (s.pid < 0) {
        result.output = s.error;
        return result;
    }
    result.started = true;
    auto deadline = Clock::now() + timeout;
    char chunk[4096];
    while (true) {
        pollfd p{s.out, POLLIN, 0};
        int ready = poll(&p, 1, remainingMs(deadline));
        if (ready <= 0) {
            if (ready == 0 || errno != EINTR) {
                break;
            }
            continue;
        }
        ssize_t n = read(s.out, chunk, sizeof chunk);
        if (n <= 0) {
            break;
        }
        result.output.append(chunk, std::size_t(n));
    }
    close(s.out);
    std::optional<int> code = reap(s.pid, deadline);
    if (!code) {
        result.timedOut = true;
        kill(s.pid, SIGKILL);
        code = reap(s.pid, Clock::now() + std::chrono::seconds(5));
    }
    result.exitCode = code.value_or(-1);
    return result;
}

std::unique_ptr<ChildProcess> ChildProcess::start(const std::vector<std::string>& argv,
                                                  const std::vector<std::string>& extraEnv,
                                                  std::string& error) {
    // A child that ends early must not take the test with it when the test writes to it.
    signal(SIGPIPE, SIG_IGN);
    Spawned s = spawn(argv, extraEnv, true);
    if (s.pid < 0) {
        error = s.error;
        return nullptr;
    }
    std::unique_ptr<ChildProcess> child(new ChildProcess());
    child->pid_ = s.pid;
    child->in_ = s.in;
    child->out_ = s.out;
    return child;
}

ChildProcess::~ChildProcess() {
    stop();
    closeInput();
    if (out_ >= 0) {
        close(out_);
    }
}

std::optional<std::string> ChildProcess::readLine(milliseconds timeout) {
    auto deadline = Clock::now() + timeout;
    while (true) {
        if (auto end = buffer_.find('\n'); end != std::string::npos) {
            std::string line = buffer_.substr(0, end);
            buffer_.erase(0, end + 1);
            return line;
        }
        if (out_ < 0) {
            return std::nullopt;
        }
        pollfd p{out_, POLLIN, 0};
        int ready = poll(&p, 1, remainingMs(deadline));
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        if (ready <= 0) {
            return std::nullopt;
        }
        char chunk[4096];
        ssize_t n = read(out_, chunk, sizeof chunk);
        if (n <= 0) {
            close(out_);
            out_ = -1;
            continue;
        }
        buffer_.append(chunk, std::size_t(n));
    }
}

std::optional<std::string> ChildProcess::waitForLine(const std::string& prefix,
                                                     milliseconds timeout) {
    auto deadline = Clock::now() + timeout;
    while (auto line = readLine(milliseconds(remainingMs(deadline)))) {
        if (line->rfind(prefix, 0) == 0) {
            return line;
        }
        skipped_.push_back(*line);
    }
    return std::nullopt;
}

bool ChildProcess::writeLine(const std::string& line) {
    if (in_ < 0) {
        return false;
    }
    std::string data = line + "\n";
    const char* p = data.data();
    std::size_t left = data.size();
    while (left > 0) {
        ssize_t n = write(in_, p, left);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        p += n;
        left -= std::size_t(n);
    }
    return true;
}

void ChildProcess::closeInput() {
    if (in_ >= 0) {
        close(in_);
        in_ = -1;
    }
}

std::optional<int> ChildProcess::wait(milliseconds timeout) {
    if (exitCode_ || pid_ < 0) {
        return exitCode_;
    }
    exitCode_ = reap(pid_, Clock::now() + timeout);
    return exitCode_;
}

void ChildProcess::stop() {
    if (pid_ < 0 || exitCode_) {
        return;
    }
    kill(pid_, SIGTERM);
    exitCode_ = reap(pid_, Clock::now() + std::chrono::seconds(3));
    if (!exitCode_) {
        kill(pid_, SIGKILL);
        exitCode_ = reap(pid_, Clock::now() + std::chrono::seconds(5)).value_or(-1);
    }
}

} // namespace lumetta::test
