#include "support/simstub/socket_util.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fmt/format.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <system_error>
#include <unistd.h>

namespace simstub {

std::string gf_errnoText(int error) {
    return std::system_category().message(error);
}

namespace {

// nullopt with the errno in error when the socket cannot be made, bound or listened on.
std::optional<Listener> lf_listenTcp(int family, std::uint16_t port, int& error) {
    Listener l;
    l.fd = ::socket(family, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (l.fd < 0) {
        error = errno;
        return std::nullopt;
    }
    int one = 1;
    ::setsockopt(l.fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    int rc = 0;
    if (family == AF_INET) {
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(port);
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        rc = ::bind(l.fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
    } else {
        ::setsockopt(l.fd, IPPROTO_IPV6, IPV6_V6ONLY, &one, sizeof one);
        sockaddr_in6 a{};
        a.sin6_family = AF_INET6;
        a.sin6_port = htons(port);
        a.sin6_addr = in6addr_loopback;
        rc = ::bind(l.fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
    }
    if (rc != 0 || ::listen(l.fd, 16) != 0) {
        error = errno;
        ::close(l.fd);
        return std::nullopt;
    }
    sockaddr_storage bound{};
    socklen_t len = sizeof bound;
    ::getsockname(l.fd, reinterpret_cast<sockaddr*>(&bound), &len);
    l.port = family == AF_INET ? ntohs(reinterpret_cast<sockaddr_in*>(&bound)->sin_port)
                               : ntohs(reinterpret_cast<sockaddr_in6*>(&bound)->sin6_port);
    return l;
}

bool lf_fillUnixAddress(const std::filesystem::path& path, sockaddr_un& a) {
    const std::string text = path.string();
    if (text.size() >= sizeof a.sun_path) {
        return false;
    }
    a.sun_family = AF_UNIX;
    std::memcpy(a.sun_path, text.c_str(), text.size() + 1);
    return true;
}

} // namespace

Listener gf_listenIpv4(std::uint16_t port) {
    int error = 0;
    std::optional<Listener> l = lf_listenTcp(AF_INET, port, error);
    if (!l) {
        throw EndpointError(
            fmt::format("ipv4 endpoint 127.0.0.1:{}: {}", port, gf_errnoText(error)));
    }
    return *l;
}

std::optional<Listener> gf_listenIpv6(std::uint16_t port) {
    int error = 0;
    std::optional<Listener> l = lf_listenTcp(AF_INET6, port, error);
    // No IPv6, or no ::1 on this machine, is not an error of ours.
    if (!l && error != EAFNOSUPPORT && error != EADDRNOTAVAIL && error != EPROTONOSUPPORT) {
        throw EndpointError(fmt::format("ipv6 endpoint [::1]:{}: {}", port, gf_errnoText(error)));
    }
    return l;
}

Listener gf_listenUnix(const std::filesystem::path& path) {
    const std::string what = fmt::format("pipe endpoint {}", path.string());
    sockaddr_un address{};
    if (!lf_fillUnixAddress(path, address)) {
        throw EndpointError(fmt::format("{}: path too long ({} bytes, at most {})", what,
                                        path.string().size(), sizeof address.sun_path - 1));
    }
    std::error_code ec;
    std::filesystem::create_directories(path.parent_path(), ec);
    if (ec) {
        throw EndpointError(fmt::format("{}: cannot create the folder: {}", what, ec.message()));
    }
    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0) {
        if (!S_ISSOCK(st.st_mode)) {
            throw EndpointError(fmt::format("{}: a file that is not a socket is in the way", what));
        }
        const int probe = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        const int rc = ::connect(probe, reinterpret_cast<sockaddr*>(&address), sizeof address);
        const int error = errno;
        ::close(probe);
        if (rc == 0) {
            throw EndpointError(fmt::format("pipe endpoint in use: {}", path.string()));
        }
        if (error != ECONNREFUSED) {
            throw EndpointError(fmt::format("{}: {}", what, gf_errnoText(error)));
        }
        ::unlink(path.c_str());
    }
    Listener l;
    l.path = path;
    l.fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (l.fd < 0) {
        throw EndpointError(fmt::format("{}: {}", what, gf_errnoText(errno)));
    }
    if (::bind(l.fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(l.fd, 16) != 0) {
        const int error = errno;
        ::close(l.fd);
        throw EndpointError(fmt::format("{}: {}", what, gf_errnoText(error)));
    }
    if (::lstat(path.c_str(), &st) == 0) {
        l.device = st.st_dev;
        l.inode = st.st_ino;
    }
    return l;
}

void gf_closeListener(Listener& listener) {
    if (listener.fd >= 0) {
        ::close(listener.fd);
        listener.fd = -1;
    }
    if (!listener.path.empty()) {
        struct stat st {};
        if (::lstat(listener.path.c_str(), &st) == 0 && st.st_dev == listener.device &&
            st.st_ino == listener.inode) {
            ::unlink(listener.path.c_str());
        }
        listener.path.clear();
    }
}

std::filesystem::path gf_pipeDir(const std::filesystem::path& given) {
    if (!given.empty()) {
        return given;
    }
    if (const char* dir = std::getenv("KSBY_PIPE_DIR"); dir != nullptr && *dir != '\0') {
        return dir;
    }
    if (const char* run = std::getenv("XDG_RUNTIME_DIR"); run != nullptr && *run != '\0') {
        return std::filesystem::path(run) / "ksby-pipes";
    }
    return "/tmp/ksby-pipes";
}

std::filesystem::path gf_pipePath(const std::filesystem::path& dir, std::string_view pipeName) {
    std::string name(pipeName.empty() ? std::string_view("Lockheed Martin Prepar3D v5\\SimConnect")
                                      : pipeName);
    for (char& c : name) {
        if (c == '\\') {
            c = '/';
        }
    }
    while (!name.empty() && name.front() == '/') {
        name.erase(0, 1);
    }
    return dir / name;
}

std::filesystem::path gf_pipePathOfWin32Name(std::string_view win32Path,
                                             const std::filesystem::path& dir) {
    // "\\<server>\pipe\<name>": the name is what follows the third backslash-separated part.
    std::string_view rest = win32Path;
    while (!rest.empty() && rest.front() == '\\') {
        rest.remove_prefix(1);
    }
    const std::size_t server = rest.find('\\');
    rest = server == std::string_view::npos ? std::string_view() : rest.substr(server + 1);
    const std::size_t pipe = rest.find('\\');
    rest = pipe == std::string_view::npos ? std::string_view() : rest.substr(pipe + 1);
    return gf_pipePath(dir, rest);
}

int gf_acceptNow(int listenFd) {
    return ::accept4(listenFd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
}

void gf_setNoDelay(int fd) {
    int one = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
}

int gf_sendAll(int fd, std::string_view bytes, std::chrono::milliseconds timeout) {
    // One bound for the whole message, however the socket drains.
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!bytes.empty()) {
        const ssize_t n = ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n >= 0) {
            bytes.remove_prefix(static_cast<std::size_t>(n));
            continue;
        }
        if (errno == EINTR) {
            continue;
        }
        if (errno != EAGAIN && errno != EWOULDBLOCK) {
            return errno;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd p{fd, POLLOUT, 0};
        if (left.count() <= 0 || ::poll(&p, 1, static_cast<int>(left.count())) == 0) {
            return EAGAIN;
        }
    }
    return 0;
}

int gf_pollReadable(int fd, int a, int b, std::chrono::milliseconds timeout) {
    pollfd fds[3] = {{fd, POLLIN, 0}, {a, POLLIN, 0}, {b, POLLIN, 0}};
    const int rc = ::poll(fds, 3, static_cast<int>(timeout.count()));
    if (rc <= 0) {
        return 0;
    }
    int mask = 0;
    for (int i = 0; i < 3; ++i) {
        if (fds[i].fd >= 0 && (fds[i].revents & (POLLIN | POLLHUP | POLLERR)) != 0) {
            mask |= 1 << i;
        }
    }
    return mask;
}

WakeFd::WakeFd() : fd_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

WakeFd::~WakeFd() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

void WakeFd::notify() {
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t n = ::write(fd_, &one, sizeof one);
}

void WakeFd::drain() {
    std::uint64_t value = 0;
    [[maybe_unused]] const ssize_t n = ::read(fd_, &value, sizeof value);
}

} // namespace simstub
