// The stand the user stands on, through the engine's service table: only with a stand table and
// the user known to be on the ground, the nearest stand within 55 m, and the last answer kept
// for the same position until the stand table changes.
#include "airports/park_airport_state.h"
#include "core/geodesy.h"
#include "core/run_state.h"
#include "core/sim_session_state.h"
#include "traffic/stand_table.h"
#include "traffic/traffic.h"
#include "traffic/traffic_state.h"

#include <gtest/gtest.h>

#include <mutex>
#include <string>
#include <vector>

namespace {

const Position kStandUser{50.0333, 8.5706};

Position lf_northOfUser(double metres) {
    return gf_destinationPoint(kStandUser, 0.0, metres / 0.3048);
}

ParkPosition lf_standAt(std::string name, std::uint32_t id, double metresNorth,
                        bool occupied = false) {
    ParkPosition stand;
    stand.name = std::move(name);
    stand.standId = id;
    const Position at = lf_northOfUser(metresNorth);
    stand.latitude = at.latitude;
    stand.longitude = at.longitude;
    stand.radius = 20.0 * kNMPerMetre;
    stand.occupied = occupied;
    return stand;
}

class StandNameAtTest : public ::testing::Test {
protected:
    StandNameAtTest() {
        ksb::gf_setTrafficServices(ksb::gf_defaultTrafficServices());
        gf_resetTrafficForTests();
        userOnGroundKnown = true;
        userOnGround = true;
    }
    ~StandNameAtTest() override {
        userOnGroundKnown = false;
        userOnGround = false;
        gf_resetTrafficForTests();
    }
    static void setStands(std::vector<ParkPosition> stands) {
        gf_parkAirportState().stands = std::move(stands);
    }
    static std::string nameAt(const Position& p) { return gf_standNameAt(p.latitude, p.longitude); }
};

TEST_F(StandNameAtTest, TheNearestStandWithin55MetresWhileTheUserIsOnTheGround) {
    struct Case {
        const char* name;
        std::vector<ParkPosition> stands;
        bool known;
        bool onGround;
        std::string answer;
        bool remembered;
    };
    const Case cases[] = {
        {"an empty stand table", {}, true, true, "", false},
        {"the user airborne", {lf_standAt("A1", 1, 10.0)}, true, false, "", false},
        {"the user's state unknown", {lf_standAt("A1", 1, 10.0)}, false, true, "", false},
        {"the nearest of two",
         {lf_standAt("A1", 1, 30.0), lf_standAt("A2", 2, -20.0)},
         true,
         true,
         "A2",
         true},
        {"an occupied stand counts", {lf_standAt("A1", 1, 30.0, true)}, true, true, "A1", true},
        {"54 m away", {lf_standAt("A1", 1, 54.0)}, true, true, "A1", true},
        {"56 m away: none", {lf_standAt("A1", 1, 56.0)}, true, true, "", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::lock_guard traffic(trafficState.trafficMutex);
        gf_clearStandNameMemo();
        setStands(c.stands);
        userOnGroundKnown = c.known;
        userOnGround = c.onGround;
        EXPECT_EQ(nameAt(kStandUser), c.answer);
        EXPECT_EQ(trafficState.standNameMemo.valid, c.remembered);
    }
}

TEST_F(StandNameAtTest, TheLastAnswerServesTheSamePositionUntilTheTableChanges) {
    std::lock_guard traffic(trafficState.trafficMutex);
    setStands({lf_standAt("A1", 1, 10.0), lf_standAt("B7", 2, 200.0)});
    EXPECT_EQ(nameAt(kStandUser), "A1");

    // Renamed behind the memo's back: the same position still gets the remembered answer, a
    // moved user a fresh one.
    gf_parkAirportState().stands.front().name = "A1R";
    EXPECT_EQ(nameAt(kStandUser), "A1");
    EXPECT_EQ(nameAt(lf_northOfUser(1.0)), "A1R");
    EXPECT_EQ(nameAt(lf_northOfUser(190.0)), "B7");

    // The early answers leave the memo alone.
    userOnGround = false;
    EXPECT_EQ(nameAt(lf_northOfUser(190.0)), "");
    userOnGround = true;
    gf_parkAirportState().stands.back().name = "B7R";
    EXPECT_EQ(nameAt(lf_northOfUser(190.0)), "B7");

    // A reload of the stand table clears the memo: the user has not moved, the answer changes.
    setStands({lf_standAt("C3", 1, 195.0)});
    gf_clearStandNameMemo();
    EXPECT_EQ(nameAt(lf_northOfUser(190.0)), "C3");
}

TEST_F(StandNameAtTest, ATrafficResetForgetsTheStandAndItsName) {
    {
        std::lock_guard traffic(trafficState.trafficMutex);
        setStands({lf_standAt("A1", 1, 10.0)});
        EXPECT_EQ(nameAt(kStandUser), "A1");
    }
    gf_resetTraffic();
    std::lock_guard traffic(trafficState.trafficMutex);
    EXPECT_FALSE(trafficState.standNameMemo.valid);
    setStands({lf_standAt("Z9", 1, 10.0)});
    EXPECT_EQ(nameAt(kStandUser), "Z9");
}

} // namespace
