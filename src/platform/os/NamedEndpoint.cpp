#include "platform/os/NamedEndpoint.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace lumetta::os {

namespace fs = std::filesystem;

namespace {

constexpr std::size_t REQUEST_SIZE = 24;
constexpr std::size_t ANSWER_SIZE = 8;
constexpr std::uint32_t FLAG_WAITS = 1;

void putLe(std::uint8_t* out, std::uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        out[i] = static_cast<std::uint8_t>(value >> (8 * i));
    }
}

std::uint64_t getLe(const std::uint8_t* in, int bytes) {
    std::uint64_t value = 0;
    for (int i = 0; i < bytes; ++i) {
        value |= std::uint64_t(in[i]) << (8 * i);
    }
    return value;
}

bool socketAddress(const fs::path& path, sockaddr_un& address) {
    std::memset(&address, 0, sizeof address);
    address.sun_family = AF_UNIX;
    const std::string text = path.string();
    if (text.size() >= sizeof address.sun_path) {
        return false;
    }
    std::memcpy(address.sun_path, text.c_str(), text.size() + 1);
    return true;
}

UniqueFd connectTo(const fs::path& path) {
    sockaddr_un address{};
    if (!socketAddress(path, address)) {
        return {};
    }
    // Non-blocking, so that a listener whose queue is full cannot stall the sender.
    UniqueFd fd(::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    if (!fd) {
        return {};
    }
    if (::connect(fd.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        return {};
    }
    return fd;
}

bool waitFor(int fd, short events, std::chrono::milliseconds timeout) {
    pollfd entry{fd, events, 0};
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (true) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        const int result =
            ::poll(&entry, 1, static_cast<int>(std::max<long long>(0, left.count())));
        if (result > 0) {
            return (entry.revents & events) != 0;
        }
        if (result == 0 || errno != EINTR) {
            return false;
        }
    }
}

bool deliver(const fs::path& folder, const std::string& name, const EndpointMessage& message,
             bool waits, UniqueFd& connection) {
    connection = connectTo(endpointPath(folder, name));
    if (!connection) {
        return false;
    }
    std::uint8_t request[REQUEST_SIZE];
    putLe(request, message.message, 4);
    putLe(request + 4, waits ? FLAG_WAITS : 0, 4);
    putLe(request + 8, message.wParam, 8);
    putLe(request + 16, static_cast<std::uint64_t>(message.lParam), 8);
    return ::send(connection.get(), request, sizeof request, MSG_NOSIGNAL) ==
           static_cast<ssize_t>(sizeof request);
}

bool isLive(const fs::path& path) {
    return connectTo(path).valid();
}

} // namespace

fs::path endpointPath(const fs::path& folder, const std::string& name) {
    return folder / (name + ".sock");
}

std::optional<std::int64_t> sendToEndpoint(const fs::path& folder, const std::string& name,
                                           const EndpointMessage& message,
                                           std::chrono::milliseconds timeout) {
    UniqueFd connection;
    if (!deliver(folder, name, message, true, connection) ||
        !waitFor(connection.get(), POLLIN, timeout)) {
        return std::nullopt;
    }
    std::uint8_t answer[ANSWER_SIZE];
    if (::recv(connection.get(), answer, sizeof answer, 0) != static_cast<ssize_t>(sizeof answer)) {
        return std::nullopt;
    }
    return static_cast<std::int64_t>(getLe(answer, 8));
}

bool postToEndpoint(const fs::path& folder, const std::string& name,
                    const EndpointMessage& message) {
    UniqueFd connection;
    return deliver(folder, name, message, false, connection);
}

std::unique_ptr<EndpointServer> EndpointServer::listen(const fs::path& folder,
                                                       const std::string& name) {
    const fs::path path = endpointPath(folder, name);
    sockaddr_un address{};
    if (!socketAddress(path, address)) {
        return nullptr;
    }
    UniqueFd fd(::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0));
    if (!fd) {
        return nullptr;
    }
    auto bindOnce = [&] {
        return ::bind(fd.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    };
    if (!bindOnce()) {
        if (errno != EADDRINUSE || isLive(path)) {
            return nullptr;
        }
        ::unlink(path.c_str());
        if (!bindOnce()) {
            return nullptr;
        }
    }
    if (::listen(fd.get(), 16) != 0) {
        ::unlink(path.c_str());
        return nullptr;
    }
    return std::unique_ptr<EndpointServer>(new EndpointServer(std::move(fd), path));
}

EndpointServer::~EndpointServer() {
    ::unlink(path_.c_str());
}

bool EndpointServer::handleOne(const Handler& handler, std::chrono::milliseconds timeout) {
    if (!waitFor(listener_.get(), POLLIN, timeout)) {
        return false;
    }
    UniqueFd peer(::accept4(listener_.get(), nullptr, nullptr, SOCK_CLOEXEC));
    if (!peer) {
        return false;
    }
    ucred credentials{};
    socklen_t length = sizeof credentials;
    if (::getsockopt(peer.get(), SOL_SOCKET, SO_PEERCRED, &credentials, &length) != 0 ||
        credentials.uid != ::getuid()) {
        return false;
    }
    // A sender that connects and then says nothing is given up on after the same timeout.
    if (!waitFor(peer.get(), POLLIN, timeout)) {
        return false;
    }
    std::uint8_t request[REQUEST_SIZE];
    if (::recv(peer.get(), request, sizeof request, 0) != static_cast<ssize_t>(sizeof request)) {
        return false;
    }
    EndpointMessage message;
    message.message = static_cast<std::uint32_t>(getLe(request, 4));
    message.wParam = getLe(request + 8, 8);
    message.lParam = static_cast<std::int64_t>(getLe(request + 16, 8));
    const std::int64_t result = handler(message);
    if ((getLe(request + 4, 4) & FLAG_WAITS) != 0) {
        std::uint8_t answer[ANSWER_SIZE];
        putLe(answer, static_cast<std::uint64_t>(result), 8);
        ::send(peer.get(), answer, sizeof answer, MSG_NOSIGNAL);
    }
    return true;
}

} // namespace lumetta::os
