#include "core/sim_session_state.h"

#include "core/ranked_mutex.h"
#include "core/run_state.h"

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

bool gf_userStandsStill() {
    return userOnGroundKnown.load() && userOnGround.load() && gf_userState().groundVelocity <= 2.0;
}

bool gf_userPositionUnknown(double latitude, double longitude) {
    return latitude >= 0.0 && latitude <= 0.0009 && longitude >= 0.0 && longitude <= 0.05;
}

void gf_resetSimSessionState() {
    userOnGround = false;
    simUtcSeconds = 0;
    gf_setUserState(UserAircraftState{});
}
