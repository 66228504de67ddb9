#include "device/hidlink/HidlinkInstance.h"

#include "platform/core/Window.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace lumetta::hidlink {

namespace {

enum CommandKind { Enumerate, Shutdown, DeviceGone, Sleep, Wake };

constexpr auto kArrivalRetryStep = std::chrono::milliseconds(50);

core::TimePoint now() {
    return core::Clock::steady().now();
}

} // namespace

struct HidlinkInstance::Entry {
    std::uint16_t deviceId = 0;
    std::string node;
    std::uint16_t vendorId = 0;
    std::uint16_t productId = 0;
    std::uint16_t usage = 0;
    std::uint16_t usagePage = 0;
    std::optional<std::uint16_t> version;
    std::uint8_t outputReportId = 0;
    std::unique_ptr<hid::HidrawDevice> device;
};

struct HidlinkInstance::Command {
    int kind = Enumerate;
    std::uint16_t deviceId = 0;
    struct Reply {
        core::Completion done;
        std::uint32_t result = 0;
    };
    std::shared_ptr<Reply> reply;
};

HidlinkInstance::HidlinkInstance(InstanceOptions options) : options_(std::move(options)) {}

HidlinkInstance::~HidlinkInstance() {
    close();
}

void HidlinkInstance::setFilter(const HidlinkFilter& filter) {
    std::lock_guard lock(mutex_);
    filter_ = filter;
}

void HidlinkInstance::setReadCallback(ReadCallback callback) {
    std::lock_guard lock(mutex_);
    callback_ = std::move(callback);
}

std::uint32_t HidlinkInstance::open(core::WindowHandle client, core::MessageId message) {
    {
        std::lock_guard lock(mutex_);
        client_ = client;
        message_ = message;
    }
    if (!monitor_.joinable()) {
        watch_ = hid::HidrawWatch::open(options_.roots.dev);
        commandWake_.reset(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
        if (!watch_ || !commandWake_) {
            watch_.reset();
            return 0;
        }
        monitor_ = core::WorkerThread([this] { monitorLoop(); });
        if (options_.sleepWatch) {
            sleepWatch_ = options_.sleepWatch([this](bool sleeping) {
                queueCommand(Command{sleeping ? Sleep : Wake, 0, nullptr});
            });
        }
    }
    return runCommand(Enumerate);
}

void HidlinkInstance::close() {
    if (!monitor_.joinable()) {
        return;
    }
    // The sleep watch only queues commands, so it can go first without waiting on anyone.
    sleepWatch_.reset();
    runCommand(Shutdown);
    monitor_.join();
    watch_.reset();
    commandWake_.reset();
    std::lock_guard lock(mutex_);
    nextDeviceId_ = 1;
    suspended_ = false;
}

std::uint32_t HidlinkInstance::write(std::uint16_t deviceId, const std::uint8_t* data,
                                     std::uint32_t length) {
    std::shared_ptr<Entry> entry;
    {
        std::lock_guard lock(mutex_);
        if (suspended_) {
            return 0;
        }
        entry = findById(deviceId);
    }
    if (!entry || (length > 0 && !data)) {
        return 0;
    }
    std::uint32_t outputLength = entry->device->layout().outputLength;
    // A report longer than the device's output report cannot be sent whole: refuse it rather
    // than send part of it.
    if (outputLength < 2 || length > outputLength - 1) {
        return 0;
    }
    std::vector<std::uint8_t> report(outputLength, 0);
    report[0] = entry->outputReportId;
    std::copy(data, data + length, report.begin() + 1);
    return entry->device->write(report, options_.writeTimeout) ? 1 : 0;
}

std::uint16_t HidlinkInstance::version() const {
    std::lock_guard lock(mutex_);
    if (entries_.empty()) {
        return 0;
    }
    return entries_.front()->version.value_or(0);
}

std::uint32_t HidlinkInstance::runCommand(int kind) {
    auto reply = std::make_shared<Command::Reply>();
    queueCommand(Command{kind, 0, reply});
    reply->done.wait();
    return reply->result;
}

void HidlinkInstance::queueCommand(Command command) {
    {
        std::lock_guard lock(commandMutex_);
        commands_.push_back(std::move(command));
    }
    std::uint64_t one = 1;
    [[maybe_unused]] ssize_t ignored = ::write(commandWake_.get(), &one, sizeof one);
}

void HidlinkInstance::monitorLoop() {
    for (;;) {
        pollfd entries[2] = {{commandWake_.get(), POLLIN, 0}, {watch_->fd(), POLLIN, 0}};
        ::poll(entries, 2, nextRetryTimeoutMs().value_or(-1));
        std::uint64_t count = 0;
        [[maybe_unused]] ssize_t ignored = ::read(commandWake_.get(), &count, sizeof count);
        handleChanges();
        retryArrivals();
        if (!handleCommands()) {
            return;
        }
    }
}

bool HidlinkInstance::handleCommands() {
    for (;;) {
        Command command;
        {
            std::lock_guard lock(commandMutex_);
            if (commands_.empty()) {
                return true;
            }
            command = std::move(commands_.front());
            commands_.pop_front();
        }
        std::uint32_t result = 0;
        switch (command.kind) {
        case Enumerate:
            result = enumerate();
            break;
        case DeviceGone:
            if (auto entry = findById(command.deviceId)) {
                removeEntry(entry, true);
            }
            break;
        case Sleep:
            suspend();
            break;
        case Wake:
            resume();
            break;
        case Shutdown: {
            bool suspended = false;
            {
                std::lock_guard lock(mutex_);
                suspended = suspended_;
            }
            removeAll(suspended);
            pending_.clear();
            // Later commands still get their answer, so nobody waits on a thread that ended.
            std::deque<Command> rest;
            {
                std::lock_guard lock(commandMutex_);
                rest.swap(commands_);
            }
            for (auto& late : rest) {
                if (late.reply) {
                    late.reply->done.signal();
                }
            }
            command.reply->done.signal();
            return false;
        }
        }
        if (command.reply) {
            command.reply->result = result;
            command.reply->done.signal();
        }
    }
}

void HidlinkInstance::handleChanges() {
    for (const auto& change : watch_->readChanges()) {
        if (change.kind == hid::HidrawWatch::Change::Kind::Removed) {
            pending_.erase(change.node);
            if (auto entry = findByNode(change.node)) {
                removeEntry(entry, true);
            }
            continue;
        }
        {
            std::lock_guard lock(mutex_);
            if (suspended_) {
                continue;
            }
        }
        if (findByNode(change.node) || pending_.count(change.node)) {
            continue;
        }
        pending_[change.node] = PendingArrival{now() + options_.arrivalPatience, now()};
    }
}

void HidlinkInstance::retryArrivals() {
    for (auto it = pending_.begin(); it != pending_.end();) {
        PendingArrival& arrival = it->second;
        if (arrival.nextTry > now()) {
            ++it;
            continue;
        }
        Attempt attempt = tryAdd(it->first, true);
        if (attempt == Attempt::Retry && now() < arrival.giveUpAt) {
            arrival.nextTry = now() + kArrivalRetryStep;
            ++it;
            continue;
        }
        it = pending_.erase(it);
    }
}

std::optional<int> HidlinkInstance::nextRetryTimeoutMs() const {
    std::optional<int> timeout;
    for (const auto& [node, arrival] : pending_) {
        auto wait = std::chrono::ceil<std::chrono::milliseconds>(arrival.nextTry - now());
        int ms = static_cast<int>(std::max<std::int64_t>(wait.count(), 0));
        timeout = timeout ? std::min(*timeout, ms) : ms;
    }
    return timeout;
}

std::uint32_t HidlinkInstance::enumerate() {
    for (const auto& info : hid::enumerateHidraw(options_.roots)) {
        if (!findByNode(info.node)) {
            tryAdd(info.node, false);
        }
    }
    std::uint16_t next = 0;
    {
        std::lock_guard lock(mutex_);
        next = nextDeviceId_;
    }
    if (next == 1) {
        sendNotice(HidlinkNotice{});
        return 0;
    }
    return next;
}

HidlinkInstance::Attempt HidlinkInstance::tryAdd(const std::string& node, bool retrying) {
    auto info = hid::describeHidraw(options_.roots, node);
    if (!info) {
        return Attempt::Retry; // sysfs may still be filling in
    }
    std::size_t index = 0;
    if (!matches(*info, index)) {
        return Attempt::Skip;
    }
    const hid::TopLevelCollection& collection = info->descriptor.collections[index];
    hid::ReportLayout layout{collection.inputReportLength, collection.outputReportLength,
                             info->descriptor.numbered};
    errno = 0;
    auto device = hid::HidrawDevice::open(info->devicePath, layout);
    if (!device) {
        bool settling = errno == EACCES || errno == EPERM || errno == ENOENT;
        return retrying && settling ? Attempt::Retry : Attempt::Skip;
    }

    auto entry = std::make_shared<Entry>();
    entry->node = node;
    entry->vendorId = info->vendorId;
    entry->productId = info->productId;
    entry->usage = collection.usage;
    entry->usagePage = collection.usagePage;
    entry->version = info->version;
    entry->outputReportId = collection.firstReportId(hid::ReportKind::Output);
    entry->device = std::move(device);

    ReadCallback callback;
    {
        std::lock_guard lock(mutex_);
        if (suspended_) {
            return Attempt::Skip;
        }
        callback = callback_;
        entry->deviceId = nextDeviceId_;
        nextDeviceId_ = nextDeviceId_ == 0xFFFF ? 1 : nextDeviceId_ + 1;
    }
    std::uint16_t id = entry->deviceId;
    bool numbered = info->descriptor.numbered;
    auto onInput = [callback, id, numbered, collection](std::span<const std::uint8_t> report) {
        // A node carries every collection of its device; only the matched one's reports count.
        if (!callback || (numbered && !collection.hasReport(hid::ReportKind::Input, report[0]))) {
            return;
        }
        callback(id, report.data(), static_cast<std::uint32_t>(report.size()));
    };
    auto onGone = [this, id] { queueCommand(Command{DeviceGone, id, nullptr}); };
    if (!entry->device->start(onInput, onGone)) {
        return Attempt::Skip;
    }
    {
        std::lock_guard lock(mutex_);
        entries_.push_back(entry);
    }
    sendNotice(HidlinkNotice{1, entry->deviceId, entry->vendorId, entry->productId, entry->usage,
                             entry->usagePage});
    return Attempt::Added;
}

bool HidlinkInstance::matches(const hid::HidrawDeviceInfo& info, std::size_t& collection) const {
    std::lock_guard lock(mutex_);
    if (info.vendorId != filter_.VendorId || info.productId != filter_.ProductId) {
        return false;
    }
    std::uint32_t pairs = std::min<std::uint32_t>(filter_.PairCount, HIDLINK_FILTER_PAIRS);
    const auto& collections = info.descriptor.collections;
    for (std::size_t i = 0; i < collections.size(); ++i) {
        for (std::uint32_t p = 0; p < pairs; ++p) {
            if (filter_.Pairs[p].UsagePage == collections[i].usagePage &&
                filter_.Pairs[p].Usage == collections[i].usage) {
                collection = i;
                return true;
            }
        }
    }
    return false;
}

void HidlinkInstance::removeEntry(const std::shared_ptr<Entry>& entry, bool notify) {
    {
        std::lock_guard lock(mutex_);
        std::erase(entries_, entry);
    }
    // Writers that found the entry before it left the list keep the device open until their
    // write ends; the reader stops now.
    entry->device->stop();
    if (notify) {
        sendNotice(HidlinkNotice{0, entry->deviceId, entry->vendorId, entry->productId,
                                 entry->usage, entry->usagePage});
    }
}

void HidlinkInstance::removeAll(bool notify) {
    std::vector<std::shared_ptr<Entry>> entries;
    {
        std::lock_guard lock(mutex_);
        entries = entries_;
    }
    for (const auto& entry : entries) {
        removeEntry(entry, notify);
    }
}

void HidlinkInstance::suspend() {
    {
        std::lock_guard lock(mutex_);
        if (suspended_) {
            return;
        }
        suspended_ = true;
    }
    pending_.clear();
    removeAll(true);
    std::lock_guard lock(mutex_);
    nextDeviceId_ = 1;
}

void HidlinkInstance::resume() {
    {
        std::lock_guard lock(mutex_);
        if (!suspended_) {
            return;
        }
        suspended_ = false;
    }
    enumerate();
}

void HidlinkInstance::sendNotice(const HidlinkNotice& notice) {
    core::WindowHandle client;
    core::MessageId message = 0;
    {
        std::lock_guard lock(mutex_);
        client = client_;
        message = message_;
    }
    HidlinkNotice copy = notice;
    core::sendMessage(client, message, 1, reinterpret_cast<core::LParam>(&copy));
}

std::shared_ptr<HidlinkInstance::Entry> HidlinkInstance::findById(std::uint16_t deviceId) const {
    // Called with mutex_ held by write(), without it on the monitor thread, which is the only
    // thread that changes the list.
    for (const auto& entry : entries_) {
        if (entry->deviceId == deviceId && deviceId != 0) {
            return entry;
        }
    }
    return nullptr;
}

std::shared_ptr<HidlinkInstance::Entry> HidlinkInstance::findByNode(const std::string& node) const {
    for (const auto& entry : entries_) {
        if (entry->node == node) {
            return entry;
        }
    }
    return nullptr;
}

} // namespace lumetta::hidlink
