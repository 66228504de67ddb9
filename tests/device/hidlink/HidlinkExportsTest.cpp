// Loads libHidlink.so at run time as the programs do: the program's message core must serve the
// library, or its notices would go to windows it cannot see.
#include "../../platform/hid/TempRoot.h"
#include "HidlinkFixture.h"

#include <dlfcn.h>

namespace lumetta::hidlink::test {
namespace {

using std::chrono::milliseconds;

ReportLog* activeLog = nullptr;

// The six operations, looked up by name in the loaded library.
struct Exports {
    void* library = nullptr;
    decltype(&HidlinkOpen) open = nullptr;
    decltype(&HidlinkClose) close = nullptr;
    decltype(&HidlinkSetFilter) setFilter = nullptr;
    decltype(&HidlinkSetReadCallback) setReadCallback = nullptr;
    decltype(&HidlinkWrite) write = nullptr;
    decltype(&HidlinkGetVersion) getVersion = nullptr;

    bool load() {
        library = ::dlopen(HIDLINK_LIBRARY, RTLD_NOW | RTLD_LOCAL);
        if (!library) {
            return false;
        }
        open = reinterpret_cast<decltype(open)>(::dlsym(library, "HidlinkOpen"));
        close = reinterpret_cast<decltype(close)>(::dlsym(library, "HidlinkClose"));
        setFilter = reinterpret_cast<decltype(setFilter)>(::dlsym(library, "HidlinkSetFilter"));
        setReadCallback =
            reinterpret_cast<decltype(setReadCallback)>(::dlsym(library, "HidlinkSetReadCallback"));
        write = reinterpret_cast<decltype(write)>(::dlsym(library, "HidlinkWrite"));
        getVersion = reinterpret_cast<decltype(getVersion)>(::dlsym(library, "HidlinkGetVersion"));
        return open && close && setFilter && setReadCallback && write && getVersion;
    }
};

void recordReport(std::uint16_t id, const std::uint8_t* report, std::uint32_t length) {
    activeLog->add(id, report, length);
}

TEST(HidlinkExports, TheSixOperationsWorkThroughTheSharedLibrary) {
    Exports hidlink;
    ASSERT_TRUE(hidlink.load()) << ::dlerror();

    hid::test::TempRoot root;
    auto keyboard = makeDevice(root.path(), 0, kCommandInterface, kProduct, 0x0305);
    ::setenv("HIDLINK_SYSFS_ROOT", root.sys().c_str(), 1);
    ::setenv("HIDLINK_DEV_ROOT", root.dev().c_str(), 1);

    NoticeWindow client;
    ReportLog log;
    activeLog = &log;
    HidlinkFilter filter = commandFilter();
    EXPECT_EQ(hidlink.setFilter(&filter, 0), &filter);
    hidlink.setReadCallback(&recordReport, 0);
    EXPECT_EQ(hidlink.open(client.handle().value(), kNoticeMessage, 0), 2u);
    EXPECT_EQ(client.notices, std::vector<HidlinkNotice>{arrival(1)});
    EXPECT_EQ(hidlink.getVersion(0), 0x0305);

    auto data = pattern(9, 64);
    EXPECT_EQ(hidlink.write(1, data.data(), 64, 0), 1u);
    auto sent = keyboard->receiveOutput(65, milliseconds(1000));
    ASSERT_TRUE(sent);
    EXPECT_EQ(std::vector<std::uint8_t>(sent->begin() + 1, sent->end()), data);
    ASSERT_TRUE(keyboard->sendInput(data));
    ASSERT_TRUE(pumpUntil([&] { return !log.entries().empty(); }));
    EXPECT_EQ(log.entries()[0].second.size(), 65u);

    keyboard->unplug();
    ASSERT_TRUE(pumpUntil([&] { return client.notices.size() == 2; }));
    EXPECT_EQ(client.notices[1], removal(1));
    hidlink.close(0);
    activeLog = nullptr;
    ::unsetenv("HIDLINK_SYSFS_ROOT");
    ::unsetenv("HIDLINK_DEV_ROOT");
}

TEST(HidlinkExports, OutOfRangeIndexesAndEmptySlotsDoNothing) {
    Exports hidlink;
    ASSERT_TRUE(hidlink.load()) << ::dlerror();
    HidlinkFilter filter = commandFilter();
    EXPECT_EQ(hidlink.open(0, kNoticeMessage, 5), 0u);
    EXPECT_EQ(hidlink.setFilter(&filter, 7), &filter);
    EXPECT_EQ(hidlink.write(1, nullptr, 0, 5), 0u);
    EXPECT_EQ(hidlink.getVersion(9), 0);
    hidlink.close(5);
    hidlink.close(3); // an empty slot
    EXPECT_EQ(hidlink.write(1, nullptr, 0, 3), 0u) << "a fresh instance has no devices";
    hidlink.close(3);
}

} // namespace
} // namespace lumetta::hidlink::test
