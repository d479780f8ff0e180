#pragma once
// Plain sockets on 127.0.0.1 for the transfer failures that an HTTP server cannot play.
#include <cstdint>

namespace rtstub {

// A port held bound without listening: a connection to it is refused.
class UnusedPort {
public:
    UnusedPort();
    ~UnusedPort();
    UnusedPort(const UnusedPort&) = delete;
    UnusedPort& operator=(const UnusedPort&) = delete;

    std::uint16_t port() const { return port_; }

private:
    int fd_ = -1;
    std::uint16_t port_ = 0;
};

// Ends this process's accepted connection from 127.0.0.1:peerPort to 127.0.0.1:localPort
// without a byte more: the peer sees the end of the stream. The descriptor stays valid but now
// leads nowhere, so the HTTP server that owns it fails its own writes quietly and closes it as
// usual. False when no such connection is open.
bool endConnectionSilently(std::uint16_t localPort, std::uint16_t peerPort);

} // namespace rtstub
