#pragma once

#include <ctime>
#include <filesystem>
#include <string>
#include <string_view>

namespace lumetta {

// The process-wide debug switch: off at start, switched on by the command line, never off again.
void enableDebugLog();
bool debugLogEnabled();

// The log file: "Tarnwick Setup.log" in the desktop folder.
std::filesystem::path logFilePath();

// Messages longer than this many UTF-16 units are cut there (a buffer of 1024 with terminator).
inline constexpr std::size_t MAX_LOG_MESSAGE_UNITS = 1023;

// Appends one line (the time stamp "%m/%d %H:%M ", the message, "\r\n") to the log file and
// sends it to the debugger output. Does nothing while the debug switch is off. The format is
// a printf format; a message without arguments is written as it stands, "%" included.
void writeLog(const char* format, ...) __attribute__((format(printf, 1, 2)));
void writeLogText(std::string_view message);

// The parts of writeLog, for tests: the line in UTF-16 for a given local time, and appending a
// line to a file (the byte-order mark FF FE first when the file is new or empty).
std::u16string formatLogLine(std::string_view message, const std::tm* localTime);
bool appendLogLine(const std::filesystem::path& path, std::u16string_view line);

} // namespace lumetta
