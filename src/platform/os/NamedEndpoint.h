#pragma once

#include "platform/os/UniqueFd.h"

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace lumetta::os {

// A numbered message for a process that listens under a name, as windows found by their title
// receive one. On the wire (a SOCK_SEQPACKET Unix socket "<name>.sock" in the runtime folder)
// one request is 24 bytes, little-endian: u32 message, u32 flags (bit 0: the sender waits for
// an answer), u64 wParam, i64 lParam; the answer is one i64.
struct EndpointMessage {
    std::uint32_t message = 0;
    std::uint64_t wParam = 0;
    std::int64_t lParam = 0;
    bool operator==(const EndpointMessage&) const = default;
};

std::filesystem::path endpointPath(const std::filesystem::path& folder, const std::string& name);

// Sends message and waits up to timeout for the answer. Empty when nobody listens under the name
// (no socket, or a socket whose owner is gone), or the answer did not come in time.
std::optional<std::int64_t> sendToEndpoint(const std::filesystem::path& folder,
                                           const std::string& name, const EndpointMessage& message,
                                           std::chrono::milliseconds timeout);

// Delivers message without waiting for it to be handled; false when nobody listens.
bool postToEndpoint(const std::filesystem::path& folder, const std::string& name,
                    const EndpointMessage& message);

// The receiving side: listens under a name until destroyed, then removes its socket. A socket
// left behind by a process that died is taken over; one with a live owner is not.
class EndpointServer {
public:
    using Handler = std::function<std::int64_t(const EndpointMessage&)>;

    static std::unique_ptr<EndpointServer> listen(const std::filesystem::path& folder,
                                                  const std::string& name);
    ~EndpointServer();
    EndpointServer(const EndpointServer&) = delete;
    EndpointServer& operator=(const EndpointServer&) = delete;

    // Readable when a sender is waiting, for use in an event loop's poll.
    int fd() const { return listener_.get(); }

    // Waits up to timeout for one sender, reads its message, calls handler and answers when the
    // sender waits. Returns whether a message was handled. Senders of another user are refused.
    bool handleOne(const Handler& handler, std::chrono::milliseconds timeout);

private:
    EndpointServer(UniqueFd listener, std::filesystem::path path)
        : listener_(std::move(listener)), path_(std::move(path)) {}

    UniqueFd listener_;
    std::filesystem::path path_;
};

} // namespace lumetta::os
