#pragma once

#include "device/hidlink/Hidlink.h"
#include "platform/core/Completion.h"
#include "platform/core/Message.h"
#include "platform/core/WorkerThread.h"
#include "platform/hid/HidrawDevice.h"
#include "platform/hid/HidrawDeviceInfo.h"
#include "platform/hid/HidrawRoots.h"
#include "platform/hid/HidrawWatch.h"
#include "platform/hid/SleepWatch.h"

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

namespace lumetta::hidlink {

using ReadCallback =
    std::function<void(std::uint16_t deviceId, const std::uint8_t* report, std::uint32_t length)>;

struct InstanceOptions {
    hid::HidrawRoots roots = hid::HidrawRoots::fromEnvironment();
    // Makes the sleep signal source; the default follows the system's.
    std::function<std::unique_ptr<hid::SleepWatch>(hid::SleepWatch::Handler)> sleepWatch =
        hid::SleepWatch::system;
    core::Duration writeTimeout = std::chrono::seconds(1);
    // How long a node that appeared keeps being retried while its permissions settle.
    core::Duration arrivalPatience = std::chrono::seconds(1);
};

// One instance of the layer. A monitor thread owns the list of open devices: it enumerates,
// follows hotplug and sleep, and sends the client its notices. open() and close() hand their
// work to it and wait, handling the notices sent meanwhile, so the client's window sees every
// notice of an open before open() returns, and neither call can deadlock with a notice.
class HidlinkInstance {
public:
    explicit HidlinkInstance(InstanceOptions options = {});
    ~HidlinkInstance();
    HidlinkInstance(const HidlinkInstance&) = delete;
    HidlinkInstance& operator=(const HidlinkInstance&) = delete;

    void setFilter(const HidlinkFilter& filter);
    void setReadCallback(ReadCallback callback);
    std::uint32_t open(core::WindowHandle client, core::MessageId message);
    void close();
    std::uint32_t write(std::uint16_t deviceId, const std::uint8_t* data, std::uint32_t length);
    std::uint16_t version() const;

private:
    struct Entry;
    struct Command;
    struct PendingArrival {
        core::TimePoint giveUpAt;
        core::TimePoint nextTry;
    };

    std::uint32_t runCommand(int kind);
    void queueCommand(Command command);
    void monitorLoop();
    bool handleCommands();
    void handleChanges();
    void retryArrivals();
    std::uint32_t enumerate();
    enum class Attempt { Added, Retry, Skip };
    Attempt tryAdd(const std::string& node, bool retrying);
    bool matches(const hid::HidrawDeviceInfo& info, std::size_t& collection) const;
    void removeEntry(const std::shared_ptr<Entry>& entry, bool notify);
    void removeAll(bool notify);
    void suspend();
    void resume();
    void sendNotice(const HidlinkNotice& notice);
    std::shared_ptr<Entry> findById(std::uint16_t deviceId) const;
    std::shared_ptr<Entry> findByNode(const std::string& node) const;
    std::optional<int> nextRetryTimeoutMs() const;

    const InstanceOptions options_;

    mutable std::mutex mutex_; // short holds only; never while waiting or sending
    HidlinkFilter filter_{};
    ReadCallback callback_;
    core::WindowHandle client_;
    core::MessageId message_ = 0;
    bool suspended_ = false;
    std::uint16_t nextDeviceId_ = 1;
    std::vector<std::shared_ptr<Entry>> entries_;

    std::mutex commandMutex_;
    std::deque<Command> commands_;
    hid::UniqueFd commandWake_;
    std::unique_ptr<hid::HidrawWatch> watch_;
    std::unique_ptr<hid::SleepWatch> sleepWatch_;
    std::map<std::string, PendingArrival> pending_; // monitor thread only
    core::WorkerThread monitor_;
};

} // namespace lumetta::hidlink
