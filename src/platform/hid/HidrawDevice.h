#pragma once

#include "platform/core/Clock.h"
#include "platform/core/WorkerThread.h"
#include "platform/hid/UniqueFd.h"

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <vector>

namespace lumetta::hid {

struct ReportLayout {
    std::uint32_t inputLength = 0;  // bytes including the report id byte
    std::uint32_t outputLength = 0; // bytes including the report id byte
    bool numbered = false;          // the device puts the report id in front of what it sends
};

// One open hidraw node with its reader thread. The reader waits in poll() on the device and on
// a wake-up descriptor, so stop() ends it at once: it is woken, returns and is joined; it never
// holds a lock while waiting and never reads a descriptor that has been closed.
class HidrawDevice {
public:
    // Gets one whole input report, report id first (0 for unnumbered devices), padded with
    // zeros to the input length. Runs on the reader thread.
    using InputHandler = std::function<void(std::span<const std::uint8_t> report)>;
    // The device went away (hang-up, failing read or end of file). Runs once on the reader
    // thread, which then ends.
    using GoneHandler = std::function<void()>;

    static std::unique_ptr<HidrawDevice> open(const std::filesystem::path& path,
                                              const ReportLayout& layout,
                                              std::string* error = nullptr);
    ~HidrawDevice();
    HidrawDevice(const HidrawDevice&) = delete;
    HidrawDevice& operator=(const HidrawDevice&) = delete;

    const ReportLayout& layout() const { return layout_; }

    // Starts the reader; it runs when this returns.
    bool start(InputHandler onInput, GoneHandler onGone);
    // Wakes and joins the reader. Safe to call more than once, and from the handlers' thread's
    // peers only (never from inside a handler).
    void stop();
    bool running() const { return reader_.joinable(); }

    // Writes one whole output report (report id first). Fails when the device does not take it
    // within the timeout.
    bool write(std::span<const std::uint8_t> report, core::Duration timeout);

private:
    HidrawDevice(UniqueFd fd, UniqueFd wake, const ReportLayout& layout);
    void readLoop(const InputHandler& onInput, const GoneHandler& onGone);
    bool readOne(const InputHandler& onInput, bool& gone);

    UniqueFd fd_;
    UniqueFd wake_;
    ReportLayout layout_;
    std::vector<std::uint8_t> buffer_;
    std::mutex writeMutex_; // one report at a time, never held while the reader waits
    core::WorkerThread reader_;
};

} // namespace lumetta::hid
