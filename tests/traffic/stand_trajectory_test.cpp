// The stand manoeuvres tick by tick through the engine: scripted feeds go through the intake,
// the ground motion moves the aircraft, and the recorder's trajectory must pass the invariant
// checker. Stands: the default row (A1 to A6, 40 m apart to the east, facing north).
#include "core/time_text.h"
#include "traffic/motion.h"

#include "stand_motion_fixture.h"
#include "support/feed_script.h"
#include "support/leg_track.h"
#include "support/live_flight_builder.h"
#include "support/ready_aircraft.h"
#include "support/trajectory_invariants.h"
#include "support/trajectory_recorder.h"

#include <fmt/format.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace {

using ksb::test::FeedScript;
using ksb::test::Leg;
using ksb::test::LiveFlightBuilder;
using ksb::test::TrajectoryPoint;
using ksb::test::TrajectoryRecorder;

constexpr std::uint32_t kParkedKey = 0x4ca002;

class StandTrajectoryTest : public ksb::test::StandMotionTest {
protected:
    // Records from the builder's position: legs as given.
    static std::vector<LiveFlight> track(LiveFlightBuilder& builder, const std::vector<Leg>& legs) {
        return ksb::test::legTrack(builder, legs);
    }

    // A live aircraft parked on the stand (0-based) in the simulator, as an arrival leaves it.
    std::uint32_t placeParked(std::size_t index, std::uint32_t key, const std::string& callsign,
                              std::uint32_t objectId) {
        const Position at = nearStand(index, 0.0);
        LiveFlightBuilder builder(key);
        builder.callsign(callsign).at(at.latitude, at.longitude).track(0.0);
        const std::uint32_t placed = ksb::test::placeReadyAircraft(
            builder.next(), {.phase = FlightPhase::parked, .objectId = objectId});
        std::lock_guard traffic(trafficState.trafficMutex);
        for (LiveAircraft& aircraft : trafficState.live) {
            if (aircraft.flightKey == placed) {
                const ParkPosition& s = stand(index);
                aircraft.previousPhase = FlightPhase::movingToAdjacentStand;
                aircraft.standId = s.standId;
                aircraft.standLatitude = s.latitude;
                aircraft.standLongitude = s.longitude;
                aircraft.standHeading = s.heading;
                aircraft.standCargo = s.cargo;
                aircraft.samples.front().repeated = true;
            }
        }
        stand(index).occupied = true;
        return placed;
    }

    static std::optional<TrajectoryPoint> firstPoint(const TrajectoryRecorder& recorder,
                                                     FlightPhase phase) {
        for (const TrajectoryPoint& p : recorder.points()) {
            if (p.phase == phase) {
                return p;
            }
        }
        return std::nullopt;
    }
};

// ---------------------------------------------------------------------------------------------
// Taxi in and park
// ---------------------------------------------------------------------------------------------

TEST_F(StandTrajectoryTest, TaxiInClearsTheStandMovesInAndArrives) {
    LOG.setRaw(true);
    // The conflict rules stand aside; what they are offered and when the maximum is enforced is
    // recorded, with the stand's mark at that moment.
    std::vector<std::string> offered;
    std::vector<bool> occupiedAtMaxPark;
    {
        std::lock_guard traffic(trafficState.trafficMutex);
        trafficState.hooks.removedByAdjacentParking = [&](ksb::StandRuleContext& context,
                                                          LiveAircraft& other) {
            offered.push_back(fmt::format("{} {} {}", context.neighbourStandId,
                                          context.newcomer.callsign, other.callsign));
            return false;
        };
        trafficState.hooks.checkMaxPark = [&](int extra) {
            EXPECT_EQ(extra, 0);
            occupiedAtMaxPark.push_back(stand(1).occupied);
        };
    }
    placeParked(1, kParkedKey, "DLH400", 4);

    // North at 12 kt toward A2, then standing 12 m short of it.
    const Position start = nearStand(1, -86.1);
    LiveFlightBuilder builder(ksb::test::kStandSubjectKey);
    builder.callsign("BAW123").registration("G-EUUA").at(start.latitude, start.longitude);
    const std::vector<LiveFlight> records =
        track(builder, {Leg{.heading = 0.0, .knots = 12.0, .spacing = 4.0, .count = 3},
                        Leg{.heading = 0.0, .knots = 0.0, .spacing = 16.0, .count = 3}});
    FeedScript script({records.begin() + 1, records.end()}, 60, records.front().timeStamp);
    const std::uint32_t key = ksb::test::placeReadyAircraft(
        records.front(), {.phase = FlightPhase::taxi, .firstDueTick = script.originPlayTick()});
    const std::size_t mark = harness.log().body().size();
    TrajectoryRecorder recorder(harness, key);

    // Parked on the step at the third record (8 s in), whose next is the first standing one.
    const std::int32_t parkTick = script.originPlayTick() + 800;
    recorder.run(parkTick - trafficState.tickCounter.load() + 1, &script);
    {
        const LiveAircraft parked = harness.liveAircraft(kParkedKey);
        EXPECT_EQ(parked.state, LiveState::beingRemoved);
        const LiveAircraft a = harness.liveAircraft(key);
        EXPECT_EQ(a.phase, FlightPhase::movingToAdjacentStand);
        EXPECT_EQ(a.standId, 2u);
        EXPECT_EQ(a.standLatitude, stand(1).latitude);
        EXPECT_EQ(a.standHeading, stand(1).heading);
        EXPECT_FALSE(a.standCargo);
        EXPECT_TRUE(std::isnan(a.curveControlX));
        // The current sample went on this step: the moving stand sample and its standing copy.
        ASSERT_EQ(a.samples.size(), 2u);
        EXPECT_EQ(a.samples[0].latitude, stand(1).latitude);
        EXPECT_FALSE(a.samples[0].repeated);
        EXPECT_EQ(a.samples[0].groundSpeed, 4.0);
        EXPECT_TRUE(a.samples[1].repeated);
        EXPECT_EQ(a.samples[1].dueTick, a.samples[0].dueTick + 50);
    }
    EXPECT_EQ(offered, (std::vector<std::string>{"1 BAW123 DLH400", "1 BAW123 BAW123",
                                                 "3 BAW123 DLH400", "3 BAW123 BAW123"}));
    const std::vector<std::string> parkLines = linesSince(mark);
    EXPECT_NE(std::find(parkLines.begin(), parkLines.end(),
                        fmt::format("A2      : DLH400   removed {}", gf_logTimeStamp())),
              parkLines.end());

    // It moves in at push speed and stands on the stand point at the moving sample's due tick.
    const std::int32_t inTick = harness.liveAircraft(key).samples[0].dueTick;
    recorder.run(inTick - trafficState.tickCounter.load() + 1, &script);
    {
        const LiveAircraft a = harness.liveAircraft(key);
        EXPECT_LE(gf_distanceNM({a.position.latitude, a.position.longitude},
                                {stand(1).latitude, stand(1).longitude}),
                  0.5 * kNMPerMetre);
        EXPECT_NEAR(a.position.heading, 0.0, 1e-9);
        EXPECT_EQ(a.phase, FlightPhase::movingToAdjacentStand);
    }
    harness.link().clearCalls();

    // Its standing copy ends the queue: it arrives.
    recorder.run(60, &script);
    const LiveAircraft a = harness.liveAircraft(key);
    EXPECT_EQ(a.phase, FlightPhase::parked);
    EXPECT_EQ(a.state, LiveState::inSimulator);
    EXPECT_EQ(a.parkedAt, gf_packDayHalfHour(3, 20));
    EXPECT_EQ(occupiedAtMaxPark, std::vector<bool>{true});
    EXPECT_EQ(harness.link().callsOf("shutdownAiAircraft"),
              std::vector<std::string>{"shutdownAiAircraft(BAW123)"});
    const std::vector<std::string> lines = linesSince(mark);
    EXPECT_NE(std::find(lines.begin(), lines.end(),
                        fmt::format("A2      : BAW123   arrived at stand {}", gf_logTimeStamp())),
              lines.end());
    {
        std::lock_guard traffic(trafficState.trafficMutex);
        EXPECT_NE(
            std::find(trafficState.identityChecks.begin(), trafficState.identityChecks.end(), key),
            trafficState.identityChecks.end());
        EXPECT_EQ(stand(1).observations.size(), 1u);
    }
    // Then it stands on one synthetic sample a week ahead.
    ASSERT_EQ(a.samples.size(), 1u);
    EXPECT_TRUE(a.samples.front().repeated);
    EXPECT_GT(a.samples.front().dueTick, trafficState.tickCounter.load() + 60000000);
    EXPECT_EQ(a.extraSamples, 1);
    EXPECT_TRUE(ksb::test::trajectoryInvariantsHold(recorder));
}

} // namespace
