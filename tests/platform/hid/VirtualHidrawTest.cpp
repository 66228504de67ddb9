#include "platform/hid/VirtualHidraw.h"
#include "TempRoot.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <poll.h>

namespace lumetta::hid::test {
namespace {

namespace fs = std::filesystem;
using std::chrono::milliseconds;

std::string readText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

VirtualHidrawConfig keyboardConfig(const fs::path& root, unsigned node) {
    VirtualHidrawConfig config;
    config.root = root;
    config.node = node;
    config.vendorId = 0x04D9;
    config.productId = 0x0203;
    config.bcdDevice = 0x0105;
    config.reportDescriptor = {0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0xC0};
    config.inputReportLength = 64;
    return config;
}

bool readable(int fd, int timeoutMs) {
    pollfd entry{fd, POLLIN, 0};
    return ::poll(&entry, 1, timeoutMs) == 1 && (entry.revents & POLLIN);
}

TEST(VirtualHidraw, LaysOutSysfsAsLinuxDoes) {
    TempRoot root;
    auto device = VirtualHidraw::create(keyboardConfig(root.path(), 3));
    ASSERT_TRUE(device);

    fs::path link = root.sys() / "class/hidraw/hidraw3/device";
    ASSERT_TRUE(fs::is_symlink(link));
    fs::path hidDevice = fs::canonical(link);
    EXPECT_NE(readText(hidDevice / "uevent").find("HID_ID=0003:000004D9:00000203\n"),
              std::string::npos);
    EXPECT_EQ(readText(hidDevice / "report_descriptor").size(), 8u);
    EXPECT_EQ(readText(hidDevice.parent_path().parent_path() / "bcdDevice"), "0105\n");
    EXPECT_TRUE(fs::is_symlink(root.dev() / "hidraw3"));

    std::string error;
    EXPECT_FALSE(VirtualHidraw::create(keyboardConfig(root.path(), 3), &error))
        << "a node number can be used once";
    EXPECT_FALSE(error.empty());
}

TEST(VirtualHidraw, CarriesWholeReportsBothWays) {
    TempRoot root;
    auto device = VirtualHidraw::create(keyboardConfig(root.path(), 0));
    ASSERT_TRUE(device);
    int host = ::open(device->devicePath().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_GE(host, 0);

    std::vector<std::uint8_t> output(65);
    for (std::size_t i = 0; i < output.size(); ++i) {
        output[i] = static_cast<std::uint8_t>(i * 7); // includes 0x0A and 0x0D: no translation
    }
    ASSERT_EQ(::write(host, output.data(), output.size()), 65);
    EXPECT_EQ(device->receiveOutput(65, milliseconds(1000)), output);

    std::vector<std::uint8_t> input(64);
    for (std::size_t i = 0; i < input.size(); ++i) {
        input[i] = static_cast<std::uint8_t>(0xFF - i);
    }
    ASSERT_TRUE(device->sendInput(std::span(input).first(10)));
    EXPECT_FALSE(readable(host, 50)) << "a partial report must not wake the reader";
    ASSERT_TRUE(device->sendInput(std::span(input).subspan(10)));
    ASSERT_TRUE(readable(host, 1000));
    std::vector<std::uint8_t> got(64);
    ASSERT_EQ(::read(host, got.data(), got.size()), 64);
    EXPECT_EQ(got, input);
    ::close(host);
}

TEST(VirtualHidraw, UnplugRemovesTheFilesAndHangsUpTheHost) {
    TempRoot root;
    auto device = VirtualHidraw::create(keyboardConfig(root.path(), 1));
    ASSERT_TRUE(device);
    int host = ::open(device->devicePath().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_GE(host, 0);
    device->unplug();

    EXPECT_FALSE(fs::exists(root.dev() / "hidraw1"));
    EXPECT_FALSE(fs::exists(root.sys() / "class/hidraw/hidraw1"));
    EXPECT_TRUE(fs::is_empty(root.sys() / "class/hidraw"));
    pollfd entry{host, POLLIN, 0};
    ASSERT_EQ(::poll(&entry, 1, 1000), 1);
    std::uint8_t byte;
    EXPECT_LE(::read(host, &byte, 1), 0) << "the host's read must fail once unplugged";
    ::close(host);
}

} // namespace
} // namespace lumetta::hid::test
