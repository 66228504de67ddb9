// Arbitrary bytes as a report descriptor: the parser must stay in bounds, terminate, and keep
// every length it states within what a host accepts.
#include "platform/hid/HidrawDeviceInfo.h"
#include "platform/hid/ReportDescriptor.h"

#include <cstdint>
#include <cstdlib>
#include <span>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::span<const std::uint8_t> bytes(data, size);
    auto parsed = lumetta::hid::parseReportDescriptor(bytes);
    if (parsed.problem && parsed.problem->offset > size) {
        std::abort();
    }
    for (const auto& collection : parsed.collections) {
        for (auto kind : {lumetta::hid::ReportKind::Input, lumetta::hid::ReportKind::Output,
                          lumetta::hid::ReportKind::Feature}) {
            if (collection.reportLength(kind) > lumetta::hid::kLongestReport) {
                std::abort();
            }
        }
    }
    // The same bytes as the text of a uevent file.
    std::uint16_t bus = 0, vendor = 0, product = 0;
    lumetta::hid::parseHidId(std::string_view(reinterpret_cast<const char*>(data), size), bus,
                             vendor, product);
    return 0;
}
