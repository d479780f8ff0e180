#pragma once
// Plain sockets on 127.0.0.1 for the transfer failures that an HTTP server cannot play.
#include <cstdint>
#include <thread>

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

// Accepts each connection, reads its request and closes it without sending a byte.
class ClosingListener {
public:
    ClosingListener();
    ~ClosingListener();
    ClosingListener(const ClosingListener&) = delete;
    ClosingListener& operator=(const ClosingListener&) = delete;

    std::uint16_t port() const { return port_; }

private:
    void run();

    int fd_ = -1;
    int wakeFds_[2] = {-1, -1};
    std::uint16_t port_ = 0;
    std::thread thread_;
};

} // namespace rtstub
