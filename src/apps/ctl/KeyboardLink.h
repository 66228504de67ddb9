#pragma once

#include "apps/ctl/ProgressBar.h"
#include "device/channel/CUSBDriver.h"
#include "lighting/model/ProfileStore.h"
#include "platform/core/Window.h"
#include "shell/session/DeviceSession.h"

#include <iosfwd>
#include <memory>

namespace lumetta::ctl {

// The keyboard as the configurator's main window holds it: the command channel, a store and the
// device session. Made on the program's main thread; its end runs the session's exit step, so
// the keyboard goes back to the profile it runs and to its normal mode however a command ends.
class KeyboardLink {
public:
    KeyboardLink(const HidlinkApi& api, bool debug, std::ostream& err);
    ~KeyboardLink();
    KeyboardLink(const KeyboardLink&) = delete;
    KeyboardLink& operator=(const KeyboardLink&) = delete;

    // Opens the command channel; true when a keyboard is attached.
    bool open();
    // Arrival set-up; true when the keyboard answered.
    bool setUp();

    CUSBDriver& channel() { return channel_; }
    DeviceSession& session() { return *session_; }
    ProfileStore& store() { return *store_; }
    // Where the passes show their progress (none: nowhere).
    void showProgressOn(ProgressBar* bar) { bar_ = bar; }
    // Whether the keyboard left while the link was open.
    bool keyboardLeft() const { return owner_.left || !channel_.isConnected(); }

private:
    class Owner : public core::Window {
    public:
        ~Owner() override { destroy(); }
        bool left = false;

    protected:
        core::LResult handleMessage(core::MessageId id, core::WParam wParam,
                                    core::LParam lParam) override;
    };

    Owner owner_;
    CUSBDriver channel_;
    std::unique_ptr<ProfileStore> store_;
    std::unique_ptr<ProfileStore> saved_;
    std::unique_ptr<DeviceSession> session_;
    ProgressBar* bar_ = nullptr;
};

} // namespace lumetta::ctl
