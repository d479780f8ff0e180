#include "app/sim_connect_thread.h"

#include "core/ranked_mutex.h"

#include <mutex>
#include <thread>
#include <utility>

namespace {

ksb::RankedMutex simConnectThreadMutex{ksb::LockRank::leaf, "simConnectThread"};
std::jthread simConnectThread;

std::jthread lf_takeThread() {
    std::lock_guard lock(simConnectThreadMutex);
    return std::exchange(simConnectThread, std::jthread{});
}

} // namespace

void gf_startSimConnectThread(std::function<void(std::stop_token)> body) {
    // The link thread ends on its stop token, so the join is bounded.
    std::jthread old = lf_takeThread();
    if (old.joinable()) {
        old.request_stop();
        old.join();
    }
    std::jthread started(std::move(body));
    std::lock_guard lock(simConnectThreadMutex);
    simConnectThread = std::move(started);
}

void gf_requestSimConnectStop() {
    std::lock_guard lock(simConnectThreadMutex);
    if (simConnectThread.joinable()) {
        simConnectThread.request_stop();
    }
}

void gf_joinSimConnectThread() {
    std::jthread old = lf_takeThread();
    if (old.joinable()) {
        old.request_stop();
        old.join();
    }
}

bool gf_simConnectThreadJoinable() {
    std::lock_guard lock(simConnectThreadMutex);
    return simConnectThread.joinable();
}
