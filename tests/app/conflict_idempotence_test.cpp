// Several rules aimed at one aircraft in one second: each object id is queued for removal once
// and the link removes it once. Max park and a ghost's arrival come in the second's ticks, the
// identity check and the live-against-static rule in its per-second step.
#include "conflict_scene_fixture.h"

#include "core/clock.h"
#include "core/globals.h"
#include "core/time_of_week.h"

#include <algorithm>
#include <chrono>

namespace ksb::test {
namespace {

constexpr Position kIdempotenceStand{51.4700, -0.4543};

TEST_F(ConflictScene, RulesThatMeetOneAircraftInOneSecondQueueItsRemovalOnce) {
    COLLISION_LIVE_PARKED_GND.setRaw(true);
    setUser(Position{50.0, 8.0}, 0.0, 30000.0, 29000.0);
    ParkPosition stand;
    stand.name = "A1";
    stand.standId = 1;
    stand.latitude = kIdempotenceStand.latitude;
    stand.longitude = kIdempotenceStand.longitude;
    stand.radius = 0.02;
    // One stand: one parked aircraft wanted.
    harness.loadParkAirport("EGLL", 80.0, {stand});
    dayHalfHourNow = gf_currentDayHalfHour();
    const DayHalfHour now = dayHalfHourNow.load();

    // Two parked live aircraft, the ghost "XYZ_" the longer; a live ABC123 taxiing over the
    // static "ABC123*" that stands for it, with its identity check queued; an older static that
    // max park takes.
    const Position apron = gf_destinationPoint(kIdempotenceStand, 90.0 * kRadiansPerDegree, 2000.0);
    const std::uint32_t ghost = holdAt(0x4ca601, "XYZ_", kIdempotenceStand, 0.0, 0.0, 61);
    const std::uint32_t parked =
        holdAt(0x4ca602, "KLM7", gf_destinationPoint(apron, 0.0, 500.0), 0.0, 0.0, 62);
    const std::uint32_t taxiing = holdAt(0x4ca603, "ABC123", apron, 0.0, 0.0, 63);
    addStatic(StaticAircraftBuilder("EZY1*", 1)
                  .stand(1, kIdempotenceStand)
                  .parkedAt(gf_packDayHalfHour(gf_weekdayBefore(gf_weekdayOf(now)),
                                               gf_halfHourOfPair(now))));
    addStatic(StaticAircraftBuilder("ABC123*", 2).stand(0, apron).parkedAt(now));
    {
        std::lock_guard traffic(trafficState.trafficMutex);
        const auto since = harness.clock().steadyNow();
        for (LiveAircraft& aircraft : trafficState.live) {
            if (aircraft.flightKey == ghost || aircraft.flightKey == parked) {
                aircraft.setPhase(FlightPhase::parked);
                aircraft.atStandSince =
                    since - std::chrono::minutes(aircraft.flightKey == ghost ? 120 : 10);
            }
        }
        trafficState.identityChecks.push_back(taxiing);
    }
    harness.tick(50);
    {
        std::lock_guard traffic(trafficState.trafficMutex);
        trafficState.hooks.checkMaxPark(0);
        // The ghost's flight arrives after max park took it.
        trafficState.hooks.removeGhost("XYZ");
    }
    second();
    second();

    EXPECT_EQ(stateOf(61), LiveState::beingRemoved);
    EXPECT_EQ(stateOf(62), LiveState::inSimulator);
    EXPECT_EQ(stateOf(63), LiveState::inSimulator);
    EXPECT_EQ(stateOf(1001), LiveState::beingRemoved);
    EXPECT_EQ(stateOf(1002), LiveState::beingRemoved);
    EXPECT_EQ(removals(), (std::vector<std::uint32_t>{61, 1001, 1002}));
    for (const std::uint32_t object : {61U, 1001U, 1002U}) {
        SCOPED_TRACE(object);
        const std::vector<std::string> calls = harness.link().callsOf("queueRemoveAiAircraft");
        EXPECT_EQ(std::count(calls.begin(), calls.end(),
                             fmt::format("queueRemoveAiAircraft({})", object)),
                  1);
    }
    // The identity check released the static; the live-against-static rule found it gone.
    const std::vector<std::string> body = harness.log().body();
    EXPECT_TRUE(harness.log().contains("has same callsign ABC123"));
    EXPECT_FALSE(harness.log().contains("removed for collision avoidance"));
    EXPECT_FALSE(harness.log().contains("is a ghost"));
    EXPECT_EQ(std::count_if(body.begin(), body.end(),
                            [](const std::string& line) {
                                return line.find("max park exceeded") != std::string::npos;
                            }),
              1);
}

} // namespace
} // namespace ksb::test
