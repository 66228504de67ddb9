#include "platform/os/DebugOutput.h"

#include <unistd.h>

#include <cerrno>

namespace lumetta::os {

void debugOutput(std::string_view text) {
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t written = ::write(STDERR_FILENO, text.data() + done, text.size() - done);
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return;
        }
        done += static_cast<std::size_t>(written);
    }
}

} // namespace lumetta::os
