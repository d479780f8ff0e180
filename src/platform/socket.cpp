#include "platform/socket.h"

#include "platform/pipe_path.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace platform {

namespace {

SocketErrorKind lf_kindOfErrno(int error) {
    switch (error) {
    case ECONNRESET:
        return SocketErrorKind::reset;
    case EPIPE:
        return SocketErrorKind::brokenPipe;
    case ECONNABORTED:
        return SocketErrorKind::aborted;
    case EAGAIN:
        return SocketErrorKind::busy;
    case ENOENT:
    case ECONNREFUSED:
    case EHOSTUNREACH:
    case ENETUNREACH:
    case EADDRNOTAVAIL:
        return SocketErrorKind::notFound;
    case ETIMEDOUT:
        return SocketErrorKind::timedOut;
    default:
        return SocketErrorKind::other;
    }
}

ConnectResult lf_failed(SocketErrorKind kind, int error) {
    ConnectResult out;
    out.result.kind = kind;
    out.result.error = error;
    return out;
}

// The reader and writer threads block in their calls; only the connect is non-blocking.
bool lf_setBlocking(int fd) {
    const int flags = ::fcntl(fd, F_GETFL);
    return flags >= 0 && ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) == 0;
}

// Waits for a non-blocking connect to finish; 0 or the errno of the failure.
int lf_waitConnected(int fd, std::chrono::milliseconds bound) {
    using Steady = std::chrono::steady_clock;
    const Steady::time_point deadline = Steady::now() + bound;
    while (true) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Steady::now());
        if (left.count() < 0) {
            return ETIMEDOUT;
        }
        pollfd entry{fd, POLLOUT, 0};
        const int ready = ::poll(&entry, 1, static_cast<int>(left.count()));
        if (ready < 0) {
            if (errno == EINTR) {
                continue;
            }
            return errno;
        }
        if (ready == 0) {
            return ETIMEDOUT;
        }
        int error = 0;
        socklen_t length = sizeof error;
        if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0) {
            return errno;
        }
        return error;
    }
}

} // namespace

Socket::Socket(Socket&& other) noexcept : fd_(other.fd_), shutDown_(other.shutDown_.load()) {
    other.fd_ = -1;
}

Socket& Socket::operator=(Socket&& other) noexcept {
    if (this != &other) {
        close();
        fd_ = other.fd_;
        shutDown_ = other.shutDown_.load();
        other.fd_ = -1;
    }
    return *this;
}

SocketResult Socket::failure(int error) const {
    SocketResult out;
    out.error = error;
    out.kind = shutDown_ ? SocketErrorKind::shutDown : lf_kindOfErrno(error);
    return out;
}

SocketResult Socket::sendAll(std::span<const std::uint8_t> bytes) {
    SocketResult out;
    while (out.bytes < bytes.size()) {
        const ssize_t sent =
            ::send(fd_, bytes.data() + out.bytes, bytes.size() - out.bytes, MSG_NOSIGNAL);
        if (sent < 0) {
            if (errno == EINTR) {
                continue;
            }
            SocketResult failed = failure(errno);
            failed.bytes = out.bytes;
            return failed;
        }
        out.bytes += static_cast<std::size_t>(sent);
    }
    return out;
}

SocketResult Socket::receive(std::span<std::uint8_t> buffer) {
    while (true) {
        const ssize_t got = ::recv(fd_, buffer.data(), buffer.size(), 0);
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            return failure(errno);
        }
        SocketResult out;
        out.bytes = static_cast<std::size_t>(got);
        if (got == 0 && !buffer.empty()) {
            out.kind = shutDown_ ? SocketErrorKind::shutDown : SocketErrorKind::peerClosed;
        }
        return out;
    }
}

void Socket::shutdownBoth() noexcept {
    if (fd_ >= 0) {
        shutDown_ = true;
        ::shutdown(fd_, SHUT_RDWR);
    }
}

SocketResult Socket::setNoDelay(bool on) {
    const int value = on ? 1 : 0;
    if (::setsockopt(fd_, IPPROTO_TCP, TCP_NODELAY, &value, sizeof value) != 0) {
        return failure(errno);
    }
    return {};
}

bool Socket::noDelay() const {
    int value = 0;
    socklen_t length = sizeof value;
    if (::getsockopt(fd_, IPPROTO_TCP, TCP_NODELAY, &value, &length) != 0) {
        return false;
    }
    return value != 0;
}

void Socket::close() noexcept {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
}

ConnectResult connectTcp(const std::string& host, const std::string& port, AddressFamily family,
                         std::chrono::milliseconds bound) {
    addrinfo hints{};
    hints.ai_family = family == AddressFamily::ipv6 ? AF_INET6 : AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_protocol = IPPROTO_TCP;
    addrinfo* found = nullptr;
    const int resolved =
        ::getaddrinfo(host.empty() ? nullptr : host.c_str(), port.c_str(), &hints, &found);
    if (resolved != 0 || found == nullptr) {
        return lf_failed(SocketErrorKind::notFound, resolved == EAI_SYSTEM ? errno : 0);
    }
    const int fd = ::socket(found->ai_family, found->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC,
                            found->ai_protocol);
    if (fd < 0) {
        const int error = errno;
        ::freeaddrinfo(found);
        return lf_failed(lf_kindOfErrno(error), error);
    }
    ConnectResult out;
    out.socket = Socket(fd);
    int error = 0;
    if (::connect(fd, found->ai_addr, found->ai_addrlen) != 0) {
        error = errno == EINPROGRESS || errno == EINTR ? lf_waitConnected(fd, bound) : errno;
    }
    ::freeaddrinfo(found);
    if (error == 0 && !lf_setBlocking(fd)) {
        error = errno;
    }
    if (error != 0) {
        return lf_failed(lf_kindOfErrno(error), error);
    }
    return out;
}

ConnectResult connectPipe(std::string_view server, std::string_view pipeName) {
    if (!server.empty() && server != ".") {
        return lf_failed(SocketErrorKind::notFound, 0);
    }
    const auto path = pipePath(pipeName);
    if (!path) {
        return lf_failed(SocketErrorKind::other, EINVAL);
    }
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path->c_str(), path->native().size());
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        const int error = errno;
        return lf_failed(lf_kindOfErrno(error), error);
    }
    ConnectResult out;
    out.socket = Socket(fd);
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        const int error = errno;
        return lf_failed(lf_kindOfErrno(error), error);
    }
    if (!lf_setBlocking(fd)) {
        const int error = errno;
        return lf_failed(lf_kindOfErrno(error), error);
    }
    return out;
}

std::string_view socketErrorKindName(SocketErrorKind kind) {
    switch (kind) {
    case SocketErrorKind::none:
        return "none";
    case SocketErrorKind::peerClosed:
        return "peerClosed";
    case SocketErrorKind::reset:
        return "reset";
    case SocketErrorKind::brokenPipe:
        return "brokenPipe";
    case SocketErrorKind::aborted:
        return "aborted";
    case SocketErrorKind::shutDown:
        return "shutDown";
    case SocketErrorKind::busy:
        return "busy";
    case SocketErrorKind::notFound:
        return "notFound";
    case SocketErrorKind::timedOut:
        return "timedOut";
    case SocketErrorKind::other:
        return "other";
    }
    return "other";
}

} // namespace platform
