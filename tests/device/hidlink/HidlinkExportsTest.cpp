// Runs against libHidlink.so: the program's message core must serve the library.
#include "../../platform/hid/TempRoot.h"
#include "HidlinkFixture.h"

#include <dlfcn.h>

namespace lumetta::hidlink::test {
namespace {

using std::chrono::milliseconds;

ReportLog* activeLog = nullptr;

void recordReport(std::uint16_t id, const std::uint8_t* report, std::uint32_t length) {
    activeLog->add(id, report, length);
}

TEST(HidlinkExports, TheSixOperationsWorkThroughTheSharedLibrary) {
    Dl_info where{};
    ASSERT_NE(dladdr(reinterpret_cast<void*>(&HidlinkOpen), &where), 0);
    EXPECT_NE(std::string(where.dli_fname).find("libHidlink.so"), std::string::npos);

    hid::test::TempRoot root;
    auto keyboard = makeDevice(root.path(), 0, kCommandInterface, kProduct, 0x0305);
    ::setenv("HIDLINK_SYSFS_ROOT", root.sys().c_str(), 1);
    ::setenv("HIDLINK_DEV_ROOT", root.dev().c_str(), 1);

    NoticeWindow client;
    ReportLog log;
    activeLog = &log;
    HidlinkFilter filter = commandFilter();
    EXPECT_EQ(HidlinkSetFilter(&filter, 0), &filter);
    HidlinkSetReadCallback(&recordReport, 0);
    EXPECT_EQ(HidlinkOpen(client.handle().value(), kNoticeMessage, 0), 2u);
    EXPECT_EQ(client.notices, std::vector<HidlinkNotice>{arrival(1)});
    EXPECT_EQ(HidlinkGetVersion(0), 0x0305);

    auto data = pattern(9, 64);
    EXPECT_EQ(HidlinkWrite(1, data.data(), 64, 0), 1u);
    auto sent = keyboard->receiveOutput(65, milliseconds(1000));
    ASSERT_TRUE(sent);
    EXPECT_EQ(std::vector<std::uint8_t>(sent->begin() + 1, sent->end()), data);
    ASSERT_TRUE(keyboard->sendInput(data));
    ASSERT_TRUE(pumpUntil([&] { return !log.entries().empty(); }));
    EXPECT_EQ(log.entries()[0].second.size(), 65u);

    keyboard->unplug();
    ASSERT_TRUE(pumpUntil([&] { return client.notices.size() == 2; }));
    EXPECT_EQ(client.notices[1], removal(1));
    HidlinkClose(0);
    activeLog = nullptr;
    ::unsetenv("HIDLINK_SYSFS_ROOT");
    ::unsetenv("HIDLINK_DEV_ROOT");
}

TEST(HidlinkExports, OutOfRangeIndexesAndEmptySlotsDoNothing) {
    HidlinkFilter filter = commandFilter();
    EXPECT_EQ(HidlinkOpen(0, kNoticeMessage, 5), 0u);
    EXPECT_EQ(HidlinkSetFilter(&filter, 7), &filter);
    EXPECT_EQ(HidlinkWrite(1, nullptr, 0, 5), 0u);
    EXPECT_EQ(HidlinkGetVersion(9), 0);
    HidlinkClose(5);
    HidlinkClose(3); // an empty slot
    EXPECT_EQ(HidlinkWrite(1, nullptr, 0, 3), 0u) << "a fresh instance has no devices";
    HidlinkClose(3);
}

} // namespace
} // namespace lumetta::hidlink::test
