#include "updater/flash/UpdaterChannel.h"

#include "device/channel/DeviceMessages.h"
#include "device/channel/TextFormat.h"
#include "platform/os/DebugOutput.h"
#include "updater/flash/UpdaterMessages.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace lumetta::flash {

namespace {

constexpr std::size_t ECHO_BYTES = 4;
constexpr std::uint8_t WRITE_BLOCK_COMMAND = 0x1F;
// A block write may be answered by this pair instead of an echo of the request.
constexpr std::uint8_t WRITTEN_COMMAND = 0x1E;
constexpr std::uint8_t WRITTEN_SUB_COMMAND = 0x02;
// The running firmware's refusal of a command it does not know.
constexpr std::uint8_t REFUSAL_COMMAND = 0xFF;
constexpr std::uint8_t REFUSAL_SUB_COMMAND = 0xAA;
constexpr std::size_t TRACED_BYTES = 9;

// The layer's read callback carries no context. Each channel class has one callback, which
// hands the reports to the channel of that class that called SetActive last.
std::array<std::atomic<UpdaterChannel*>, 2> activeChannels{};

std::size_t slotOf(UpdaterChannel::Kind kind) {
    return kind == UpdaterChannel::Kind::Application ? 0 : 1;
}

template <std::size_t Slot>
void readCallback(std::uint16_t deviceId, const std::uint8_t* report, std::uint32_t length) {
    if (UpdaterChannel* channel = activeChannels[Slot].load(std::memory_order_acquire)) {
        channel->onInputReport(deviceId, report, length);
    }
}

HidlinkReadCallback callbackFor(UpdaterChannel::Kind kind) {
    return kind == UpdaterChannel::Kind::Application ? &readCallback<0> : &readCallback<1>;
}

bool isRefusal(const CommandReport& report) {
    return report.Command == REFUSAL_COMMAND && report.SubCommand == REFUSAL_SUB_COMMAND;
}

} // namespace

UpdaterChannel::UpdaterChannel(Kind kind, const HidlinkApi& api, std::uint32_t index)
    : kind_(kind), api_(api), index_(index),
      debugOutput_([](std::string_view text) { os::debugOutput(text); }) {}

UpdaterChannel::~UpdaterChannel() {
    Close();
    UpdaterChannel* self = this;
    activeChannels[slotOf(kind_)].compare_exchange_strong(self, nullptr);
    destroy();
}

void UpdaterChannel::SetActive() {
    activeChannels[slotOf(kind_)].store(this, std::memory_order_release);
}

bool UpdaterChannel::Open(std::uint32_t vendorId, std::uint32_t productId) {
    if (vendorId == 0 && productId == 0) {
        vendorId = vendorId_;
        productId = productId_;
    } else {
        vendorId_ = vendorId;
        productId_ = productId;
    }
    if (index_ >= HIDLINK_INSTANCES || !api_.complete()) {
        return false;
    }
    // The layer drops its devices without notices on a close, so a re-open empties the list
    // here as well: stale ids would otherwise stay first in line for writes.
    if (Connected() != 0 || opened_) {
        Close();
    }
    HidlinkFilter filter{};
    filter.VendorId = vendorId;
    filter.ProductId = productId;
    filter.PairCount = 1;
    filter.Pairs[0] = {COMMAND_USAGE, COMMAND_USAGE_PAGE};
    api_.SetFilter(&filter, index_);
    api_.SetReadCallback(callbackFor(kind_), index_);
    opened_ = true;
    const std::uint32_t result = api_.Open(handle().value(), WM_HID_MONITOR, index_);
    connected_.store(static_cast<int>(result), std::memory_order_release);
    return result != 0;
}

void UpdaterChannel::Close() {
    killTimer(SETTLE_TIMER);
    if (opened_) {
        HidlinkFilter none{};
        api_.SetFilter(&none, index_);
        api_.SetReadCallback(nullptr, index_);
        api_.Close(index_);
        opened_ = false;
    }
    devices_.clear();
    updateDeviceId();
    connected_.store(0, std::memory_order_release);
}

void UpdaterChannel::setOwner(core::WindowHandle owner) {
    owner_.store(owner.value(), std::memory_order_release);
}

void UpdaterChannel::setDebugOutput(TextSink sink) {
    debugOutput_ = std::move(sink);
}

bool UpdaterChannel::write(const CommandReport& report) {
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(&report);
    const bool written = api_.Write(DeviceId(), bytes, sizeof report, index_) != 0;
    busyWait(WRITE_PAUSE);
    return written;
}

int UpdaterChannel::TransactWithin(CommandReport& report, std::chrono::milliseconds wait) {
    auto answered = std::make_shared<core::Completion>();
    {
        std::lock_guard lock(pendingMutex_);
        pendingReport_ = report;
        answerEvent_ = answered;
    }
    transactions_.fetch_add(1, std::memory_order_relaxed);
    const bool written = Connected() != 0 && write(report);
    if (!answered->wait(wait)) {
        return 1;
    }
    {
        std::lock_guard lock(pendingMutex_);
        report = pendingReport_;
    }
    return written && !isRefusal(report) ? 0 : 1;
}

int UpdaterChannel::WriteOnly(const CommandReport& report) {
    transactions_.fetch_add(1, std::memory_order_relaxed);
    return Connected() != 0 && write(report) ? 0 : 1;
}

void UpdaterChannel::onInputReport(std::uint16_t deviceId, const std::uint8_t* report,
                                   std::uint32_t length) {
    // The trace shows the buffer's address as a 32-bit value, as it always has.
    const auto address = static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(report));
    trace(formatText("ID:%x,pBuffer=%x , Length=%x\n", deviceId, address, length));
    std::uint8_t head[TRACED_BYTES] = {};
    for (std::uint32_t i = 0; report && i < length && i < TRACED_BYTES; ++i) {
        head[i] = report[i];
    }
    trace(formatText("%02x %02x %02x %02x %02x %02x %02x %02x %02x\n", head[0], head[1], head[2],
                     head[3], head[4], head[5], head[6], head[7], head[8]));
    if (!report || length != INPUT_REPORT_LENGTH) {
        return;
    }
    CommandReport payload;
    std::memcpy(&payload, report + 1, sizeof payload);
    receive(deviceId, payload);
}

void UpdaterChannel::receive(std::uint16_t deviceId, const CommandReport& report) {
    if (deviceId == 0 || deviceId != DeviceId()) {
        return;
    }
    std::shared_ptr<core::Completion> answered;
    {
        std::lock_guard lock(pendingMutex_);
        if (isAnswer(report)) {
            pendingReport_ = report;
            answered = answerEvent_;
        }
    }
    if (answered) {
        answered->signal();
    }
}

bool UpdaterChannel::isAnswer(const CommandReport& report) const {
    if (std::memcmp(&report, &pendingReport_, ECHO_BYTES) == 0) {
        return true;
    }
    if (pendingReport_.Command == WRITE_BLOCK_COMMAND && report.Command == WRITTEN_COMMAND &&
        report.SubCommand == WRITTEN_SUB_COMMAND) {
        return true;
    }
    return kind_ == Kind::Application && isRefusal(report) &&
           report.Data[0] == pendingReport_.Command && report.Data[1] == pendingReport_.SubCommand;
}

core::LResult UpdaterChannel::handleMessage(core::MessageId id, core::WParam wParam,
                                            core::LParam lParam) {
    if (id == WM_HID_MONITOR && lParam != 0) {
        handleNotice(*reinterpret_cast<const HidlinkNotice*>(lParam));
    } else if (id == core::msg::Timer && wParam == SETTLE_TIMER) {
        killTimer(SETTLE_TIMER);
        postToOwner(Connected() != 0 ? 1 : 0);
    }
    return 0;
}

void UpdaterChannel::handleNotice(const HidlinkNotice& notice) {
    const DEVICE_STATE state{notice.Arrived,   notice.DeviceId, notice.VendorId,
                             notice.ProductId, notice.Usage,    notice.UsagePage};
    if (notice.Arrived == 1) {
        handleArrival(state);
    } else {
        handleRemoval(state);
    }
}

void UpdaterChannel::handleArrival(const DEVICE_STATE& state) {
    trace(formatText("MONITOROPEN:dwDeviceID=%x,usage:0x%x,uagePage:0x%x\n", state.DeviceId,
                     state.Usage, state.UsagePage));
    for (DEVICE_STATE& known : devices_) {
        if (known.Usage == state.Usage && known.UsagePage == state.UsagePage) {
            known = state;
            updateDeviceId();
            return;
        }
    }
    devices_.push_back(state);
    updateDeviceId();
    connected_.store(1, std::memory_order_release);
    setTimer(SETTLE_TIMER, settle_);
}

void UpdaterChannel::handleRemoval(const DEVICE_STATE& state) {
    trace(formatText("MONITORCLOSE:dwDeviceID=%x,usage:0x%x,uagePage:0x%x\n", state.DeviceId,
                     state.Usage, state.UsagePage));
    const bool wasConnected = Connected() != 0;
    const auto removed = std::erase_if(
        devices_, [&](const DEVICE_STATE& device) { return device.DeviceId == state.DeviceId; });
    updateDeviceId();
    if ((devices_.empty() && wasConnected) || removed == 0) {
        connected_.store(0, std::memory_order_release);
        killTimer(SETTLE_TIMER);
        postToOwner(0);
    }
}

void UpdaterChannel::updateDeviceId() {
    std::uint16_t id = 0;
    for (const DEVICE_STATE& device : devices_) {
        if (device.Usage == COMMAND_USAGE && device.UsagePage == COMMAND_USAGE_PAGE) {
            id = device.DeviceId;
            break;
        }
    }
    deviceId_.store(id, std::memory_order_release);
}

void UpdaterChannel::trace(std::string_view text) const {
    if (debugOutput_) {
        debugOutput_(text);
    }
}

void UpdaterChannel::postToOwner(core::LParam ready) const {
    const core::WindowHandle owner(owner_.load(std::memory_order_acquire));
    if (owner) {
        core::postMessage(owner, WM_CHANNEL_STATE, 0, ready);
    }
}

} // namespace lumetta::flash
