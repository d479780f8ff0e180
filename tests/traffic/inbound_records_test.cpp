// The simulator link's and the feed's records to the engine, by kind and by the state of the
// aircraft they name.
#include "catalogue/catalogue.h"
#include "core/exceptions.h"
#include "core/globals.h"
#include "core/parameters.h"
#include "core/time_of_week.h"
#include "traffic/aircraft_lookup.h"

#include "engine_test_fixture.h"

#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

using ksb::test::EngineTest;

constexpr const char* kInboundDescribe = "BAW1     G-EUUA   EGLL->LFPG BAW A320";
const std::string kInboundTitle = "Airbus A320 British Airways G-EUUA";

class InboundRecordsTest : public EngineTest {
protected:
    // Log lines written since the last call.
    std::vector<std::string> newLines() {
        std::vector<std::string> body = log_.body();
        std::vector<std::string> fresh(body.begin() + static_cast<std::ptrdiff_t>(seen_),
                                       body.end());
        seen_ = body.size();
        return fresh;
    }
    static std::filesystem::path planFile(std::uint32_t object) {
        return gf_flightPlanFolder() / gf_flightPlanFileName(object);
    }
    static void writePlanFile(std::uint32_t object) { std::ofstream(planFile(object)) << "plan"; }

private:
    std::size_t seen_ = 0;
};

TEST_F(InboundRecordsTest, KindsOnALiveAircraftByItsState) {
    struct Case {
        const char* name;
        LiveState before;
        std::uint32_t objectBefore;
        SimInboundRecord record;
        bool erased;
        LiveState after;
        std::uint32_t objectAfter;
        std::vector<std::string> calls;
        std::vector<std::string> lines;
        std::size_t sequences;
        std::deque<std::uint32_t> removals;
        bool standOccupied;
        bool planFile;
    };
    const auto record = [](std::uint32_t object, std::uint32_t key, SimInboundKind kind) {
        return SimInboundRecord{object, key, 0, kind, 0.0, 35.0};
    };
    const std::string blockedNew =
        std::string(kInboundDescribe) + " will be removed from buffer while blocked";
    const std::string blockedInSim =
        std::string(kInboundDescribe) + " removed from simulator immediately while blocked";
    const Case cases[] = {
        {"kind 0: bound, plan and static-CG request, sequence begins",
         LiveState::creationRequested,
         0,
         record(12, 20001, SimInboundKind::liveAdded),
         false,
         LiveState::creationRequested,
         12,
         {planCall(12), "requestStaticCg(12)"},
         {},
         1,
         {},
         true,
         true},
        {"kind 0 with object id 2: refused, no sequence",
         LiveState::creationRequested,
         0,
         record(2, 20001, SimInboundKind::liveAdded),
         false,
         LiveState::creationRequested,
         0,
         {},
         {"===> BAW1 objectId in liveAIAdded 2"},
         0,
         {},
         true,
         false},
        {"kind 0 for an aircraft released while it had no object: removed at once",
         LiveState::beingRemoved,
         0,
         record(12, 20001, SimInboundKind::liveAdded),
         false,
         LiveState::beingRemoved,
         12,
         {},
         {},
         0,
         {12},
         true,
         false},
        {"kind 0 for an unknown key: the object is removed",
         LiveState::creationRequested,
         0,
         record(14, 29999, SimInboundKind::liveAdded),
         false,
         LiveState::creationRequested,
         0,
         {},
         {},
         0,
         {14},
         true,
         false},
        {"kind 0 for an unknown key with object id 2: never removed",
         LiveState::creationRequested,
         0,
         record(2, 29999, SimInboundKind::liveAdded),
         false,
         LiveState::creationRequested,
         0,
         {},
         {},
         0,
         {},
         true,
         false},
        {"kind 2 in state 2: erased, stand freed, plan file removed",
         LiveState::inSimulator,
         12,
         record(12, 0, SimInboundKind::objectRemoved),
         true,
         LiveState::inSimulator,
         0,
         {},
         {},
         0,
         {},
         false,
         false},
        {"kind 2 in state 3: back to new, plan file removed",
         LiveState::toBeRecreated,
         12,
         record(12, 0, SimInboundKind::objectRemoved),
         false,
         LiveState::newFlight,
         0,
         {},
         {},
         0,
         {},
         true,
         false},
        {"kind 2 in state 4: erased, the stand left alone",
         LiveState::beingRemoved,
         12,
         record(12, 0, SimInboundKind::objectRemoved),
         true,
         LiveState::beingRemoved,
         0,
         {},
         {},
         0,
         {},
         true,
         false},
        {"kind 2 for object 0 never matches",
         LiveState::creationRequested,
         0,
         record(0, 0, SimInboundKind::objectRemoved),
         false,
         LiveState::creationRequested,
         0,
         {},
         {},
         0,
         {},
         true,
         false},
        {"kind 5 in state 0: flagged for erasure",
         LiveState::newFlight,
         0,
         record(0, 20001, SimInboundKind::blockedCallsign),
         false,
         LiveState::newFlight,
         0,
         {},
         {blockedNew},
         0,
         {},
         true,
         false},
        {"kind 5 in state 1: nothing",
         LiveState::creationRequested,
         0,
         record(0, 20001, SimInboundKind::blockedCallsign),
         false,
         LiveState::creationRequested,
         0,
         {},
         {},
         0,
         {},
         true,
         false},
        {"kind 5 in state 2: released at once",
         LiveState::inSimulator,
         12,
         record(0, 20001, SimInboundKind::blockedCallsign),
         false,
         LiveState::beingRemoved,
         12,
         {"releaseAiAircraft(BAW1)"},
         {blockedInSim},
         0,
         {12},
         false,
         true},
        {"kind 6 for a live key: refused title, erased, stand freed",
         LiveState::creationRequested,
         0,
         record(0, 20001, SimInboundKind::creationRefused),
         true,
         LiveState::creationRequested,
         0,
         {},
         {},
         0,
         {},
         false,
         false},
        {"an unknown kind is ignored",
         LiveState::inSimulator,
         12,
         record(12, 20001, static_cast<SimInboundKind>(9)),
         false,
         LiveState::inSimulator,
         12,
         {},
         {},
         0,
         {},
         true,
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        trafficState.reset();
        std::filesystem::remove(planFile(12));
        {
            std::lock_guard lock(trafficState.trafficMutex);
            addStands(3);
            LiveAircraft& aircraft = addLive(20001, c.before, false, c.objectBefore);
            aircraft.departure = "EGLL";
            aircraft.destination = "LFPG";
            aircraft.standId = 2;
            aircraft.phase = FlightPhase::taxi;
            aircraft.liveryTitle = kInboundTitle;
            aircraft.lastThrottleState = 0;
            aircraft.lastFlapsState = 1;
            if (c.objectBefore != 0) {
                aircraft.hasFlightPlan = true;
                writePlanFile(c.objectBefore);
            }
        }
        takeCalls();
        newLines();

        post(c.record.objectId, c.record.flightKeyOrOnGround, c.record.kind, c.record.value1,
             c.record.value2);
        process();

        std::lock_guard lock(trafficState.trafficMutex);
        EXPECT_EQ(takeCalls(), c.calls);
        EXPECT_EQ(newLines(), c.lines);
        EXPECT_EQ(trafficState.startupSequences.size(), c.sequences);
        EXPECT_EQ(trafficState.removals, c.removals);
        EXPECT_EQ(standOccupied(2), c.standOccupied);
        EXPECT_EQ(std::filesystem::exists(planFile(12)), c.planFile);
        const LiveAircraft* aircraft = gf_liveByKey(20001);
        ASSERT_EQ(aircraft == nullptr, c.erased);
        if (aircraft == nullptr) {
            continue;
        }
        EXPECT_EQ(aircraft->state, c.after);
        EXPECT_EQ(aircraft->objectId, c.objectAfter);
        EXPECT_EQ(aircraft->hasFlightPlan, c.planFile);
    }
}

TEST_F(InboundRecordsTest, BindingOnTheGroundAndOnAStand) {
    struct Case {
        const char* name;
        bool airborne;
        FlightPhase phase;
        bool recreating;
        std::uint32_t standId;
        bool log;
        std::vector<std::string> lines;
        std::size_t standsToFillLeft;
    };
    const Case cases[] = {
        {"airborne: the flags untouched", true, FlightPhase::airborne, true, 2, true, {}, 2},
        {"taxiing", false, FlightPhase::taxi, true, 2, true, {}, 2},
        {"created on its stand, logged",
         false,
         FlightPhase::parked,
         false,
         2,
         true,
         {"A2      : BAW1     parks 10:29:59"},
         1},
        {"created on its stand, LOG off", false, FlightPhase::parked, false, 2, false, {}, 1},
        {"re-created on its stand: no line", false, FlightPhase::parked, true, 2, true, {}, 1},
        {"stand id 0",
         false,
         FlightPhase::parked,
         false,
         0,
         true,
         {"sid==0? : BAW1     parks 10:29:59"},
         2},
        {"a stand the table does not have",
         false,
         FlightPhase::parked,
         false,
         7,
         true,
         {"unknown : BAW1     parks 10:29:59"},
         2},
    };
    dayHalfHourNow = gf_packDayHalfHour(3, 20);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        trafficState.reset();
        LOG.setRaw(c.log);
        {
            std::lock_guard lock(trafficState.trafficMutex);
            addStands(3);
            LiveAircraft& aircraft = addLive(20001, LiveState::creationRequested, c.airborne);
            aircraft.phase = c.phase;
            aircraft.standId = c.standId;
            aircraft.recreating = c.recreating;
            aircraft.rotationCountdown = 5;
            aircraft.verticalStep = 2.0;
            trafficState.standsToFill.resize(2);
            trafficState.standsToFill[0].standId = 2;
            trafficState.standsToFill[1].standId = 3;
        }
        newLines();
        post(12, 20001, SimInboundKind::liveAdded, 0.0, 12.5);
        process();
        std::lock_guard lock(trafficState.trafficMutex);
        const LiveAircraft& aircraft = *gf_liveByKey(20001);
        EXPECT_EQ(aircraft.objectId, 12u);
        EXPECT_EQ(aircraft.agl, 12.5);
        EXPECT_EQ(aircraft.onGround, !c.airborne);
        EXPECT_EQ(aircraft.verticalStep, c.airborne ? 2.0 : 0.0);
        EXPECT_EQ(aircraft.rotationCountdown, c.airborne ? 5 : 1);
        EXPECT_EQ(aircraft.recreating, c.airborne);
        EXPECT_EQ(aircraft.parkedAt,
                  c.phase == FlightPhase::parked ? gf_packDayHalfHour(3, 20) : DayHalfHour{0});
        EXPECT_EQ(newLines(), c.lines);
        // No static aircraft is planned on the stand the live one has taken.
        EXPECT_EQ(trafficState.standsToFill.size(), c.standsToFillLeft);
    }
}

TEST_F(InboundRecordsTest, StaticCgRequestFailureIsLoggedAndCounted) {
    link().failAlways(ksb::test::RawLinkCall::requestStaticCg);
    {
        std::lock_guard lock(trafficState.trafficMutex);
        addLive(20001, LiveState::creationRequested);
    }
    post(12, 20001, SimInboundKind::liveAdded);
    process();
    EXPECT_EQ(link().requestErrorCount(), 1);
    EXPECT_EQ(newLines(), (std::vector<std::string>{"===> SimConnect request StaticCG fails"}));
    std::lock_guard lock(trafficState.trafficMutex);
    // Bound all the same: the sequence runs.
    EXPECT_EQ(trafficState.startupSequences.size(), 1u);
}

TEST_F(InboundRecordsTest, GroundDataOfAnAircraftNearTheUser) {
    struct Case {
        const char* name;
        bool onGroundBefore;
        std::int32_t rotationCountdown;
        std::uint32_t reportedOnGround;
        int landings;
        double altitude;
    };
    const Case cases[] = {
        {"reported on the ground while flying: lands, altitude from the ground", false, 1, 1, 1,
         412.5 + 9.5},
        {"still flying", false, 1, 0, 0, 3000.0},
        {"in the take-off rotation: altitude from the ground, no landing", false, 2, 1, 0,
         412.5 + 9.5},
        {"on the ground already", true, 1, 1, 0, 412.5 + 9.5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        trafficState.reset();
        int landings = 0;
        {
            std::lock_guard lock(trafficState.trafficMutex);
            LiveAircraft& aircraft = addLive(20001, LiveState::inSimulator, true, 12);
            aircraft.onGround = c.onGroundBefore;
            aircraft.rotationCountdown = c.rotationCountdown;
            aircraft.staticCgHeight = 9.5;
            aircraft.position.altitude = 3000.0;
            trafficState.hooks.landed = [&landings](LiveAircraft& a) {
                ++landings;
                a.onGround = true;
            };
        }
        post(12, c.reportedOnGround, SimInboundKind::aircraftNearUser, 412.5, 48.0);
        process();
        std::lock_guard lock(trafficState.trafficMutex);
        const LiveAircraft& aircraft = *gf_liveByKey(20001);
        EXPECT_EQ(landings, c.landings);
        EXPECT_EQ(aircraft.agl, 48.0);
        EXPECT_EQ(aircraft.position.altitude, c.altitude);
    }
}

TEST_F(InboundRecordsTest, StaticCgAndPitchLimits) {
    constexpr double degree = 0.017453292519943295;
    constexpr double fallback = 0.012217304763960306;
    struct Case {
        const char* name;
        double cg;
        double pitch;
        double cgAfter;
        double pitchAfter;
        std::vector<std::string> lines;
    };
    const std::string wrongLow =
        std::string("===> ") + kInboundDescribe + ": static CG 0.5ft wrong?";
    const std::string wrongHigh =
        std::string("===> ") + kInboundDescribe + ": static CG 35.1ft wrong?";
    const Case cases[] = {
        {"both plausible", 12.0, 1.0 * degree, 12.0, 1.0 * degree, {}},
        {"the limits themselves", 1.0, 2.5 * degree, 1.0, 2.5 * degree, {}},
        {"CG 35 ft, pitch -1 degree replaced", 35.0, -1.0 * degree, 35.0, fallback, {}},
        {"CG too low, pitch above 2.5 degrees", 0.5, 3.0 * degree, 7.0, fallback, {wrongLow}},
        {"CG too high", 35.1, 0.0, 7.0, 0.0, {wrongHigh}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        trafficState.reset();
        {
            std::lock_guard lock(trafficState.trafficMutex);
            LiveAircraft& aircraft = addLive(20001, LiveState::creationRequested, false, 12);
            aircraft.departure = "EGLL";
            aircraft.destination = "LFPG";
            aircraft.staticCgHeight = 7.0;
        }
        newLines();
        post(12, 0, SimInboundKind::restingAttitude, c.cg, c.pitch);
        process();
        std::lock_guard lock(trafficState.trafficMutex);
        const LiveAircraft& aircraft = *gf_liveByKey(20001);
        EXPECT_EQ(aircraft.staticCgHeight, c.cgAfter);
        EXPECT_DOUBLE_EQ(aircraft.groundPitch, c.pitchAfter);
        EXPECT_EQ(newLines(), c.lines);
    }
}

TEST_F(InboundRecordsTest, StaticObjects) {
    {
        std::lock_guard lock(trafficState.trafficMutex);
        addStands(3);
        addStatic(5, LiveState::creationRequested, 1);
        addStatic(6, LiveState::inSimulator, 2).objectId = 16;
        addStatic(5000, LiveState::creationRequested, 3).liveryTitle = kInboundTitle;
        // Not a key a live flight can have; shows that a low key names only static aircraft.
        addLive(5000, LiveState::creationRequested);
    }
    post(15, 5, SimInboundKind::staticAdded);
    post(17, 4711, SimInboundKind::staticAdded);
    post(16, 0, SimInboundKind::objectRemoved);
    post(0, 5000, SimInboundKind::creationRefused);
    process();

    std::lock_guard lock(trafficState.trafficMutex);
    ASSERT_EQ(trafficState.startupSequences.size(), 1u);
    EXPECT_EQ(trafficState.startupSequences[0].objectId, 15u);
    // An object no record stands for is removed again.
    EXPECT_EQ(trafficState.removals, (std::deque<std::uint32_t>{17}));
    ASSERT_EQ(trafficState.statics.size(), 1u);
    EXPECT_EQ(trafficState.statics[0].flightKey, 5u);
    EXPECT_TRUE(standOccupied(1));
    EXPECT_FALSE(standOccupied(2));
    EXPECT_FALSE(standOccupied(3));
    ASSERT_EQ(trafficState.live.size(), 1u);
    EXPECT_EQ(trafficState.live[0].flightKey, 5000u);
    EXPECT_TRUE(gf_isRefusedTitle(kInboundTitle));
    EXPECT_EQ(messages_.messages(),
              (std::vector<std::string>{"EZY5000* \"Airbus A320 British Airways G-EUUA\" could "
                                        "not be created by your Sim!"}));
}

TEST_F(InboundRecordsTest, UserError81LeavesTheHandlingWithNoLockHeld) {
    constexpr int refusals = 20;
    {
        std::lock_guard lock(trafficState.trafficMutex);
        for (int i = 0; i < refusals + 1; ++i) {
            addLive(20001 + i, LiveState::creationRequested).liveryTitle = kInboundTitle;
        }
    }
    for (int i = 0; i < refusals + 1; ++i) {
        post(0, 20001 + i, SimInboundKind::creationRefused);
    }
    {
        std::lock_guard traffic(trafficState.trafficMutex);
        try {
            ::gf_processSimEvents();
            FAIL() << "no user error";
        } catch (const ksb::UserErrorException& e) {
            EXPECT_STREQ(e.what(), "81: there are too many liveries that could not be created "
                                   "by P3D!, see Log.txt");
        }
        // The inbound mutex is free, and the records taken are gone with the handling.
        ASSERT_TRUE(trafficState.inboundMutex.try_lock());
        trafficState.inboundMutex.unlock();
        EXPECT_TRUE(trafficState.inboundTaken.empty());
    }
    post(12, 29999, SimInboundKind::liveAdded);
    process();
    std::lock_guard lock(trafficState.trafficMutex);
    EXPECT_EQ(trafficState.removals, (std::deque<std::uint32_t>{12}));
}

} // namespace
