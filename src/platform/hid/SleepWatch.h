#pragma once

#include <functional>
#include <memory>

namespace lumetta::hid {

// Tells when the system is about to sleep (true) and when it has woken (false).
class SleepWatch {
public:
    using Handler = std::function<void(bool sleeping)>;
    virtual ~SleepWatch() = default;

    // Follows the login manager's sleep signal on the system bus, on a thread of its own that
    // calls the handler. Returns a watch that never fires when there is no system bus.
    static std::unique_ptr<SleepWatch> system(Handler handler);
};

} // namespace lumetta::hid
