#include "updater/app/DialogMessageSink.h"

#include "platform/ui/MessageBox.h"

namespace lumetta {

void DialogMessageSink::show(const UserMessage& message) {
    const std::string caption =
        message.caption.empty() ? std::string("Reflasher") : message.caption;
    ui::messageBox(owner_, message.text, caption,
                   message.icon == MessageIcon::Error ? ui::MessageBoxIcon::Error
                                                      : ui::MessageBoxIcon::None);
}

} // namespace lumetta
