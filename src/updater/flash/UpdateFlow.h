#pragma once

#include "device/channel/HidlinkApi.h"
#include "platform/core/Message.h"
#include "platform/core/WorkerThread.h"
#include "updater/flash/CUSBDriver.h"
#include "updater/flash/FlashSequence.h"
#include "updater/flash/FlashTiming.h"
#include "updater/flash/IAP_CUSBDriver.h"
#include "updater/flash/KeyboardInfo.h"
#include "updater/flash/UpdaterState.h"
#include "updater/flash/UpdaterView.h"
#include "updater/package/FirmwarePackage.h"

#include <atomic>
#include <optional>

namespace lumetta::flash {

// Exit code of a silent run whose keyboard already runs a firmware at least as new as the
// package's (beside the command line's 0 to 3).
inline constexpr int UPDATER_EXIT_ALREADY_CURRENT = 4;

// The updater's side of the keyboard, for its dialog: the two channels, what is known about the
// keyboard, the reaction to the channels' reports, starting an update and the flashing thread.
// It lives on the dialog's thread and reaches the dialog through the view (on that thread) and
// through messages posted to the dialog's window: WM_CHANNEL_STATE from the channels,
// WM_FLASH_PROGRESS and WM_FLASH_FINISHED from the flashing thread, which the dialog hands to
// handleMessage; WM_UPDATER_EXIT and the timers TIMER_UPDATE_SUCCEEDED and
// TIMER_UPDATE_FAILED, which the dialog handles itself.
class UpdateFlow {
public:
    // `package` and `view` must outlive the flow; `dialog` is the window the messages go to.
    UpdateFlow(const HidlinkApi& api, const FirmwarePackage& package, UpdaterView& view,
               core::WindowHandle dialog, FlashTiming timing = {});
    // Waits for a flash under way to end (the dialog cannot be closed meanwhile), then closes
    // both channels.
    ~UpdateFlow();
    UpdateFlow(const UpdateFlow&) = delete;
    UpdateFlow& operator=(const UpdateFlow&) = delete;

    // The options of the command line go here before open().
    UpdaterState& state() { return state_; }
    const UpdaterState& state() const { return state_; }
    CUSBDriver& applicationChannel() { return application_; }
    IAP_CUSBDriver& bootloaderChannel() { return bootloader_; }
    // Where both channels trace (standard error unless replaced). Set before open().
    void setDebugOutput(const UpdaterChannel::TextSink& sink);

    // Chooses no image yet (nothing has been read from a keyboard) and opens the application
    // channel with the package's application ids and the bootloader channel with its bootloader
    // ids. True when either found a keyboard; the dialog ends a silent run with exit code 2
    // otherwise.
    bool open();

    // The dialog passes every message here first; true when it was one of the flow's.
    bool handleMessage(core::MessageId id, core::WParam wParam, core::LParam lParam);

    // The update button, the Enter key, or a keyboard that became ready while AutoStart is set.
    void startUpdate();

    bool flashing() const { return flashing_; }
    bool waitingForBootloader() const { return awaitingBootloader_; }
    // Whether the last flash ended, and how.
    const std::optional<FlashResult>& lastFlash() const { return lastFlash_; }

private:
    void onChannelState(bool ready);
    void onApplicationReady();
    void onBootloaderReady();
    void scanTargets();
    void selectConfiguredTarget();
    void runGetInfo(UpdaterChannel& channel);
    bool sendEnterBootloader();
    bool pollWritePointer();
    void awaitBootloader();
    void stopAwaitingBootloader();
    void bootloaderNotReached();
    void refuseWithoutImage();
    void startFlashThread(UpdaterChannel& channel);
    void flashOnThread(UpdaterChannel& channel);
    void onFlashFinished(bool buttonsEnabled);
    void exitWith(int code) const;
    bool anyConnected() const;
    bool busy() const { return state_.UpdateRequested || flashing_; }

    const FirmwarePackage& package_;
    UpdaterView& view_;
    const core::WindowHandle dialog_;
    const FlashTiming timing_;
    UpdaterState state_;
    CUSBDriver application_;
    IAP_CUSBDriver bootloader_;
    int reposts_ = 0;
    bool awaitingBootloader_ = false;
    // A keyboard became ready while the flashing thread ran; looked at again once it ends.
    bool readyWhileFlashing_ = false;
    bool flashing_ = false;
    std::optional<FlashResult> lastFlash_;

    // Owned by the flashing thread while it runs, read back when it has ended.
    UpdaterState flashState_;
    FlashResult flashResult_;
    std::optional<KeyboardDisplay> flashDisplay_;
    core::WorkerThread flashThread_;
};

} // namespace lumetta::flash
