#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace lumetta::hid {

enum class ReportKind : std::uint8_t { Input, Output, Feature };

struct ReportInfo {
    ReportKind kind = ReportKind::Input;
    std::uint8_t id = 0; // 0 when the device does not number its reports
    std::uint32_t bits = 0;
};

// One top-level collection: what a host lists as a HID device of its own.
struct TopLevelCollection {
    std::uint16_t usagePage = 0;
    std::uint16_t usage = 0;
    std::vector<ReportInfo> reports; // one per kind and id, in order of first appearance
    // Byte lengths as hosts state them: the longest report of the kind plus one byte for the
    // report id (there even when reports are unnumbered); 0 when there is no report of the kind.
    std::uint32_t inputReportLength = 0;
    std::uint32_t outputReportLength = 0;
    std::uint32_t featureReportLength = 0;

    std::uint32_t reportLength(ReportKind kind) const;
    // The id of the first report of the kind (0 when unnumbered or absent).
    std::uint8_t firstReportId(ReportKind kind) const;
    bool hasReport(ReportKind kind, std::uint8_t id) const;
};

struct DescriptorProblem {
    std::size_t offset = 0;
    std::string message;
};

struct ReportDescriptor {
    std::vector<TopLevelCollection> collections;
    bool numbered = false;                    // reports carry their id in front
    std::optional<DescriptorProblem> problem; // the first one met; parsing went on past it
};

// Longest report a host accepts; longer declarations are clamped and reported as a problem.
inline constexpr std::uint32_t kLongestReport = 16384;

// Reads a HID report descriptor. Never fails: it keeps what it could make sense of.
ReportDescriptor parseReportDescriptor(std::span<const std::uint8_t> bytes);

} // namespace lumetta::hid
