// Ground trajectories through the engine: scripted feeds of an aircraft already in the simulator
// go through the intake and the tick, and what the aircraft does is recorded tick by tick and
// checked against the invariants. A watch on the sample step keeps what each step decided.
#include "airports/park_airport_state.h"
#include "core/geodesy.h"
#include "core/parameters.h"
#include "core/time_of_week.h"
#include "traffic/motion.h"
#include "traffic/traffic_state.h"

#include "support/feed_script.h"
#include "support/leg_track.h"
#include "support/live_flight_builder.h"
#include "support/ready_aircraft.h"
#include "support/traffic_harness.h"
#include "support/trajectory_invariants.h"
#include "support/trajectory_recorder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <vector>

namespace {

using ksb::test::FeedScript;
using ksb::test::Leg;
using ksb::test::LiveFlightBuilder;
using ksb::test::TrafficHarness;
using ksb::test::TrajectoryPoint;
using ksb::test::TrajectoryRecorder;

constexpr double kTrackDeg = kRadiansPerDegree;
// The feed plays 30 s late, so several samples are queued at each step, as in the program.
constexpr int kTrajectoryDelay = 30;

// What one sample step left behind.
struct StepSeen {
    std::int32_t tick = 0;
    std::deque<PositionSample> samples;
    bool curve = false;
    double curveTurnAngle = 0.0;
    double curveEast = 0.0; // of the curve's end, metres
    double controlEast = 0.0;
    bool turning = false;
    double turnAngle = 0.0;
    double turnRate = 0.0;
};

double lf_metresTo(const TrajectoryPoint& p, double latitude, double longitude) {
    return gf_distanceNM({p.latitude, p.longitude}, {latitude, longitude}) * kMetresPerNM;
}

double lf_metresBetween(const LiveFlight& a, const LiveFlight& b) {
    return gf_distanceNM({a.latitude, a.longitude}, {b.latitude, b.longitude}) * kMetresPerNM;
}

class GroundTrajectoryTest : public ::testing::Test {
protected:
    GroundTrajectoryTest() { watchSteps(); }

    // The next case of a table on a fresh engine.
    void freshEngine() {
        recorder.reset();
        script.reset();
        harness_.reset();
        harness_.emplace();
        steps.clear();
        watchSteps();
    }
    TrafficHarness& harness() { return *harness_; }

    // Watches each sample step of the real motion.
    void watchSteps() {
        std::lock_guard traffic(trafficState.trafficMutex);
        trafficState.hooks.nextSample = [this](LiveAircraft& a) {
            ksb::lf_nextSample(a);
            StepSeen seen;
            seen.tick = trafficState.tickCounter.load();
            seen.samples = a.samples;
            seen.curve = ksb::lf_hasCurve(a);
            seen.curveTurnAngle = a.curveTurnAngle;
            seen.curveEast = a.curveEndX;
            seen.controlEast = a.curveControlX;
            seen.turning = a.turning;
            seen.turnAngle = a.turnAngle;
            seen.turnRate = a.turnRate;
            steps.push_back(seen);
        };
    }

    // The records of the legs from the position, the first one placed as a ready aircraft, the
    // rest scripted; the recorder follows it.
    void start(double latitude, double longitude, const std::vector<Leg>& legs,
               const char* type = "A320") {
        LiveFlightBuilder builder;
        builder.type(type).at(latitude, longitude);
        startWith(ksb::test::legTrack(builder, legs));
    }
    void startWith(std::vector<LiveFlight> track) {
        records = std::move(track);
        script.emplace(std::vector<LiveFlight>(records.begin() + 1, records.end()),
                       kTrajectoryDelay, records.front().timeStamp);
        key = ksb::test::placeReadyAircraft(records.front(),
                                            {.firstDueTick = script->originPlayTick()});
        recorder.emplace(*harness_, key);
    }
    void run(int ticks) { recorder->run(ticks, &*script); }
    bool runUntilGone(int ticks) {
        return recorder->runUntil(
            ticks, [](const TrajectoryPoint& p) { return p.state != LiveState::inSimulator; },
            &*script);
    }
    // The first step at or after the tick whose queue has the given first sample.
    const StepSeen* stepWithFront(const LiveFlight& record) const {
        for (const StepSeen& s : steps) {
            if (!s.samples.empty() && s.samples.front().latitude == record.latitude &&
                s.samples.front().longitude == record.longitude) {
                return &s;
            }
        }
        return nullptr;
    }
    // The re-timed due tick of the record's sample: its due tick when it became the first
    // queued (standing samples after it may share its position).
    std::optional<std::int32_t> dueOf(const LiveFlight& record) const {
        for (const TrajectoryPoint& p : recorder->points()) {
            if (p.frontLatitude == record.latitude && p.frontLongitude == record.longitude) {
                return p.frontDueTick;
            }
        }
        return std::nullopt;
    }
    // Where the aircraft is when its sample falls due: after the tick before the due tick.
    double metresFromSampleAtDue(const LiveFlight& record) const {
        const std::optional<std::int32_t> due = dueOf(record);
        if (!due) {
            return 1e9;
        }
        const std::optional<TrajectoryPoint> p = recorder->at(*due - 1);
        return p ? lf_metresTo(*p, record.latitude, record.longitude) : 1e9;
    }

    // Declared first: the recorder below refers to it.
    std::optional<TrafficHarness> harness_{std::in_place};
    std::vector<StepSeen> steps;
    std::vector<LiveFlight> records;
    std::optional<FeedScript> script;
    std::optional<TrajectoryRecorder> recorder;
    std::uint32_t key = 0;
};

TEST_F(GroundTrajectoryTest, StraightTaxiThenSyntheticSamplesThenOneRelease) {
    struct Case {
        const char* name;
        bool learnSoft; // near the loaded park airport, with LEARN_SOFT on
    };
    const Case cases[] = {{"away from any park airport", false},
                          {"learning near the park airport", true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        freshEngine();
        if (c.learnSoft) {
            ParkPosition stand;
            stand.name = "A1";
            stand.standId = 1;
            stand.latitude = 51.003;
            stand.longitude = 8.0;
            stand.radius = 0.03;
            stand.heading = 0.0;
            harness().loadParkAirport("EDDX", 300.0, {stand});
            std::lock_guard traffic(trafficState.trafficMutex);
            trafficState.parkAirport.lat = 51.0;
            trafficState.parkAirport.lon = 8.0;
            LEARN_SOFT.setRaw(true);
            harness().setDayHalfHour(gf_packDayHalfHour(3, 20));
        }
        start(51.0, 8.0 + (c.learnSoft ? 0.0 : 1.0),
              {Leg{.heading = 90.0, .knots = 12.0, .spacing = 4.0, .count = 6}});
        ASSERT_TRUE(runUntilGone(12000));
        const std::vector<TrajectoryPoint>& points = recorder->points();
        EXPECT_TRUE(ksb::test::trajectoryInvariantsHold(*recorder));

        // On each sample at its feed due tick (the times agree with the speeds), in equal steps
        // and on one heading.
        for (std::size_t i = 1; i < records.size(); ++i) {
            SCOPED_TRACE(i);
            EXPECT_EQ(dueOf(records[i]), script->playTickOf(records[i]));
            EXPECT_LE(metresFromSampleAtDue(records[i]), 0.5);
        }
        const std::int32_t first = script->originPlayTick();
        const std::int32_t last = script->playTickOf(records.back());
        double longest = 0.0;
        double shortest = 1e9;
        for (std::size_t i = 1; i < points.size(); ++i) {
            EXPECT_EQ(points[i].heading, 90.0 * kTrackDeg);
            if (points[i].tick > first && points[i].tick < last) {
                const double step = lf_metresTo(points[i], points[i - 1].latitude,
                                                points[i - 1].longitude);
                longest = std::max(longest, step);
                shortest = std::min(shortest, step);
            }
        }
        EXPECT_NEAR(longest, 12.0 / 360000.0 * kMetresPerNM, 1e-3);
        EXPECT_NEAR(shortest, longest, 1e-4);

        // Then ten standing samples 3 s apart, and the release at the last.
        std::vector<std::int32_t> synthetic;
        for (const TrajectoryPoint& p : points) {
            if (p.frontDueTick > last && p.frontRepeated && p.frontGroundSpeed == 0.0 &&
                (synthetic.empty() || synthetic.back() != p.frontDueTick)) {
                synthetic.push_back(p.frontDueTick);
            }
        }
        ASSERT_EQ(synthetic.size(), 10u);
        for (std::size_t i = 0; i < synthetic.size(); ++i) {
            EXPECT_EQ(synthetic[i], last + 300 * static_cast<std::int32_t>(i + 1));
        }
        EXPECT_EQ(points.back().tick, synthetic.back());
        EXPECT_EQ(points.back().state, LiveState::beingRemoved);
        EXPECT_EQ(harness().link().callsOf("releaseAiAircraft").size(), 1u);
        run(20);
        EXPECT_EQ(harness().link().callsOf("releaseAiAircraft").size(), 1u);
        EXPECT_EQ(harness().link().callsOf("queueRemoveAiAircraft").size(), 1u);

        if (c.learnSoft) {
            // The soft learning ran before the release: the stand learned it, and the flight
            // is throttled at this half hour.
            std::lock_guard traffic(trafficState.trafficMutex);
            EXPECT_FALSE(gf_parkAirportState().stands.front().observations.empty());
            ASSERT_EQ(trafficState.lastLearned.size(), 1u);
            EXPECT_EQ(trafficState.lastLearned.front().flightKey, key);
            EXPECT_EQ(trafficState.lastLearned.front().slot, 20);
        }
    }
}

TEST_F(GroundTrajectoryTest, TimesThatDisagreeWithSpeedsAreStretchedWithinTheWindows) {
    // 49.4 m apart every 8 s (12 kt), but the records say 6 kt: distance over speed wants 1600
    // ticks where the feed gives 800, and the late window (1000) holds the aircraft back; the
    // steps between samples never come out shorter than 400 ticks.
    LiveFlightBuilder builder;
    builder.at(51.0, 9.0);
    std::vector<LiveFlight> track = ksb::test::legTrack(
        builder, {Leg{.heading = 90.0, .knots = 12.0, .spacing = 8.0, .count = 6}});
    for (LiveFlight& record : track) {
        record.groundSpeed = 6.0;
        record.trueAirspeed = 6.0;
    }
    startWith(track);
    run(9000);
    EXPECT_TRUE(ksb::test::trajectoryInvariantsHold(*recorder, {.speedsAgree = false}));

    std::int32_t previous = script->originPlayTick();
    for (std::size_t i = 1; i + 1 < records.size(); ++i) {
        SCOPED_TRACE(i);
        const std::int32_t feed = script->playTickOf(records[i]);
        const std::int32_t expected = std::min(previous + 1600, feed + 1000);
        EXPECT_EQ(dueOf(records[i]), expected);
        EXPECT_LE(metresFromSampleAtDue(records[i]), 0.5);
        previous = expected;
    }
    // Reached without a jump: no tick moves more than the slowest leg's share plus a margin.
    const std::vector<TrajectoryPoint>& points = recorder->points();
    for (std::size_t i = 1; i < points.size(); ++i) {
        EXPECT_LT(lf_metresTo(points[i], points[i - 1].latitude, points[i - 1].longitude),
                  49.4 / 400.0)
            << "tick " << points[i].tick;
    }
}

// A corner turned along a curve: set at the corner step, the corner sample gone, the heading
// turning monotonically the short way, the curve's end reached at its due tick.
TEST_F(GroundTrajectoryTest, CornersAreCurves) {
    struct Case {
        const char* name;
        double latitude;
        double longitude;
        double from; // degrees
        double to;
        double turn; // signed degrees
    };
    const Case cases[] = {
        {"90 degree corner", 51.0, 8.0, 90.0, 0.0, -90.0},
        {"across north", 51.0, 8.0, 350.0, 10.0, 20.0},
        {"on the antimeridian", 10.0, 179.99985, 90.0, 0.0, -90.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        freshEngine();
        start(c.latitude, c.longitude,
              {Leg{.heading = c.from, .knots = 8.0, .spacing = 6.0, .count = 4},
               Leg{.heading = c.to, .knots = 8.0, .spacing = 6.0, .count = 4}});
        const LiveFlight& before = records[3];
        const LiveFlight& corner = records[4];
        const LiveFlight& after = records[5];
        run(script->playTickOf(records[6]) + 10 - trafficState.tickCounter.load());
        EXPECT_TRUE(ksb::test::trajectoryInvariantsHold(*recorder));

        // At the step that reached the sample before the corner: a curve of the turn's size,
        // the corner gone from the queue.
        const StepSeen* step = stepWithFront(after);
        ASSERT_NE(step, nullptr);
        EXPECT_TRUE(step->curve);
        EXPECT_NEAR(step->curveTurnAngle, std::fabs(c.turn), 0.1);
        EXPECT_FALSE(step->turning);
        EXPECT_EQ(step->samples.front().latitude, after.latitude);
        for (const PositionSample& s : step->samples) {
            EXPECT_FALSE(s.latitude == corner.latitude && s.longitude == corner.longitude);
        }
        // Metres in the local frame, not a world.
        EXPECT_LT(std::fabs(step->curveEast), 40.0);
        EXPECT_LT(std::fabs(step->controlEast), 40.0);
        EXPECT_LE(metresFromSampleAtDue(after), 0.5);
        (void)before;

        // The heading turns one way only, never the long way round, and ends on the new leg.
        const std::vector<TrajectoryPoint>& points = recorder->points();
        double turned = 0.0;
        for (std::size_t i = 1; i < points.size(); ++i) {
            const double d = ksb::gf_signedTurn(points[i - 1].heading, points[i].heading);
            EXPECT_GE(d * c.turn, 0.0) << "tick " << points[i].tick;
            turned += d;
            EXPECT_LE(points[i].curveParameter, 0.999999);
        }
        EXPECT_NEAR(turned / kTrackDeg, c.turn, 0.6);
        EXPECT_LE(ksb::gf_turnDegrees(points.back().heading, c.to * kTrackDeg), 0.5);
    }
}

TEST_F(GroundTrajectoryTest, ASharpSlowTurnGetsAMidSampleAndNoCurve) {
    // 61.7 m and 12 s between records at 10 kt, then a right angle.
    start(51.0, 8.0, {Leg{.heading = 90.0, .knots = 10.0, .spacing = 12.0, .count = 3},
                      Leg{.heading = 180.0, .knots = 10.0, .spacing = 12.0, .count = 3}});
    run(script->playTickOf(records[4]) + 10 - trafficState.tickCounter.load());
    EXPECT_TRUE(ksb::test::trajectoryInvariantsHold(*recorder));
    const LiveFlight& before = records[2];
    const LiveFlight& corner = records[3];
    ASSERT_GT(lf_metresBetween(before, corner), 50.0);
    const StepSeen* step = nullptr;
    for (const StepSeen& s : steps) {
        if (s.samples.size() >= 2 && s.samples.front().latitude != before.latitude &&
            s.samples[1].latitude == corner.latitude &&
            s.samples[1].longitude == corner.longitude) {
            step = &s;
            break;
        }
    }
    ASSERT_NE(step, nullptr);
    EXPECT_FALSE(step->curve);
    const PositionSample& mid = step->samples.front();
    EXPECT_NEAR(mid.latitude, (before.latitude + corner.latitude) / 2.0, 1e-12);
    EXPECT_NEAR(mid.longitude, (before.longitude + corner.longitude) / 2.0, 1e-12);
    EXPECT_EQ(mid.groundSpeed, 10.0);
    EXPECT_EQ(mid.altitude, 0.0);
    const std::int32_t beforeDue = *dueOf(before);
    EXPECT_EQ(mid.dueTick, beforeDue + (script->playTickOf(corner) - beforeDue) / 2);
    // Turning toward the corner's leg afterwards, within the rate.
    EXPECT_LE(ksb::gf_turnDegrees(recorder->points().back().heading, 180.0 * kTrackDeg), 0.5);
}

TEST_F(GroundTrajectoryTest, ASpeedChangeGetsAMidSampleWithTheMeanSpeed) {
    start(51.0, 8.0, {Leg{.heading = 90.0, .knots = 5.0, .spacing = 40.0, .count = 3},
                      Leg{.heading = 90.0, .knots = 25.0, .spacing = 16.0, .count = 3}});
    run(script->playTickOf(records[4]) + 10 - trafficState.tickCounter.load());
    EXPECT_TRUE(ksb::test::trajectoryInvariantsHold(*recorder, {.speedsAgree = false}));
    const LiveFlight& slow = records[2];
    const LiveFlight& fast = records[3];
    ASSERT_GE(lf_metresBetween(slow, fast), 100.0);
    int mids = 0;
    for (const StepSeen& s : steps) {
        for (const PositionSample& q : s.samples) {
            if (q.groundSpeed == 15.0) {
                ++mids;
                EXPECT_NEAR(q.latitude, (slow.latitude + fast.latitude) / 2.0, 1e-12);
                break;
            }
        }
    }
    EXPECT_GE(mids, 1);
    // One mid sample: it is the first queued sample at exactly one step.
    int steppedOnto = 0;
    for (const StepSeen& s : steps) {
        steppedOnto += (!s.samples.empty() && s.samples.front().groundSpeed == 15.0) ? 1 : 0;
    }
    EXPECT_EQ(steppedOnto, 1);
}

TEST_F(GroundTrajectoryTest, AReversalAtTheIntakeStopsAndTurnsTheAircraft) {
    struct Case {
        const char* name;
        std::int32_t extra;
    };
    for (const Case& c : {Case{"stops and turns", 0}, Case{"with synthetic samples", 3}}) {
        SCOPED_TRACE(c.name);
        freshEngine();
        start(51.0, 8.0, {Leg{.heading = 90.0, .knots = 10.0, .spacing = 5.0, .count = 2}});
        // Held by a tow, with its one sample reached: the reversal check applies.
        run(script->originPlayTick() + 1 - trafficState.tickCounter.load());
        std::int32_t now = 0;
        {
            std::lock_guard traffic(trafficState.trafficMutex);
            LiveAircraft& a = trafficState.live.front();
            a.towed = true;
            a.extraSamples = c.extra;
            a.samples.resize(1);
            now = trafficState.tickCounter.load();
        }
        const LiveAircraft held = harness().liveAircraft(key);
        LiveFlight reverse = records.back();
        const Position back = gf_destinationPoint({held.samples.front().latitude,
                                                   held.samples.front().longitude},
                                                  260.0 * kTrackDeg, 150.0);
        reverse.latitude = back.latitude;
        reverse.longitude = back.longitude;
        reverse.timeStamp += 30.0;
        reverse.track = 260.0;
        harness().feed({reverse}, 1);
        const LiveAircraft after = harness().liveAircraft(key);
        if (c.extra > 0) {
            ASSERT_EQ(after.samples.size(), 1u);
            EXPECT_EQ(after.samples.front().latitude, held.samples.front().latitude);
            continue;
        }
        ASSERT_EQ(after.samples.size(), 2u);
        EXPECT_EQ(after.samples.front().latitude, held.position.latitude);
        EXPECT_EQ(after.samples.front().longitude, held.position.longitude);
        EXPECT_EQ(after.samples.front().dueTick, now + 1);
        EXPECT_EQ(after.samples.back().latitude, reverse.latitude);
        // It stops there and turns, clockwise the short way, toward the new sample.
        run(1500);
        EXPECT_TRUE(ksb::test::trajectoryInvariantsHold(*recorder, {.speedsAgree = false}));
        const StepSeen* turn = nullptr;
        for (const StepSeen& s : steps) {
            if (s.tick >= now + 1 && s.turning) {
                turn = &s;
                break;
            }
        }
        ASSERT_NE(turn, nullptr);
        // From where it stopped, the new sample lies 158 degrees off its heading.
        const double bearing = gf_initialBearing(
            {held.position.latitude, held.position.longitude}, {reverse.latitude, reverse.longitude});
        EXPECT_NEAR(turn->turnAngle, ksb::gf_turnDegrees(held.position.heading, bearing), 0.01);
        EXPECT_GT(turn->turnAngle, 150.0);
        const std::vector<TrajectoryPoint>& points = recorder->points();
        for (std::size_t i = 1; i < points.size(); ++i) {
            if (points[i].tick > now + 1) {
                EXPECT_GE(ksb::gf_signedTurn(points[i - 1].heading, points[i].heading), 0.0);
            }
        }
    }
}

} // namespace
