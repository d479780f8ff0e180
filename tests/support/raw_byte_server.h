#pragma once
// A byte server that knows no message layout, for transport tests: it listens on 127.0.0.1 or
// ::1 (port 0) or on a Unix socket path, accepts connections, records every byte received and
// sends given bytes in given pieces; it can end a connection with a FIN (close), an RST (reset)
// or by refusing further data (shutdownRead, so the client's next send fails with EPIPE).
//
//   RawByteServer server(RawByteServer::Endpoint::ipv4);
//   ... connect to "127.0.0.1", server.port() ...
//   ASSERT_TRUE(server.waitReceived(296));
//   server.send(bytes, {1, 7});  // one byte, then seven, then the rest
//
// With accepting = false no thread runs and nothing is accepted: connections wait in the
// listener's queue (backlog as given), which lets tests fill it. Every wait is bounded.
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <mutex>
#include <span>
#include <string>
#include <thread>
#include <vector>

namespace ksb::test {

class RawByteServer {
public:
    enum class Endpoint { ipv4, ipv6, unixSocket };
    static constexpr std::chrono::milliseconds kBound{10000};

    // unixPath: the socket file for Endpoint::unixSocket (parent folders are created).
    explicit RawByteServer(Endpoint endpoint, std::filesystem::path unixPath = {},
                           bool accepting = true, int backlog = 8);
    ~RawByteServer();
    RawByteServer(const RawByteServer&) = delete;
    RawByteServer& operator=(const RawByteServer&) = delete;

    // Whether ::1 can be listened on here.
    static bool ipv6Available();

    Endpoint endpoint() const { return endpoint_; }
    // The TCP port as text; empty for a Unix socket.
    const std::string& port() const { return port_; }
    const std::filesystem::path& path() const { return path_; }

    // Connections accepted so far reach count.
    bool waitAccepted(std::size_t count = 1, std::chrono::milliseconds bound = kBound);
    // At least count bytes recorded on the current connection.
    bool waitReceived(std::size_t count, std::chrono::milliseconds bound = kBound);
    // The client ended the current connection (end of stream or an error).
    bool waitPeerClosed(std::chrono::milliseconds bound = kBound);
    std::vector<std::uint8_t> received() const;
    std::size_t accepted() const;

    // Sends the bytes on the current connection: first the given piece sizes, one send each,
    // then the rest. False when a send fails.
    bool send(std::span<const std::uint8_t> bytes, const std::vector<std::size_t>& pieces = {});
    // Ends sending with a FIN; the connection still records what arrives.
    void close();
    // Ends the connection with an RST.
    void reset();
    // Refuses further data, so the client's next send fails.
    void shutdownRead();
    // Without the accepting thread: takes one waiting connection off the queue (kept open until
    // the server ends). False when none waits.
    bool acceptWaiting();

private:
    void run();
    void wake();
    int connection() const;

    Endpoint endpoint_;
    std::filesystem::path path_;
    std::string port_;
    int listener_ = -1;
    int wakeFd_ = -1;

    mutable std::mutex mutex_;
    std::condition_variable cv_;
    int connection_ = -1;
    std::size_t accepted_ = 0;
    std::vector<std::uint8_t> received_;
    bool peerClosed_ = false;
    bool stop_ = false;
    bool resetRequested_ = false;
    std::vector<int> taken_;
    std::thread thread_;
};

} // namespace ksb::test
