#include "kbsim/ReportLog.h"

#include "kbsim/HexText.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace lumetta::kbsim {

std::string formatLogLine(std::chrono::steady_clock::time_point at, std::string_view direction,
                          std::string_view payload) {
    const auto us =
        std::chrono::duration_cast<std::chrono::microseconds>(at.time_since_epoch()).count();
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%lld.%06lld", static_cast<long long>(us / 1000000),
                  static_cast<long long>(us % 1000000));
    std::string line = stamp;
    line += ' ';
    line += direction;
    line += ' ';
    line += payload;
    line += '\n';
    return line;
}

std::string formatReportLine(std::chrono::steady_clock::time_point at, std::string_view direction,
                             std::span<const std::uint8_t> report) {
    return formatLogLine(at, direction, toHex(report));
}

ReportLog::~ReportLog() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

std::string ReportLog::open(const std::filesystem::path& path) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd < 0) {
        return "cannot open log " + path.string() + ": " + std::strerror(errno);
    }
    if (fd_ >= 0) {
        ::close(fd_);
    }
    fd_ = fd;
    return {};
}

void ReportLog::write(const std::string& line) {
    if (fd_ < 0) {
        return;
    }
    // A full disk must not stop the keyboard; the line is lost.
    [[maybe_unused]] const ssize_t written = ::write(fd_, line.data(), line.size());
}

} // namespace lumetta::kbsim
