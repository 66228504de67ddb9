#include "apps/ctl/KeyboardLink.h"

#include "apps/ctl/Interrupt.h"
#include "device/channel/DeviceMessages.h"
#include "platform/core/EventLoop.h"

#include <ostream>

namespace lumetta::ctl {

core::LResult KeyboardLink::Owner::handleMessage(core::MessageId id, core::WParam wParam,
                                                 core::LParam lParam) {
    if (id == WM_DEVICE_PLUG && wParam == 0 && lParam == 0) {
        left = true;
    }
    return 0;
}

KeyboardLink::KeyboardLink(const HidlinkApi& api, bool debug, std::ostream& err)
    : channel_(api, 0), store_(std::make_unique<ProfileStore>()),
      saved_(std::make_unique<ProfileStore>()) {
    channel_.setOwner(owner_.handle());
    if (debug) {
        channel_.setDebugOutput([&err](std::string_view text) { err << text << std::flush; });
        channel_.setLog([&err](std::string_view text) { err << text << "\n"; });
    } else {
        channel_.setDebugOutput([](std::string_view) {});
    }
    SessionHooks hooks;
    hooks.progress = [this](int percent) {
        if (bar_) {
            bar_->show(percent);
        }
    };
    hooks.dispatchPending = [] { core::EventLoop::pumpOne(); };
    hooks.stopRequested = [] { return interruptRequested(); };
    if (debug) {
        hooks.log = [&err](std::string_view text) { err << text << "\n"; };
    }
    session_ = std::make_unique<DeviceSession>(channel_, *store_, *saved_, std::move(hooks));
}

KeyboardLink::~KeyboardLink() {
    session_->exitStep();
}

bool KeyboardLink::open() {
    return channel_.Open();
}

bool KeyboardLink::setUp() {
    return session_->setUpArrival() == 0;
}

} // namespace lumetta::ctl
