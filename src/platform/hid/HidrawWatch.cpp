#include "platform/hid/HidrawWatch.h"

#include "platform/hid/HidrawDeviceInfo.h"

#include <cerrno>
#include <cstring>
#include <sys/inotify.h>
#include <unistd.h>

namespace lumetta::hid {

std::unique_ptr<HidrawWatch> HidrawWatch::open(const std::filesystem::path& devRoot,
                                               std::string* error) {
    UniqueFd fd(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC));
    constexpr std::uint32_t events =
        IN_CREATE | IN_DELETE | IN_MOVED_TO | IN_MOVED_FROM | IN_ATTRIB | IN_ONLYDIR;
    if (!fd || ::inotify_add_watch(fd.get(), devRoot.c_str(), events) < 0) {
        if (error) {
            *error = devRoot.string() + ": " + std::strerror(errno);
        }
        return nullptr;
    }
    return std::unique_ptr<HidrawWatch>(new HidrawWatch(std::move(fd)));
}

std::vector<HidrawWatch::Change> HidrawWatch::readChanges() {
    std::vector<Change> changes;
    alignas(inotify_event) char buffer[8192];
    for (;;) {
        ssize_t n = ::read(fd_.get(), buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return changes;
        }
        for (ssize_t offset = 0; offset + static_cast<ssize_t>(sizeof(inotify_event)) <= n;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + offset);
            offset += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            if (event->len == 0 || !isHidrawNodeName(event->name)) {
                continue;
            }
            bool removed = event->mask & (IN_DELETE | IN_MOVED_FROM);
            changes.push_back(Change{removed ? Change::Kind::Removed : Change::Kind::Added,
                                     std::string(event->name)});
        }
    }
}

} // namespace lumetta::hid
