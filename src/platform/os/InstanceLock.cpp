#include "platform/os/InstanceLock.h"

#include "platform/os/XdgFolders.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace lumetta::os {

InstanceLock InstanceLock::acquire(const std::string& name) {
    const std::filesystem::path folder = runtimeFolder();
    if (folder.empty()) {
        return {State::Unavailable, UniqueFd(),
                std::make_error_code(std::errc::no_such_file_or_directory)};
    }
    return acquireIn(folder, name);
}

InstanceLock InstanceLock::acquireIn(const std::filesystem::path& folder, const std::string& name) {
    const std::filesystem::path path = folder / (name + ".lock");
    // The descriptor must not leak into programs this process starts: a child holding it would
    // keep the lock after this process ends.
    UniqueFd fd(::open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (!fd) {
        return {State::Unavailable, UniqueFd(), {errno, std::generic_category()}};
    }
    while (::flock(fd.get(), LOCK_EX | LOCK_NB) != 0) {
        if (errno == EINTR) {
            continue;
        }
        if (errno == EWOULDBLOCK) {
            return {State::Busy, UniqueFd(), {}};
        }
        return {State::Unavailable, UniqueFd(), {errno, std::generic_category()}};
    }
    return {State::Held, std::move(fd), {}};
}

void InstanceLock::release() {
    fd_.reset();
    if (state_ == State::Held) {
        state_ = State::Unavailable;
    }
}

} // namespace lumetta::os
