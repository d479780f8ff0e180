// Scenes of the conflict rules as the program runs them once a second: a user landing past
// aircraft on and beside its runway, an airborne crossing, a live aircraft taxiing past a row of
// static aircraft, and a static aircraft that stands for a live one, caught by the identity check
// or by the 61-s twin pass.
#include "conflict_scene_fixture.h"

#include "support/leg_track.h"

#include <fmt/format.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <deque>

namespace ksb::test {
namespace {

constexpr Position kSceneThreshold{51.4700, -0.4543};
constexpr double kSceneElevation = 80.0;

// The point ahead along the heading (NM), then to the right of that line (feet; left when
// negative).
Position lf_sceneBeside(Position from, double headingDegrees, double aheadNm, double rightFeet) {
    const double heading = headingDegrees * kRadiansPerDegree;
    const Position onLine = gf_destinationPoint(from, heading, aheadNm * kFeetPerNM);
    const double side = rightFeet < 0.0 ? -kRadiansPerDegree * 90.0 : kRadiansPerDegree * 90.0;
    return gf_destinationPoint(onLine, heading + side, std::abs(rightFeet));
}

TEST_F(ConflictScene, ALandingUserReleasesTheAircraftOnItsRunwayLineBelow500Ft) {
    // The centre line of runway 35 from the threshold on; the user comes down it.
    holdAt(0x4ca101, "HOLD1", lf_sceneBeside(kSceneThreshold, 350.0, 0.3, 0.0), 170.0, 0.0, 11);
    holdAt(0x4ca102, "SIDE1", lf_sceneBeside(kSceneThreshold, 350.0, 0.3, 80.0), 170.0, 0.0, 12);
    holdAt(0x4ca103, "TAXI1",
           gf_destinationPoint(kSceneThreshold, 280.0 * kRadiansPerDegree, 900.0), 20.0, 0.0, 13);
    // Above the threshold, 0.4 NM out, the user sinks 100 ft and closes 0.04 NM each second.
    const double aglBySecond[] = {700.0, 600.0, 505.0, 495.0, 400.0, 300.0};
    int second = 0;
    int releasedAt = -1;
    for (const double agl : aglBySecond) {
        SCOPED_TRACE(fmt::format("second {}, {} ft above ground", second, agl));
        setUser(lf_sceneBeside(kSceneThreshold, 350.0, -0.4 + 0.04 * second, 0.0), 350.0,
                kSceneElevation + agl, agl);
        this->second();
        if (releasedAt < 0 && stateOf(11) == LiveState::beingRemoved) {
            releasedAt = second;
        }
        EXPECT_EQ(stateOf(12), LiveState::inSimulator);
        EXPECT_EQ(stateOf(13), LiveState::inSimulator);
        ++second;
    }
    EXPECT_EQ(releasedAt, 3);
    EXPECT_EQ(removals(), std::vector<std::uint32_t>{11});
}

// An aircraft taxies where the user's aircraft is; the user's last height reads 600 ft, above
// the airborne pass's runway-line rule. Only a user known to be on the ground makes the pass the
// ground one: a state not yet known counts as airborne, as it does for admission and the stand
// under the user.
TEST_F(ConflictScene, TheGroundPassNeedsTheUserKnownToBeOnTheGround) {
    struct Case {
        const char* name;
        bool known;
        bool onGround;
        bool released;
    };
    const Case cases[] = {
        {"on the ground, not yet known", false, true, false},
        {"known airborne", true, false, false},
        {"known on the ground", true, true, true},
    };
    std::uint32_t index = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        userOnGroundKnown = c.known;
        userOnGround = c.onGround;
        // Each case a mile from the last, so that what stays is out of the next one's way.
        const Position at = lf_sceneBeside(kSceneThreshold, 0.0, 1.0 * index, 0.0);
        setUser(at, 350.0, kSceneElevation + 600.0, 600.0);
        const std::uint32_t object = 41 + index;
        holdAt(0x4ca401 + index, fmt::format("GND{}", index), at, 170.0, 0.0, object);
        second();
        second();
        EXPECT_EQ(stateOf(object), c.released ? LiveState::beingRemoved : LiveState::inSimulator);
        ++index;
    }
    EXPECT_EQ(removals(), std::vector<std::uint32_t>{43});
}

TEST_F(ConflictScene, AnAirborneCrossingReleasesTheAircraftWithin1000Ft) {
    const Position user{50.9, 7.1};
    setUser(user, 90.0, 8000.0, 7800.0);
    // Head-on from 2.5 NM east, 400 ft and 1300 ft below.
    const Position east = gf_destinationPoint(user, 90.0 * kRadiansPerDegree, 2.5 * kFeetPerNM);
    holdAt(0x4ca201, "LOW400", east, 270.0, 7600.0, 21);
    holdAt(0x4ca202, "LOW1300", gf_destinationPoint(east, 0.0, 300.0), 270.0, 6700.0, 22);
    second();
    EXPECT_EQ(stateOf(21), LiveState::beingRemoved);
    EXPECT_EQ(stateOf(22), LiveState::inSimulator);
    second();
    second();
    EXPECT_EQ(stateOf(22), LiveState::inSimulator);
    EXPECT_EQ(removals(), std::vector<std::uint32_t>{21});
}

TEST_F(ConflictScene, OneAircraftIsReleasedForTheAirborneUserEachSecond) {
    const Position user{50.9, 7.1};
    setUser(user, 90.0, 8000.0, 7800.0);
    const Position east = gf_destinationPoint(user, 90.0 * kRadiansPerDegree, 2.0 * kFeetPerNM);
    holdAt(0x4ca301, "FIRST", east, 270.0, 8200.0, 31);
    holdAt(0x4ca302, "SECOND", gf_destinationPoint(east, 0.0, 200.0), 270.0, 7900.0, 32);
    second();
    EXPECT_EQ(removals(), std::vector<std::uint32_t>{31});
    EXPECT_EQ(stateOf(32), LiveState::inSimulator);
    second();
    EXPECT_EQ(removals(), (std::vector<std::uint32_t>{31, 32}));
    // Both gone: nothing is queued twice.
    second();
    EXPECT_EQ(removals(), (std::vector<std::uint32_t>{31, 32}));
}

TEST_F(ConflictScene, ALiveAircraftTaxiingPastStaticAircraftReleasesTheOneItOverlaps) {
    COLLISION_LIVE_PARKED_GND.setRaw(true);
    setUser(Position{50.0, 8.0}, 0.0, 30000.0, 29000.0);
    const Position start{51.4700, -0.4543};
    // A row of stands east of the taxi line: 40 m, 12 m and 45 m off it, 100 m apart. Two
    // A320 half spans make 34.1 m, so only the one 12 m off is closer than 1.1 times that.
    const double offEast[] = {40.0, 12.0, 45.0};
    std::vector<ParkPosition> stands;
    for (std::uint32_t i = 0; i < 3; ++i) {
        const Position north = gf_destinationPoint(start, 0.0, (100.0 + 100.0 * i) / 0.3048);
        const Position at =
            gf_destinationPoint(north, 90.0 * kRadiansPerDegree, offEast[i] / 0.3048);
        ParkPosition stand;
        stand.name = fmt::format("G{}", i + 1);
        stand.standId = i + 1;
        stand.latitude = at.latitude;
        stand.longitude = at.longitude;
        stand.radius = 0.02;
        stands.push_back(stand);
    }
    harness.loadParkAirport("EGLL", kSceneElevation, stands);
    for (std::uint32_t i = 0; i < 3; ++i) {
        addStatic(StaticAircraftBuilder(fmt::format("EZY{}*", i + 1), i + 1)
                      .stand(stands[i].standId, Position{stands[i].latitude, stands[i].longitude}));
    }
    // Taxiing north at 12 kt past the row, the feed 30 s behind.
    LiveFlightBuilder builder(0x4ca401);
    builder.callsign("TAXI1").at(start.latitude, start.longitude);
    const std::vector<LiveFlight> records =
        legTrack(builder, {Leg{.heading = 0.0, .knots = 12.0, .spacing = 4.0, .count = 20}});
    FeedScript script(std::vector<LiveFlight>(records.begin() + 1, records.end()), 30,
                      records.front().timeStamp);
    placeReadyAircraft(records.front(), {.objectId = 41, .firstDueTick = script.originPlayTick()});
    // A second one holds still far from the row: checked once, then not while it stands.
    holdAt(0x4ca402, "HOLD2", Position{51.48, -0.44}, 0.0, 0.0, 42);

    for (int s = 0; s < 100; ++s) {
        second(&script);
        if (s == 1) {
            // Beside the holding aircraft after its first check.
            addStatic(StaticAircraftBuilder("EZY9*", 9).stand(0, Position{51.48, -0.44}));
        }
    }
    EXPECT_EQ(stateOf(1001), LiveState::inSimulator);
    EXPECT_EQ(stateOf(1002), LiveState::beingRemoved);
    EXPECT_EQ(stateOf(1003), LiveState::inSimulator);
    EXPECT_EQ(stateOf(1009), LiveState::inSimulator);
    EXPECT_EQ(removals(), std::vector<std::uint32_t>{1002});
    const std::vector<std::string> body = harness.log().body();
    EXPECT_EQ(std::count(body.begin(), body.end(),
                         "G2      : EZY2*    removed for collision avoidance with live TAXI1"),
              1);
}

TEST_F(ConflictScene, AStaticTwinGoesByTheIdentityCheckOrByThe61SecondPass) {
    // (a) It stands when the live ABC123 touches down: the touch-down queues the key.
    addStatic(StaticAircraftBuilder("ABC123*", 1).received("ABC123").stand(0, kSceneThreshold));
    const std::uint32_t landed = holdAt(
        0x4ca501, "ABC123", lf_sceneBeside(kSceneThreshold, 350.0, 0.5, 0.0), 350.0, 0.0, 51);
    second();
    EXPECT_EQ(stateOf(1001), LiveState::inSimulator);
    {
        std::lock_guard traffic(trafficState.trafficMutex);
        trafficState.identityChecks.push_back(landed);
    }
    second();
    EXPECT_EQ(stateOf(1001), LiveState::beingRemoved);
    EXPECT_EQ(removals(), std::vector<std::uint32_t>{1001});
    EXPECT_TRUE(harness.liveAircraft(landed).coupledSearchDone);
    EXPECT_TRUE(harness.log().contains("sid==0? : ABC123*  \"ABC123 \" removed, new on ground "
                                       "ABC123 \"ABC123 \" has same callsign ABC123"));

    // (b) Its check long done, the live ABC123 taxis when a static "ABC123*" is made.
    addStatic(StaticAircraftBuilder("ABC123*", 2).received("ABC123").stand(0, kSceneThreshold));
    second();
    EXPECT_EQ(stateOf(1002), LiveState::inSimulator);
    twinPass();
    EXPECT_EQ(stateOf(1002), LiveState::beingRemoved);
    twinPass();
    second();
    EXPECT_EQ(removals(), (std::vector<std::uint32_t>{1001, 1002}));
}

TEST_F(ConflictScene, TooManyParkedAircraftGoLongestStandingFirst) {
    setUser(Position{50.0, 8.0}, 0.0, 30000.0, 29000.0);
    // Ten stands at 30 %: three parked aircraft wanted.
    std::vector<ParkPosition> stands;
    for (std::uint32_t id = 1; id <= 10; ++id) {
        ParkPosition stand;
        stand.name = fmt::format("P{}", id);
        stand.standId = id;
        stand.latitude = 51.47 + 0.001 * id;
        stand.longitude = -0.45;
        stand.radius = 0.02;
        stands.push_back(stand);
    }
    harness.loadParkAirport("EGLL", kSceneElevation, stands);
    second();
    const DayHalfHour now = dayHalfHourNow.load();
    // Four parked live aircraft, 50, 200, 20 and 100 minutes on their stands.
    const int minutes[] = {50, 200, 20, 100};
    for (std::uint32_t i = 0; i < 4; ++i) {
        holdAt(0x4ca701 + i, fmt::format("PARK{}", i + 1),
               Position{stands[i].latitude, stands[i].longitude}, 0.0, 0.0, 71 + i);
    }
    {
        std::lock_guard traffic(trafficState.trafficMutex);
        const auto at = harness.clock().steadyNow();
        for (std::size_t i = 0; i < 4; ++i) {
            LiveAircraft& aircraft = trafficState.live[i];
            aircraft.setPhase(FlightPhase::parked);
            aircraft.standId = static_cast<std::uint32_t>(i + 1);
            aircraft.atStandSince = at - std::chrono::minutes(minutes[i]);
        }
    }
    // Two statics: one since two half hours ago, one since this time yesterday.
    addStatic(StaticAircraftBuilder("EZY1*", 1)
                  .stand(stands[5].standId, Position{stands[5].latitude, stands[5].longitude})
                  .parkedAt(gf_packDayHalfHour(gf_weekdayOf(now),
                                               std::max(0, gf_halfHourOfPair(now) - 2))));
    addStatic(StaticAircraftBuilder("EZY2*", 2)
                  .stand(stands[6].standId, Position{stands[6].latitude, stands[6].longitude})
                  .parkedAt(gf_packDayHalfHour(gf_weekdayBefore(gf_weekdayOf(now)),
                                               gf_halfHourOfPair(now))));
    const auto releases = [this] { return harness.link().callsOf("releaseAiAircraft"); };

    // An arrival's check: the live aircraft of 200 minutes and the static of yesterday.
    {
        std::lock_guard traffic(trafficState.trafficMutex);
        trafficState.hooks.checkMaxPark(0);
    }
    second();
    EXPECT_EQ(releases(),
              (std::vector<std::string>{"releaseAiAircraft(PARK2)", "releaseAiAircraft(EZY2*)"}));
    // A fifth about to be placed: the one of 100 minutes and the other static.
    holdAt(0x4ca705, "PARK5", Position{stands[7].latitude, stands[7].longitude}, 0.0, 0.0, 75);
    {
        std::lock_guard traffic(trafficState.trafficMutex);
        trafficState.hooks.checkMaxPark(1);
    }
    second();
    EXPECT_EQ(releases(),
              (std::vector<std::string>{"releaseAiAircraft(PARK2)", "releaseAiAircraft(EZY2*)",
                                        "releaseAiAircraft(PARK4)", "releaseAiAircraft(EZY1*)"}));
    // Parked, it makes three: none too many, and no static left in the simulator to take.
    {
        std::lock_guard traffic(trafficState.trafficMutex);
        trafficState.live.back().setPhase(FlightPhase::parked);
        trafficState.hooks.checkMaxPark(0);
    }
    second();
    EXPECT_EQ(releases().size(), 4u);
    EXPECT_EQ(removals(), (std::vector<std::uint32_t>{72, 1002, 74, 1001}));
    EXPECT_EQ(stateOf(71), LiveState::inSimulator);
    EXPECT_EQ(stateOf(73), LiveState::inSimulator);
    EXPECT_EQ(stateOf(75), LiveState::inSimulator);
}

} // namespace
} // namespace ksb::test
