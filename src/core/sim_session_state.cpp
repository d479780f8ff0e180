#include "core/sim_session_state.h"

#include "core/ranked_mutex.h"

#include <mutex>
#include <utility>

std::atomic<bool> userOnGround{false};
std::atomic<std::int64_t> simUtcSeconds{0};

namespace {

struct GuardedUserState {
    ksb::RankedMutex mutex{ksb::LockRank::leaf, "user state"};
    UserAircraftState state;
};

GuardedUserState& lf_userState() {
    static GuardedUserState guarded;
    return guarded;
}

struct GuardedRequester {
    ksb::RankedMutex mutex{ksb::LockRank::leaf, "user position requester"};
    std::function<UserAircraftState()> requester;
};

GuardedRequester& lf_requester() {
    static GuardedRequester guarded;
    return guarded;
}

} // namespace

UserAircraftState gf_userState() {
    std::lock_guard lock(lf_userState().mutex);
    return lf_userState().state;
}

void gf_setUserState(const UserAircraftState& state) {
    std::lock_guard lock(lf_userState().mutex);
    lf_userState().state = state;
}

void gf_setUserPositionRequester(std::function<UserAircraftState()> requester) {
    std::lock_guard lock(lf_requester().mutex);
    lf_requester().requester = std::move(requester);
}

UserAircraftState gf_requestUserPositionForEngine() {
    std::function<UserAircraftState()> requester;
    {
        std::lock_guard lock(lf_requester().mutex);
        requester = lf_requester().requester;
    }
    // Called outside the leaf lock: the link takes locks of its own.
    return requester ? requester() : gf_userState();
}

void gf_resetSimSessionState() {
    gf_setUserPositionRequester({});
    userOnGround = false;
    simUtcSeconds = 0;
    gf_setUserState(UserAircraftState{});
}
