#include "platform/hid/HidrawDeviceInfo.h"
#include "Descriptors.h"
#include "TempRoot.h"
#include "platform/hid/VirtualHidraw.h"

#include <gtest/gtest.h>

#include <fstream>

namespace lumetta::hid::test {
namespace {

namespace fs = std::filesystem;

TEST(HidrawDeviceInfo, ParsesTheHidIdLine) {
    struct Case {
        const char* uevent;
        bool ok;
        std::uint16_t bus, vendor, product;
    };
    const Case cases[] = {
        {"DRIVER=hid-generic\nHID_ID=0003:000004D9:00000203\nHID_NAME=x\n", true, 3, 0x04D9,
         0x0203},
        {"HID_ID=0005:0000046d:0000b342", true, 5, 0x046D, 0xB342},
        {"HID_NAME=no id\n", false, 0, 0, 0},
        {"HID_ID=0003:000004D9\n", false, 0, 0, 0},
        {"HID_ID=0003:0001004D9:00000203\n", false, 0, 0, 0}, // vendor beyond 16 bits
        {"HID_ID=0003:zz:00000203\n", false, 0, 0, 0},
        {"XHID_ID=0003:000004D9:00000203\n", false, 0, 0, 0},
    };
    for (const auto& row : cases) {
        std::uint16_t bus = 0, vendor = 0, product = 0;
        EXPECT_EQ(parseHidId(row.uevent, bus, vendor, product), row.ok) << row.uevent;
        if (row.ok) {
            EXPECT_EQ(bus, row.bus) << row.uevent;
            EXPECT_EQ(vendor, row.vendor) << row.uevent;
            EXPECT_EQ(product, row.product) << row.uevent;
        }
    }
}

VirtualHidrawConfig config(const fs::path& root, unsigned node, std::uint16_t product,
                           const std::vector<std::uint8_t>& descriptor, std::uint16_t bcd) {
    VirtualHidrawConfig config;
    config.root = root;
    config.node = node;
    config.vendorId = 0x04D9;
    config.productId = product;
    config.bcdDevice = bcd;
    config.reportDescriptor = descriptor;
    config.inputReportLength = 8;
    return config;
}

TEST(HidrawDeviceInfo, EnumeratesDescribableNodesInNumberOrder) {
    TempRoot root;
    auto ten = VirtualHidraw::create(config(root.path(), 10, 0x0203, kVendorCommand, 0x0310));
    auto two = VirtualHidraw::create(config(root.path(), 2, 0x0203, kBootKeyboard, 0x0105));
    ASSERT_TRUE(ten && two);
    // A node whose sysfs side is broken is left out, not fatal.
    fs::create_directories(root.sys() / "class/hidraw/hidraw5");
    fs::create_directories(root.sys() / "class/hidraw/mouse0");

    auto devices = enumerateHidraw(HidrawRoots{root.sys(), root.dev()});
    ASSERT_EQ(devices.size(), 2u);
    EXPECT_EQ(devices[0].node, "hidraw2");
    EXPECT_EQ(devices[1].node, "hidraw10");
    EXPECT_EQ(devices[1].devicePath, root.dev() / "hidraw10");
    EXPECT_EQ(devices[0].vendorId, 0x04D9);
    EXPECT_EQ(devices[0].productId, 0x0203);
    EXPECT_EQ(devices[0].version, std::optional<std::uint16_t>(0x0105));
    EXPECT_EQ(devices[1].version, std::optional<std::uint16_t>(0x0310));
    ASSERT_EQ(devices[1].descriptor.collections.size(), 1u);
    EXPECT_EQ(devices[1].descriptor.collections[0].usagePage, 0xFF00);
}

TEST(HidrawDeviceInfo, VersionIsAbsentWhenNoAncestorHasOne) {
    TempRoot root;
    auto device = VirtualHidraw::create(config(root.path(), 0, 0x0203, kBootKeyboard, 0x0105));
    ASSERT_TRUE(device);
    fs::path usbDevice = fs::canonical(root.sys() / "class/hidraw/hidraw0/device/../..");
    fs::remove(usbDevice / "bcdDevice");
    auto info = describeHidraw(HidrawRoots{root.sys(), root.dev()}, "hidraw0");
    ASSERT_TRUE(info);
    EXPECT_FALSE(info->version.has_value());
}

} // namespace
} // namespace lumetta::hid::test
