#pragma once
// Waits for a condition another thread makes true. The bound is generous: only a failing test
// reaches it.
#include <chrono>
#include <thread>

namespace ksb::test {

template <class F>
bool waitFor(F&& done, std::chrono::steady_clock::duration bound = std::chrono::seconds(30)) {
    const auto deadline = std::chrono::steady_clock::now() + bound;
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::yield();
    }
    return true;
}

} // namespace ksb::test
