#include "support/rtstub/raw_sockets.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>
#include <stdexcept>
#include <string>

namespace rtstub {

namespace {

// A socket bound to 127.0.0.1 on a free port.
int lf_boundSocket(std::uint16_t& port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        throw std::runtime_error("socket failed");
    }
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        throw std::runtime_error("bind failed");
    }
    socklen_t length = sizeof address;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    port = ntohs(address.sin_port);
    return fd;
}

// Reads the head and the Content-Length bytes of the body, at most 5 s.
void lf_readRequest(int fd) {
    std::string data;
    for (int rounds = 0; rounds < 500; ++rounds) {
        const std::size_t headEnd = data.find("\r\n\r\n");
        if (headEnd != std::string::npos) {
            std::size_t length = 0;
            const std::size_t at = data.find("Content-Length: ");
            if (at != std::string::npos && at < headEnd) {
                length = std::stoul(data.substr(at + 16));
            }
            if (data.size() >= headEnd + 4 + length) {
                return;
            }
        }
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 10) < 0) {
            return;
        }
        if ((p.revents & POLLIN) != 0) {
            char chunk[4096];
            const ssize_t n = ::read(fd, chunk, sizeof chunk);
            if (n <= 0) {
                return;
            }
            data.append(chunk, static_cast<std::size_t>(n));
        }
    }
}

} // namespace

UnusedPort::UnusedPort() {
    fd_ = lf_boundSocket(port_);
}

UnusedPort::~UnusedPort() {
    ::close(fd_);
}

ClosingListener::ClosingListener() {
    fd_ = lf_boundSocket(port_);
    if (::listen(fd_, 16) != 0 || ::pipe2(wakeFds_, O_CLOEXEC) != 0) {
        ::close(fd_);
        throw std::runtime_error("listen failed");
    }
    thread_ = std::thread([this] { run(); });
}

ClosingListener::~ClosingListener() {
    const char byte = 0;
    [[maybe_unused]] const ssize_t written = ::write(wakeFds_[1], &byte, 1);
    thread_.join();
    ::close(fd_);
    ::close(wakeFds_[0]);
    ::close(wakeFds_[1]);
}

void ClosingListener::run() {
    for (;;) {
        pollfd fds[2] = {{fd_, POLLIN, 0}, {wakeFds_[0], POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0) {
            continue;
        }
        if ((fds[1].revents & POLLIN) != 0) {
            return;
        }
        if ((fds[0].revents & POLLIN) != 0) {
            const int client = ::accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC);
            if (client >= 0) {
                lf_readRequest(client);
                ::shutdown(client, SHUT_RDWR);
                ::close(client);
            }
        }
    }
}

} // namespace rtstub
