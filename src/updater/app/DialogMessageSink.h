#pragma once

#include "platform/ui/Window.h"
#include "updater/package/MessageSink.h"

namespace lumetta {

// Shows each message in the UI layer's message box over owner (on the screen without one).
class DialogMessageSink final : public MessageSink {
public:
    explicit DialogMessageSink(ui::Window* owner = nullptr) : owner_(owner) {}
    void show(const UserMessage& message) override;

private:
    ui::Window* owner_;
};

} // namespace lumetta
