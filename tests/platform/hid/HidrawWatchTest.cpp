#include "platform/hid/HidrawWatch.h"
#include "Descriptors.h"
#include "TempRoot.h"
#include "platform/hid/VirtualHidraw.h"

#include <gtest/gtest.h>

#include <fstream>
#include <poll.h>

namespace lumetta::hid::test {
namespace {

using Kind = HidrawWatch::Change::Kind;

std::vector<HidrawWatch::Change> waitForChanges(HidrawWatch& watch, std::size_t count) {
    std::vector<HidrawWatch::Change> changes;
    while (changes.size() < count) {
        pollfd entry{watch.fd(), POLLIN, 0};
        if (::poll(&entry, 1, 2000) != 1) {
            break;
        }
        for (auto& change : watch.readChanges()) {
            changes.push_back(change);
        }
    }
    return changes;
}

TEST(HidrawWatch, ReportsNodesComingAndGoingAndNothingElse) {
    TempRoot root;
    std::filesystem::create_directories(root.dev());
    auto watch = HidrawWatch::open(root.dev());
    ASSERT_TRUE(watch);

    std::ofstream(root.dev() / "tty0") << "not a hid node";
    VirtualHidrawConfig config;
    config.root = root.path();
    config.node = 7;
    config.reportDescriptor = kVendorCommand;
    config.inputReportLength = 64;
    auto device = VirtualHidraw::create(config);
    ASSERT_TRUE(device);
    device->unplug();

    auto changes = waitForChanges(*watch, 2);
    EXPECT_EQ(changes, (std::vector<HidrawWatch::Change>{{Kind::Added, "hidraw7"},
                                                         {Kind::Removed, "hidraw7"}}));
}

TEST(HidrawWatch, FailsClearlyWithoutTheFolder) {
    TempRoot root;
    std::string error;
    EXPECT_FALSE(HidrawWatch::open(root.path() / "missing", &error));
    EXPECT_NE(error.find("missing"), std::string::npos);
}

} // namespace
} // namespace lumetta::hid::test
