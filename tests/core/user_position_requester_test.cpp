#include "core/globals.h"
#include "core/sim_session_state.h"

#include <gtest/gtest.h>

namespace {

TEST(UserPositionRequester, AsksTheInstalledRequesterElseGivesTheCurrentCopy) {
    UserAircraftState copy;
    copy.latitude = 50.0333;
    gf_setUserState(copy);
    EXPECT_EQ(gf_requestUserPositionForEngine().latitude, 50.0333);

    int asked = 0;
    gf_setUserPositionRequester([&asked] {
        ++asked;
        UserAircraftState answer;
        answer.latitude = 50.28;
        return answer;
    });
    EXPECT_EQ(gf_requestUserPositionForEngine().latitude, 50.28);
    EXPECT_EQ(asked, 1);
    // Asking changes nothing by itself: the caller sets the state.
    EXPECT_EQ(gf_userState().latitude, 50.0333);

    gf_setUserPositionRequester({});
    EXPECT_EQ(gf_requestUserPositionForEngine().latitude, 50.0333);
    EXPECT_EQ(asked, 1);
}

TEST(UserPositionRequester, TheResetRemovesIt) {
    int asked = 0;
    gf_setUserPositionRequester([&asked] {
        ++asked;
        return UserAircraftState{};
    });
    gf_resetCoreGlobals();
    (void)gf_requestUserPositionForEngine();
    EXPECT_EQ(asked, 0);
}

} // namespace
