#include "profiles/DebugLog.h"

#include "platform/os/DebugOutput.h"
#include "platform/os/UniqueFd.h"
#include "platform/os/Utf16.h"
#include "platform/os/XdgFolders.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <vector>

namespace lumetta {

namespace {

std::atomic<bool> debugSwitch{false};

bool writeAll(int fd, const std::vector<std::uint8_t>& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t written = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return false;
        }
        done += static_cast<std::size_t>(written);
    }
    return true;
}

void appendLittleEndian(std::vector<std::uint8_t>& out, std::u16string_view text) {
    for (const char16_t unit : text) {
        out.push_back(static_cast<std::uint8_t>(unit & 0xFF));
        out.push_back(static_cast<std::uint8_t>(unit >> 8));
    }
}

std::string formatMessage(const char* format, va_list arguments) {
    va_list measure;
    va_copy(measure, arguments);
    const int length = std::vsnprintf(nullptr, 0, format, measure);
    va_end(measure);
    if (length <= 0) {
        return {};
    }
    std::string message(static_cast<std::size_t>(length) + 1, '\0');
    std::vsnprintf(message.data(), message.size(), format, arguments);
    message.resize(static_cast<std::size_t>(length));
    return message;
}

} // namespace

void enableDebugLog() {
    debugSwitch.store(true);
}
bool debugLogEnabled() {
    return debugSwitch.load();
}

std::filesystem::path logFilePath() {
    const std::filesystem::path desktop = os::desktopFolder();
    return desktop.empty() ? std::filesystem::path() : desktop / "Tarnwick Setup.log";
}

std::u16string formatLogLine(std::string_view message, const std::tm* localTime) {
    char stamp[128] = "";
    if (localTime == nullptr ||
        std::strftime(stamp, sizeof stamp, "%m/%d %H:%M ", localTime) == 0) {
        stamp[0] = '\0';
    }
    std::u16string line = os::utf8ToUtf16(stamp);
    const std::u16string text = os::utf8ToUtf16(message);
    line += os::cutUtf16(text, MAX_LOG_MESSAGE_UNITS);
    line += u"\r\n";
    return line;
}

bool appendLogLine(const std::filesystem::path& path, std::u16string_view line) {
    if (path.empty()) {
        return false;
    }
    os::UniqueFd fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0666));
    if (!fd) {
        return false;
    }
    // Two programs may log at once; the lock keeps the mark from being written twice and lines
    // from interleaving.
    ::flock(fd.get(), LOCK_EX);
    struct stat info {};
    std::vector<std::uint8_t> bytes;
    if (::fstat(fd.get(), &info) == 0 && info.st_size == 0) {
        bytes = {0xFF, 0xFE};
    }
    appendLittleEndian(bytes, line);
    return writeAll(fd.get(), bytes);
}

void writeLogText(std::string_view message) {
    if (!debugLogEnabled()) {
        return;
    }
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    const std::u16string line = formatLogLine(message, ::localtime_r(&now, &local));
    appendLogLine(logFilePath(), line);
    os::debugOutput(os::utf16ToUtf8(line));
}

void writeLog(const char* format, ...) {
    if (!debugLogEnabled() || format == nullptr) {
        return;
    }
    va_list arguments;
    va_start(arguments, format);
    const std::string message = formatMessage(format, arguments);
    va_end(arguments);
    writeLogText(message);
}

} // namespace lumetta
