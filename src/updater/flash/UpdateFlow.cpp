#include "updater/flash/UpdateFlow.h"

#include "device/channel/TextFormat.h"
#include "platform/core/Window.h"
#include "updater/cli/UpdaterCommandLine.h"
#include "updater/flash/Retry.h"
#include "updater/flash/UpdaterMessages.h"
#include "updater/package/ImageSelection.h"

#include <algorithm>

namespace lumetta::flash {

namespace {

using std::chrono::milliseconds;

constexpr milliseconds REPOST_PAUSE{1};
constexpr milliseconds BEFORE_FLASH{100};
constexpr milliseconds ENTER_RETRY_PAUSE{500};
constexpr milliseconds AFTER_ENTER{500};
constexpr milliseconds POLL_PAUSE{1000};
constexpr int POINTER_POLLS = 20;
constexpr milliseconds RESULT_TIMER{10};
// Targets are numbered in a byte (SubDeviceIndex); a larger count from a keyboard is noise.
constexpr std::uint32_t MOST_TARGETS = 256;

void noPause(milliseconds) {}

UserMessage errorMessage(std::string text) {
    return UserMessage{std::move(text), "Error", MessageIcon::Error};
}

} // namespace

UpdateFlow::UpdateFlow(const HidlinkApi& api, const FirmwarePackage& package, UpdaterView& view,
                       core::WindowHandle dialog, FlashTiming timing)
    : package_(package), view_(view), dialog_(dialog), timing_(std::move(timing)),
      application_(api), bootloader_(api) {
    for (UpdaterChannel* channel : {static_cast<UpdaterChannel*>(&application_),
                                    static_cast<UpdaterChannel*>(&bootloader_)}) {
        channel->setOwner(dialog_);
        channel->setSettleTime(timing_.settle);
    }
}

UpdateFlow::~UpdateFlow() {
    flashThread_.join();
    core::killTimer(dialog_, TIMER_BOOTLOADER_WAIT);
}

void UpdateFlow::setDebugOutput(const UpdaterChannel::TextSink& sink) {
    application_.setDebugOutput(sink);
    bootloader_.setDebugOutput(sink);
}

bool UpdateFlow::open() {
    state_.SelectedImage = selectImage(package_.header, std::nullopt, state_.ForcedImage);
    view_.setImageName(shownImageName(package_.header, state_.SelectedImage));
    const PackageHeader& header = package_.header;
    application_.SetActive();
    const bool application = application_.Open(header.AppVendorId, header.AppProductId);
    bootloader_.SetActive();
    const bool bootloader = bootloader_.Open(header.BootVendorId, header.BootProductId);
    return application || bootloader;
}

bool UpdateFlow::handleMessage(core::MessageId id, core::WParam wParam, core::LParam lParam) {
    switch (id) {
    case WM_CHANNEL_STATE:
        onChannelState(lParam != 0);
        return true;
    case WM_FLASH_PROGRESS:
        view_.setProgress(static_cast<int>(wParam));
        return true;
    case WM_FLASH_FINISHED:
        onFlashFinished(lParam != 0);
        return true;
    case core::msg::Timer:
        if (wParam != TIMER_BOOTLOADER_WAIT) {
            return false;
        }
        core::killTimer(dialog_, TIMER_BOOTLOADER_WAIT);
        if (awaitingBootloader_ && !flashing_) {
            bootloaderNotReached();
        }
        return true;
    default:
        return false;
    }
}

void UpdateFlow::onChannelState(bool ready) {
    // The flashing thread has the keyboard to itself; a keyboard that turns up meanwhile is
    // looked at once it is done.
    if (flashing_) {
        readyWhileFlashing_ = readyWhileFlashing_ || ready;
        return;
    }
    const bool application = application_.isConnected();
    const bool bootloader = bootloader_.isConnected();
    if (!application && !bootloader) {
        reposts_ = 0;
        if (!ready) {
            view_.setKeyboardVersionText({});
        }
        view_.setControls(busy(), false);
        return;
    }
    if (!ready) {
        return;
    }
    view_.setProgress(0);
    if (application && bootloader) {
        // Both at once happens only for a moment while a keyboard changes over; wait for it
        // to settle, a limited number of times.
        if (reposts_ < state_.RetryCount) {
            ++reposts_;
            core::postMessage(dialog_, WM_CHANNEL_STATE, 0, 1);
            timing_.sleep(REPOST_PAUSE);
        }
        return;
    }
    if (application) {
        onApplicationReady();
    } else {
        onBootloaderReady();
    }
}

void UpdateFlow::onApplicationReady() {
    state_.Target = 0;
    if (package_.header.SubDeviceScan == 1) {
        scanTargets();
    } else {
        selectConfiguredTarget();
    }
    state_.UpdateRequested = false;
    view_.setControls(false, true);
    if (state_.AutoStart) {
        state_.AutoStart = false;
        startUpdate();
    }
}

void UpdateFlow::scanTargets() {
    std::uint32_t count = 0;
    if (!retry(state_.RetryCount, noPause, milliseconds(0),
               [&] { return application_.GetTargetCount(count) == 0; })) {
        runGetInfo(application_);
        return;
    }
    count = std::min(count, MOST_TARGETS);
    for (std::uint32_t target = 0; target < count; ++target) {
        const bool selected = retry(state_.RetryCount, noPause, milliseconds(0), [&] {
            std::uint32_t current = 0;
            return application_.SelectTarget(target) == 0 && application_.GetTarget(current) == 0;
        });
        if (!selected) {
            continue;
        }
        runGetInfo(application_);
        if (state_.SelectedImage >= 0) {
            state_.Target = target;
            return;
        }
    }
}

void UpdateFlow::selectConfiguredTarget() {
    state_.Target = package_.header.SubDeviceIndex;
    std::uint32_t count = 0;
    if (application_.GetTargetCount(count) == 0 && count > state_.Target) {
        retry(state_.RetryCount, noPause, milliseconds(0), [&] {
            std::uint32_t current = 0;
            return application_.SelectTarget(state_.Target) == 0 &&
                   application_.GetTarget(current) == 0 && current == state_.Target;
        });
    }
    runGetInfo(application_);
}

void UpdateFlow::onBootloaderReady() {
    state_.Target = 0;
    if (!state_.UpdateRequested && !awaitingBootloader_) {
        view_.setControls(false, true);
    }
    runGetInfo(bootloader_);
    // The keyboard may have shown up under its firmware's ids on its way to the bootloader,
    // which clears UpdateRequested; the update the user asked for still stands.
    if (state_.UpdateRequested || state_.AutoStart || awaitingBootloader_) {
        state_.AutoStart = false;
        if (state_.SelectedImage < 0) {
            // Nothing in the package fits this keyboard: its flash is not touched.
            state_.UpdateRequested = false;
            stopAwaitingBootloader();
            view_.setControls(false, true);
            refuseWithoutImage();
            return;
        }
        view_.setControls(true, false);
        timing_.sleep(BEFORE_FLASH);
        startFlashThread(bootloader_);
    }
    state_.UpdateRequested = false;
}

void UpdateFlow::runGetInfo(UpdaterChannel& channel) {
    const auto display = GetInfo(channel, package_.header, state_, timing_.sleep);
    if (display) {
        view_.setKeyboardVersionText(display->versionText);
        view_.setImageName(display->imageName);
    }
}

void UpdateFlow::startUpdate() {
    if (flashing_ || awaitingBootloader_) {
        return;
    }
    const int selected = state_.SelectedImage;
    if (selected < 0 || selected >= IMAGE_SLOTS) {
        refuseWithoutImage();
        return;
    }
    const auto slot = static_cast<std::size_t>(selected);
    if (package_.header.Images[slot].FirmwareLength == 0 || package_.firmware[slot].empty()) {
        if (state_.Silent) {
            exitWith(UPDATER_EXIT_NO_IMAGE);
        } else {
            view_.show(errorMessage(formatText("Image %d: Empty Bin File!", selected)));
        }
        return;
    }
    const KeyboardVersion keyboard = applicationVersion(state_.AppInfo);
    const bool allowed = state_.Force || state_.ForcedImage != NO_FORCED_IMAGE ||
                         hasNoValidVersion(keyboard) ||
                         isPackageNewer(package_.header.Images[slot], keyboard);
    if (!allowed) {
        if (state_.Silent) {
            exitWith(UPDATER_EXIT_ALREADY_CURRENT);
        } else {
            view_.showRefused();
        }
        return;
    }
    if (bootloader_.isConnected()) {
        startFlashThread(bootloader_);
    } else if (application_.isConnected() && state_.Target == 0) {
        if (!sendEnterBootloader()) {
            bootloaderNotReached();
            return;
        }
        awaitBootloader();
    } else if (application_.isConnected()) {
        // A keyboard with several targets may take the bootloader commands in its firmware.
        std::uint32_t pointer = BootloaderCommands::READ_POINTER;
        if (application_.GetWritePointer(pointer) != 0 && !pollWritePointer()) {
            bootloaderNotReached();
            return;
        }
        startFlashThread(application_);
    } else {
        awaitBootloader();
    }
    state_.UpdateRequested = true;
    view_.setControls(true, false);
}

bool UpdateFlow::sendEnterBootloader() {
    return retry(state_.RetryCount, timing_.sleep, ENTER_RETRY_PAUSE,
                 [&] { return application_.EnterBootloader() == 0; });
}

bool UpdateFlow::pollWritePointer() {
    if (!sendEnterBootloader()) {
        return false;
    }
    timing_.sleep(AFTER_ENTER);
    return retry(POINTER_POLLS, timing_.sleep, POLL_PAUSE, [&] {
        std::uint32_t pointer = BootloaderCommands::READ_POINTER;
        return application_.GetWritePointer(pointer) == 0;
    });
}

void UpdateFlow::awaitBootloader() {
    awaitingBootloader_ = true;
    core::setTimer(dialog_, TIMER_BOOTLOADER_WAIT, timing_.bootloaderPatience);
}

void UpdateFlow::stopAwaitingBootloader() {
    awaitingBootloader_ = false;
    core::killTimer(dialog_, TIMER_BOOTLOADER_WAIT);
}

void UpdateFlow::bootloaderNotReached() {
    stopAwaitingBootloader();
    state_.UpdateRequested = false;
    if (state_.Silent) {
        exitWith(UPDATER_EXIT_FAILED);
        return;
    }
    view_.setControls(false, anyConnected());
    view_.showRefused();
}

void UpdateFlow::refuseWithoutImage() {
    if (state_.Silent) {
        exitWith(UPDATER_EXIT_NO_IMAGE);
        return;
    }
    switch (state_.SelectedImage) {
    case SELECT_LAYOUT_ERROR:
        view_.show(errorMessage("Layout Fail!"));
        break;
    case SELECT_HARDWARE_MISMATCH:
        view_.show(errorMessage("HW Setup Error!"));
        break;
    default:
        view_.show(errorMessage("Get Info Error!"));
        break;
    }
}

void UpdateFlow::startFlashThread(UpdaterChannel& channel) {
    stopAwaitingBootloader();
    flashing_ = true;
    readyWhileFlashing_ = false;
    flashState_ = state_;
    flashDisplay_.reset();
    flashThread_ = core::WorkerThread([this, &channel] { flashOnThread(channel); });
}

void UpdateFlow::flashOnThread(UpdaterChannel& channel) {
    int shown = -1;
    FlashSequence sequence(channel, package_, flashState_, timing_.sleep, [&](int position) {
        if (position != shown) {
            shown = position;
            core::postMessage(dialog_, WM_FLASH_PROGRESS, static_cast<core::WParam>(position), 0);
        }
    });
    flashResult_ = sequence.run();
    flashDisplay_ = sequence.display();
    const bool connected = channel.isConnected();
    const bool succeeded = flashResult_.succeeded;
    const bool buttons = succeeded ? flashState_.Target != 0 && connected : connected;
    core::postMessage(dialog_, WM_FLASH_FINISHED, succeeded ? 1 : 0, buttons ? 1 : 0);
    if (flashState_.Silent) {
        exitWith(succeeded ? UPDATER_EXIT_OK : UPDATER_EXIT_FAILED);
        return;
    }
    core::setTimer(dialog_, succeeded ? TIMER_UPDATE_SUCCEEDED : TIMER_UPDATE_FAILED, RESULT_TIMER);
}

void UpdateFlow::onFlashFinished(bool buttonsEnabled) {
    flashThread_.join();
    flashing_ = false;
    lastFlash_ = flashResult_;
    state_.FirmwareInfo = flashState_.FirmwareInfo;
    if (flashDisplay_) {
        state_.SelectedImage = flashState_.SelectedImage;
        state_.VersionRecord = flashState_.VersionRecord;
        state_.AppInfo = flashState_.AppInfo;
        view_.setKeyboardVersionText(flashDisplay_->versionText);
        view_.setImageName(flashDisplay_->imageName);
    }
    state_.UpdateRequested = false;
    view_.setControls(false, buttonsEnabled);
    if (readyWhileFlashing_ && anyConnected()) {
        core::postMessage(dialog_, WM_CHANNEL_STATE, 0, 1);
    }
    readyWhileFlashing_ = false;
}

void UpdateFlow::exitWith(int code) const {
    core::postMessage(dialog_, WM_UPDATER_EXIT, static_cast<core::WParam>(code), 0);
}

bool UpdateFlow::anyConnected() const {
    return application_.isConnected() || bootloader_.isConnected();
}

} // namespace lumetta::flash
