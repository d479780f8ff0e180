// The stand manoeuvres one function at a time: the departure check of a parked aircraft, the
// tow detection and learning as it leaves, the livery change, pull out and push back, parking
// on the stand where the feed stops a taxiing aircraft, and the arrival.
#include "core/time_text.h"
#include "traffic/motion.h"
#include "traffic/stand_taking.h"

#include "stand_motion_fixture.h"

#include <fmt/format.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <functional>
#include <limits>
#include <mutex>
#include <string>
#include <vector>

namespace {

using ksb::gf_defaultTrafficServices;
using ksb::gf_setTrafficServices;
using ksb::lf_arrivedAtStand;
using ksb::lf_departFromStand;
using ksb::lf_groundPhase;
using ksb::lf_liveryChange;
using ksb::lf_parkAtAdjacentStand;
using ksb::lf_pullOut;
using ksb::lf_pushBack;
using ksb::lf_standDepartureCheck;
using ksb::TrafficServices;
using ksb::test::kStandHalfSpanNm;
using ksb::test::kStandSubjectKey;
using ksb::test::kStandSubjectObject;
using ksb::test::StandMotionTest;

constexpr double kMetre = kNMPerMetre;

class StandManoeuvresTest : public StandMotionTest {};

// ---------------------------------------------------------------------------------------------
// Departure check
// ---------------------------------------------------------------------------------------------

TEST_F(StandManoeuvresTest, DepartureCheckTellsStandingFromLeaving) {
    // Each feed sample lies so many metres north of the stand.
    struct Step {
        double metres;
        bool append;
    };
    struct Case {
        const char* name;
        FlightPhase phase;
        FlightPhase previous;
        LiveState state;
        std::vector<Step> steps;
        bool departure; // departureRequested at the end
        int awayCount;  // at the end
        FlightPhase phaseAfter;
        bool departed; // lf_departFromStand ran: the stand lost its mark
        bool released;
        bool seenWithin; // atStandSince taken
    };
    const FlightPhase parked = FlightPhase::parked;
    const FlightPhase movingIn = FlightPhase::movingToAdjacentStand;
    const LiveState sim = LiveState::inSimulator;
    const Case cases[] = {
        {"jitter within 3 m",
         parked,
         movingIn,
         sim,
         {{40, false}, {42, false}, {41, false}, {42.9, false}, {40.5, false}},
         false,
         0,
         parked,
         false,
         false,
         true},
        {"slow creep: three away samples and half the half span",
         parked,
         movingIn,
         sim,
         {{40, false}, {43.1, false}, {46.2, false}, {49.3, true}},
         true,
         3,
         parked,
         true,
         false,
         true},
        {"creep below half the half span stays",
         parked,
         movingIn,
         sim,
         {{40, false}, {43.1, false}, {46.2, false}, {48.3, false}},
         false,
         2,
         parked,
         false,
         false,
         true},
        {"moving back 3 m ends the count",
         parked,
         movingIn,
         sim,
         {{40, false}, {43.1, false}, {46.2, false}, {42.5, false}, {45.6, false}},
         false,
         0,
         parked,
         false,
         false,
         true},
        {"one jump past the half span",
         parked,
         movingIn,
         sim,
         {{40, false}, {58, true}},
         true,
         1,
         parked,
         true,
         false,
         true},
        {"beyond 85 m in phase 6",
         parked,
         FlightPhase::newFlight,
         sim,
         {{90, true}},
         true,
         0,
         parked,
         true,
         false,
         false},
        {"beyond 85 m in phase 5: back to taxi",
         movingIn,
         FlightPhase::taxi,
         sim,
         {{90, true}},
         false,
         0,
         FlightPhase::taxi,
         false,
         false,
         false},
        {"within 170 m after phase 5",
         parked,
         movingIn,
         sim,
         {{160, false}},
         false,
         0,
         parked,
         false,
         false,
         true},
        {"beyond 170 m after phase 5",
         parked,
         movingIn,
         sim,
         {{180, true}},
         true,
         0,
         parked,
         true,
         false,
         false},
        {"beyond 200 m in the simulator: released",
         parked,
         FlightPhase::newFlight,
         sim,
         {{250, false}},
         false,
         0,
         parked,
         false,
         true,
         false},
        {"beyond 200 m being re-created: kept",
         parked,
         FlightPhase::newFlight,
         LiveState::toBeRecreated,
         {{250, true}},
         false,
         0,
         parked,
         false,
         false,
         false},
        {"moving in, then away within the limit: parked",
         movingIn,
         FlightPhase::taxi,
         sim,
         {{40, false}, {58, true}},
         true,
         1,
         parked,
         true,
         false,
         true},
        {"previous phase 6: no second departure",
         parked,
         parked,
         sim,
         {{40, false}, {58, true}},
         true,
         1,
         parked,
         false,
         false,
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::lock_guard traffic(trafficState.trafficMutex);
        trafficState.removals.clear();
        ksb::test::gf_loadStandRowLocked(row);
        stand(1).occupied = true;
        LiveAircraft aircraft = parkedOn(1);
        aircraft.phase = c.phase;
        aircraft.previousPhase = c.previous;
        aircraft.state = c.state;
        const auto since = aircraft.atStandSince;
        for (const Step& step : c.steps) {
            SCOPED_TRACE(step.metres);
            PositionSample sample = sampleAt(nearStand(1, step.metres), 0);
            sample.repeated = true;
            EXPECT_EQ(lf_standDepartureCheck(aircraft, sample), step.append);
            EXPECT_TRUE(aircraft.standChecked);
            // Taken as a movement; one being re-created keeps the sample as it is.
            if (step.append && c.state == sim) {
                EXPECT_FALSE(sample.repeated);
            }
        }
        EXPECT_EQ(aircraft.departureRequested, c.departure);
        EXPECT_EQ(aircraft.awayCount, c.awayCount);
        EXPECT_EQ(aircraft.phase, c.phaseAfter);
        // A release frees the stand as well.
        EXPECT_EQ(stand(1).occupied, !c.departed && !c.released);
        EXPECT_EQ(aircraft.state == LiveState::beingRemoved, c.released);
        EXPECT_EQ(trafficState.removals.size(), c.released ? 1u : 0u);
        EXPECT_EQ(aircraft.atStandSince != since, c.seenWithin);
    }
}

// The feed shows a parked aircraft leaving, back on its stand, and leaving again, all before
// its next ground step: the departure (learning, freeing the stand) runs once for the stay,
// whatever phase it came to the stand from. A stand taken anew is a new stay.
TEST_F(StandManoeuvresTest, TheDepartureRunsOncePerStayOnAStand) {
    struct Case {
        const char* name;
        FlightPhase previous;
    };
    const Case cases[] = {
        {"arrived from phase 5", FlightPhase::movingToAdjacentStand},
        {"placed from phase new", FlightPhase::newFlight},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::lock_guard traffic(trafficState.trafficMutex);
        ksb::test::gf_loadStandRowLocked(row);
        stand(1).occupied = true;
        LiveAircraft aircraft = parkedOn(1);
        aircraft.previousPhase = c.previous;
        const auto feed = [&](double metres) {
            PositionSample sample = sampleAt(nearStand(1, metres), 0);
            sample.repeated = true;
            return lf_standDepartureCheck(aircraft, sample);
        };
        const int learnedBefore = gf_parkAirportState().learnedUpdateCount;
        // Beyond 170 m: a departure after either phase.
        EXPECT_TRUE(feed(180.0));
        EXPECT_FALSE(stand(1).occupied);
        stand(1).occupied = true; // claimed again meanwhile
        EXPECT_FALSE(feed(10.0));
        EXPECT_FALSE(aircraft.departureRequested);
        EXPECT_TRUE(feed(190.0));
        EXPECT_TRUE(aircraft.departureRequested);
        EXPECT_EQ(aircraft.phase, FlightPhase::parked);
        EXPECT_TRUE(stand(1).occupied);
        EXPECT_EQ(gf_parkAirportState().learnedUpdateCount, learnedBefore + 1);

        ksb::lf_takeStand(aircraft, stand(1));
        EXPECT_TRUE(feed(180.0));
        EXPECT_FALSE(stand(1).occupied);
    }
}

TEST_F(StandManoeuvresTest, DepartureCheckMeasuresFromTheFirstSample) {
    std::lock_guard traffic(trafficState.trafficMutex);
    LiveAircraft aircraft = parkedOn(1);
    PositionSample first = sampleAt(nearStand(1, 30.0), 0);
    EXPECT_FALSE(lf_standDepartureCheck(aircraft, first));
    EXPECT_NEAR(aircraft.firstStandDistance, 30.0 * kMetre, 1e-7);
    EXPECT_NEAR(aircraft.lastStandDistance, 30.0 * kMetre, 1e-7);
    EXPECT_EQ(aircraft.atStandSince, harness.clock().steadyNow());
    // Later samples keep the first distance and move the last one only when away.
    harness.clock().advance(std::chrono::seconds(5));
    PositionSample away = sampleAt(nearStand(1, 34.0), 0);
    EXPECT_FALSE(lf_standDepartureCheck(aircraft, away));
    EXPECT_NEAR(aircraft.firstStandDistance, 30.0 * kMetre, 1e-7);
    EXPECT_NEAR(aircraft.lastStandDistance, 34.0 * kMetre, 1e-7);
    EXPECT_EQ(aircraft.atStandSince, harness.clock().steadyNow());
}

// ---------------------------------------------------------------------------------------------
// Leaving: tow detection and learning
// ---------------------------------------------------------------------------------------------

TEST_F(StandManoeuvresTest, TowedWhenItMovesSoonAfterItsFeedFellSilent) {
    struct Case {
        const char* name;
        AircraftCategory category;
        std::int64_t sinceLastReal; // ticks
        bool landed;
        FlightPhase phase;
        bool towed;
    };
    const FlightPhase parked = FlightPhase::parked;
    const Case cases[] = {
        {"heavy just below 1 h", AircraftCategory::heavy, 359999, true, parked, true},
        {"heavy at 1 h", AircraftCategory::heavy, 360000, true, parked, false},
        {"large just below 25 min", AircraftCategory::large, 149999, true, parked, true},
        {"large at 25 min", AircraftCategory::large, 150000, true, parked, false},
        {"large after 20 min", AircraftCategory::large, 120000, true, parked, true},
        {"large after 30 min", AircraftCategory::large, 180000, true, parked, false},
        {"buzjet just below 15 min", AircraftCategory::buzjet, 89999, true, parked, true},
        {"buzjet at 15 min", AircraftCategory::buzjet, 90000, true, parked, false},
        {"light never", AircraftCategory::light, 1, true, parked, false},
        {"high performance never", AircraftCategory::highPerformance, 1, true, parked, false},
        {"rotorcraft never", AircraftCategory::rotorcraft, 1, true, parked, false},
        {"not landed", AircraftCategory::large, 1, false, parked, false},
        {"moving in, not parked", AircraftCategory::large, 1, true,
         FlightPhase::movingToAdjacentStand, false},
    };
    for (const bool takeOffRoll : {false, true}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(c.name);
            SCOPED_TRACE(takeOffRoll);
            std::lock_guard traffic(trafficState.trafficMutex);
            const std::int32_t now = trafficState.tickCounter.load();
            LiveAircraft aircraft = parkedOn(1);
            aircraft.airline.clear(); // nothing learned here
            aircraft.category = c.category;
            aircraft.landed = c.landed;
            aircraft.phase = c.phase;
            aircraft.takeOffRoll = takeOffRoll;
            aircraft.extraSamples = 1;
            // The synthetic sample it stood on, seven days after its last real one.
            aircraft.samples.front().dueTick =
                static_cast<std::int32_t>(now - c.sinceLastReal + 60480000);
            lf_departFromStand(aircraft);
            EXPECT_EQ(aircraft.towed, c.towed);
            EXPECT_EQ(aircraft.landed, c.landed && c.phase != FlightPhase::parked);
            EXPECT_EQ(aircraft.samples.front().dueTick, now + 1);
            EXPECT_EQ(aircraft.extraSamples, 0);
            EXPECT_EQ(aircraft.earlyWindow, 3000);
            EXPECT_EQ(aircraft.lateWindow, takeOffRoll ? 5000 : 3000);
        }
    }
}

TEST_F(StandManoeuvresTest, LeavingWithoutSyntheticSamplesKeepsTheQueueAndTheTowFlag) {
    std::lock_guard traffic(trafficState.trafficMutex);
    LiveAircraft aircraft = parkedOn(1);
    aircraft.airline.clear();
    aircraft.landed = true;
    aircraft.towed = true;
    aircraft.samples.front().dueTick = 1234;
    lf_departFromStand(aircraft);
    EXPECT_TRUE(aircraft.towed);
    EXPECT_TRUE(aircraft.landed);
    EXPECT_EQ(aircraft.samples.front().dueTick, 1234);
    EXPECT_EQ(aircraft.earlyWindow, 1000);
}

TEST_F(StandManoeuvresTest, LeavingLearnsTheDepartureWhereTheCargoFlagsAgree) {
    struct Case {
        const char* name;
        std::string airline;
        bool cargo;
        std::size_t standIndex;
        bool learned;
    };
    const Case cases[] = {
        {"passenger flight, passenger stand", "BAW", false, 1, true},
        {"no airline", "", false, 1, false},
        {"cargo flight, passenger stand", "BAW", true, 1, false},
        {"passenger flight, cargo stand", "BAW", false, 3, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::lock_guard traffic(trafficState.trafficMutex);
        ksb::test::gf_loadStandRowLocked(row);
        trafficState.lastLearned.clear();
        stand(c.standIndex).occupied = true;
        LiveAircraft aircraft = parkedOn(c.standIndex);
        aircraft.airline = c.airline;
        aircraft.cargo = c.cargo;
        lf_departFromStand(aircraft);
        EXPECT_EQ(stand(c.standIndex).observations.size(), c.learned ? 1u : 0u);
        ASSERT_EQ(trafficState.lastLearned.size(), c.learned ? 1u : 0u);
        if (c.learned) {
            EXPECT_EQ(trafficState.lastLearned.front().flightKey, kStandSubjectKey);
            EXPECT_EQ(trafficState.lastLearned.front().slot, 20);
        }
        // Whatever it learned, the stand is free for the next.
        EXPECT_FALSE(stand(c.standIndex).occupied);
    }
}

// ---------------------------------------------------------------------------------------------
// Livery change
// ---------------------------------------------------------------------------------------------

TEST_F(StandManoeuvresTest, LiveryChangeKeepsThePlace) {
    struct Case {
        const char* name;
        FlightPhase phase;
        int samples;
        bool atCurrentSample; // the aircraft stands where its current sample is
        bool line;
    };
    const Case cases[] = {
        {"parked with one sample", FlightPhase::parked, 1, true, false},
        {"parked with three samples", FlightPhase::parked, 3, true, true},
        {"taxiing between samples", FlightPhase::taxi, 3, false, false},
        {"taxiing on its current sample", FlightPhase::taxi, 2, true, false},
    };
    for (const bool log : {true, false}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(c.name);
            SCOPED_TRACE(log);
            LOG.setRaw(log);
            const std::size_t mark = harness.log().body().size();
            std::lock_guard traffic(trafficState.trafficMutex);
            const std::int32_t now = trafficState.tickCounter.load();
            LiveAircraft aircraft = parkedOn(1);
            aircraft.phase = c.phase;
            aircraft.position.heading = 0.5;
            aircraft.position.bank = 0.02;
            aircraft.position.altitude = 90.0;
            PositionSample& current = aircraft.samples.front();
            current.track = 12.0;
            current.repeated = false;
            current.groundSpeed = 6.0;
            current.dueTick = now - 10;
            for (int i = 1; i < c.samples; ++i) {
                aircraft.samples.push_back(sampleAt(nearStand(1, 30.0 * i), now + 300 * i, 8.0));
            }
            if (!c.atCurrentSample) {
                const Position between = nearStand(1, 10.0);
                aircraft.position.latitude = between.latitude;
                aircraft.position.longitude = between.longitude;
            }
            const PositionSample before = aircraft.samples.front();

            lf_liveryChange(aircraft);

            EXPECT_EQ(aircraft.state, LiveState::toBeRecreated);
            const PositionSample& first = aircraft.samples.front();
            EXPECT_EQ(first.dueTick, now + 1);
            EXPECT_EQ(first.groundSpeed, before.groundSpeed);
            if (c.phase == FlightPhase::parked) {
                // A copy of the current sample in front of the current one, both standing.
                ASSERT_EQ(aircraft.samples.size(), 2u);
                EXPECT_TRUE(first.repeated);
                EXPECT_EQ(first.track, 12.0);
                EXPECT_EQ(first.latitude, before.latitude);
                const PositionSample& second = aircraft.samples[1];
                EXPECT_TRUE(second.repeated);
                EXPECT_DOUBLE_EQ(second.track, 0.5 * kDegreesPerRadian);
                EXPECT_EQ(second.dueTick, before.dueTick);
            } else {
                // Where the aircraft is, in front of every sample it had.
                ASSERT_EQ(aircraft.samples.size(), static_cast<std::size_t>(c.samples) + 1);
                EXPECT_EQ(first.latitude, aircraft.position.latitude);
                EXPECT_EQ(first.longitude, aircraft.position.longitude);
                EXPECT_EQ(first.bank, 0.02);
                EXPECT_EQ(first.altitude, 90.0);
                EXPECT_EQ(first.track, 12.0);
                EXPECT_EQ(first.repeated, c.atCurrentSample);
                EXPECT_EQ(aircraft.samples[1].dueTick, before.dueTick);
            }
            const std::vector<std::string> expected =
                c.line && log
                    ? std::vector<std::string>{fmt::format(
                          "A2      : BAW123 {} livery change stream.size: 3 !", gf_utcClockText())}
                    : std::vector<std::string>{};
            EXPECT_EQ(linesSince(mark), expected);
        }
    }
}

// ---------------------------------------------------------------------------------------------
// Pull out and push back (the ground model's phase-6 step chooses)
// ---------------------------------------------------------------------------------------------

TEST_F(StandManoeuvresTest, NextMovementWithinNinetyDegreesPullsOutElseItIsPushedBack) {
    struct Case {
        const char* name;
        double north;
        double east;
        FlightPhase phase;
    };
    // The stand faces north.
    const Case cases[] = {
        {"ahead", 40.0, 0.0, FlightPhase::taxi},
        {"ahead and to the side, 80 degrees", 7.0, 40.0, FlightPhase::taxi},
        {"to the side, 90 degrees", 0.0, 40.0, FlightPhase::pushBackUnderWay},
        {"behind", -40.0, 0.0, FlightPhase::pushBackUnderWay},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::lock_guard traffic(trafficState.trafficMutex);
        LiveAircraft aircraft = parkedOn(1);
        aircraft.departureRequested = true;
        aircraft.samples.push_back(
            sampleAt(nearStand(1, c.north, c.east), trafficState.tickCounter.load() + 500, 5.0));
        lf_groundPhase(aircraft);
        EXPECT_EQ(aircraft.phase, c.phase);
    }
}

TEST_F(StandManoeuvresTest, PullOutHeadsOneWingSpanAheadWithEnginesOn) {
    LOG.setRaw(true);
    const std::size_t mark = harness.log().body().size();
    std::lock_guard traffic(trafficState.trafficMutex);
    const std::int32_t now = trafficState.tickCounter.load();
    LiveAircraft aircraft = parkedOn(1);
    aircraft.departureRequested = true;
    aircraft.extraSamples = 1;
    aircraft.samples.push_back(sampleAt(nearStand(1, 30.0), now + 400, 6.0));
    aircraft.samples.push_back(sampleAt(nearStand(1, 60.0), now + 800, 8.0));
    takeCalls();

    lf_pullOut(aircraft);

    EXPECT_FALSE(aircraft.departureRequested);
    EXPECT_EQ(aircraft.extraSamples, 0);
    EXPECT_EQ(aircraft.phase, FlightPhase::taxi);
    EXPECT_EQ(aircraft.previousPhase, FlightPhase::parked);
    EXPECT_EQ(aircraft.targetTrack, aircraft.position.heading);
    ASSERT_EQ(aircraft.samples.size(), 2u);
    EXPECT_EQ(aircraft.samples[0].groundSpeed, 4.0);
    const PositionSample& ahead = aircraft.samples[1];
    const double span = 2.0 * kStandHalfSpanNm;
    EXPECT_NEAR(gf_distanceNM({aircraft.standLatitude, aircraft.standLongitude},
                              {ahead.latitude, ahead.longitude}),
                span, 1e-7);
    EXPECT_GT(ahead.latitude, aircraft.standLatitude); // north, along the stand heading
    EXPECT_EQ(ahead.groundSpeed, 4.0);
    EXPECT_FALSE(ahead.repeated);
    EXPECT_EQ(ahead.dueTick, now + std::lround(span / 4.0 * 360000.0));
    EXPECT_EQ(takeCalls(),
              (std::vector<std::string>{"queueSetLights(7, 1 1 0 1 0 1 0)", "queueEnginesOn(7)",
                                        "setThrottle(BAW123, 0)", "setFlaps(BAW123, 1)"}));
    EXPECT_EQ(linesSince(mark), std::vector<std::string>{fmt::format(
                                    "A2      : BAW123   pull out {}", gf_logTimeStamp())});
}

TEST_F(StandManoeuvresTest, PushBackPreparesTheEndAndBothSidePoints) {
    LOG.setRaw(true);
    const std::size_t mark = harness.log().body().size();
    std::lock_guard traffic(trafficState.trafficMutex);
    const std::int32_t now = trafficState.tickCounter.load();
    LiveAircraft aircraft = parkedOn(1);
    aircraft.departureRequested = true;
    aircraft.extraSamples = 1;
    aircraft.moveSeen = true;
    aircraft.turnRightSeen = true;
    aircraft.samples.front().dueTick = now;
    aircraft.samples.push_back(sampleAt(nearStand(1, -30.0), now + 400, 3.0));
    takeCalls();

    lf_pushBack(aircraft);

    const Position standPoint{aircraft.standLatitude, aircraft.standLongitude};
    const double back = 2.5 * stand(1).radius;
    const std::int64_t travel = std::lround(back / 4.0 * 360000.0);
    EXPECT_EQ(aircraft.extraSamples, 0);
    EXPECT_TRUE(aircraft.departureRequested); // the ground model clears it when the push ends
    EXPECT_EQ(aircraft.phase, FlightPhase::pushBackUnderWay);
    EXPECT_EQ(aircraft.pushCountdown, 2);
    EXPECT_FALSE(aircraft.moveSeen);
    EXPECT_FALSE(aircraft.turnRightSeen);
    EXPECT_EQ(aircraft.targetTrack, aircraft.position.heading);
    // Current, the midpoint, the end A and the side point C; B saved.
    ASSERT_EQ(aircraft.samples.size(), 4u);
    EXPECT_EQ(aircraft.samples[0].groundSpeed, 4.0);
    const PositionSample& middle = aircraft.samples[1];
    const PositionSample& end = aircraft.samples[2];
    const PositionSample& sideC = aircraft.samples[3];
    const PositionSample& sideB = aircraft.savedSample;
    EXPECT_NEAR(gf_distanceNM(standPoint, {end.latitude, end.longitude}), back, 1e-7);
    EXPECT_LT(end.latitude, standPoint.latitude); // behind: south of a stand facing north
    EXPECT_EQ(end.dueTick, now + travel);
    EXPECT_NEAR(gf_distanceNM(standPoint, {middle.latitude, middle.longitude}), back / 2.0, 1e-6);
    for (const PositionSample* side : {&sideB, &sideC}) {
        EXPECT_NEAR(gf_distanceNM({end.latitude, end.longitude}, {side->latitude, side->longitude}),
                    kStandHalfSpanNm, 1e-7);
        EXPECT_EQ(side->groundSpeed, 4.0);
        EXPECT_FALSE(side->repeated);
        const double fromMiddle =
            gf_distanceNM({middle.latitude, middle.longitude}, {side->latitude, side->longitude});
        EXPECT_EQ(side->dueTick, now + travel / 2 + std::lround(fromMiddle / 4.0 * 360000.0));
    }
    // Pushed south: B lies along r + 90 degrees (west), C along r - 90 degrees (east).
    EXPECT_LT(sideB.longitude, end.longitude);
    EXPECT_GT(sideC.longitude, end.longitude);
    // Engines start when the countdown ends.
    EXPECT_EQ(takeCalls(), std::vector<std::string>{"queueSetLights(7, 1 1 0 1 0 1 0)"});
    EXPECT_EQ(linesSince(mark), std::vector<std::string>{fmt::format(
                                    "A2      : BAW123   push back {}", gf_logTimeStamp())});
}

TEST_F(StandManoeuvresTest, NoPushBackFromAStandMissingInTheTable) {
    LOG.setRaw(true);
    const std::size_t mark = harness.log().body().size();
    std::lock_guard traffic(trafficState.trafficMutex);
    LiveAircraft aircraft = parkedOn(1);
    aircraft.standId = 99;
    aircraft.departureRequested = true;
    aircraft.extraSamples = 1;
    aircraft.samples.push_back(
        sampleAt(nearStand(1, -30.0), trafficState.tickCounter.load() + 400, 3.0));
    takeCalls();
    lf_groundPhase(aircraft);
    EXPECT_EQ(aircraft.phase, FlightPhase::parked);
    EXPECT_TRUE(aircraft.departureRequested);
    EXPECT_EQ(aircraft.samples.size(), 2u);
    EXPECT_EQ(aircraft.pushCountdown, 0);
    EXPECT_TRUE(takeCalls().empty());
    EXPECT_TRUE(linesSince(mark).empty());
    // Forwards it needs no table: the line names the stand "unknown".
    aircraft.samples.back() =
        sampleAt(nearStand(1, 30.0), trafficState.tickCounter.load() + 400, 3.0);
    lf_groundPhase(aircraft);
    EXPECT_EQ(aircraft.phase, FlightPhase::taxi);
    EXPECT_EQ(linesSince(mark), std::vector<std::string>{fmt::format(
                                    "unknown : BAW123   pull out {}", gf_logTimeStamp())});
}

// ---------------------------------------------------------------------------------------------
// Parking at the stand the feed stops at
// ---------------------------------------------------------------------------------------------

TEST_F(StandManoeuvresTest, ParksOnlyOnANearStandThatIsNeitherReservedNorUnderTheUser) {
    struct Case {
        const char* name;
        double north; // metres from A2 of the last queued sample
        bool wide;
        std::string reserved;
        std::string userStand; // what gf_standNameAt answers
        bool asksUser;
        bool parks;
    };
    const Case cases[] = {
        {"within 20 m", 15.0, false, "", "", true, true},
        {"beyond 20 m", 25.0, false, "", "", false, false},
        {"beyond 20 m, wide", 25.0, true, "", "", true, true},
        {"beyond 55 m, wide", 60.0, true, "", "", false, false},
        {"the reserved stand", 5.0, false, "A2", "", false, false},
        {"another stand reserved", 5.0, false, "A3", "", true, true},
        {"the user stands on it", 5.0, false, "", "A2", true, false},
        {"the user stands on another", 5.0, false, "", "A3", true, true},
        {"the user off every stand", 5.0, false, "", "", true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string asked;
        TrafficServices services = gf_defaultTrafficServices();
        services.standNameAt = [&](double latitude, double longitude) {
            asked = fmt::format("{:.6f},{:.6f}", latitude, longitude);
            return c.userStand;
        };
        gf_setTrafficServices(services);
        // The user's stand is looked up where the link last saw the user, not at the tick's
        // older copy.
        UserAircraftState user;
        user.latitude = 51.5;
        user.longitude = -0.4;
        harness.link().setUserState(user);
        std::lock_guard traffic(trafficState.trafficMutex);
        trafficState.reservedStand = c.reserved;
        trafficState.userState.latitude = 51.7;
        trafficState.userState.longitude = -0.2;
        const Position last = nearStand(1, c.north);
        LiveAircraft aircraft = taxiing(nearStand(1, 80.0));
        aircraft.samples.push_back(sampleAt(last, trafficState.tickCounter.load() + 500, 0.0));
        EXPECT_EQ(lf_parkAtAdjacentStand(aircraft, c.wide), c.parks);
        EXPECT_EQ(aircraft.lastAdjacentCheckLatitude, last.latitude);
        EXPECT_EQ(aircraft.lastAdjacentCheckLongitude, last.longitude);
        EXPECT_EQ(aircraft.phase, c.parks ? FlightPhase::movingToAdjacentStand : FlightPhase::taxi);
        EXPECT_EQ(aircraft.standId, c.parks ? 2u : 0u);
        EXPECT_EQ(asked, c.asksUser ? "51.500000,-0.400000" : "");
    }
}

TEST_F(StandManoeuvresTest, TheSameLastPositionIsSearchedOnlyOnce) {
    std::lock_guard traffic(trafficState.trafficMutex);
    const Position last = nearStand(1, 5.0);
    LiveAircraft aircraft = taxiing(nearStand(1, 80.0));
    aircraft.samples.push_back(sampleAt(last, trafficState.tickCounter.load() + 500, 0.0));
    aircraft.lastAdjacentCheckLatitude = last.latitude;
    aircraft.lastAdjacentCheckLongitude = last.longitude;
    EXPECT_FALSE(lf_parkAtAdjacentStand(aircraft, true));
    EXPECT_EQ(aircraft.standId, 0u);
    EXPECT_EQ(aircraft.samples.size(), 2u);
    // Moved a little: searched again, and the stand is taken.
    aircraft.samples.back().latitude += 1e-6;
    EXPECT_TRUE(lf_parkAtAdjacentStand(aircraft, true));
    EXPECT_EQ(aircraft.standId, 2u);
}

TEST_F(StandManoeuvresTest, TakingAStandClearsItAndBuildsTheWayIn) {
    LOG.setRaw(true);
    std::vector<std::string> offered;
    trafficState.hooks.removedByAdjacentParking = [&](ksb::StandRuleContext& context,
                                                      LiveAircraft& other) {
        offered.push_back(fmt::format("{} {} {} {}", context.wantedStandId,
                                      context.neighbourStandId, context.newcomer.callsign,
                                      other.callsign));
        return false;
    };
    const std::size_t mark = harness.log().body().size();
    std::lock_guard traffic(trafficState.trafficMutex);
    const std::int32_t now = trafficState.tickCounter.load();
    // A parked aircraft on the stand, one on a neighbour, and the newcomer.
    trafficState.live.push_back(parkedOn(1, 0x4ca002, "DLH400"));
    trafficState.live.back().objectId = 8;
    trafficState.live.push_back(parkedOn(2, 0x4ca003, "KLM77"));
    trafficState.live.back().objectId = 9;
    stand(1).occupied = true;
    trafficState.live.push_back(taxiing(nearStand(1, 40.0)));
    LiveAircraft& aircraft = trafficState.live.back();
    aircraft.position.bank = 0.01;
    aircraft.position.altitude = 80.0;
    aircraft.extraSamples = 3;
    aircraft.curveControlX = 5.0;
    aircraft.curveControlY = 6.0;
    aircraft.curveParameter = 0.4;
    PositionSample& current = aircraft.samples.front();
    current.dueTick = now;
    current.groundSpeed = 10.0;
    aircraft.samples.push_back(sampleAt(nearStand(1, 25.0), now + 400, 5.0));
    aircraft.samples.push_back(sampleAt(nearStand(1, 10.0), now + 800, 0.0));
    aircraft.samples.back().repeated = true;
    takeCalls();

    ASSERT_TRUE(lf_parkAtAdjacentStand(aircraft, false));

    // The aircraft parked on the stand gives way; both neighbours' aircraft are offered.
    EXPECT_EQ(trafficState.live[0].state, LiveState::beingRemoved);
    EXPECT_EQ(trafficState.live[1].state, LiveState::inSimulator);
    EXPECT_EQ(takeCalls(), std::vector<std::string>{"releaseAiAircraft(DLH400)"});
    EXPECT_EQ(offered, (std::vector<std::string>{"2 1 BAW123 DLH400", "2 1 BAW123 KLM77",
                                                 "2 1 BAW123 BAW123", "2 3 BAW123 DLH400",
                                                 "2 3 BAW123 KLM77", "2 3 BAW123 BAW123"}));
    EXPECT_EQ(linesSince(mark), std::vector<std::string>{fmt::format(
                                    "A2      : DLH400   removed {}", gf_logTimeStamp())});

    // It takes the stand.
    EXPECT_EQ(aircraft.standId, 2u);
    EXPECT_EQ(aircraft.standLatitude, stand(1).latitude);
    EXPECT_EQ(aircraft.standLongitude, stand(1).longitude);
    EXPECT_EQ(aircraft.standHeading, stand(1).heading);
    EXPECT_FALSE(aircraft.standCargo);
    EXPECT_EQ(aircraft.phase, FlightPhase::movingToAdjacentStand);
    EXPECT_EQ(aircraft.previousPhase, FlightPhase::taxi);
    EXPECT_TRUE(std::isnan(aircraft.curveControlX));
    EXPECT_TRUE(std::isnan(aircraft.curveControlY));
    EXPECT_EQ(aircraft.curveParameter, 0.0);
    EXPECT_EQ(aircraft.targetTrack, stand(1).heading);
    EXPECT_EQ(aircraft.extraSamples, 0);
    EXPECT_EQ(aircraft.earlyWindow, 3000);
    EXPECT_EQ(aircraft.lateWindow, 3000);
    // Current, moving onto the stand point, standing there.
    ASSERT_EQ(aircraft.samples.size(), 3u);
    EXPECT_EQ(aircraft.samples[0].groundSpeed, 4.0);
    const PositionSample& moving = aircraft.samples[1];
    const PositionSample& standing = aircraft.samples[2];
    const std::int64_t travel = std::lround(40.0 * kMetre / 4.0 * 360000.0);
    EXPECT_EQ(moving.latitude, stand(1).latitude);
    EXPECT_EQ(moving.longitude, stand(1).longitude);
    EXPECT_EQ(moving.groundSpeed, 4.0);
    EXPECT_EQ(moving.track, 0.0);
    EXPECT_EQ(moving.bank, 0.01);
    EXPECT_EQ(moving.altitude, 80.0);
    EXPECT_FALSE(moving.repeated);
    EXPECT_EQ(moving.dueTick, now + travel);
    EXPECT_EQ(standing.latitude, stand(1).latitude);
    EXPECT_EQ(standing.groundSpeed, 0.0);
    EXPECT_EQ(standing.verticalRate, 0.0);
    EXPECT_TRUE(standing.repeated);
    EXPECT_EQ(standing.dueTick, now + 50 + travel);
}

TEST_F(StandManoeuvresTest, TheWayInTakesAtLeastOneSecondAndTheStandsCargoFlag) {
    std::lock_guard traffic(trafficState.trafficMutex);
    const std::int32_t now = trafficState.tickCounter.load();
    // Half a metre from the cargo stand A4: travel would be 24 ticks.
    LiveAircraft aircraft = taxiing(nearStand(3, 0.5));
    aircraft.samples.front().dueTick = now;
    aircraft.samples.push_back(sampleAt(nearStand(3, 0.5), now + 300, 0.0));
    aircraft.samples.back().latitude += 1e-7; // not at the current position
    ASSERT_TRUE(lf_parkAtAdjacentStand(aircraft, false));
    EXPECT_TRUE(aircraft.standCargo);
    ASSERT_EQ(aircraft.samples.size(), 3u);
    EXPECT_EQ(aircraft.samples[1].dueTick, now + 100);
    EXPECT_EQ(aircraft.samples[2].dueTick, now + 150);
    // Windows unchanged without synthetic samples.
    EXPECT_EQ(aircraft.earlyWindow, 1000);
}

// ---------------------------------------------------------------------------------------------
// Arrival
// ---------------------------------------------------------------------------------------------

TEST_F(StandManoeuvresTest, ArrivalWithinTwoMetresParksShutsDownAndLearns) {
    struct Case {
        const char* name;
        double offMetres;
        std::string airline;
        bool cargo;
        bool towed;
        bool parks;
        bool learns;
    };
    const Case cases[] = {
        {"on the stand point", 0.0, "BAW", false, false, true, true},
        {"1.9 m off", 1.9, "BAW", false, false, true, true},
        {"2.1 m off: taxi on", 2.1, "BAW", false, false, false, false},
        {"no airline: nothing learned", 0.0, "", false, false, true, false},
        {"cargo flight: the stand becomes a cargo stand, then learns", 0.0, "BAW", true, false,
         true, true},
        {"towed", 0.0, "BAW", false, true, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LOG.setRaw(true);
        int maxParkCalls = 0;
        int maxParkExtra = -1;
        trafficState.hooks.checkMaxPark = [&](int extra) {
            ++maxParkCalls;
            maxParkExtra = extra;
        };
        const std::size_t mark = harness.log().body().size();
        std::lock_guard traffic(trafficState.trafficMutex);
        ksb::test::gf_loadStandRowLocked(row);
        trafficState.identityChecks.clear();
        trafficState.lastLearned.clear();
        harness.clock().advance(std::chrono::seconds(3));
        LiveAircraft aircraft = parkedOn(1);
        const Position at = nearStand(1, c.offMetres);
        aircraft.position.latitude = at.latitude;
        aircraft.position.longitude = at.longitude;
        aircraft.phase = FlightPhase::movingToAdjacentStand;
        aircraft.previousPhase = FlightPhase::taxi;
        aircraft.samples.front().repeated = false;
        aircraft.airline = c.airline;
        aircraft.cargo = c.cargo;
        aircraft.towed = c.towed;
        aircraft.lastStandDistance = 0.02;
        aircraft.awayCount = 2;
        takeCalls();

        lf_arrivedAtStand(aircraft);

        if (!c.parks) {
            EXPECT_EQ(aircraft.phase, FlightPhase::taxi);
            EXPECT_FALSE(stand(1).occupied);
            EXPECT_FALSE(aircraft.samples.front().repeated);
            EXPECT_TRUE(takeCalls().empty());
            EXPECT_TRUE(linesSince(mark).empty());
            EXPECT_TRUE(trafficState.identityChecks.empty());
            EXPECT_EQ(maxParkCalls, 0);
            continue;
        }
        EXPECT_EQ(aircraft.phase, FlightPhase::parked);
        EXPECT_TRUE(stand(1).occupied);
        EXPECT_EQ(aircraft.parkedAt, gf_packDayHalfHour(3, 20));
        EXPECT_TRUE(aircraft.samples.front().repeated);
        EXPECT_EQ(aircraft.atStandSince, harness.clock().steadyNow());
        EXPECT_EQ(aircraft.lastStandDistance, 0.0);
        EXPECT_EQ(aircraft.awayCount, 0);
        EXPECT_EQ(stand(1).cargo, c.cargo);
        EXPECT_EQ(takeCalls(), std::vector<std::string>{"shutdownAiAircraft(BAW123)"});
        std::vector<std::string> lines;
        if (c.towed) {
            lines.push_back("          towed aircraft " + aircraft.describe() + " parks");
        }
        if (c.cargo) {
            lines.push_back("EGLL stand: A2, cargo attribute set to true, " + aircraft.describe() +
                            " parked here");
        }
        lines.push_back(fmt::format("A2      : BAW123   arrived at stand {}", gf_logTimeStamp()));
        EXPECT_EQ(linesSince(mark), lines);
        EXPECT_EQ(std::vector<std::uint32_t>(trafficState.identityChecks.begin(),
                                             trafficState.identityChecks.end()),
                  std::vector<std::uint32_t>{kStandSubjectKey});
        EXPECT_EQ(stand(1).observations.size(), c.learns ? 1u : 0u);
        EXPECT_EQ(trafficState.lastLearned.size(), c.learns ? 1u : 0u);
        EXPECT_EQ(maxParkCalls, c.learns ? 1 : 0);
        if (c.learns) {
            EXPECT_EQ(maxParkExtra, 0);
        }
    }
}

TEST_F(StandManoeuvresTest, ArrivalLinesOnlyWithLogButTheCargoLineAlways) {
    LOG.setRaw(false);
    const std::size_t mark = harness.log().body().size();
    std::lock_guard traffic(trafficState.trafficMutex);
    LiveAircraft aircraft = parkedOn(1);
    aircraft.phase = FlightPhase::movingToAdjacentStand;
    aircraft.cargo = true;
    aircraft.towed = true;
    lf_arrivedAtStand(aircraft);
    EXPECT_EQ(aircraft.phase, FlightPhase::parked);
    EXPECT_EQ(linesSince(mark), std::vector<std::string>{"EGLL stand: A2, cargo attribute set to "
                                                         "true, " +
                                                         aircraft.describe() + " parked here"});
}

} // namespace
