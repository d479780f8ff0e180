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
#include <tuple>
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
    struct FeedStopCase {
        const char* name;
        bool landed;
        bool landingRoll;    // still rolling when the first samples come
        int standingRecords; // the feed shows it standing this often, then ends
        double shortOfStand; // metres
        bool parks;
        // Seconds from the record that stops it to the first that repeats it standing.
        double standingSpacing = 16.0;
    };

    // North at 12 kt toward the stand (0-based, every case its own), 24.7 m between records,
    // then standing where the feed stops it.
    void runFeedStopCase(const FeedStopCase& c, std::size_t index) {
        SCOPED_TRACE(c.name);
        // North at 12 kt, 24.7 m between records, toward the stand (each case its own).
        const Position start = nearStand(index, -(c.shortOfStand + 74.1));
        const std::uint32_t hexid = 0x4cd001 + static_cast<std::uint32_t>(index);
        LiveFlightBuilder builder(hexid);
        builder.callsign(fmt::format("LND{}", index)).at(start.latitude, start.longitude);
        const std::vector<LiveFlight> records =
            c.standingRecords > 0
                ? track(builder, {Leg{.heading = 0.0, .knots = 12.0, .spacing = 4.0, .count = 3},
                                  Leg{.heading = 0.0, .knots = 0.0, .spacing = 16.0, .count = 1},
                                  Leg{.heading = 0.0,
                                      .knots = 0.0,
                                      .spacing = c.standingSpacing,
                                      .count = c.standingRecords - 1}})
                : track(builder, {Leg{.heading = 0.0, .knots = 12.0, .spacing = 4.0, .count = 4}});
        FeedScript script({records.begin() + 1, records.end()}, 60, records.front().timeStamp);
        const std::uint32_t key = ksb::test::placeReadyAircraft(
            records.front(), {.phase = FlightPhase::taxi,
                              .objectId = static_cast<std::uint32_t>(30 + index),
                              .firstDueTick = script.originPlayTick()});
        {
            std::lock_guard traffic(trafficState.trafficMutex);
            for (LiveAircraft& a : trafficState.live) {
                if (a.flightKey == key) {
                    a.landed = c.landed;
                    a.landingRoll = c.landingRoll;
                    // Down on runway 09, turned off north toward the stands.
                    a.landingHeading = 90.0 * kRadiansPerDegree;
                }
            }
        }
        TrajectoryRecorder recorder(harness, key);
        const bool parked = recorder.runUntil(
            12000, [](const TrajectoryPoint& p) { return p.phase == FlightPhase::parked; },
            &script);
        EXPECT_EQ(parked, c.parks);
        EXPECT_EQ(firstPoint(recorder, FlightPhase::movingToAdjacentStand).has_value(), c.parks);
        const std::optional<LiveAircraft> a = harness.findLive(key);
        if (c.parks) {
            ASSERT_TRUE(a.has_value());
            EXPECT_EQ(a->standId, stand(index).standId);
            EXPECT_FALSE(a->landingRoll);
            EXPECT_LE(gf_distanceNM({a->position.latitude, a->position.longitude},
                                    {stand(index).latitude, stand(index).longitude}),
                      2.0 * kNMPerMetre);
        } else if (a.has_value()) {
            EXPECT_EQ(a->standId, 0u);
        }
        EXPECT_TRUE(ksb::test::trajectoryInvariantsHold(recorder));
    }

    // Records from the builder's position: legs as given.
    static std::vector<LiveFlight> track(LiveFlightBuilder& builder, const std::vector<Leg>& legs) {
        return ksb::test::legTrack(builder, legs);
    }

    // A live aircraft parked on the stand (0-based) in the simulator, as an arrival leaves it.
    std::uint32_t placeParked(std::size_t index, std::uint32_t key, const std::string& callsign,
                              std::uint32_t objectId, const std::string& type = "A320") {
        const Position at = nearStand(index, 0.0);
        LiveFlightBuilder builder(key);
        builder.callsign(callsign).type(type).at(at.latitude, at.longitude).track(0.0);
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

    // True when the calls hold the run, one after the other.
    static bool holdsRun(const std::vector<std::string>& calls,
                         const std::vector<std::string>& run) {
        return std::search(calls.begin(), calls.end(), run.begin(), run.end()) != calls.end();
    }
    static bool holdsCall(const std::vector<std::string>& calls, const std::string& prefix) {
        return std::any_of(calls.begin(), calls.end(),
                           [&](const std::string& call) { return call.rfind(prefix, 0) == 0; });
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
    // Its week-ahead synthetic sample, made in the same step, takes the mark off again.
    EXPECT_FALSE(stand(1).occupied);
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

// After its landing the feed takes the aircraft toward a stand and stops it, or ends, short of
// it. Standing samples that come while the landing roll lasts repeat the last position and are
// dropped; then, and when the feed ends, the landed aircraft stands on its made-up samples and
// the 55 m search of a landed aircraft finds the stand.
TEST_F(StandTrajectoryTest, ALandedAircraftParksWhereItsFeedStopsIt) {
    const FeedStopCase cases[] = {
        {"rolled out, stopped by its feed 12 m short", true, false, 3, 12.0, true},
        {"its standing samples dropped by the landing roll", true, true, 3, 12.0, true},
        {"the feed ends 40 m short after the landing", true, false, 0, 40.0, true},
        {"not landed, the feed ends 40 m short", false, false, 0, 40.0, false},
    };
    std::size_t index = 0;
    for (const FeedStopCase& c : cases) {
        runFeedStopCase(c, index);
        index += 2;
    }
}

// The feed stops the aircraft at once from taxi speed and keeps it standing (20 standing records
// outlast the run): it takes the stand it stands on, whether it landed or not.
TEST_F(StandTrajectoryTest, AnAircraftTheFeedStopsAtOnceParksWhereItStands) {
    const FeedStopCase cases[] = {
        {"landed, stopped at once on the stand", true, false, 20, 0.0, true},
        {"taxiing, stopped at once on the stand", false, false, 20, 0.0, true},
        {"taxiing, stopped 40 m short", false, false, 20, 40.0, false},
    };
    std::size_t index = 0;
    for (const FeedStopCase& c : cases) {
        runFeedStopCase(c, index);
        index += 2;
    }
}

// The record that repeats the stop comes only after the motion has passed the last moving record
// (a standing aircraft's records come 15 s apart, and the ground motion may run ahead of the play
// delay): the aircraft already stands on its stop when it learns that it stands. It still takes
// the stand there.
TEST_F(StandTrajectoryTest, AnAircraftWhoseStopIsRepeatedLateParksWhereItStands) {
    const FeedStopCase cases[] = {
        {"landed, on the stand", true, false, 20, 0.0, true, 60.0},
        {"taxiing, on the stand", false, false, 20, 0.0, true, 60.0},
        {"taxiing, 40 m short", false, false, 20, 40.0, false, 60.0},
    };
    std::size_t index = 0;
    for (const FeedStopCase& c : cases) {
        runFeedStopCase(c, index);
        index += 2;
    }
}

// A static aircraft on a neighbour stand whose wings would touch the arriving one's gives way
// when the stand is taken; one whose wings do not, and one two stands away, stay.
TEST_F(StandTrajectoryTest, TaxiInMakesAStaticNeighbourGiveWay) {
    LOG.setRaw(true);
    {
        std::lock_guard traffic(trafficState.trafficMutex);
        // A747's wings on A3 reach A2's; an A320's on A1 do not; A5 is no neighbour.
        const std::tuple<std::size_t, const char*, const char*> statics[] = {
            {0, "STA1", "A320"}, {2, "STA3", "B744"}, {4, "STA5", "B744"}};
        for (const auto& [index, callsign, type] : statics) {
            AiAircraft other;
            other.callsign = callsign;
            other.type = type;
            other.flightKey = static_cast<std::uint32_t>(index + 1);
            other.objectId = static_cast<std::uint32_t>(200 + index);
            other.standId = stand(index).standId;
            other.state = LiveState::inSimulator;
            trafficState.statics.push_back(other);
            stand(index).occupied = true;
        }
    }
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

    const std::int32_t parkTick = script.originPlayTick() + 800;
    recorder.run(parkTick - trafficState.tickCounter.load() + 1, &script);
    EXPECT_EQ(harness.liveAircraft(key).phase, FlightPhase::movingToAdjacentStand);
    std::vector<std::string> released;
    for (const std::string& call : harness.link().callsOf("releaseAiAircraft")) {
        released.push_back(call);
    }
    EXPECT_EQ(released, std::vector<std::string>{"releaseAiAircraft(STA3)"});
    const std::vector<std::string> lines = linesSince(mark);
    EXPECT_NE(std::find(lines.begin(), lines.end(),
                        "A3      : STA3     removed by adjacent parking BAW123 at 2"),
              lines.end());

    // The neighbour's going does not hold the arrival up.
    recorder.run(harness.liveAircraft(key).samples[0].dueTick - trafficState.tickCounter.load() +
                     60,
                 &script);
    const LiveAircraft a = harness.liveAircraft(key);
    EXPECT_EQ(a.phase, FlightPhase::parked);
    EXPECT_EQ(a.standId, 2u);
    EXPECT_TRUE(ksb::test::trajectoryInvariantsHold(recorder));
}

// ---------------------------------------------------------------------------------------------
// Leaving the stand
// ---------------------------------------------------------------------------------------------

class StandLeavingTest : public StandTrajectoryTest {
protected:
    // The subject parked on A2 (object 7) that has stood long enough to live on its synthetic
    // sample; then the departing records along the heading (degrees) from the stand.
    void parkAndDepart(double heading, int count = 3) {
        LOG.setRaw(true);
        key = placeParked(1, ksb::test::kStandSubjectKey, "BAW123", 7);
        recorder.emplace(harness, key);
        recorder->run(5);
        ASSERT_EQ(harness.liveAircraft(key).extraSamples, 1);
        const Position at = nearStand(1, 0.0);
        LiveFlightBuilder builder(key);
        builder.callsign("BAW123").registration("G-EUUA").at(at.latitude, at.longitude);
        records =
            track(builder, {Leg{.heading = heading, .knots = 6.0, .spacing = 8.0, .count = count}});
        script.emplace(records, 30);
        mark = harness.log().body().size();
        takeCalls();
    }

    // Runs until the tick after the departure record (the third, 16 s in) is fed.
    void runToDeparture() {
        const std::int32_t fed = script->feedTickOf(records[2]);
        recorder->run(fed - trafficState.tickCounter.load(), &*script);
        const LiveAircraft before = harness.liveAircraft(key);
        EXPECT_FALSE(before.departureRequested);
        EXPECT_EQ(before.phase, FlightPhase::parked);
        recorder->run(1, &*script); // the record: the departure
        const LiveAircraft requested = harness.liveAircraft(key);
        EXPECT_TRUE(requested.departureRequested);
        EXPECT_EQ(requested.phase, FlightPhase::parked);
        EXPECT_FALSE(stand(1).occupied);
        recorder->run(1, &*script); // the sample step: pull out or push back
    }

    std::uint32_t key = 0;
    std::optional<TrajectoryRecorder> recorder;
    std::vector<LiveFlight> records;
    std::optional<FeedScript> script;
    std::size_t mark = 0;
};

TEST_F(StandLeavingTest, PullOutMovesOneWingSpanForwardWithEnginesOn) {
    parkAndDepart(0.0, 5);
    runToDeparture();
    const LiveAircraft a = harness.liveAircraft(key);
    EXPECT_EQ(a.phase, FlightPhase::taxi);
    EXPECT_FALSE(a.departureRequested);
    // The current sample went on this step; P one wing span ahead of the stand is next.
    ASSERT_EQ(a.samples.size(), 1u);
    const PositionSample ahead = a.samples.front();
    EXPECT_NEAR(
        gf_distanceNM({stand(1).latitude, stand(1).longitude}, {ahead.latitude, ahead.longitude}),
        2.0 * ksb::test::kStandHalfSpanNm, 1e-7);
    EXPECT_EQ(ahead.groundSpeed, 4.0);
    // The taxi's own throttle of the ground step may follow.
    EXPECT_TRUE(holdsRun(takeCalls(), {"queueSetLights(7, 1 1 0 1 0 1 0)", "queueEnginesOn(7)",
                                       "setThrottle(BAW123, 0)", "setFlaps(BAW123, 1)"}));
    const std::vector<std::string> lines = linesSince(mark);
    EXPECT_NE(std::find(lines.begin(), lines.end(),
                        fmt::format("A2      : BAW123   pull out {}", gf_logTimeStamp())),
              lines.end());

    // Forward to P, heading kept.
    recorder->run(ahead.dueTick - trafficState.tickCounter.load() + 1, &*script);
    const std::optional<TrajectoryPoint> atP = recorder->at(ahead.dueTick);
    ASSERT_TRUE(atP.has_value());
    EXPECT_LE(gf_distanceNM({atP->latitude, atP->longitude}, {ahead.latitude, ahead.longitude}),
              0.5 * kNMPerMetre);
    EXPECT_NEAR(atP->heading, 0.0, 1e-9);
    EXPECT_TRUE(ksb::test::trajectoryInvariantsHold(*recorder));
}

TEST_F(StandLeavingTest, StraightPushBackEndsTwoAndAHalfRadiiBehind) {
    parkAndDepart(180.0);
    runToDeparture();
    const LiveAircraft pushed = harness.liveAircraft(key);
    EXPECT_EQ(pushed.phase, FlightPhase::pushBackUnderWay);
    EXPECT_EQ(pushed.pushCountdown, 2);
    // Mid, A and C queued; B saved. Lights, but the engines wait.
    ASSERT_EQ(pushed.samples.size(), 3u);
    const PositionSample end = pushed.samples[1];
    EXPECT_NEAR(
        gf_distanceNM({stand(1).latitude, stand(1).longitude}, {end.latitude, end.longitude}),
        2.5 * stand(1).radius, 1e-7);
    EXPECT_LT(end.latitude, stand(1).latitude);
    {
        const std::vector<std::string> calls = takeCalls();
        EXPECT_TRUE(holdsCall(calls, "queueSetLights(7, 1 1 0 1 0 1 0)"));
        EXPECT_FALSE(holdsCall(calls, "queueEnginesOn"));
        EXPECT_FALSE(holdsCall(calls, "setFlaps"));
    }
    const std::vector<std::string> lines = linesSince(mark);
    EXPECT_NE(std::find(lines.begin(), lines.end(),
                        fmt::format("A2      : BAW123   push back {}", gf_logTimeStamp())),
              lines.end());
    // No feed heading during the countdown: the side point goes at the midpoint.
    const std::int32_t midTick = pushed.samples[0].dueTick;
    recorder->run(midTick - trafficState.tickCounter.load() + 1, &*script);
    const LiveAircraft atMid = harness.liveAircraft(key);
    EXPECT_EQ(atMid.pushCountdown, 1);
    ASSERT_EQ(atMid.samples.size(), 1u);
    EXPECT_EQ(atMid.samples.front().latitude, end.latitude);
    EXPECT_EQ(atMid.samples.front().longitude, end.longitude);
    EXPECT_FALSE(holdsCall(takeCalls(), "queueEnginesOn"));
    // Tail first, straight back to A; then the tow phase with engines on.
    const std::int32_t endTick = atMid.samples.front().dueTick;
    recorder->run(endTick - trafficState.tickCounter.load() + 1, &*script);
    const std::optional<TrajectoryPoint> atA = recorder->at(endTick);
    ASSERT_TRUE(atA.has_value());
    EXPECT_LE(gf_distanceNM({atA->latitude, atA->longitude}, {end.latitude, end.longitude}),
              0.5 * kNMPerMetre);
    // Tail first: the heading stays, the speed sent is negative while it moves.
    bool movedBackwards = false;
    for (const TrajectoryPoint& p : recorder->points()) {
        EXPECT_NEAR(p.heading, 0.0, 1e-9) << "tick " << p.tick;
        if (p.phase == FlightPhase::pushBackUnderWay) {
            EXPECT_LE(p.sentSpeed, 0.0) << "tick " << p.tick;
            movedBackwards = movedBackwards || p.sentSpeed < 0.0;
        }
    }
    EXPECT_TRUE(movedBackwards);
    const LiveAircraft towing = harness.liveAircraft(key);
    EXPECT_EQ(towing.phase, FlightPhase::pushBackOrTow);
    EXPECT_FALSE(towing.departureRequested);
    EXPECT_TRUE(holdsRun(takeCalls(),
                         {"queueEnginesOn(7)", "setThrottle(BAW123, 0)", "setFlaps(BAW123, 1)"}));
    // Without feed it waits on a synthetic sample 300 s ahead.
    recorder->run(400, &*script);
    const LiveAircraft waiting = harness.liveAircraft(key);
    EXPECT_EQ(waiting.phase, FlightPhase::pushBackOrTow);
    EXPECT_EQ(waiting.state, LiveState::inSimulator);
    ASSERT_FALSE(waiting.samples.empty());
    EXPECT_GT(waiting.samples.back().dueTick - trafficState.tickCounter.load(), 29000);
    EXPECT_TRUE(ksb::test::trajectoryInvariantsHold(*recorder));
}

TEST_F(StandLeavingTest, PushBackWithATailSwingEndsAtTheSidePoint) {
    parkAndDepart(180.0);
    runToDeparture();
    const LiveAircraft pushed = harness.liveAircraft(key);
    ASSERT_EQ(pushed.phase, FlightPhase::pushBackUnderWay);
    const PositionSample sideB = pushed.savedSample;
    const PositionSample end = pushed.samples[1];
    EXPECT_LT(sideB.longitude, end.longitude); // west of A

    // During countdown 2 the feed shows it heading right (east).
    LiveFlight turn = records.back();
    turn.timeStamp += 8.0;
    turn.track = 90.0;
    turn.groundSpeed = 3.0;
    const std::int32_t midTick = pushed.samples[0].dueTick;
    harness.feed({turn}, 30);
    {
        const LiveAircraft noted = harness.liveAircraft(key);
        EXPECT_TRUE(noted.moveSeen);
        EXPECT_TRUE(noted.turnRightSeen);
        EXPECT_EQ(noted.samples.size(), 3u); // noted, not queued
    }
    recorder->run(midTick - trafficState.tickCounter.load() + 1);
    const LiveAircraft swinging = harness.liveAircraft(key);
    EXPECT_EQ(swinging.pushCountdown, 1);
    EXPECT_FALSE(std::isnan(swinging.curveControlX));
    EXPECT_EQ(swinging.curveTurnAngle, 90.0);
    ASSERT_EQ(swinging.samples.size(), 1u);
    EXPECT_EQ(swinging.samples.front().latitude, sideB.latitude);
    EXPECT_EQ(swinging.samples.front().longitude, sideB.longitude);

    // The tail swings: the heading leaves north, at most turnRate a tick.
    const std::int32_t endTick = swinging.samples.front().dueTick;
    recorder->run(endTick - trafficState.tickCounter.load() + 1);
    const std::optional<TrajectoryPoint> atB = recorder->at(endTick);
    ASSERT_TRUE(atB.has_value());
    EXPECT_LE(gf_distanceNM({atB->latitude, atB->longitude}, {sideB.latitude, sideB.longitude}),
              2.0 * kNMPerMetre);
    EXPECT_GT(std::fabs(gf_angleDifference(0.0, atB->heading)), 10.0 * kRadiansPerDegree);
    EXPECT_EQ(harness.liveAircraft(key).phase, FlightPhase::pushBackOrTow);
    EXPECT_TRUE(ksb::test::trajectoryInvariantsHold(*recorder));
}

// A landed aircraft that parked and lost its feed, moved again at a chosen time after its last
// real sample: towed below its category's threshold, not at it.
TEST_F(StandTrajectoryTest, TowedWhenTheFeedMovesItSoonAfterItFellSilent) {
    struct Case {
        const char* name;
        const char* type;
        std::int64_t threshold; // ticks
        std::int64_t delta;     // of the departure from the threshold
        bool towed;
    };
    const Case cases[] = {
        {"large just below 25 min", "A320", 150000, -1, true},
        {"large at 25 min", "A320", 150000, 0, false},
        {"heavy just below 1 h", "B744", 360000, -1, true},
        {"heavy at 1 h", "B744", 360000, 0, false},
        {"buzjet just below 15 min", "CRJ9", 90000, -1, true},
        {"buzjet at 15 min", "CRJ9", 90000, 0, false},
    };
    std::size_t index = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // One stand and one aircraft each; the earlier ones have left theirs.
        const std::uint32_t key = 0x4cb001 + static_cast<std::uint32_t>(index);
        const std::uint32_t placed = placeParked(index, key, fmt::format("TOW{}", index),
                                                 static_cast<std::uint32_t>(10 + index), c.type);
        const std::int32_t lastReal = harness.liveAircraft(placed).samples.front().dueTick;
        {
            std::lock_guard traffic(trafficState.trafficMutex);
            for (LiveAircraft& a : trafficState.live) {
                if (a.flightKey == placed) {
                    a.landed = true;
                }
            }
        }
        TrajectoryRecorder recorder(harness, placed);
        recorder.run(5);
        ASSERT_EQ(harness.liveAircraft(placed).extraSamples, 1); // on its week-ahead sample

        // The third record, 16 s into the script and 74 m out, is the departure (past the half
        // span of a heavy too).
        trafficState.tickCounter =
            static_cast<std::int32_t>(lastReal + c.threshold + c.delta - 1600);
        const Position at = nearStand(index, 0.0);
        LiveFlightBuilder builder(placed);
        builder.callsign(fmt::format("TOW{}", index)).at(at.latitude, at.longitude);
        const std::vector<LiveFlight> records =
            track(builder, {Leg{.heading = 0.0, .knots = 9.0, .spacing = 8.0, .count = 3}});
        FeedScript script(records, 30);
        ASSERT_EQ(script.feedTickOf(records[2]), lastReal + c.threshold + c.delta);
        recorder.run(1601, &script);
        const LiveAircraft a = harness.liveAircraft(placed);
        EXPECT_TRUE(a.departureRequested);
        EXPECT_EQ(a.towed, c.towed);
        EXPECT_FALSE(a.landed);
        recorder.run(1, &script);
        EXPECT_EQ(harness.liveAircraft(placed).phase, FlightPhase::taxi); // pulled out
        EXPECT_TRUE(ksb::test::trajectoryInvariantsHold(recorder));
        ++index;
    }
}

// The feed stops a taxiing aircraft 12 m short of a stand that it may not take, or may.
TEST_F(StandTrajectoryTest, TheReservedStandAndTheStandUnderTheUserAreNeverTaken) {
    struct Case {
        const char* name;
        std::string reserved;  // by index of the stand: "@" for the stand itself
        std::string userStand; // what gf_standNameAt answers; "@" for the stand itself
        bool parks;
    };
    const Case cases[] = {
        {"the reserved stand", "@", "", false},
        {"the user stands on it", "", "@", false},
        {"the user airborne: no stand name", "", "", true},
        {"the user on another stand", "", "A6", true},
    };
    std::size_t index = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string standName = stand(index).name;
        int asked = 0;
        ksb::TrafficServices services = ksb::gf_defaultTrafficServices();
        services.standNameAt = [&](double, double) {
            ++asked;
            return c.userStand == "@" ? standName : c.userStand;
        };
        ksb::gf_setTrafficServices(services);
        {
            std::lock_guard traffic(trafficState.trafficMutex);
            trafficState.reservedStand = c.reserved == "@" ? standName : c.reserved;
        }
        const Position start = nearStand(index, -86.1);
        const std::uint32_t key = 0x4cc001 + static_cast<std::uint32_t>(index);
        LiveFlightBuilder builder(key);
        builder.callsign(fmt::format("REF{}", index)).at(start.latitude, start.longitude);
        const std::vector<LiveFlight> records =
            track(builder, {Leg{.heading = 0.0, .knots = 12.0, .spacing = 4.0, .count = 3},
                            Leg{.heading = 0.0, .knots = 0.0, .spacing = 16.0, .count = 3}});
        FeedScript script({records.begin() + 1, records.end()}, 60, records.front().timeStamp);
        const std::uint32_t placed = ksb::test::placeReadyAircraft(
            records.front(), {.phase = FlightPhase::taxi,
                              .objectId = static_cast<std::uint32_t>(20 + index),
                              .firstDueTick = script.originPlayTick()});
        TrajectoryRecorder recorder(harness, placed);
        recorder.run(script.originPlayTick() + 2000 - trafficState.tickCounter.load(), &script);
        const LiveAircraft a = harness.liveAircraft(placed);
        EXPECT_EQ(a.standId, c.parks ? stand(index).standId : 0u);
        const bool movedIn = firstPoint(recorder, FlightPhase::movingToAdjacentStand).has_value();
        EXPECT_EQ(movedIn, c.parks);
        // The stand under the user is asked about once; the same last position is not searched
        // again.
        EXPECT_EQ(asked, c.reserved == "@" ? 0 : 1);
        EXPECT_TRUE(ksb::test::trajectoryInvariantsHold(recorder));
        ++index;
    }
}

// The way in is cut short: the aircraft is not on the stand point when its samples run out.
TEST_F(StandTrajectoryTest, AnArrivalTooFarFromTheStandTaxisOn) {
    LOG.setRaw(true);
    const Position start = nearStand(1, -86.1);
    LiveFlightBuilder builder(ksb::test::kStandSubjectKey);
    builder.callsign("BAW123").registration("G-EUUA").at(start.latitude, start.longitude);
    const std::vector<LiveFlight> records =
        track(builder, {Leg{.heading = 0.0, .knots = 12.0, .spacing = 4.0, .count = 3},
                        Leg{.heading = 0.0, .knots = 0.0, .spacing = 16.0, .count = 3}});
    FeedScript script({records.begin() + 1, records.end()}, 60, records.front().timeStamp);
    const std::uint32_t key = ksb::test::placeReadyAircraft(
        records.front(), {.phase = FlightPhase::taxi, .firstDueTick = script.originPlayTick()});
    TrajectoryRecorder recorder(harness, key);
    recorder.run(script.originPlayTick() + 801 - trafficState.tickCounter.load(), &script);
    ASSERT_EQ(harness.liveAircraft(key).phase, FlightPhase::movingToAdjacentStand);
    // The stand point it heads for moves 5 m on under it.
    {
        std::lock_guard traffic(trafficState.trafficMutex);
        for (LiveAircraft& a : trafficState.live) {
            if (a.flightKey == key) {
                const Position moved = nearStand(1, 5.0);
                a.standLatitude = moved.latitude;
                a.standLongitude = moved.longitude;
            }
        }
    }
    const std::size_t mark = harness.log().body().size();
    takeCalls();
    const std::int32_t end = harness.liveAircraft(key).samples.back().dueTick;
    recorder.run(end - trafficState.tickCounter.load() + 1, &script);
    const LiveAircraft a = harness.liveAircraft(key);
    EXPECT_EQ(a.phase, FlightPhase::taxi);
    EXPECT_FALSE(stand(1).occupied);
    EXPECT_TRUE(takeCalls().empty());
    EXPECT_TRUE(linesSince(mark).empty());
    {
        std::lock_guard traffic(trafficState.trafficMutex);
        EXPECT_TRUE(trafficState.identityChecks.empty());
    }
    EXPECT_TRUE(ksb::test::trajectoryInvariantsHold(recorder));
}

TEST_F(StandLeavingTest, NoPushBackWhenItsStandIsNotInTheTable) {
    parkAndDepart(180.0);
    {
        std::lock_guard traffic(trafficState.trafficMutex);
        for (LiveAircraft& a : trafficState.live) {
            if (a.flightKey == key) {
                a.standId = 99;
            }
        }
    }
    runToDeparture();
    // No push back starts; as the feed moves it on, it leaves forwards under its own power
    // rather than taxi with its engines off. Its line names the stand "unknown".
    const LiveAircraft a = harness.liveAircraft(key);
    EXPECT_EQ(a.phase, FlightPhase::taxi);
    EXPECT_EQ(a.previousPhase, FlightPhase::parked);
    EXPECT_FALSE(a.departureRequested);
    EXPECT_EQ(a.pushCountdown, 0);
    EXPECT_TRUE(holdsRun(takeCalls(), {"queueSetLights(7, 1 1 0 1 0 1 0)", "queueEnginesOn(7)",
                                       "setThrottle(BAW123, 0)", "setFlaps(BAW123, 1)"}));
    const std::vector<std::string> lines = linesSince(mark);
    EXPECT_NE(std::find(lines.begin(), lines.end(),
                        fmt::format("unknown : BAW123   pull out {}", gf_logTimeStamp())),
              lines.end());
    for (const std::string& line : lines) {
        EXPECT_EQ(line.find("push back"), std::string::npos) << line;
    }
    // It follows the feed away from the stand.
    recorder->run(1000, &*script);
    const LiveAircraft later = harness.liveAircraft(key);
    EXPECT_EQ(later.phase, FlightPhase::taxi);
    EXPECT_LT(later.position.latitude, stand(1).latitude);
    EXPECT_TRUE(ksb::test::trajectoryInvariantsHold(*recorder));
}

} // namespace
