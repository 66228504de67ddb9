#include "updater/package/MessageSink.h"

#include "platform/os/DebugOutput.h"

namespace lumetta {

void StderrMessageSink::show(const UserMessage& message) {
    std::string line = message.caption.empty() ? std::string() : message.caption + ": ";
    line += message.text;
    while (!line.empty() && line.back() == '\n') {
        line.pop_back();
    }
    os::debugOutput(line + "\n");
}

} // namespace lumetta
