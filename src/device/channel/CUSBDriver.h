#pragma once

#include "device/channel/CommandCatalogue.h"
#include "device/channel/HidlinkApi.h"
#include "platform/core/Completion.h"
#include "platform/core/Window.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string_view>
#include <vector>

namespace lumetta {

inline constexpr std::uint16_t KEYBOARD_VENDOR_ID = 0x04D9;
inline constexpr std::uint16_t APPLICATION_PRODUCT_ID = 0x0203;
inline constexpr std::uint16_t BOOTLOADER_PRODUCT_ID = 0x1203;
inline constexpr std::uint16_t COMMAND_USAGE_PAGE = 0xFF00;
inline constexpr std::uint16_t COMMAND_USAGE = 1;

// The channel's copy of one arrival notice; the list keeps them in arrival order.
struct DEVICE_STATE {
    std::uint32_t Arrived = 0;
    std::uint16_t DeviceId = 0;
    std::uint16_t VendorId = 0;
    std::uint16_t ProductId = 0;
    std::uint16_t Usage = 0;
    std::uint16_t UsagePage = 0;
};

// The configurator's channel to the running keyboard: one HID layer instance, the list of
// attached keyboards, one transaction at a time, and the keyboard's own event reports turned
// into messages for its owner. It is a window so that the layer can send it its notices; it
// belongs to the thread that makes it, which is also the only thread that may run commands.
class CUSBDriver : public core::Window, public CommandCatalogue {
public:
    using TextSink = std::function<void(std::string_view)>;

    static constexpr auto WRITE_PAUSE = std::chrono::milliseconds(3);
    static constexpr auto ANSWER_TIMEOUT = std::chrono::milliseconds(500);

    // `index` is the HID layer instance: 0 for the command channel.
    explicit CUSBDriver(const HidlinkApi& api, std::uint32_t index = 0);
    ~CUSBDriver() override;

    // (Re)opens the layer instance with this channel's filter. Notices for keyboards already
    // present arrive before it returns. True when at least one keyboard passed the filter.
    virtual bool Open();
    // Closes the layer instance; the list empties without messages to the owner.
    void Close();

    // Receiver of WM_DEVICE_PLUG and WM_DEVICE_EVENT. Any thread.
    void setOwner(core::WindowHandle owner);
    // The program log. Set only while debugging is switched on: with no sink nothing is
    // logged. Set before Open.
    void setLog(TextSink sink);
    // The debugger output (standard error unless replaced). Set before Open.
    void setDebugOutput(TextSink sink);

    bool isConnected() const override { return Connected() != 0; }
    int Connected() const { return connected_.load(std::memory_order_acquire); }
    int Transact(CommandReport& report) override;

    std::uint32_t instanceIndex() const { return index_; }
    // The attached keyboard's version value (HidlinkGetVersion of this channel's instance).
    std::uint16_t GetVersion() const;
    // The channel's own thread only.
    const std::vector<DEVICE_STATE>& devices() const { return devices_; }

    // The read callback's work for one input report, report id first. Public so that fuzzers
    // and tests can feed reports on their own thread.
    virtual void onInputReport(std::uint16_t deviceId, const std::uint8_t* report,
                               std::uint32_t length);
    // The receive routine for the 64 bytes of one input report (any thread).
    void receive(const CommandReport& report);

protected:
    bool openWithProduct(std::uint16_t productId);
    // Ends the layer instance and the read callback's route to this object; every destructor
    // calls it first, so no reader thread can reach a half-destroyed object.
    void shutdown();
    void debugOutput(std::string_view text) const;
    void log(std::string_view text) const;

    core::LResult handleMessage(core::MessageId id, core::WParam wParam,
                                core::LParam lParam) override;

private:
    void handleNotice(const HidlinkNotice& notice);
    std::uint16_t writeTarget() const;
    void postToOwner(core::MessageId id, core::WParam wParam, core::LParam lParam) const;

    const HidlinkApi api_;
    const std::uint32_t index_;
    bool opened_ = false;
    std::atomic<std::uint64_t> owner_{0};
    std::atomic<int> connected_{0};
    std::vector<DEVICE_STATE> devices_;
    TextSink log_;
    TextSink debugOutput_;

    // Shared with the reader thread: the request while a transaction waits, the answer after.
    mutable std::mutex pendingMutex_;
    CommandReport pendingReport_{};
    std::shared_ptr<core::Completion> answerEvent_;
};

} // namespace lumetta
