#include "core/sim_session_state.h"

#include "core/ranked_mutex.h"

#include <mutex>

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

} // namespace

UserAircraftState gf_userState() {
    std::lock_guard lock(lf_userState().mutex);
    return lf_userState().state;
}

void gf_setUserState(const UserAircraftState& state) {
    std::lock_guard lock(lf_userState().mutex);
    lf_userState().state = state;
}

void gf_resetSimSessionState() {
    userOnGround = false;
    simUtcSeconds = 0;
    gf_setUserState(UserAircraftState{});
}
