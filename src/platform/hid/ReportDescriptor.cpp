#include "platform/hid/ReportDescriptor.h"

#include <algorithm>

namespace lumetta::hid {

namespace {

// Item type and tag values of the HID item encoding.
enum : std::uint8_t { TypeMain = 0, TypeGlobal = 1, TypeLocal = 2 };
enum : std::uint8_t {
    MainInput = 0x8,
    MainOutput = 0x9,
    MainCollection = 0xA,
    MainFeature = 0xB,
    MainEndCollection = 0xC
};
enum : std::uint8_t {
    GlobalUsagePage = 0x0,
    GlobalReportSize = 0x7,
    GlobalReportId = 0x8,
    GlobalReportCount = 0x9,
    GlobalPush = 0xA,
    GlobalPop = 0xB
};
enum : std::uint8_t { LocalUsage = 0x0, LocalUsageMinimum = 0x1 };
constexpr std::uint8_t kLongItemPrefix = 0xFE;
constexpr std::size_t kDeepestGlobalStack = 32;

struct Globals {
    std::uint32_t usagePage = 0;
    std::uint32_t reportSize = 0;
    std::uint32_t reportCount = 0;
    std::uint8_t reportId = 0;
};

struct Usage {
    std::uint32_t value = 0;
    bool extended = false; // a 4-byte usage carries its own page in the high half
};

class Parser {
public:
    explicit Parser(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

    ReportDescriptor run() {
        std::size_t offset = 0;
        while (offset < bytes_.size()) {
            std::size_t next = item(offset);
            if (next == 0) {
                break;
            }
            offset = next;
        }
        if (depth_ > 0) {
            note(bytes_.size(), "collection not closed");
        }
        for (auto& collection : result_.collections) {
            finish(collection);
        }
        return std::move(result_);
    }

private:
    // Returns the offset of the next item, or 0 when the rest cannot be read.
    std::size_t item(std::size_t offset) {
        std::uint8_t prefix = bytes_[offset];
        if (prefix == kLongItemPrefix) {
            if (offset + 3 > bytes_.size()) {
                note(offset, "truncated long item");
                return 0;
            }
            std::size_t end = offset + 3 + bytes_[offset + 1];
            if (end > bytes_.size()) {
                note(offset, "truncated long item");
                return 0;
            }
            return end;
        }
        std::size_t size = (prefix & 3) == 3 ? 4 : (prefix & 3);
        if (offset + 1 + size > bytes_.size()) {
            note(offset, "truncated item");
            return 0;
        }
        std::uint32_t value = 0;
        for (std::size_t i = 0; i < size; ++i) {
            value |= static_cast<std::uint32_t>(bytes_[offset + 1 + i]) << (8 * i);
        }
        std::uint8_t type = (prefix >> 2) & 3;
        std::uint8_t tag = prefix >> 4;
        switch (type) {
        case TypeMain:
            mainItem(offset, tag);
            break;
        case TypeGlobal:
            globalItem(offset, tag, value);
            break;
        case TypeLocal:
            localItem(tag, value, size == 4);
            break;
        default:
            note(offset, "reserved item type");
            break;
        }
        return offset + 1 + size;
    }

    void mainItem(std::size_t offset, std::uint8_t tag) {
        switch (tag) {
        case MainInput:
            addBits(offset, ReportKind::Input);
            break;
        case MainOutput:
            addBits(offset, ReportKind::Output);
            break;
        case MainFeature:
            addBits(offset, ReportKind::Feature);
            break;
        case MainCollection:
            if (depth_ == 0) {
                openTopLevel();
            }
            ++depth_;
            break;
        case MainEndCollection:
            if (depth_ == 0) {
                note(offset, "end of a collection that was not opened");
            } else {
                --depth_;
            }
            break;
        default:
            note(offset, "unknown main item");
            break;
        }
        usages_.clear();
    }

    void globalItem(std::size_t offset, std::uint8_t tag, std::uint32_t value) {
        switch (tag) {
        case GlobalUsagePage:
            globals_.usagePage = value & 0xFFFF;
            break;
        case GlobalReportSize:
            globals_.reportSize = value;
            break;
        case GlobalReportCount:
            globals_.reportCount = value;
            break;
        case GlobalReportId:
            if (value == 0 || value > 0xFF) {
                note(offset, "report id out of range");
                break;
            }
            globals_.reportId = static_cast<std::uint8_t>(value);
            result_.numbered = true;
            break;
        case GlobalPush:
            if (stack_.size() >= kDeepestGlobalStack) {
                note(offset, "global stack too deep");
                break;
            }
            stack_.push_back(globals_);
            break;
        case GlobalPop:
            if (stack_.empty()) {
                note(offset, "pop without push");
                break;
            }
            globals_ = stack_.back();
            stack_.pop_back();
            break;
        default:
            break; // logical and physical ranges, units: no bearing on report sizes
        }
    }

    void localItem(std::uint8_t tag, std::uint32_t value, bool extended) {
        if (tag == LocalUsage || (tag == LocalUsageMinimum && usages_.empty())) {
            usages_.push_back(Usage{value, extended});
        }
    }

    void openTopLevel() {
        TopLevelCollection collection;
        if (!usages_.empty()) {
            const Usage& usage = usages_.front();
            collection.usagePage =
                usage.extended ? usage.value >> 16 : static_cast<std::uint16_t>(globals_.usagePage);
            collection.usage = static_cast<std::uint16_t>(usage.value & 0xFFFF);
        } else {
            collection.usagePage = static_cast<std::uint16_t>(globals_.usagePage);
        }
        result_.collections.push_back(std::move(collection));
    }

    void addBits(std::size_t offset, ReportKind kind) {
        if (depth_ == 0 || result_.collections.empty()) {
            note(offset, "report item outside a collection");
            return;
        }
        auto& reports = result_.collections.back().reports;
        auto it = std::find_if(reports.begin(), reports.end(), [&](const ReportInfo& report) {
            return report.kind == kind && report.id == globals_.reportId;
        });
        if (it == reports.end()) {
            reports.push_back(ReportInfo{kind, globals_.reportId, 0});
            it = reports.end() - 1;
        }
        std::uint64_t bits = std::uint64_t{it->bits} + std::uint64_t{globals_.reportSize} *
                                                           std::uint64_t{globals_.reportCount};
        std::uint64_t limit = std::uint64_t{kLongestReport} * 8;
        if (bits > limit) {
            note(offset, "report longer than a host accepts");
            bits = limit;
        }
        it->bits = static_cast<std::uint32_t>(bits);
    }

    static void finish(TopLevelCollection& collection) {
        for (const auto& report : collection.reports) {
            std::uint32_t bytes = std::min((report.bits + 7) / 8 + 1, kLongestReport);
            std::uint32_t* length = report.kind == ReportKind::Input ? &collection.inputReportLength
                                    : report.kind == ReportKind::Output
                                        ? &collection.outputReportLength
                                        : &collection.featureReportLength;
            *length = std::max(*length, bytes);
        }
    }

    void note(std::size_t offset, const char* message) {
        if (!result_.problem) {
            result_.problem = DescriptorProblem{offset, message};
        }
    }

    std::span<const std::uint8_t> bytes_;
    ReportDescriptor result_;
    Globals globals_;
    std::vector<Globals> stack_;
    std::vector<Usage> usages_;
    int depth_ = 0;
};

} // namespace

std::uint32_t TopLevelCollection::reportLength(ReportKind kind) const {
    switch (kind) {
    case ReportKind::Input:
        return inputReportLength;
    case ReportKind::Output:
        return outputReportLength;
    case ReportKind::Feature:
        return featureReportLength;
    }
    return 0;
}

std::uint8_t TopLevelCollection::firstReportId(ReportKind kind) const {
    for (const auto& report : reports) {
        if (report.kind == kind) {
            return report.id;
        }
    }
    return 0;
}

bool TopLevelCollection::hasReport(ReportKind kind, std::uint8_t id) const {
    return std::any_of(reports.begin(), reports.end(), [&](const ReportInfo& report) {
        return report.kind == kind && report.id == id;
    });
}

ReportDescriptor parseReportDescriptor(std::span<const std::uint8_t> bytes) {
    return Parser(bytes).run();
}

} // namespace lumetta::hid
