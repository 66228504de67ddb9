#include "platform/hid/HidrawDevice.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>

namespace lumetta::hid {

namespace {

constexpr int kRetryAfterErrorMs = 10;

} // namespace

HidrawDevice::HidrawDevice(UniqueFd fd, UniqueFd wake, const ReportLayout& layout)
    : fd_(std::move(fd)), wake_(std::move(wake)), layout_(layout),
      buffer_(std::max<std::uint32_t>(layout.inputLength, 2)) {}

std::unique_ptr<HidrawDevice> HidrawDevice::open(const std::filesystem::path& path,
                                                 const ReportLayout& layout, std::string* error) {
    // Non-blocking so that neither a read after a spurious wake-up nor a write to a stalled
    // device can hang a thread; both wait in poll() instead.
    UniqueFd fd(::open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK));
    if (!fd) {
        if (error) {
            *error = path.string() + ": " + std::strerror(errno);
        }
        return nullptr;
    }
    UniqueFd wake(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
    if (!wake) {
        if (error) {
            *error = std::string("eventfd: ") + std::strerror(errno);
        }
        return nullptr;
    }
    return std::unique_ptr<HidrawDevice>(new HidrawDevice(std::move(fd), std::move(wake), layout));
}

HidrawDevice::~HidrawDevice() {
    stop();
}

bool HidrawDevice::start(InputHandler onInput, GoneHandler onGone) {
    if (reader_.joinable() || layout_.inputLength < 2) {
        return false;
    }
    reader_ = core::WorkerThread([this, onInput = std::move(onInput), onGone = std::move(onGone)] {
        readLoop(onInput, onGone);
    });
    return true;
}

void HidrawDevice::stop() {
    if (!reader_.joinable()) {
        return;
    }
    std::uint64_t one = 1;
    [[maybe_unused]] ssize_t ignored = ::write(wake_.get(), &one, sizeof one);
    reader_.join();
}

void HidrawDevice::readLoop(const InputHandler& onInput, const GoneHandler& onGone) {
    for (;;) {
        pollfd entries[2] = {{wake_.get(), POLLIN, 0}, {fd_.get(), POLLIN, 0}};
        int ready = ::poll(entries, 2, -1);
        if (ready < 0) {
            if (errno == EINTR) {
                continue;
            }
            ::poll(entries, 1, kRetryAfterErrorMs);
            continue;
        }
        if (entries[0].revents) {
            return;
        }
        short events = entries[1].revents;
        bool gone = (events & (POLLHUP | POLLERR | POLLNVAL)) && !(events & POLLIN);
        if (!gone && (events & POLLIN) && !readOne(onInput, gone) && !gone) {
            // A failure that is not a disconnect: back off a little, still answering stop().
            ::poll(entries, 1, kRetryAfterErrorMs);
        }
        if (gone) {
            if (onGone) {
                onGone();
            }
            return;
        }
    }
}

bool HidrawDevice::readOne(const InputHandler& onInput, bool& gone) {
    std::fill(buffer_.begin(), buffer_.end(), 0);
    // Unnumbered devices send the report alone; the id byte in front is ours, and 0.
    std::uint8_t* target = layout_.numbered ? buffer_.data() : buffer_.data() + 1;
    std::size_t length = layout_.numbered ? layout_.inputLength : layout_.inputLength - 1;
    ssize_t n = ::read(fd_.get(), target, length);
    if (n > 0) {
        if (onInput) {
            onInput(std::span(buffer_.data(), layout_.inputLength));
        }
        return true;
    }
    if (n == 0 || errno == EIO || errno == ENODEV || errno == EPIPE) {
        gone = true;
        return false;
    }
    return errno == EAGAIN || errno == EINTR;
}

bool HidrawDevice::write(std::span<const std::uint8_t> report, core::Duration timeout) {
    std::lock_guard lock(writeMutex_);
    auto deadline = std::chrono::steady_clock::now() + timeout;
    std::size_t done = 0;
    while (done < report.size()) {
        ssize_t n = ::write(fd_.get(), report.data() + done, report.size() - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0 && errno != EAGAIN) {
            return false;
        }
        auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline -
                                                                 std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            return false;
        }
        pollfd entry{fd_.get(), POLLOUT, 0};
        if (::poll(&entry, 1, static_cast<int>(left.count())) <= 0 ||
            (entry.revents & (POLLHUP | POLLERR | POLLNVAL))) {
            return false;
        }
    }
    return true;
}

} // namespace lumetta::hid
