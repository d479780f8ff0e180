#include "support/raw_byte_server.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <stdexcept>
#include <string_view>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace ksb::test {

namespace {

[[noreturn]] void lf_fail(std::string_view what) {
    throw std::runtime_error(std::string(what) + ": " + std::strerror(errno));
}

} // namespace

bool RawByteServer::ipv6Available() {
    const int fd = ::socket(AF_INET6, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return false;
    }
    sockaddr_in6 address{};
    address.sin6_family = AF_INET6;
    address.sin6_addr = in6addr_loopback;
    const bool ok = ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return ok;
}

RawByteServer::RawByteServer(Endpoint endpoint, std::filesystem::path unixPath, bool accepting,
                             int backlog)
    : endpoint_(endpoint), path_(std::move(unixPath)) {
    if (endpoint == Endpoint::unixSocket) {
        std::filesystem::create_directories(path_.parent_path());
        listener_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (listener_ < 0) {
            lf_fail("socket");
        }
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        if (path_.native().size() >= sizeof address.sun_path) {
            throw std::runtime_error("unix socket path too long: " + path_.string());
        }
        std::memcpy(address.sun_path, path_.c_str(), path_.native().size());
        if (::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
            lf_fail("bind " + path_.string());
        }
    } else {
        const bool v6 = endpoint == Endpoint::ipv6;
        listener_ = ::socket(v6 ? AF_INET6 : AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (listener_ < 0) {
            lf_fail("socket");
        }
        sockaddr_storage storage{};
        socklen_t length = 0;
        if (v6) {
            auto* address = reinterpret_cast<sockaddr_in6*>(&storage);
            address->sin6_family = AF_INET6;
            address->sin6_addr = in6addr_loopback;
            length = sizeof *address;
        } else {
            auto* address = reinterpret_cast<sockaddr_in*>(&storage);
            address->sin_family = AF_INET;
            address->sin_addr.s_addr = htonl(INADDR_LOOPBACK);
            length = sizeof *address;
        }
        if (::bind(listener_, reinterpret_cast<sockaddr*>(&storage), length) != 0) {
            lf_fail("bind");
        }
        if (::getsockname(listener_, reinterpret_cast<sockaddr*>(&storage), &length) != 0) {
            lf_fail("getsockname");
        }
        const std::uint16_t port = v6 ? ntohs(reinterpret_cast<sockaddr_in6*>(&storage)->sin6_port)
                                      : ntohs(reinterpret_cast<sockaddr_in*>(&storage)->sin_port);
        port_ = std::to_string(port);
    }
    if (::listen(listener_, backlog) != 0) {
        lf_fail("listen");
    }
    if (accepting) {
        wakeFd_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
        if (wakeFd_ < 0) {
            lf_fail("eventfd");
        }
        thread_ = std::thread(&RawByteServer::run, this);
    }
}

RawByteServer::~RawByteServer() {
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    if (thread_.joinable()) {
        wake();
        thread_.join();
    }
    if (connection_ >= 0) {
        ::close(connection_);
    }
    if (wakeFd_ >= 0) {
        ::close(wakeFd_);
    }
    for (const int fd : taken_) {
        ::close(fd);
    }
    ::close(listener_);
    if (endpoint_ == Endpoint::unixSocket) {
        std::error_code ignored;
        std::filesystem::remove(path_, ignored);
    }
}

void RawByteServer::wake() {
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = ::write(wakeFd_, &one, sizeof one);
}

int RawByteServer::connection() const {
    std::lock_guard lock(mutex_);
    return connection_;
}

void RawByteServer::run() {
    std::vector<std::uint8_t> chunk(65536);
    while (true) {
        int connection = -1;
        bool reading = false;
        {
            std::lock_guard lock(mutex_);
            if (stop_) {
                return;
            }
            if (resetRequested_ && connection_ >= 0) {
                const linger hard{1, 0};
                ::setsockopt(connection_, SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
                ::close(connection_);
                connection_ = -1;
            }
            if (resetRequested_) {
                resetRequested_ = false;
                cv_.notify_all();
            }
            connection = connection_;
            reading = connection_ >= 0 && !peerClosed_;
        }
        pollfd fds[3] = {{wakeFd_, POLLIN, 0}, {listener_, POLLIN, 0}, {connection, POLLIN, 0}};
        const int ready = ::poll(fds, reading ? 3 : 2, -1);
        if (ready < 0) {
            if (errno == EINTR) {
                continue;
            }
            return;
        }
        if (fds[0].revents != 0) {
            std::uint64_t value = 0;
            [[maybe_unused]] const ssize_t got = ::read(wakeFd_, &value, sizeof value);
        }
        if (fds[1].revents != 0) {
            const int accepted = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
            if (accepted >= 0) {
                if (endpoint_ != Endpoint::unixSocket) {
                    const int on = 1;
                    ::setsockopt(accepted, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
                }
                std::lock_guard lock(mutex_);
                if (connection_ >= 0) {
                    ::close(connection_);
                }
                connection_ = accepted;
                received_.clear();
                peerClosed_ = false;
                ++accepted_;
                cv_.notify_all();
                continue;
            }
        }
        if (reading && fds[2].revents != 0) {
            const ssize_t got = ::recv(connection, chunk.data(), chunk.size(), MSG_DONTWAIT);
            if (got < 0 && (errno == EAGAIN || errno == EINTR)) {
                continue;
            }
            std::lock_guard lock(mutex_);
            if (got > 0) {
                received_.insert(received_.end(), chunk.begin(), chunk.begin() + got);
            } else {
                peerClosed_ = true;
            }
            cv_.notify_all();
        }
    }
}

bool RawByteServer::waitAccepted(std::size_t count, std::chrono::milliseconds bound) {
    std::unique_lock lock(mutex_);
    return cv_.wait_for(lock, bound, [&] { return accepted_ >= count; });
}

bool RawByteServer::waitReceived(std::size_t count, std::chrono::milliseconds bound) {
    std::unique_lock lock(mutex_);
    return cv_.wait_for(lock, bound, [&] { return received_.size() >= count; });
}

bool RawByteServer::waitPeerClosed(std::chrono::milliseconds bound) {
    std::unique_lock lock(mutex_);
    return cv_.wait_for(lock, bound, [&] { return peerClosed_; });
}

std::vector<std::uint8_t> RawByteServer::received() const {
    std::lock_guard lock(mutex_);
    return received_;
}

std::size_t RawByteServer::accepted() const {
    std::lock_guard lock(mutex_);
    return accepted_;
}

bool RawByteServer::send(std::span<const std::uint8_t> bytes,
                         const std::vector<std::size_t>& pieces) {
    const int fd = connection();
    if (fd < 0) {
        return false;
    }
    std::size_t offset = 0;
    std::size_t piece = 0;
    while (offset < bytes.size()) {
        std::size_t count = bytes.size() - offset;
        if (piece < pieces.size()) {
            count = std::min(count, pieces[piece++]);
        }
        std::size_t done = 0;
        while (done < count) {
            const ssize_t sent =
                ::send(fd, bytes.data() + offset + done, count - done, MSG_NOSIGNAL);
            if (sent < 0) {
                if (errno == EINTR) {
                    continue;
                }
                return false;
            }
            done += static_cast<std::size_t>(sent);
        }
        offset += count;
    }
    return true;
}

void RawByteServer::close() {
    if (const int fd = connection(); fd >= 0) {
        ::shutdown(fd, SHUT_WR);
    }
}

void RawByteServer::reset() {
    std::unique_lock lock(mutex_);
    resetRequested_ = true;
    wake();
    cv_.wait_for(lock, kBound, [&] { return !resetRequested_; });
}

bool RawByteServer::acceptWaiting() {
    const int fd = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
    if (fd < 0) {
        return false;
    }
    std::lock_guard lock(mutex_);
    taken_.push_back(fd);
    return true;
}

void RawByteServer::shutdownRead() {
    if (const int fd = connection(); fd >= 0) {
        ::shutdown(fd, SHUT_RD);
    }
}

} // namespace ksb::test
