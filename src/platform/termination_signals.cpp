#include "platform/termination_signals.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstddef>
#include <fcntl.h>
#include <mutex>
#include <system_error>
#include <unistd.h>

namespace platform {

namespace {

static_assert(SIGINT == kTerminationSignals[0] && SIGTERM == kTerminationSignals[1] &&
              SIGHUP == kTerminationSignals[2]);
static_assert(std::atomic<bool>::is_always_lock_free && std::atomic<int>::is_always_lock_free,
              "the signal handler may only touch lock-free atomics");

constexpr std::size_t kSignalCount = std::size(kTerminationSignals);

std::atomic<bool> pending{false};
std::atomic<int> wakeRead{-1};
std::atomic<int> wakeWrite{-1};

std::mutex installMutex;
bool installed = false;
struct sigaction previous[kSignalCount];

extern "C" void lf_onTerminationSignal(int) {
    const int saved = errno;
    pending.store(true);
    const int fd = wakeWrite.load();
    if (fd >= 0) {
        const char byte = 1;
        // A full pipe already wakes the loop; the byte is not needed then.
        const ssize_t written = ::write(fd, &byte, 1);
        (void)written;
    }
    errno = saved;
}

[[noreturn]] void lf_throwErrno(const char* what) {
    throw std::system_error(errno, std::generic_category(), what);
}

} // namespace

void installTerminationSignals() {
    std::lock_guard lock(installMutex);
    if (installed) {
        return;
    }
    if (wakeRead.load() < 0) {
        int fds[2];
        if (::pipe2(fds, O_NONBLOCK | O_CLOEXEC) != 0) {
            lf_throwErrno("pipe2");
        }
        wakeRead.store(fds[0]);
        wakeWrite.store(fds[1]);
    }
    struct sigaction action {};
    action.sa_handler = &lf_onTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (std::size_t i = 0; i < kSignalCount; ++i) {
        if (::sigaction(kTerminationSignals[i], &action, &previous[i]) != 0) {
            const int error = errno;
            for (std::size_t k = 0; k < i; ++k) {
                ::sigaction(kTerminationSignals[k], &previous[k], nullptr);
            }
            errno = error;
            lf_throwErrno("sigaction");
        }
    }
    installed = true;
}

void restoreTerminationSignals() {
    std::lock_guard lock(installMutex);
    if (!installed) {
        return;
    }
    for (std::size_t i = 0; i < kSignalCount; ++i) {
        ::sigaction(kTerminationSignals[i], &previous[i], nullptr);
    }
    installed = false;
    pending.store(false);
    drainTerminationWake();
}

int terminationWakeFd() {
    return wakeRead.load();
}

void drainTerminationWake() {
    const int fd = wakeRead.load();
    if (fd < 0) {
        return;
    }
    char buffer[64];
    while (::read(fd, buffer, sizeof buffer) > 0) {
    }
}

bool terminationPending() {
    return pending.load();
}

bool takeTermination() {
    return pending.exchange(false);
}

} // namespace platform
