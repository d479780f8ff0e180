#pragma once
// Stream sockets: TCP over IPv4 or IPv6, and Unix-domain sockets standing for named pipes. The
// only code that sees errno; results carry a portable kind plus the errno for the record.
#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace platform {

enum class SocketErrorKind {
    none,
    peerClosed, // the peer ended the stream (a receive of 0 bytes)
    reset,      // ECONNRESET
    brokenPipe, // EPIPE
    aborted,    // ECONNABORTED
    shutDown,   // this side shut the socket down
    busy,       // a pipe's accept queue is full (EAGAIN on connect)
    notFound,   // nothing listens there (ENOENT, ECONNREFUSED, unknown host or server)
    timedOut,   // the bound passed
    other,
};

enum class AddressFamily { ipv4, ipv6 };

struct SocketResult {
    SocketErrorKind kind = SocketErrorKind::none;
    int error = 0; // errno; 0 when none applies
    std::size_t bytes = 0;

    bool ok() const { return kind == SocketErrorKind::none; }
};

// Owns one descriptor. shutdownBoth() may be called from any thread while another blocks in
// sendAll or receive on the same socket: it wakes them. close() only when no thread can be in a
// call on it.
class Socket {
public:
    Socket() = default;
    explicit Socket(int fd) noexcept : fd_(fd) {}
    ~Socket() { close(); }
    Socket(Socket&& other) noexcept;
    Socket& operator=(Socket&& other) noexcept;
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;

    bool valid() const noexcept { return fd_ >= 0; }
    int fd() const noexcept { return fd_; }

    // Every byte, blocking; EINTR and partial sends are retried; never raises SIGPIPE.
    SocketResult sendAll(std::span<const std::uint8_t> bytes);
    // One blocking receive of at most buffer.size() bytes; 0 bytes ends with peerClosed (or
    // shutDown after shutdownBoth()).
    SocketResult receive(std::span<std::uint8_t> buffer);
    void shutdownBoth() noexcept;
    SocketResult setNoDelay(bool on);
    // TCP_NODELAY as the socket has it; false for a socket without TCP.
    bool noDelay() const;
    void close() noexcept;

private:
    SocketResult failure(int error) const;

    int fd_ = -1;
    std::atomic<bool> shutDown_{false};
};

struct ConnectResult {
    Socket socket;
    SocketResult result;
};

// Resolves host and port for the family (stream, TCP), takes the first address and connects
// without blocking longer than bound. An empty host is the loopback address.
ConnectResult connectTcp(const std::string& host, const std::string& port, AddressFamily family,
                         std::chrono::milliseconds bound);

// Connects to the pipe "\\<server>\pipe\<pipeName>" (platform/pipe_path.h). Only the local
// server ("." or empty) exists; another server is notFound, a name pipePath refuses is other
// (EINVAL). A full accept queue gives busy at once: the caller decides how long to retry.
ConnectResult connectPipe(std::string_view server, std::string_view pipeName);

// "peerClosed", "reset", ... for test messages and logs.
std::string_view socketErrorKindName(SocketErrorKind kind);

} // namespace platform
