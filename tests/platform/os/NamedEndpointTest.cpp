#include "platform/os/NamedEndpoint.h"

#include "TestFolders.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>

#include <cstring>
#include <future>
#include <vector>

namespace lumetta::os {
namespace {

using namespace std::chrono_literals;
using testing::TempFolder;

TEST(NamedEndpoint, SendWaitsForTheAnswerAndPostDoesNot) {
    TempFolder folder;
    auto server = EndpointServer::listen(folder.path(), "Wrenfield_Lumetta_Hid");
    ASSERT_TRUE(server);
    std::vector<EndpointMessage> seen;
    auto serve = std::async(std::launch::async, [&] {
        int handled = 0;
        for (int i = 0; i < 2; ++i) {
            handled += server->handleOne(
                [&](const EndpointMessage& m) {
                    seen.push_back(m);
                    return m.lParam * 10;
                },
                5s);
        }
        return handled;
    });
    const EndpointMessage running{2929, 0, 1};
    EXPECT_EQ(sendToEndpoint(folder.path(), "Wrenfield_Lumetta_Hid", running, 5s), 10);
    const EndpointMessage ended{2929, 0xFFFFFFFF00000001ull, -1};
    EXPECT_TRUE(postToEndpoint(folder.path(), "Wrenfield_Lumetta_Hid", ended));
    EXPECT_EQ(serve.get(), 2);
    EXPECT_EQ(seen, (std::vector<EndpointMessage>{running, ended}));
}

TEST(NamedEndpoint, AbsentOrDeadEndpointIsSkipped) {
    TempFolder folder;
    const EndpointMessage message{2929, 0, 1};
    EXPECT_FALSE(sendToEndpoint(folder.path(), "nobody", message, 5s));
    EXPECT_FALSE(postToEndpoint(folder.path(), "nobody", message));

    // A socket file whose owner is gone.
    {
        int fd = ::socket(AF_UNIX, SOCK_SEQPACKET, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        const std::string path = endpointPath(folder.path(), "dead").string();
        std::strcpy(address.sun_path, path.c_str());
        ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        ::close(fd);
    }
    const auto started = std::chrono::steady_clock::now();
    EXPECT_FALSE(sendToEndpoint(folder.path(), "dead", message, 5s));
    EXPECT_LT(std::chrono::steady_clock::now() - started, 4s) << "must not wait for a dead peer";

    auto server = EndpointServer::listen(folder.path(), "dead");
    EXPECT_TRUE(server) << "a stale socket is taken over";
}

TEST(NamedEndpoint, LiveEndpointIsNotTakenOverAndIsRemovedAtTheEnd) {
    TempFolder folder;
    auto first = EndpointServer::listen(folder.path(), "x");
    ASSERT_TRUE(first);
    EXPECT_FALSE(EndpointServer::listen(folder.path(), "x"));
    first.reset();
    EXPECT_FALSE(std::filesystem::exists(endpointPath(folder.path(), "x")));
}

TEST(NamedEndpoint, UnansweredSendGivesUpAfterTheTimeout) {
    TempFolder folder;
    auto server = EndpointServer::listen(folder.path(), "slow");
    ASSERT_TRUE(server);
    // Nobody calls handleOne: the message waits in the queue and no answer comes.
    EXPECT_FALSE(sendToEndpoint(folder.path(), "slow", {1, 2, 3}, 50ms));
}

} // namespace
} // namespace lumetta::os
