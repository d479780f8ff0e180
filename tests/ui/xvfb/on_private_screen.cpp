// Runs one test program on a private X server of its own (Xvfb -displayfd), so window tests
// never race other servers for a display number and may run side by side.
#include "support/e2e/xvfb.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <spawn.h>
#include <sys/wait.h>
#include <vector>

extern char** environ;

namespace {

volatile sig_atomic_t g_child = 0;

void lf_forward(int sig) {
    if (g_child > 0) {
        ::kill(static_cast<pid_t>(g_child), sig);
    }
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s <program> [arguments]\n", argv[0]);
        return 2;
    }
    try {
        // 24 bits deep, so colours read back exactly.
        ksb::e2e::Xvfb screen(std::chrono::seconds(20), "/dev/null", "1600x1000x24");
        ::setenv("DISPLAY", screen.display().c_str(), 1);
        struct sigaction forward {};
        forward.sa_handler = lf_forward;
        ::sigaction(SIGTERM, &forward, nullptr);
        ::sigaction(SIGINT, &forward, nullptr);
        pid_t pid = -1;
        const int rc = ::posix_spawn(&pid, argv[1], nullptr, nullptr, argv + 1, environ);
        if (rc != 0) {
            std::fprintf(stderr, "cannot start %s: %s\n", argv[1], std::strerror(rc));
            return 1;
        }
        g_child = pid;
        int status = 0;
        while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
        g_child = 0;
        screen.stop();
        if (WIFSIGNALED(status)) {
            return 128 + WTERMSIG(status);
        }
        return WEXITSTATUS(status);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "no private X server: %s\n", e.what());
        return 1;
    }
}
