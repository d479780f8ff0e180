#include "support/rtstub/raw_sockets.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <charconv>
#include <filesystem>
#include <optional>
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

std::optional<std::uint16_t> lf_loopbackPort(int fd, bool peer) {
    sockaddr_in address{};
    socklen_t length = sizeof address;
    auto* raw = reinterpret_cast<sockaddr*>(&address);
    const int rc = peer ? ::getpeername(fd, raw, &length) : ::getsockname(fd, raw, &length);
    if (rc != 0 || length != sizeof address || address.sin_family != AF_INET ||
        address.sin_addr.s_addr != htonl(INADDR_LOOPBACK)) {
        return std::nullopt;
    }
    return ntohs(address.sin_port);
}

} // namespace

UnusedPort::UnusedPort() {
    fd_ = lf_boundSocket(port_);
}

UnusedPort::~UnusedPort() {
    ::close(fd_);
}

bool endConnectionSilently(std::uint16_t localPort, std::uint16_t peerPort) {
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd", error)) {
        int fd = -1;
        const std::string name = entry.path().filename().string();
        const auto [end, problem] = std::from_chars(name.data(), name.data() + name.size(), fd);
        if (problem != std::errc() || end != name.data() + name.size()) {
            continue;
        }
        if (lf_loopbackPort(fd, false) != localPort || lf_loopbackPort(fd, true) != peerPort) {
            continue;
        }
        const int nowhere = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
        if (nowhere < 0) {
            return false;
        }
        ::shutdown(fd, SHUT_RDWR);
        ::dup3(nowhere, fd, O_CLOEXEC);
        ::close(nowhere);
        return true;
    }
    return false;
}

} // namespace rtstub
