#include "device/hidlink/HidlinkInstance.h"
#include "../../platform/hid/TempRoot.h"
#include "HidlinkFixture.h"

#include <atomic>

namespace lumetta::hidlink::test {
namespace {

using std::chrono::milliseconds;

// Stands in for the system's sleep signal; the test fires it.
class FakeSleep : public hid::SleepWatch {
public:
    explicit FakeSleep(Handler handler, hid::SleepWatch::Handler* slot) : slot_(slot) {
        *slot_ = std::move(handler);
    }
    ~FakeSleep() override { *slot_ = nullptr; }

private:
    hid::SleepWatch::Handler* slot_;
};

class HidlinkInstanceTest : public ::testing::Test {
protected:
    void SetUp() override { std::filesystem::create_directories(root.dev()); }

    std::unique_ptr<HidlinkInstance> makeInstance(const HidlinkFilter& filter = commandFilter()) {
        InstanceOptions options;
        options.roots = hid::HidrawRoots{root.sys(), root.dev()};
        options.sleepWatch = [this](hid::SleepWatch::Handler handler) {
            return std::make_unique<FakeSleep>(std::move(handler), &sleep);
        };
        options.writeTimeout = milliseconds(300);
        auto instance = std::make_unique<HidlinkInstance>(options);
        instance->setFilter(filter);
        instance->setReadCallback(
            [this](std::uint16_t id, const std::uint8_t* report, std::uint32_t length) {
                reports.add(id, report, length);
            });
        return instance;
    }

    std::uint32_t open(HidlinkInstance& instance) {
        return instance.open(client.handle(), kNoticeMessage);
    }

    bool waitForNotices(std::size_t count) {
        return pumpUntil([&] { return client.notices.size() >= count; });
    }

    hid::test::TempRoot root;
    NoticeWindow client;
    ReportLog reports;
    hid::SleepWatch::Handler sleep;
};

TEST_F(HidlinkInstanceTest, NothingMatchingGivesZeroAndOneEmptyNotice) {
    auto boot = makeDevice(root.path(), 0, kBootKeyboard);
    auto otherProduct = makeDevice(root.path(), 1, kCommandInterface, 0x1203);
    auto otherUsage = makeDevice(root.path(), 2, kOtherUsage);
    auto instance = makeInstance();

    EXPECT_EQ(open(*instance), 0u);
    EXPECT_EQ(client.notices, std::vector<HidlinkNotice>{HidlinkNotice{}});

    instance->close();
    HidlinkFilter none = commandFilter();
    none.PairCount = 0;
    auto keyboard = makeDevice(root.path(), 3, kCommandInterface);
    auto strict = makeInstance(none);
    client.notices.clear();
    EXPECT_EQ(open(*strict), 0u) << "a filter without pairs lets nothing through";
    EXPECT_EQ(client.notices, std::vector<HidlinkNotice>{HidlinkNotice{}});
}

TEST_F(HidlinkInstanceTest, MatchingDevicesGetIdsInEnumerationOrderBeforeOpenReturns) {
    auto second = makeDevice(root.path(), 12, kCommandInterface, kProduct, 0x0207);
    auto boot = makeDevice(root.path(), 4, kBootKeyboard);
    auto first = makeDevice(root.path(), 9, kCommandInterface, kProduct, 0x0105);
    auto instance = makeInstance();

    EXPECT_EQ(open(*instance), 3u);
    EXPECT_EQ(client.notices, (std::vector<HidlinkNotice>{arrival(1), arrival(2)}));
    EXPECT_EQ(client.lastThread, std::this_thread::get_id());
    EXPECT_EQ(instance->version(), 0x0105) << "the version of the first open device";
}

TEST_F(HidlinkInstanceTest, InputReportsReachTheCallbackWithReportIdAndLength65) {
    auto keyboard = makeDevice(root.path(), 0, kCommandInterface);
    auto instance = makeInstance();
    ASSERT_EQ(open(*instance), 2u);

    auto report = pattern(0x42, 64);
    ASSERT_TRUE(keyboard->sendInput(report));
    ASSERT_TRUE(pumpUntil([&] { return !reports.entries().empty(); }));
    auto [id, bytes] = reports.entries()[0];
    EXPECT_EQ(id, 1);
    ASSERT_EQ(bytes.size(), 65u);
    EXPECT_EQ(bytes[0], 0);
    EXPECT_EQ(std::vector<std::uint8_t>(bytes.begin() + 1, bytes.end()), report);
}

TEST_F(HidlinkInstanceTest, WritesPutTheReportIdInFrontAndRefuseWhatCannotBeSent) {
    auto keyboard = makeDevice(root.path(), 0, kCommandInterface);
    auto instance = makeInstance();
    ASSERT_EQ(open(*instance), 2u);

    auto data = pattern(7, 64);
    EXPECT_EQ(instance->write(1, data.data(), 64), 1u);
    auto sent = keyboard->receiveOutput(65, milliseconds(1000));
    ASSERT_TRUE(sent);
    EXPECT_EQ((*sent)[0], 0);
    EXPECT_EQ(std::vector<std::uint8_t>(sent->begin() + 1, sent->end()), data);

    EXPECT_EQ(instance->write(1, data.data(), 4), 1u) << "a short report is padded with zeros";
    sent = keyboard->receiveOutput(65, milliseconds(1000));
    ASSERT_TRUE(sent);
    EXPECT_EQ(std::vector<std::uint8_t>(sent->begin() + 5, sent->end()),
              std::vector<std::uint8_t>(60, 0));

    struct Case {
        const char* name;
        std::uint16_t id;
        std::uint32_t length;
    };
    auto longer = pattern(0, 65);
    for (const Case& row : {Case{"id 0", 0, 64}, Case{"unknown id", 2, 64},
                            Case{"longer than the output report", 1, 65}}) {
        EXPECT_EQ(instance->write(row.id, longer.data(), row.length), 0u) << row.name;
    }
    EXPECT_FALSE(keyboard->receiveOutput(1, milliseconds(100))) << "nothing may reach the device";
}

TEST_F(HidlinkInstanceTest, HotplugArrivalAndRemovalAreNoticedOnce) {
    auto instance = makeInstance();
    ASSERT_EQ(open(*instance), 0u);
    client.notices.clear();

    auto keyboard = makeDevice(root.path(), 5, kCommandInterface);
    auto ignored = makeDevice(root.path(), 6, kBootKeyboard);
    ASSERT_TRUE(waitForNotices(1));
    EXPECT_EQ(client.notices[0], arrival(1));
    EXPECT_EQ(client.lastThread, std::this_thread::get_id());

    keyboard->unplug(); // both the node's deletion and the failing read tell of it
    ASSERT_TRUE(waitForNotices(2));
    EXPECT_EQ(client.notices[1], removal(1));
    auto data = pattern(0, 64);
    EXPECT_EQ(instance->write(1, data.data(), 64), 0u);

    auto again = makeDevice(root.path(), 5, kCommandInterface);
    ASSERT_TRUE(waitForNotices(3));
    EXPECT_EQ(client.notices[2], arrival(2)) << "ids go on counting";
    pumpUntil([] { return false; }, milliseconds(200)); // would show a late duplicate
    EXPECT_EQ(client.notices.size(), 3u);
}

TEST_F(HidlinkInstanceTest, ANodeThatAppearsBeforeItsSysfsSideIsRetried) {
    // The device is made elsewhere; its node shows up here first, its sysfs side a little later.
    hid::test::TempRoot elsewhere;
    auto keyboard = makeDevice(elsewhere.path(), 3, kCommandInterface);
    auto instance = makeInstance();
    ASSERT_EQ(open(*instance), 0u);
    client.notices.clear();

    std::filesystem::create_symlink(std::filesystem::read_symlink(keyboard->devicePath()),
                                    root.dev() / "hidraw3");
    std::this_thread::sleep_for(milliseconds(300));
    std::filesystem::create_directories(root.sys() / "class");
    std::filesystem::create_directory_symlink(elsewhere.sys() / "class/hidraw",
                                              root.sys() / "class/hidraw");
    ASSERT_TRUE(waitForNotices(1));
    EXPECT_EQ(client.notices[0], arrival(1));
}

TEST_F(HidlinkInstanceTest, SleepRemovesEveryDeviceAndWakingAnnouncesThemAfresh) {
    auto first = makeDevice(root.path(), 0, kCommandInterface);
    auto second = makeDevice(root.path(), 1, kCommandInterface);
    auto instance = makeInstance();
    ASSERT_EQ(open(*instance), 3u);
    ASSERT_TRUE(sleep);
    client.notices.clear();

    sleep(true);
    ASSERT_TRUE(waitForNotices(2));
    EXPECT_EQ(client.notices, (std::vector<HidlinkNotice>{removal(1), removal(2)}));
    auto data = pattern(0, 64);
    EXPECT_EQ(instance->write(1, data.data(), 64), 0u);

    auto late = makeDevice(root.path(), 2, kCommandInterface); // arrives while asleep
    std::this_thread::sleep_for(milliseconds(100));
    sleep(false);
    ASSERT_TRUE(waitForNotices(5));
    EXPECT_EQ(std::vector<HidlinkNotice>(client.notices.begin() + 2, client.notices.end()),
              (std::vector<HidlinkNotice>{arrival(1), arrival(2), arrival(3)}));
    EXPECT_EQ(instance->write(1, data.data(), 64), 1u);
}

TEST_F(HidlinkInstanceTest, CloseEndsReadersThatWaitAndNeverDeadlocksWithANotice) {
    auto keyboard = makeDevice(root.path(), 0, kCommandInterface);
    auto instance = makeInstance();
    ASSERT_EQ(open(*instance), 2u);
    ASSERT_TRUE(keyboard->sendInput(pattern(0, 20))); // a report begun but not finished

    // The removal notice is sent while this thread is already closing: close must take it.
    auto other = makeDevice(root.path(), 1, kCommandInterface);
    other->unplug();
    instance->close();
    ASSERT_TRUE(keyboard->sendInput(pattern(0, 44)));
    std::this_thread::sleep_for(milliseconds(50));
    EXPECT_TRUE(reports.entries().empty()) << "no reader may run after close";
    EXPECT_EQ(instance->version(), 0);

    client.notices.clear();
    EXPECT_EQ(open(*instance), 2u) << "an instance can be opened again, ids from 1";
    EXPECT_EQ(client.notices, std::vector<HidlinkNotice>{arrival(1)});
}

} // namespace
} // namespace lumetta::hidlink::test
