// The airborne user's conflicts: a ground aircraft on the user's runway line while the user is
// low, an airborne one near the user on its own line; the limits on both sides, the rows across
// north that an unwrapped sine gets wrong, and only aircraft in the simulator released, once.
#include "conflict_rules_fixture.h"

#include "traffic/traffic.h"
#include "traffic/user_collision.h"

#include <cmath>
#include <mutex>

namespace ksb::test {
namespace {

// Where the live aircraft is: at a bearing (degrees) and distance (NM) from the user, or ahead
// of the user along its heading (NM, behind when negative) and to the right of its line (feet,
// left when negative).
struct Placement {
    bool byBearing = false;
    double first = 0.0;
    double second = 0.0;
};
Placement lf_atBearing(double degrees, double nm) {
    return Placement{true, degrees, nm};
}
Placement lf_beside(double aheadNm, double rightFeet) {
    return Placement{false, aheadNm, rightFeet};
}

class UserCollisionTest : public ConflictRulesTest {
protected:
    static Position where(const Placement& placement) {
        return placement.byBearing ? fromUser(placement.first, placement.second)
                                   : besideUserLine(placement.first, placement.second);
    }
};

TEST_F(UserCollisionTest, AGroundAircraftOnTheRunwayLineOfALowUserIsReleased) {
    struct Case {
        const char* name;
        double userHeading; // degrees
        double userAgl;
        Placement at;
        bool released;
    };
    const Case cases[] = {
        {"on the line ahead", 350.0, 300.0, lf_beside(0.5, 0.0), true},
        {"on the line behind", 350.0, 300.0, lf_beside(-0.5, 0.0), true},
        {"45 ft left", 350.0, 300.0, lf_beside(0.5, -45.0), true},
        {"55 ft left", 350.0, 300.0, lf_beside(0.5, -55.0), false},
        {"45 ft right", 350.0, 300.0, lf_beside(0.5, 45.0), true},
        {"55 ft right", 350.0, 300.0, lf_beside(0.5, 55.0), false},
        {"45 ft right, behind", 350.0, 300.0, lf_beside(-0.5, 45.0), true},
        {"0.99 NM ahead", 350.0, 300.0, lf_beside(0.99, 0.0), true},
        {"1.01 NM ahead", 350.0, 300.0, lf_beside(1.01, 0.0), false},
        {"user at 499 ft above ground", 350.0, 499.0, lf_beside(0.5, 0.0), true},
        {"user at 501 ft above ground", 350.0, 501.0, lf_beside(0.5, 0.0), false},
        // Across north the bearing and the heading lie on both sides of 0: only the wrapped
        // difference keeps these off the line.
        {"heading 000, 40 ft left", 0.0, 300.0, lf_beside(0.5, -40.0), true},
        {"heading 000, 60 ft left", 0.0, 300.0, lf_beside(0.5, -60.0), false},
        {"heading 359.9, 60 ft right", 359.9, 300.0, lf_beside(0.5, 60.0), false},
        {"heading 000, at 010", 0.0, 300.0, lf_atBearing(10.0, 0.5), false},
        {"heading 000, at 300", 0.0, 300.0, lf_atBearing(300.0, 0.5), false},
        {"heading 000, at 170", 0.0, 300.0, lf_atBearing(170.0, 0.5), false},
        {"heading 350, at 010", 350.0, 300.0, lf_atBearing(10.0, 0.5), false},
        {"heading 350, at 300", 350.0, 300.0, lf_atBearing(300.0, 0.5), false},
        {"heading 350, at 170: on the line behind", 350.0, 300.0, lf_atBearing(170.0, 0.5), true},
        {"heading 350, at the user's own position", 350.0, 300.0, lf_beside(0.0, 0.0), true},
    };
    std::lock_guard traffic(trafficState.trafficMutex);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        clearAircraft();
        placeUser(kConflictUser, c.userHeading, c.userAgl + 80.0, c.userAgl);
        LiveAircraft& aircraft = addLiveAt("BAW1", 20001, where(c.at), true);
        EXPECT_EQ(::lf_avoidUserCollision(aircraft), c.released);
        EXPECT_EQ(aircraft.state, c.released ? LiveState::beingRemoved : LiveState::inSimulator);
        EXPECT_EQ(released(),
                  c.released ? std::vector<std::string>{"BAW1"} : std::vector<std::string>{});
        EXPECT_EQ(trafficState.removals,
                  c.released ? std::deque<std::uint32_t>{20501} : std::deque<std::uint32_t>{});
        // No line of its own: the release is the link's.
        EXPECT_TRUE(log_.body().empty());
    }
}

TEST_F(UserCollisionTest, AnAirborneAircraftNearTheUserOnItsOwnLineIsReleased) {
    enum class Course { toward, away, across };
    struct Case {
        const char* name;
        double bearing; // degrees, from the user
        double distanceNm;
        double altitude; // the user flies at 8000 ft
        Course course;
        double userOffLineFeet; // the user's distance from the aircraft's heading line
        bool released;
    };
    const Case cases[] = {
        {"3 NM head-on, 900 ft above", 30.0, 3.0, 8900.0, Course::toward, 0.0, true},
        {"3 NM head-on, 1100 ft above", 30.0, 3.0, 9100.0, Course::toward, 0.0, false},
        {"990 ft below", 30.0, 3.0, 7010.0, Course::toward, 0.0, true},
        {"1010 ft below", 30.0, 3.0, 6990.0, Course::toward, 0.0, false},
        {"3.9 NM", 200.0, 3.9, 8000.0, Course::toward, 0.0, true},
        {"4.1 NM", 200.0, 4.1, 8000.0, Course::toward, 0.0, false},
        {"the user 650 ft right of its line", 120.0, 3.0, 8000.0, Course::toward, 650.0, true},
        {"the user 750 ft right of its line", 120.0, 3.0, 8000.0, Course::toward, 750.0, false},
        {"the user 650 ft left of its line", 120.0, 3.0, 8000.0, Course::toward, -650.0, true},
        {"the user 750 ft left of its line", 120.0, 3.0, 8000.0, Course::toward, -750.0, false},
        {"flying away along the line", 120.0, 3.0, 8000.0, Course::away, 0.0, true},
        {"flying across", 120.0, 3.0, 8000.0, Course::across, 0.0, false},
        {"north of the user, flying south", 0.0, 2.0, 8000.0, Course::toward, 0.0, true},
        {"at 350, flying across north", 350.0, 2.0, 8000.0, Course::across, 0.0, false},
    };
    std::lock_guard traffic(trafficState.trafficMutex);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        clearAircraft();
        placeUser(kConflictUser, 90.0, 8000.0, 7900.0);
        const double offset =
            std::asin(c.userOffLineFeet / (c.distanceNm * kFeetPerNM)) * kDegreesPerRadian;
        double heading = c.bearing + offset; // away
        if (c.course == Course::toward) {
            heading = c.bearing + 180.0 + offset;
        } else if (c.course == Course::across) {
            heading = c.bearing + 90.0;
        }
        LiveAircraft& aircraft = addLiveAt("DLH2", 20002, fromUser(c.bearing, c.distanceNm), false,
                                           std::fmod(heading + 720.0, 360.0), c.altitude);
        EXPECT_EQ(::lf_avoidUserCollision(aircraft), c.released);
        EXPECT_EQ(released(),
                  c.released ? std::vector<std::string>{"DLH2"} : std::vector<std::string>{});
        EXPECT_EQ(trafficState.removals,
                  c.released ? std::deque<std::uint32_t>{20502} : std::deque<std::uint32_t>{});
    }
}

TEST_F(UserCollisionTest, OnlyAnAircraftInTheSimulatorIsReleasedAndOnlyOnce) {
    struct Case {
        const char* name;
        LiveState state;
        bool onGround;
    };
    const Case cases[] = {
        {"new", LiveState::newFlight, true},
        {"creation requested", LiveState::creationRequested, true},
        {"to be re-created", LiveState::toBeRecreated, false},
        {"being removed, on the ground", LiveState::beingRemoved, true},
        {"being removed, airborne", LiveState::beingRemoved, false},
    };
    std::lock_guard traffic(trafficState.trafficMutex);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        clearAircraft();
        placeUser(kConflictUser, 350.0, 300.0, 200.0);
        LiveAircraft& aircraft =
            addLiveAt("BAW3", 20003, besideUserLine(0.3, 0.0), c.onGround, 170.0, 300.0, c.state);
        EXPECT_FALSE(::lf_avoidUserCollision(aircraft));
        EXPECT_EQ(aircraft.state, c.state);
        EXPECT_TRUE(released().empty());
        EXPECT_TRUE(trafficState.removals.empty());
    }
    // Released once, the same aircraft is not queued again on the next second.
    clearAircraft();
    LiveAircraft& aircraft = addLiveAt("BAW3", 20003, besideUserLine(0.3, 0.0), true);
    EXPECT_TRUE(::lf_avoidUserCollision(aircraft));
    EXPECT_FALSE(::lf_avoidUserCollision(aircraft));
    EXPECT_EQ(trafficState.removals, std::deque<std::uint32_t>{20503});
}

} // namespace
} // namespace ksb::test
