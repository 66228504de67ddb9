#include "apps/ctl/Interrupt.h"

#include <atomic>
#include <csignal>

namespace lumetta::ctl {

namespace {

std::atomic<bool> requested{false};
static_assert(std::atomic<bool>::is_always_lock_free);

void onSignal(int) {
    requested.store(true);
}

} // namespace

void installInterruptHandlers() {
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);
    ::sigaction(SIGHUP, &action, nullptr);
}

bool interruptRequested() {
    return requested.load();
}

} // namespace lumetta::ctl
