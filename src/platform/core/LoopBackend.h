#pragma once

#include "platform/core/Clock.h"

#include <optional>

namespace lumetta::core {

// The seam through which a display backend feeds its input into a thread's event loop. While a
// backend is installed the loop does its idle waiting inside the backend, so one wait covers both
// the backend's own events and the loop's wake-ups.
class LoopBackend {
public:
    virtual ~LoopBackend() = default;

    // Blocks until the backend has events, wake() was called, or the timeout passed (no timeout:
    // no limit). Called on the loop's thread only.
    virtual void waitForEvents(std::optional<Duration> timeout) = 0;

    // Makes the current waitForEvents, or the next one if none runs, return promptly. Called from
    // any thread, possibly with the queue's internal lock held: it must not block and must not
    // call back into the message core.
    virtual void wake() = 0;

    // Hands every pending backend event to its windows (by posting or sending to them, or by
    // calling them directly) without blocking. Returns whether there was anything. Called on the
    // loop's thread only.
    virtual bool dispatchEvents() = 0;
};

} // namespace lumetta::core
