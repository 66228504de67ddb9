#include "platform/hid/HidrawDeviceInfo.h"

#include <algorithm>
#include <charconv>
#include <fstream>
#include <iterator>

namespace lumetta::hid {

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kLongestSysfsFile = 65536;

std::optional<std::string> readSmallFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    std::string text;
    text.resize(kLongestSysfsFile);
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    text.resize(static_cast<std::size_t>(in.gcount()));
    return text;
}

bool parseHex(std::string_view text, std::uint32_t& value) {
    auto result = std::from_chars(text.data(), text.data() + text.size(), value, 16);
    return result.ec == std::errc{} && result.ptr == text.data() + text.size() && !text.empty();
}

unsigned nodeNumber(std::string_view node) {
    unsigned number = 0;
    std::from_chars(node.data() + 6, node.data() + node.size(), number);
    return number;
}

// bcdDevice lives with the USB device, a few levels above the HID device's folder.
std::optional<std::uint16_t> findVersion(const fs::path& sysfs, fs::path folder) {
    std::error_code code;
    fs::path top = fs::weakly_canonical(sysfs, code);
    for (int level = 0; level < 8 && !folder.empty(); ++level) {
        if (auto text = readSmallFile(folder / "bcdDevice")) {
            std::string_view digits(*text);
            while (!digits.empty() && (digits.back() == '\n' || digits.back() == ' ')) {
                digits.remove_suffix(1);
            }
            std::uint32_t value = 0;
            if (parseHex(digits, value) && value <= 0xFFFF) {
                return static_cast<std::uint16_t>(value);
            }
            return std::nullopt;
        }
        if (folder == top || folder == folder.parent_path()) {
            break;
        }
        folder = folder.parent_path();
    }
    return std::nullopt;
}

} // namespace

bool isHidrawNodeName(std::string_view name) {
    constexpr std::string_view prefix = "hidraw";
    if (name.size() <= prefix.size() || name.substr(0, prefix.size()) != prefix) {
        return false;
    }
    return std::all_of(name.begin() + prefix.size(), name.end(),
                       [](char c) { return c >= '0' && c <= '9'; });
}

bool parseHidId(std::string_view uevent, std::uint16_t& bus, std::uint16_t& vendorId,
                std::uint16_t& productId) {
    constexpr std::string_view key = "HID_ID=";
    std::size_t start = 0;
    while (start < uevent.size()) {
        std::size_t end = uevent.find('\n', start);
        if (end == std::string_view::npos) {
            end = uevent.size();
        }
        std::string_view line = uevent.substr(start, end - start);
        start = end + 1;
        if (line.substr(0, key.size()) != key) {
            continue;
        }
        line.remove_prefix(key.size());
        std::size_t first = line.find(':');
        std::size_t second = line.find(':', first + 1);
        if (first == std::string_view::npos || second == std::string_view::npos) {
            return false;
        }
        std::uint32_t values[3];
        if (!parseHex(line.substr(0, first), values[0]) ||
            !parseHex(line.substr(first + 1, second - first - 1), values[1]) ||
            !parseHex(line.substr(second + 1), values[2])) {
            return false;
        }
        if (values[0] > 0xFFFF || values[1] > 0xFFFF || values[2] > 0xFFFF) {
            return false;
        }
        bus = static_cast<std::uint16_t>(values[0]);
        vendorId = static_cast<std::uint16_t>(values[1]);
        productId = static_cast<std::uint16_t>(values[2]);
        return true;
    }
    return false;
}

std::optional<HidrawDeviceInfo> describeHidraw(const HidrawRoots& roots, std::string_view node) {
    if (!isHidrawNodeName(node)) {
        return std::nullopt;
    }
    std::error_code code;
    fs::path device = fs::canonical(roots.sysfs / "class/hidraw" / node / "device", code);
    if (code) {
        return std::nullopt;
    }
    HidrawDeviceInfo info;
    info.node = node;
    info.devicePath = roots.dev / node;
    auto uevent = readSmallFile(device / "uevent");
    if (!uevent || !parseHidId(*uevent, info.bus, info.vendorId, info.productId)) {
        return std::nullopt;
    }
    auto descriptor = readSmallFile(device / "report_descriptor");
    if (!descriptor) {
        return std::nullopt;
    }
    info.descriptor = parseReportDescriptor(
        std::span(reinterpret_cast<const std::uint8_t*>(descriptor->data()), descriptor->size()));
    info.version = findVersion(roots.sysfs, device.parent_path());
    return info;
}

std::vector<HidrawDeviceInfo> enumerateHidraw(const HidrawRoots& roots) {
    std::vector<std::string> nodes;
    std::error_code code;
    for (const auto& entry : fs::directory_iterator(roots.sysfs / "class/hidraw", code)) {
        std::string name = entry.path().filename().string();
        if (isHidrawNodeName(name)) {
            nodes.push_back(std::move(name));
        }
    }
    std::sort(nodes.begin(), nodes.end(), [](const std::string& a, const std::string& b) {
        return nodeNumber(a) < nodeNumber(b);
    });
    std::vector<HidrawDeviceInfo> devices;
    for (const auto& node : nodes) {
        if (auto info = describeHidraw(roots, node)) {
            devices.push_back(std::move(*info));
        }
    }
    return devices;
}

} // namespace lumetta::hid
