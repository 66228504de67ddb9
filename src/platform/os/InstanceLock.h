#pragma once

#include "platform/os/UniqueFd.h"

#include <filesystem>
#include <string>
#include <system_error>

namespace lumetta::os {

// A lock that one process at a time can hold, named like a desktop-wide mutex: a file in the
// runtime folder held with flock. The kernel releases it when the holder exits or dies, so a
// crashed holder never blocks the next start. The file itself stays; removing it would let two
// processes lock two different files of the same name.
class InstanceLock {
public:
    enum class State {
        Held,       // this object holds the lock
        Busy,       // another process holds it
        Unavailable // no lock could be made (no runtime folder, a file that cannot be opened)
    };

    // Tries once, without waiting. The file is "<name>.lock" in folder, by default the runtime
    // folder.
    static InstanceLock acquire(const std::string& name);
    static InstanceLock acquireIn(const std::filesystem::path& folder, const std::string& name);

    State state() const { return state_; }
    bool held() const { return state_ == State::Held; }
    std::error_code error() const { return error_; }

    // Lets the lock go before the object ends.
    void release();

private:
    InstanceLock(State state, UniqueFd fd, std::error_code error)
        : state_(state), fd_(std::move(fd)), error_(error) {}

    State state_;
    UniqueFd fd_;
    std::error_code error_;
};

} // namespace lumetta::os
