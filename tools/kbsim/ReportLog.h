#pragma once

#include <chrono>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>

namespace lumetta::kbsim {

// Direction words of the log, as the host sees the reports.
inline constexpr std::string_view LOG_OUT = "out"; // host to keyboard (output report)
inline constexpr std::string_view LOG_IN = "in";   // keyboard to host (input report)
inline constexpr std::string_view LOG_NOTE = "note";

// One log line: seconds on the monotonic clock with microseconds, the direction and the 64
// report bytes as lower-case hex without separators, e.g.
//   "1234.567890 out 12000000000000..."; notes carry text instead of hex.
std::string formatLogLine(std::chrono::steady_clock::time_point at, std::string_view direction,
                          std::string_view payload);
std::string formatReportLine(std::chrono::steady_clock::time_point at, std::string_view direction,
                             std::span<const std::uint8_t> report);

// Appends lines to the log file, each with one write so that a reader never sees half a line.
class ReportLog {
public:
    ReportLog() = default;
    ~ReportLog();
    ReportLog(const ReportLog&) = delete;
    ReportLog& operator=(const ReportLog&) = delete;

    // Returns an error text, empty on success.
    std::string open(const std::filesystem::path& path);
    void write(const std::string& line);

private:
    int fd_ = -1;
};

} // namespace lumetta::kbsim
