#pragma once

#include "device/channel/CUSBDriver.h"
#include "device/channel/HidlinkApi.h"
#include "platform/core/Completion.h"
#include "platform/core/Window.h"
#include "updater/flash/BootloaderCommands.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string_view>
#include <vector>

namespace lumetta::flash {

// One of the updater's two channels to the keyboard: the application channel finds it while
// its firmware runs, the bootloader channel after it restarted into its bootloader. Like the
// configurator's channel it is a window, so that the HID layer can send it its notices, and it
// belongs to the thread that makes it; its commands may run on one other thread at a time (the
// flashing thread) while that thread keeps handling the notices.
class UpdaterChannel : public core::Window, public BootloaderCommands {
public:
    using TextSink = std::function<void(std::string_view)>;

    enum class Kind { Application, Bootloader };

    static constexpr std::chrono::milliseconds WRITE_PAUSE{3};
    static constexpr core::TimerId SETTLE_TIMER = 1;

    ~UpdaterChannel() override;

    // Makes this channel the one its class's read callback hands reports to.
    virtual void SetActive();
    // Opens the HID layer instance for the keyboard with these ids (0 and 0: the ids of the
    // previous open), first closing it when it is open. True when a keyboard was found.
    virtual bool Open(std::uint32_t vendorId, std::uint32_t productId);
    // Stops the settle timer, closes the layer instance and forgets every keyboard.
    void Close();

    // Receiver of WM_CHANNEL_STATE. Any thread.
    void setOwner(core::WindowHandle owner);
    // The debugger output (standard error unless replaced). Set before Open.
    void setDebugOutput(TextSink sink);
    // How long a keyboard must have been there before the owner hears of it.
    void setSettleTime(core::Duration settle) { settle_ = settle; }

    Kind kind() const { return kind_; }
    std::uint32_t instanceIndex() const { return index_; }
    int Connected() const { return connected_.load(std::memory_order_acquire); }
    bool isConnected() const override { return Connected() != 0; }
    // The device written to: the first keyboard with the command interface, else 0.
    std::uint16_t DeviceId() const { return deviceId_.load(std::memory_order_acquire); }
    // The channel's own thread only.
    const std::vector<DEVICE_STATE>& devices() const { return devices_; }
    // Transactions and writes sent since the channel was made.
    std::uint64_t transactionCount() const { return transactions_.load(std::memory_order_relaxed); }

    int TransactWithin(CommandReport& report, std::chrono::milliseconds wait) override;
    int WriteOnly(const CommandReport& report) override;

    // The read callback's work for one input report, report id first. Public so that tests can
    // feed reports on their own thread.
    void onInputReport(std::uint16_t deviceId, const std::uint8_t* report, std::uint32_t length);

protected:
    UpdaterChannel(Kind kind, const HidlinkApi& api, std::uint32_t index);

    core::LResult handleMessage(core::MessageId id, core::WParam wParam,
                                core::LParam lParam) override;

private:
    void receive(std::uint16_t deviceId, const CommandReport& report);
    bool isAnswer(const CommandReport& report) const;
    void handleNotice(const HidlinkNotice& notice);
    void handleArrival(const DEVICE_STATE& state);
    void handleRemoval(const DEVICE_STATE& state);
    void updateDeviceId();
    void trace(std::string_view text) const;
    void postToOwner(core::LParam ready) const;
    bool write(const CommandReport& report);

    const Kind kind_;
    const HidlinkApi api_;
    const std::uint32_t index_;
    std::uint32_t vendorId_ = 0;
    std::uint32_t productId_ = 0;
    bool opened_ = false;
    core::Duration settle_ = std::chrono::milliseconds(1000);
    std::atomic<std::uint64_t> owner_{0};
    std::atomic<int> connected_{0};
    std::atomic<std::uint16_t> deviceId_{0};
    std::atomic<std::uint64_t> transactions_{0};
    std::vector<DEVICE_STATE> devices_;
    TextSink debugOutput_;

    // Shared with the reader thread: the request while a transaction waits, the answer after.
    mutable std::mutex pendingMutex_;
    CommandReport pendingReport_{};
    std::shared_ptr<core::Completion> answerEvent_;
};

} // namespace lumetta::flash
