#include "kbsim/ControlClient.h"

#include "platform/hid/UniqueFd.h"

#include <cerrno>
#include <cstring>
#include <iostream>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>

namespace lumetta::kbsim {

namespace {

constexpr int REPLY_TIMEOUT_MS = 10000;

bool sendAll(int fd, const std::string& text) {
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::send(fd, text.data() + done, text.size() - done, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// Reads until the final "ok" or "error: ..." line; returns false on a time-out or early close.
bool readReply(int fd, std::string& reply) {
    for (;;) {
        const std::size_t last = reply.rfind('\n', reply.empty() ? 0 : reply.size() - 2);
        const std::string tail = reply.substr(last == std::string::npos ? 0 : last + 1);
        if (tail == "ok\n" || (tail.starts_with("error: ") && tail.ends_with("\n"))) {
            return true;
        }
        pollfd entry{fd, POLLIN, 0};
        if (::poll(&entry, 1, REPLY_TIMEOUT_MS) <= 0) {
            return false;
        }
        char buffer[4096];
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        reply.append(buffer, static_cast<std::size_t>(n));
    }
}

} // namespace

int runControlClient(const std::filesystem::path& socketPath, const std::string& command) {
    hid::UniqueFd fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, socketPath.c_str(), sizeof address.sun_path - 1);
    if (!fd || ::connect(fd.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address)) {
        std::cerr << "lumetta-kbsim: no simulator at " << socketPath.string() << ": "
                  << std::strerror(errno) << "\n";
        return 1;
    }
    std::string reply;
    if (!sendAll(fd.get(), command + "\n") || !readReply(fd.get(), reply)) {
        std::cerr << "lumetta-kbsim: the simulator did not answer\n";
        return 1;
    }
    const std::size_t last = reply.rfind('\n', reply.size() - 2);
    const std::size_t tailStart = last == std::string::npos ? 0 : last + 1;
    std::cout << reply.substr(0, tailStart);
    const std::string tail = reply.substr(tailStart);
    if (tail != "ok\n") {
        std::cerr << "lumetta-kbsim: " << tail.substr(7);
        return 1;
    }
    return 0;
}

} // namespace lumetta::kbsim
