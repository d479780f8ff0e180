#include "platform/event.h"
#include "platform/pipe_path.h"
#include "platform/socket.h"
#include "support/raw_byte_server.h"
#include "support/scoped_env.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <optional>
#include <string>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <vector>

namespace {

using ksb::test::RawByteServer;
using ksb::test::ScopedEnv;
using platform::SocketErrorKind;

std::pair<platform::Socket, platform::Socket> lf_socketPair() {
    int fds[2];
    EXPECT_EQ(::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds), 0);
    return {platform::Socket(fds[0]), platform::Socket(fds[1])};
}

std::span<const std::uint8_t> lf_bytes(const std::string& text) {
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

TEST(PipePathTest, PipeFolderComesFromTheEnvironment) {
    struct Case {
        const char* name;
        std::optional<std::string> pipeDir, runtimeDir;
        std::string folder;
    };
    const Case cases[] = {
        {"KSBY_PIPE_DIR first", "/srv/pipes", "/run/user/7", "/srv/pipes"},
        {"then the runtime folder", std::nullopt, "/run/user/7", "/run/user/7/ksby-pipes"},
        {"an empty value counts as unset", "", "", "/tmp/ksby-pipes"},
        {"else /tmp", std::nullopt, std::nullopt, "/tmp/ksby-pipes"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScopedEnv pipeDir("KSBY_PIPE_DIR", c.pipeDir);
        ScopedEnv runtimeDir("XDG_RUNTIME_DIR", c.runtimeDir);
        EXPECT_EQ(platform::pipeDirectory(), c.folder);
    }
}

TEST(PipePathTest, NamesMapBelowThePipeFolderOnly) {
    ScopedEnv pipeDir("KSBY_PIPE_DIR", "/p");
    struct Case {
        const char* name;
        std::string pipeName;
        std::optional<std::string> path;
    };
    const Case cases[] = {
        {"the simulator's pipe", std::string(platform::kSimConnectPipeName),
         "/p/Lockheed Martin Prepar3D v5/SimConnect"},
        {"a plain name", "MySim", "/p/MySim"},
        {"backslashes and slashes separate", "a\\b/c", "/p/a/b/c"},
        {"8-bit bytes kept",
         "Gr\xF6\xDF"
         "e",
         "/p/Gr\xF6\xDF"
         "e"},
        {"empty name", "", std::nullopt},
        {"empty component", "a\\\\b", std::nullopt},
        {"leading separator", "\\a", std::nullopt},
        {"trailing separator", "a\\", std::nullopt},
        {"parent component", "..\\etc", std::nullopt},
        {"parent component inside", "a\\..\\..\\b", std::nullopt},
        {"107 bytes fit", std::string(104, 'x'), "/p/" + std::string(104, 'x')},
        {"108 bytes do not", std::string(105, 'x'), std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto path = platform::pipePath(c.pipeName);
        ASSERT_EQ(path.has_value(), c.path.has_value());
        if (path) {
            EXPECT_EQ(path->string(), *c.path);
        }
    }
}

class PipeConnectTest : public ::testing::Test {
protected:
    ksb::test::TempFolder folder_;
    ScopedEnv pipeDir_{"KSBY_PIPE_DIR", (folder_ / "pipes").string()};
};

TEST_F(PipeConnectTest, ConnectsOnlyToAnExistingLocalPipe) {
    RawByteServer server(RawByteServer::Endpoint::unixSocket,
                         folder_ / "pipes" / "Lockheed Martin Prepar3D v5" / "SimConnect",
                         /*accepting=*/false);
    struct Case {
        const char* name;
        std::string server, pipeName;
        SocketErrorKind kind;
        int error;
    };
    const std::string simPipe(platform::kSimConnectPipeName);
    const Case cases[] = {
        {"local server '.'", ".", simPipe, SocketErrorKind::none, 0},
        {"empty server is local", "", simPipe, SocketErrorKind::none, 0},
        {"another server", "simhost", simPipe, SocketErrorKind::notFound, 0},
        {"no such pipe", ".", "Other", SocketErrorKind::notFound, ENOENT},
        {"parent component", ".", "..\\x", SocketErrorKind::other, EINVAL},
        {"path too long", ".", std::string(200, 'x'), SocketErrorKind::other, EINVAL},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        platform::ConnectResult result = platform::connectPipe(c.server, c.pipeName);
        EXPECT_EQ(result.result.kind, c.kind) << platform::socketErrorKindName(result.result.kind);
        EXPECT_EQ(result.result.error, c.error);
        EXPECT_EQ(result.socket.valid(), c.kind == SocketErrorKind::none);
    }
}

TEST_F(PipeConnectTest, StaleAndBusyPipes) {
    // A socket file nobody listens on any more fails like a missing pipe.
    std::filesystem::create_directories(folder_ / "pipes");
    const std::string stale = (folder_ / "pipes" / "Stale").string();
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, stale.c_str(), stale.size());
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ::close(fd);
    platform::ConnectResult refused = platform::connectPipe(".", "Stale");
    EXPECT_EQ(refused.result.kind, SocketErrorKind::notFound);
    EXPECT_EQ(refused.result.error, ECONNREFUSED);

    RawByteServer server(RawByteServer::Endpoint::unixSocket, folder_ / "pipes" / "Busy",
                         /*accepting=*/false, /*backlog=*/0);
    platform::ConnectResult first = platform::connectPipe(".", "Busy");
    ASSERT_TRUE(first.result.ok());
    platform::ConnectResult second = platform::connectPipe(".", "Busy");
    EXPECT_EQ(second.result.kind, SocketErrorKind::busy);
    EXPECT_EQ(second.result.error, EAGAIN);
    EXPECT_FALSE(second.socket.valid());
}

TEST(TcpConnectTest, RefusedTimedOutAndConnected) {
    std::string closedPort;
    {
        RawByteServer gone(RawByteServer::Endpoint::ipv4, {}, false);
        closedPort = gone.port();
    }
    platform::ConnectResult refused = platform::connectTcp(
        "127.0.0.1", closedPort, platform::AddressFamily::ipv4, std::chrono::milliseconds(2000));
    EXPECT_EQ(refused.result.kind, SocketErrorKind::notFound);
    EXPECT_EQ(refused.result.error, ECONNREFUSED);

    platform::ConnectResult badPort = platform::connectTcp(
        "127.0.0.1", "no-port", platform::AddressFamily::ipv4, std::chrono::milliseconds(2000));
    EXPECT_EQ(badPort.result.kind, SocketErrorKind::notFound);

    // A listener whose accept queue is full drops further connection requests: the connect
    // runs into its bound.
    RawByteServer full(RawByteServer::Endpoint::ipv4, {}, /*accepting=*/false, /*backlog=*/0);
    std::vector<platform::ConnectResult> queued;
    queued.push_back(platform::connectTcp("127.0.0.1", full.port(), platform::AddressFamily::ipv4,
                                          std::chrono::milliseconds(2000)));
    ASSERT_TRUE(queued.back().result.ok());
    platform::ConnectResult late = platform::connectTcp(
        "127.0.0.1", full.port(), platform::AddressFamily::ipv4, std::chrono::milliseconds(20));
    EXPECT_EQ(late.result.kind, SocketErrorKind::timedOut);
    EXPECT_EQ(late.result.error, ETIMEDOUT);
    EXPECT_FALSE(late.socket.valid());

    platform::Socket& connected = queued.front().socket;
    EXPECT_FALSE(connected.noDelay());
    EXPECT_TRUE(connected.setNoDelay(true).ok());
    EXPECT_TRUE(connected.noDelay());
}

TEST(TcpConnectTest, ConnectsOverIpv6WherePresent) {
    if (!RawByteServer::ipv6Available()) {
        GTEST_SKIP() << "no IPv6 loopback here";
    }
    RawByteServer server(RawByteServer::Endpoint::ipv6, {}, false);
    platform::ConnectResult result = platform::connectTcp(
        "::1", server.port(), platform::AddressFamily::ipv6, std::chrono::milliseconds(2000));
    EXPECT_TRUE(result.result.ok());
    // The IPv4 family does not resolve an IPv6 address.
    platform::ConnectResult wrongFamily = platform::connectTcp(
        "::1", server.port(), platform::AddressFamily::ipv4, std::chrono::milliseconds(2000));
    EXPECT_EQ(wrongFamily.result.kind, SocketErrorKind::notFound);
}

TEST(SocketTest, SendsReceivesAndReportsTheEnds) {
    auto [a, b] = lf_socketPair();
    const std::string text(100000, 'q');
    // Larger than the socket buffer: sendAll goes on until the reader took everything.
    std::vector<std::uint8_t> got;
    std::vector<std::uint8_t> buffer(4096);
    platform::SocketResult sent;
    {
        // Keep the test single-threaded: send what fits, read it, repeat.
        std::size_t offset = 0;
        while (offset < text.size()) {
            const std::size_t count = std::min<std::size_t>(8192, text.size() - offset);
            sent = a.sendAll(lf_bytes(text).subspan(offset, count));
            ASSERT_TRUE(sent.ok());
            EXPECT_EQ(sent.bytes, count);
            offset += count;
            while (got.size() < offset) {
                const platform::SocketResult r = b.receive(buffer);
                ASSERT_TRUE(r.ok());
                got.insert(got.end(), buffer.begin(), buffer.begin() + r.bytes);
            }
        }
    }
    EXPECT_EQ(std::string(got.begin(), got.end()), text);

    a.close();
    const platform::SocketResult end = b.receive(buffer);
    EXPECT_EQ(end.kind, SocketErrorKind::peerClosed);
    EXPECT_EQ(end.bytes, 0u);
    // Writing to a peer that left fails without SIGPIPE (the test would die of it).
    const platform::SocketResult broken = b.sendAll(lf_bytes("x"));
    EXPECT_EQ(broken.kind, SocketErrorKind::brokenPipe);
    EXPECT_EQ(broken.error, EPIPE);
}

TEST(SocketTest, OwnShutdownEndsIoAsShutDown) {
    auto [a, b] = lf_socketPair();
    a.shutdownBoth();
    std::vector<std::uint8_t> buffer(16);
    EXPECT_EQ(a.receive(buffer).kind, SocketErrorKind::shutDown);
    EXPECT_EQ(a.sendAll(lf_bytes("x")).kind, SocketErrorKind::shutDown);
    EXPECT_EQ(b.receive(buffer).kind, SocketErrorKind::peerClosed);
    // A Unix socket has no TCP_NODELAY.
    EXPECT_FALSE(b.noDelay());
    platform::Socket moved = std::move(b);
    EXPECT_FALSE(b.valid());
    EXPECT_TRUE(moved.valid());
}

TEST(EventTest, ManualResetWithBoundedWait) {
    platform::Event event;
    EXPECT_FALSE(event.isSet());
    EXPECT_FALSE(event.wait(std::chrono::milliseconds(0)));
    event.set();
    EXPECT_TRUE(event.wait(std::chrono::milliseconds(0)));
    EXPECT_TRUE(event.wait(std::chrono::milliseconds(0)));
    event.reset();
    EXPECT_FALSE(event.isSet());
}

} // namespace
