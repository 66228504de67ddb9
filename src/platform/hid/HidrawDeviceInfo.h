#pragma once

#include "platform/hid/HidrawRoots.h"
#include "platform/hid/ReportDescriptor.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lumetta::hid {

// What sysfs says about one hidraw node.
struct HidrawDeviceInfo {
    std::string node;                 // "hidraw3"
    std::filesystem::path devicePath; // <dev>/hidraw3
    std::uint16_t bus = 0;
    std::uint16_t vendorId = 0;
    std::uint16_t productId = 0;
    std::optional<std::uint16_t> version; // bcdDevice of the nearest ancestor that has one
    ReportDescriptor descriptor;
};

// Whether a name is a hidraw node name ("hidraw" and a number).
bool isHidrawNodeName(std::string_view name);

// Reads the sysfs side of one node; nothing when its identity or descriptor is unreadable.
std::optional<HidrawDeviceInfo> describeHidraw(const HidrawRoots& roots, std::string_view node);

// Every describable node, in node-number order.
std::vector<HidrawDeviceInfo> enumerateHidraw(const HidrawRoots& roots);

// "HID_ID=0003:000004D9:00000203" and the like, from the text of a uevent file.
bool parseHidId(std::string_view uevent, std::uint16_t& bus, std::uint16_t& vendorId,
                std::uint16_t& productId);

} // namespace lumetta::hid
