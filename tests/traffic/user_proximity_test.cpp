// How close a new flight comes to the user's aircraft: the lateral distance from a line on both
// sides and for wrapped differences, the airborne track-line test, admission's ground and air
// rules for both user states and both sample kinds, and the held flag's life.
#include "traffic/user_proximity.h"

#include "admission_test_fixture.h"

#include <fmt/format.h>

#include <cmath>
#include <functional>
#include <mutex>
#include <numbers>
#include <string>
#include <vector>

namespace {

using ksb::test::AdmissionTest;
using ksb::test::AdmTrack;
using ksb::test::kAdmFirstDue;

constexpr double kPi = std::numbers::pi;

TEST(LateralDistance, IsTheDistanceTimesTheSineOfTheWrappedDifference) {
    struct Case {
        const char* name;
        double distanceNm;
        double line;
        double bearing;
        double feet;
    };
    const Case cases[] = {
        {"on the line ahead", 2.0, 0.3, 0.3, 0.0},
        {"on the line behind", 2.0, 0.3, 0.3 + kPi, 0.0},
        {"square to the line, right", 1.0, 0.0, kPi / 2, kFeetPerNM},
        {"square to the line, left", 1.0, 0.0, -kPi / 2, kFeetPerNM},
        // An unwrapped difference of 3/2 pi has the sine -1; the distance is still a mile.
        {"a difference of 3/2 pi", 1.0, 0.0, 1.5 * kPi, kFeetPerNM},
        {"a difference of 3/2 pi the other way", 1.0, 1.5 * kPi, 0.0, kFeetPerNM},
        {"30 degrees across north", 3.0, 2 * kPi - kPi / 12, kPi / 12, 1.5 * kFeetPerNM},
        {"no distance", 0.0, 0.0, kPi / 2, 0.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_NEAR(ksb::gf_lateralDistanceFeet(c.distanceNm, c.line, c.bearing), c.feet, 1e-6);
    }
}

class UserProximityTest : public AdmissionTest {
protected:
    // An airborne flight whose first sample lies at the distance and bearing from the user and
    // which flies the course (radians) to its second sample.
    static LiveAircraft crossing(double distanceNm, double bearing, double course,
                                 double altitude) {
        LiveAircraft aircraft = flight(AdmTrack::climb, 3, fromUser(distanceNm, bearing));
        Position at = fromUser(distanceNm, bearing);
        for (PositionSample& sample : aircraft.samples) {
            sample.latitude = at.latitude;
            sample.longitude = at.longitude;
            sample.altitude = altitude;
            at = gf_destinationPoint(at, course, 3000.0);
        }
        return aircraft;
    }
    static void userAirborne(double altitude, double heading, double agl) {
        userOnGround = false;
        trafficState.userState.altitude = altitude;
        trafficState.userState.altitudeAboveGround = agl;
        trafficState.userState.trueHeading = heading;
    }
};

// The course offset that puts the user the lateral distance from the line of a flight
// distanceNm away.
double lf_offsetFor(double lateralFeet, double distanceNm) {
    return std::asin(lateralFeet / (distanceNm * kFeetPerNM));
}

TEST_F(UserProximityTest, TheTrackLineLimitsOnBothSidesOfTheCourse) {
    struct Case {
        const char* name;
        double distanceNm;
        double bearing; // from the user to the first sample
        double course;
        double altitude; // the user flies at 5000 ft
        bool inLine;
    };
    // From the first sample, the user lies at the reverse bearing.
    const double toUser = kPi;
    const double in = lf_offsetFor(3900.0, 5.0);
    const double out = lf_offsetFor(4100.0, 5.0);
    const Case cases[] = {
        {"5 NM north, flying at the user", 5.0, 0.0, toUser, 3000.0, true},
        {"5.9 NM", 5.9, 0.0, toUser, 3000.0, true},
        {"6.1 NM", 6.1, 0.0, toUser, 3000.0, false},
        {"2999 ft apart", 5.0, 0.0, toUser, 2001.0, true},
        {"3000 ft apart", 5.0, 0.0, toUser, 2000.0, false},
        {"3000 ft above", 5.0, 0.0, toUser, 8000.0, false},
        {"3900 ft to the right of the course", 5.0, 0.0, toUser + in, 5000.0, true},
        {"3900 ft to the left", 5.0, 0.0, toUser - in, 5000.0, true},
        {"4100 ft to the right", 5.0, 0.0, toUser + out, 5000.0, false},
        {"4100 ft to the left", 5.0, 0.0, toUser - out, 5000.0, false},
        // Course minus bearing between pi and 2 pi: west of the user, flying north-west, far
        // off the user; the unwrapped sine is negative.
        {"a difference of 3/2 pi, a mile off", 1.0, kPi / 2, 2 * kPi - 0.01, 5000.0, false},
        {"a difference just below 2 pi, on the line", 5.0, 0.3, 0.3 + 2 * kPi - 0.001, 5000.0,
         true},
        {"flying away along the line", 5.0, 0.0, 0.0, 5000.0, true},
        {"east of the user, flying north", 5.0, kPi / 2, 0.0, 5000.0, false},
    };
    std::lock_guard traffic(trafficState.trafficMutex);
    userAirborne(5000.0, 0.0, 4600.0);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const LiveAircraft aircraft =
            crossing(c.distanceNm, c.bearing, std::fmod(c.course + 4 * kPi, 2 * kPi), c.altitude);
        EXPECT_EQ(ksb::lf_userInTrackLine(aircraft), c.inLine);
    }
}

TEST_F(UserProximityTest, ASecondSampleAtTheFirstGivesCourseNorthAndNoNaN) {
    std::lock_guard traffic(trafficState.trafficMutex);
    userAirborne(5000.0, 0.0, 4600.0);
    // South of the user: a course of 0 points at it; east of it: it misses.
    LiveAircraft south = crossing(5.0, kPi, 0.0, 5000.0);
    LiveAircraft east = crossing(5.0, kPi / 2, 0.0, 5000.0);
    for (LiveAircraft* aircraft : {&south, &east}) {
        aircraft->samples[1] = aircraft->samples[0];
    }
    EXPECT_TRUE(ksb::lf_userInTrackLine(south));
    EXPECT_FALSE(ksb::lf_userInTrackLine(east));
}

// Admission's user rules through lf_admitNewAircraft: hold (the first sample gone, maybe the
// flag set) or placed.
TEST_F(UserProximityTest, AdmissionHoldsFlightsThatWouldAppearAtTheUser) {
    struct Case {
        const char* name;
        bool userOnGround;
        double userKnots;
        double userAgl;
        bool airRule;
        bool groundRule;
        std::function<LiveAircraft()> make;
        bool held;
        bool flagged; // heldForUser afterwards
    };
    const auto standingAt = [](double metres, double bearing) {
        return [metres, bearing] {
            return flight(AdmTrack::standing, 3, fromUser(metres * kNMPerMetre, bearing));
        };
    };
    const auto airborneAt = [](double metres) {
        return [metres] { return flight(AdmTrack::climb, 3, fromUser(metres * kNMPerMetre, 0.0)); };
    };
    const auto heldFlight = [](AdmTrack track, double metres, double knots) {
        return [track, metres, knots] {
            LiveAircraft a = flight(track, 3, fromUser(metres * kNMPerMetre, 0.0));
            for (PositionSample& s : a.samples) {
                s.groundSpeed = knots;
            }
            a.heldForUser = true;
            return a;
        };
    };
    const double lineIn = 450.0 / (1.4 * kFeetPerNM);
    const double lineOut = 550.0 / (1.4 * kFeetPerNM);
    const double mile = kMetresPerNM;
    const Case cases[] = {
        // The user on the ground.
        {"ground: 140 m from the user", true, 0.0, 0.0, true, true, standingAt(140.0, 1.0), true,
         false},
        {"ground: 160 m from the user", true, 0.0, 0.0, true, true, standingAt(160.0, 1.0), false,
         false},
        {"ground: 140 m, rule off", true, 0.0, 0.0, true, false, standingAt(140.0, 1.0), false,
         false},
        {"ground: airborne 140 m away", true, 0.0, 0.0, true, true, airborneAt(140.0), false,
         false},
        {"ground, held: user 8 kt, flight airborne", true, 8.0, 0.0, true, true,
         heldFlight(AdmTrack::climb, 5000.0, 160.0), false, false},
        {"ground, held: user 9 kt, flight airborne", true, 9.0, 0.0, true, true,
         heldFlight(AdmTrack::climb, 5000.0, 160.0), true, true},
        {"ground, held: flight at 8 kt 510 m away", true, 0.0, 0.0, true, true,
         heldFlight(AdmTrack::taxi, 510.0, 8.0), false, false},
        {"ground, held: flight at 9 kt 510 m away", true, 0.0, 0.0, true, true,
         heldFlight(AdmTrack::taxi, 510.0, 9.0), true, true},
        {"ground, held: flight at 8 kt 490 m away", true, 0.0, 0.0, true, true,
         heldFlight(AdmTrack::taxi, 490.0, 8.0), true, true},
        {"ground, held: user 9 kt, flight at 8 kt 510 m away", true, 9.0, 0.0, true, true,
         heldFlight(AdmTrack::taxi, 510.0, 8.0), true, true},
        // The user airborne, heading north, 900 ft above the ground.
        {"air: airborne flight in the user's track line", false, 140.0, 900.0, true, true,
         [] {
             LiveAircraft a = flight(AdmTrack::descent, 3, fromUser(5.0, 0.0));
             for (PositionSample& s : a.samples) {
                 s.altitude = 4000.0;
             }
             return a;
         },
         true, true},
        {"air: the same with the rule off", false, 140.0, 900.0, false, true,
         [] {
             LiveAircraft a = flight(AdmTrack::descent, 3, fromUser(5.0, 0.0));
             for (PositionSample& s : a.samples) {
                 s.altitude = 4000.0;
             }
             return a;
         },
         false, false},
        {"air: ground flight 1.4 NM ahead on the heading line", false, 140.0, 900.0, true, true,
         standingAt(1.4 * mile, 0.0), true, true},
        {"air: 1.6 NM ahead", false, 140.0, 900.0, true, true, standingAt(1.6 * mile, 0.0), false,
         false},
        {"air: the user at 1000 ft", false, 140.0, 1000.0, true, true, standingAt(1.4 * mile, 0.0),
         false, false},
        {"air: 450 ft right of the line", false, 140.0, 900.0, true, true,
         standingAt(1.4 * mile, lineIn), true, true},
        {"air: 450 ft left of the line", false, 140.0, 900.0, true, true,
         standingAt(1.4 * mile, 2 * kPi - lineIn), true, true},
        {"air: 550 ft right of the line", false, 140.0, 900.0, true, true,
         standingAt(1.4 * mile, lineOut), false, false},
        {"air: 550 ft left of the line", false, 140.0, 900.0, true, true,
         standingAt(1.4 * mile, 2 * kPi - lineOut), false, false},
        {"air: behind on the line", false, 140.0, 900.0, true, true, standingAt(mile, kPi), true,
         true},
        // A bearing of 3/2 pi from a heading of 0: a mile to the side.
        {"air: a mile west", false, 140.0, 900.0, true, true, standingAt(mile, 1.5 * kPi), false,
         false},
        {"air: held before, on the ground far away", false, 140.0, 900.0, true, true,
         heldFlight(AdmTrack::standing, 30000.0, 0.0), true, true},
        {"air, rule off: ground flight ahead", false, 140.0, 900.0, false, true,
         standingAt(1.4 * mile, 0.0), false, false},
        // A new flight has no simulator position yet: it is measured at its first sample.
        {"air: a new flight measured at its first sample", false, 140.0, 900.0, true, true,
         [] {
             LiveAircraft a = flight(AdmTrack::standing, 3, fromUser(1.0, 0.0));
             a.position.latitude = 0.0;
             a.position.longitude = 0.0;
             return a;
         },
         true, true},
        // A re-created one is where the simulator had it.
        {"air: a re-creation measured at its simulator position", false, 140.0, 900.0, true, true,
         [] {
             LiveAircraft a = flight(AdmTrack::standing, 3, fromUser(20.0, 0.0));
             const Position block = fromUser(1.0, 0.0);
             a.position.latitude = block.latitude;
             a.position.longitude = block.longitude;
             a.recreating = true;
             a.phase = FlightPhase::taxi;
             a.liveryTitle = "Airbus A320 British Airways";
             return a;
         },
         true, true},
        {"air: a re-creation far away, its first sample near", false, 140.0, 900.0, true, true,
         [] {
             LiveAircraft a = flight(AdmTrack::standing, 3, fromUser(1.0, 0.0));
             const Position block = fromUser(20.0, 0.0);
             a.position.latitude = block.latitude;
             a.position.longitude = block.longitude;
             a.recreating = true;
             a.phase = FlightPhase::taxi;
             a.liveryTitle = "Airbus A320 British Airways";
             return a;
         },
         false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        COLLISION_USER_AIR.setRaw(c.airRule);
        COLLISION_USER_GND.setRaw(c.groundRule);
        std::lock_guard traffic(trafficState.trafficMutex);
        clearEngineLists();
        userOnGround = c.userOnGround;
        trafficState.userState.groundVelocity = c.userKnots;
        trafficState.userState.altitude = c.userOnGround ? 400.0 : 1300.0;
        trafficState.userState.altitudeAboveGround = c.userAgl;
        trafficState.userState.trueHeading = 0.0;
        trafficState.tickCounter = kAdmFirstDue;
        LiveAircraft& aircraft = addLive(c.make());
        ksb::lf_admitNewAircraft(aircraft);
        EXPECT_FALSE(aircraft.erase);
        EXPECT_EQ(aircraft.state == LiveState::newFlight, c.held);
        EXPECT_EQ(aircraft.samples.size(), c.held ? 2u : 3u);
        EXPECT_EQ(aircraft.heldForUser, c.flagged);
        EXPECT_EQ(waiting(aircraft.flightKey), !c.held);
    }
}

// Set while the user flies, kept after the user lands, passed once the user is slow and the
// flight clear, cleared at placement.
TEST_F(UserProximityTest, TheHeldFlagLivesFromTheConflictToThePlacement) {
    COLLISION_USER_AIR.setRaw(true);
    COLLISION_USER_GND.setRaw(true);
    std::lock_guard traffic(trafficState.trafficMutex);
    userAirborne(5000.0, 0.0, 4600.0);
    trafficState.userState.groundVelocity = 140.0;
    trafficState.tickCounter = kAdmFirstDue + 10 * ksb::test::kAdmDueStep;
    LiveAircraft& aircraft = addLive(flight(AdmTrack::descent, 6, fromUser(5.0, 0.0)));
    for (PositionSample& sample : aircraft.samples) {
        sample.altitude = 4000.0;
    }
    struct Step {
        const char* name;
        std::function<void()> change;
        std::size_t samples;
        bool held;
    };
    const Step steps[] = {
        {"in the user's track line", [] {}, 5, true},
        {"the user lands, still rolling at 60 kt",
         [] {
             userOnGround = true;
             trafficState.userState.groundVelocity = 60.0;
             trafficState.userState.altitudeAboveGround = 0.0;
         },
         4, true},
        {"the user at 9 kt", [] { trafficState.userState.groundVelocity = 9.0; }, 3, true},
        {"the user at 8 kt: the airborne flight passes",
         [] { trafficState.userState.groundVelocity = 8.0; }, 3, false},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.name);
        step.change();
        ksb::lf_admitNewAircraft(aircraft);
        EXPECT_EQ(aircraft.samples.size(), step.samples);
        EXPECT_EQ(aircraft.state == LiveState::newFlight, step.held);
        EXPECT_EQ(aircraft.heldForUser, step.held);
        EXPECT_FALSE(aircraft.erase);
    }
    EXPECT_TRUE(waiting(aircraft.flightKey));
}

} // namespace
