#pragma once
// Layout-free socket plumbing of the stand-in: listening endpoints, the pipe stand-in's path,
// bounded sends and a wake-up descriptor for poll loops.
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <sys/types.h>

namespace simstub {

// An endpoint that cannot be opened; the text names the endpoint and the reason.
class EndpointError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct Listener {
    int fd = -1;
    std::uint16_t port = 0;     // TCP
    std::filesystem::path path; // pipe stand-in
    dev_t device = 0;           // the socket file we bound, so that we remove only ours
    ino_t inode = 0;
};

// 127.0.0.1:port (0 picks one). Throws EndpointError.
Listener gf_listenIpv4(std::uint16_t port);
// [::1]:port; nullopt when the machine has no IPv6. Throws EndpointError on other failures.
std::optional<Listener> gf_listenIpv6(std::uint16_t port);
// A Unix stream socket at path, folders created. A stale socket file is replaced; one that
// accepts connections makes the start fail with "pipe endpoint in use: <path>".
Listener gf_listenUnix(const std::filesystem::path& path);
// Closes the descriptor and removes the socket file when it is still the one we bound.
void gf_closeListener(Listener& listener);

// The given folder, else KSBY_PIPE_DIR, else $XDG_RUNTIME_DIR/ksby-pipes, else /tmp/ksby-pipes.
std::filesystem::path gf_pipeDir(const std::filesystem::path& given = {});
// <dir>/<name> with '\' as '/'; an empty name is "Lockheed Martin Prepar3D v5\SimConnect".
std::filesystem::path gf_pipePath(const std::filesystem::path& dir, std::string_view pipeName);
// A Win32 pipe path "\\<server>\pipe\<name>" mapped by the same rule.
std::filesystem::path gf_pipePathOfWin32Name(std::string_view win32Path,
                                             const std::filesystem::path& dir);

// Non-blocking accept of a non-blocking socket; -1 when nothing is waiting.
int gf_acceptNow(int listenFd);
void gf_setNoDelay(int fd);
// Writes everything with MSG_NOSIGNAL within the time-out (the socket is non-blocking); 0 or
// the errno of the failure (EAGAIN: time-out).
int gf_sendAll(int fd, std::string_view bytes, std::chrono::milliseconds timeout);
// Waits until fd (may be -1) or one of the others is readable, at most timeout. Returns a bit
// mask: bit 0 for fd, bit 1 for a, bit 2 for b.
int gf_pollReadable(int fd, int a, int b, std::chrono::milliseconds timeout);

// An eventfd that wakes poll loops; level-triggered until drained.
class WakeFd {
public:
    WakeFd();
    ~WakeFd();
    WakeFd(const WakeFd&) = delete;
    WakeFd& operator=(const WakeFd&) = delete;
    int fd() const { return fd_; }
    void notify();
    void drain();

private:
    int fd_ = -1;
};

std::string gf_errnoText(int error);

} // namespace simstub
