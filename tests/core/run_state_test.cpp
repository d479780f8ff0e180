#include "core/globals.h"
#include "core/run_values.h"
#include "core/sim_session_state.h"

#include <gtest/gtest.h>

namespace {

TEST(RunStateTest, TheRunEndsOnAnExitAStopOrANewGeneration) {
    runGeneration = 7;
    EXPECT_FALSE(gf_runShouldEnd(7));
    EXPECT_TRUE(gf_runShouldEnd(6));
    exitInProgress = 1;
    EXPECT_TRUE(gf_runShouldEnd(7));
    exitInProgress = 0;
    stopRequested = 1;
    EXPECT_TRUE(gf_runShouldEnd(7));
    stopRequested = 0;
    ++runGeneration;
    EXPECT_TRUE(gf_runShouldEnd(7));

    gf_resetRunValues();
    EXPECT_EQ(0u, runGeneration.load());
    EXPECT_FALSE(gf_runShouldEnd(0));
}

TEST(RunStateTest, TheResetsClearStartUpsValues) {
    dayHalfHourNow = 99;
    stockAirportsPath.set("C:\\P3D v5\\Scenery");
    userOnGround = true;
    simUtcSeconds = 5;
    UserAircraftState state;
    state.altitude = 1200.0;
    gf_setUserState(state);
    EXPECT_EQ(1200.0, gf_userState().altitude);

    gf_resetCoreGlobals();

    EXPECT_EQ(0u, dayHalfHourNow.load());
    EXPECT_EQ("", stockAirportsPath.text());
    EXPECT_FALSE(userOnGround.load());
    EXPECT_EQ(0, simUtcSeconds.load());
    EXPECT_EQ(0.0, gf_userState().altitude);
}

} // namespace
