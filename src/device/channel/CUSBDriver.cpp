#include "device/channel/CUSBDriver.h"

#include "device/channel/DeviceMessages.h"
#include "device/channel/TextFormat.h"
#include "platform/os/DebugOutput.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace lumetta {

namespace {

constexpr std::uint8_t EVENT_COMMAND = 0x42;
constexpr std::uint8_t EVENT_SUB_COMMAND = 0x20;
constexpr std::uint16_t EVENT_PROFILE = 0x00;
constexpr std::uint16_t EVENT_LIGHTING = 0x40;
constexpr std::size_t ECHO_BYTES = 4;

// The layer's read callback carries no context, so each instance index gets its own entry
// point and a slot naming the channel that listens there.
std::array<std::atomic<CUSBDriver*>, HIDLINK_INSTANCES> readTargets{};

template <std::size_t Index>
void readTrampoline(std::uint16_t deviceId, const std::uint8_t* report, std::uint32_t length) {
    if (CUSBDriver* channel = readTargets[Index].load(std::memory_order_acquire)) {
        channel->onInputReport(deviceId, report, length);
    }
}

constexpr std::array<HidlinkReadCallback, HIDLINK_INSTANCES> readTrampolines{
    &readTrampoline<0>, &readTrampoline<1>, &readTrampoline<2>, &readTrampoline<3>,
    &readTrampoline<4>};

std::string transferText(const char* direction, const CommandReport& report) {
    return formatText("SetData %s: cmd:%x, Key:%x, Index:%x, Data:%x", direction, report.Command,
                      report.SubCommand, report.Index, report.Data[0]);
}

} // namespace

CUSBDriver::CUSBDriver(const HidlinkApi& api, std::uint32_t index)
    : api_(api), index_(index), debugOutput_([](std::string_view text) { os::debugOutput(text); }) {
}

CUSBDriver::~CUSBDriver() {
    shutdown();
    destroy();
}

void CUSBDriver::shutdown() {
    Close();
    if (index_ < HIDLINK_INSTANCES) {
        CUSBDriver* self = this;
        readTargets[index_].compare_exchange_strong(self, nullptr);
    }
}

bool CUSBDriver::Open() {
    log("Open USB Driver");
    return openWithProduct(APPLICATION_PRODUCT_ID);
}

bool CUSBDriver::openWithProduct(std::uint16_t productId) {
    if (index_ >= HIDLINK_INSTANCES || !api_.complete()) {
        return false;
    }
    // A re-open closes the instance first. The layer drops its devices without notices then,
    // so the list is emptied here: stale ids would otherwise stay first in line for writes.
    if (Connected() != 0 || opened_) {
        Close();
    }
    readTargets[index_].store(this, std::memory_order_release);
    HidlinkFilter filter{};
    filter.VendorId = KEYBOARD_VENDOR_ID;
    filter.ProductId = productId;
    filter.PairCount = 1;
    filter.Pairs[0] = {COMMAND_USAGE, COMMAND_USAGE_PAGE};
    api_.SetFilter(&filter, index_);
    api_.SetReadCallback(readTrampolines[index_], index_);
    opened_ = true;
    const std::uint32_t result = api_.Open(handle().value(), WM_HID_MONITOR, index_);
    connected_.store(static_cast<int>(result), std::memory_order_release);
    return result != 0;
}

void CUSBDriver::Close() {
    if (opened_) {
        api_.Close(index_);
        opened_ = false;
    }
    devices_.clear();
    connected_.store(0, std::memory_order_release);
}

void CUSBDriver::setOwner(core::WindowHandle owner) {
    owner_.store(owner.value(), std::memory_order_release);
}

void CUSBDriver::setLog(TextSink sink) {
    log_ = std::move(sink);
}

void CUSBDriver::setDebugOutput(TextSink sink) {
    debugOutput_ = std::move(sink);
}

std::uint16_t CUSBDriver::GetVersion() const {
    if (index_ >= HIDLINK_INSTANCES || !api_.GetVersion) {
        return 0;
    }
    return api_.GetVersion(index_);
}

void CUSBDriver::debugOutput(std::string_view text) const {
    if (debugOutput_) {
        debugOutput_(text);
    }
}

void CUSBDriver::log(std::string_view text) const {
    if (log_) {
        log_(text);
    }
}

int CUSBDriver::Transact(CommandReport& report) {
    auto answered = std::make_shared<core::Completion>();
    {
        std::lock_guard lock(pendingMutex_);
        pendingReport_ = report;
        answerEvent_ = answered;
    }
    if (log_) {
        log(transferText("Out", report));
    }
    bool writeFailed = true;
    if (Connected() != 0) {
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(&report);
        writeFailed = api_.Write(writeTarget(), bytes, sizeof report, index_) == 0;
        busyWait(WRITE_PAUSE);
    }
    if (!answered->wait(ANSWER_TIMEOUT)) {
        log("SetData Error ...Error ");
        return 1;
    }
    {
        std::lock_guard lock(pendingMutex_);
        report = pendingReport_;
    }
    if (log_) {
        log(transferText("In", report));
    }
    return writeFailed ? 1 : 0;
}

std::uint16_t CUSBDriver::writeTarget() const {
    for (const DEVICE_STATE& device : devices_) {
        if (device.UsagePage == COMMAND_USAGE_PAGE) {
            return device.DeviceId;
        }
    }
    return 0;
}

void CUSBDriver::onInputReport(std::uint16_t, const std::uint8_t* report, std::uint32_t length) {
    if (length != INPUT_REPORT_LENGTH || !report) {
        return;
    }
    CommandReport payload;
    std::memcpy(&payload, report + 1, sizeof payload);
    receive(payload);
}

void CUSBDriver::receive(const CommandReport& report) {
    std::shared_ptr<core::Completion> answered;
    {
        std::lock_guard lock(pendingMutex_);
        if (std::memcmp(&report, &pendingReport_, ECHO_BYTES) == 0) {
            pendingReport_ = report;
            answered = answerEvent_;
        }
    }
    if (answered) {
        answered->signal();
        return;
    }
    if (report.Command != EVENT_COMMAND || report.SubCommand != EVENT_SUB_COMMAND) {
        return;
    }
    if (report.Index == EVENT_PROFILE) {
        if (report.Data[0] == 0 && report.Data[3] == 0 && report.Data[4] == 0) {
            return;
        }
        postToOwner(WM_DEVICE_EVENT, report.Data[0], Connected());
    } else if (report.Index == EVENT_LIGHTING) {
        postToOwner(WM_DEVICE_EVENT, 0, Connected());
    }
}

void CUSBDriver::postToOwner(core::MessageId id, core::WParam wParam, core::LParam lParam) const {
    const core::WindowHandle owner(owner_.load(std::memory_order_acquire));
    if (owner) {
        core::postMessage(owner, id, wParam, lParam);
    }
}

core::LResult CUSBDriver::handleMessage(core::MessageId id, core::WParam, core::LParam lParam) {
    if (id == WM_HID_MONITOR && lParam != 0) {
        handleNotice(*reinterpret_cast<const HidlinkNotice*>(lParam));
    }
    return 0;
}

void CUSBDriver::handleNotice(const HidlinkNotice& notice) {
    const DEVICE_STATE state{notice.Arrived,   notice.DeviceId, notice.VendorId,
                             notice.ProductId, notice.Usage,    notice.UsagePage};
    if (notice.Arrived == 1) {
        debugOutput(formatText("MONITOROPEN:dwDeviceID=%x,usage:0x%x,uagePage:0x%x\n",
                               state.DeviceId, state.Usage, state.UsagePage));
        devices_.push_back(state);
        connected_.store(1, std::memory_order_release);
        postToOwner(WM_DEVICE_PLUG, index_, 1);
        return;
    }
    debugOutput(formatText("MONITORCLOSE:dwDeviceID=%x,usage:0x%x,uagePage:0x%x\n", state.DeviceId,
                           state.Usage, state.UsagePage));
    const bool wasConnected = Connected() != 0;
    const auto removed = std::erase_if(
        devices_, [&](const DEVICE_STATE& device) { return device.DeviceId == notice.DeviceId; });
    if ((devices_.empty() && wasConnected) || removed == 0) {
        connected_.store(0, std::memory_order_release);
        postToOwner(WM_DEVICE_PLUG, index_, 0);
    }
}

} // namespace lumetta
