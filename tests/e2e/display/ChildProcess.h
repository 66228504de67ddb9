#pragma once

#include <sys/types.h>

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace lumetta::test {

using std::chrono::milliseconds;

// What a finished program said and how it ended.
struct ProgramResult {
    bool started = false;
    bool timedOut = false;
    int exitCode = -1; // -1 when it did not end normally
    std::string output;
};

// Runs a program (looked up in PATH, started without a shell) with extra environment entries
// ("NAME=value") to its end, killing it when the timeout passes first.
ProgramResult runProgram(const std::vector<std::string>& argv,
                         const std::vector<std::string>& extraEnv, milliseconds timeout);

// A program running beside the test, its standard input and output on pipes (standard error
// stays the test's). Stopped by its process id when dropped: SIGTERM, then SIGKILL.
class ChildProcess {
public:
    static std::unique_ptr<ChildProcess> start(const std::vector<std::string>& argv,
                                               const std::vector<std::string>& extraEnv,
                                               std::string& error);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    pid_t pid() const { return pid_; }
    // The next line of its output without the line end; none at its end or after the timeout.
    std::optional<std::string> readLine(milliseconds timeout);
    // Reads lines until one starts with prefix and returns that line; the lines passed over are
    // kept in skipped() for failure messages.
    std::optional<std::string> waitForLine(const std::string& prefix, milliseconds timeout);
    const std::vector<std::string>& skipped() const { return skipped_; }
    bool writeLine(const std::string& line);
    void closeInput();
    // Its exit code once it has ended by itself within the timeout.
    std::optional<int> wait(milliseconds timeout);
    // Stops it now (SIGTERM, SIGKILL after a grace period) and collects it.
    void stop();

private:
    ChildProcess() = default;

    pid_t pid_ = -1;
    int in_ = -1;
    int out_ = -1;
    std::string buffer_;
    std::vector<std::string> skipped_;
    std::optional<int> exitCode_;
};

} // namespace lumetta::test
