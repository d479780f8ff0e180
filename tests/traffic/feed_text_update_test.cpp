#include "traffic/sample_intake.h"

#include "core/log.h"
#include "core/parameters.h"
#include "traffic/traffic_state.h"

#include "support/live_flight_builder.h"
#include "support/traffic_harness.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace {

using ksb::test::LiveFlightBuilder;
using ksb::test::TrafficHarness;

constexpr std::uint32_t kSubjectObject = 7;
constexpr double kSubjectHeading = 1.25; // radians

// An aircraft in the simulator, airborne, and a record that repeats its texts; each case changes
// what it needs. A second aircraft, DLH4, is in the simulator too.
class FeedTextUpdateTest : public ::testing::Test {
protected:
    static LiveAircraft aircraft() {
        LiveAircraft live;
        live.flightKey = 0x400001;
        live.callsign = "BAW123";
        live.firstReceivedCallsign = "BAW123";
        live.coupledCallsign = "BA123";
        live.registration = "G-EUUA";
        live.airline = "BAW";
        live.type = "A320";
        live.departure = "EGLL";
        live.destination = "LFPG";
        live.objectId = kSubjectObject;
        live.state = LiveState::inSimulator;
        live.phase = FlightPhase::airborne;
        live.previousPhase = FlightPhase::rotationAndInitialClimb;
        live.position.heading = kSubjectHeading;
        return live;
    }
    static LiveAircraft other() {
        LiveAircraft live;
        live.flightKey = 0x400002;
        live.callsign = "DLH4";
        live.state = LiveState::inSimulator;
        return live;
    }

    TrafficHarness harness_;
};

TEST_F(FeedTextUpdateTest, TextsOfANewerRecordAsOneTable) {
    using Setup = std::function<void(LiveAircraft&, LiveAircraft& other, LiveFlight&)>;
    struct Case {
        const char* name;
        Setup setup;
        bool guidChanges;
        bool result;
        // After the update.
        const char* callsign;
        const char* registration;
        const char* departure;
        const char* destination;
        LiveState state;
        FlightPhase phase;
        std::vector<std::string> ghostChecks;
        bool recreated; // re-creation heading, removal queued, log line
    };
    const LiveState sim = LiveState::inSimulator;
    const LiveState recreate = LiveState::toBeRecreated;
    const FlightPhase air = FlightPhase::airborne;
    const Case cases[] = {
        {"new: fills empty texts and takes a new route",
         [](LiveAircraft& a, LiveAircraft&, LiveFlight& r) {
             a.state = LiveState::newFlight;
             a.callsign.clear();
             a.registration.clear();
             a.destination.clear();
             r.callsign = "BAW9";
             r.registration = "G-EUUB";
             r.departure = "EGKK";
             r.destination = "LIRF";
         },
         true, true, "BAW9", "G-EUUB", "EGKK", "LIRF", LiveState::newFlight, air, {}, false},
        {"new: keeps its texts when the record differs or lacks them",
         [](LiveAircraft& a, LiveAircraft&, LiveFlight& r) {
             a.state = LiveState::newFlight;
             r.callsign = "BAW9";
             r.registration = "G-EUUB";
             r.departure.clear();
             r.destination.clear();
         },
         true, true, "BAW123", "G-EUUA", "EGLL", "LFPG", LiveState::newFlight, air, {}, false},
        {"the same texts",
         [](LiveAircraft&, LiveAircraft&, LiveFlight&) {},
         true, true, "BAW123", "G-EUUA", "EGLL", "LFPG", sim, air, {}, false},
        {"both route ends changed",
         [](LiveAircraft&, LiveAircraft&, LiveFlight& r) {
             r.departure = "EGKK";
             r.destination = "LIRF";
         },
         false, true, "BAW123", "G-EUUA", "EGKK", "LIRF", sim, air, {}, false},
        {"both route ends changed on the ground: taxi",
         [](LiveAircraft& a, LiveAircraft&, LiveFlight& r) {
             a.onGround = true;
             r.departure = "EGKK";
             r.destination = "LIRF";
         },
         false, true, "BAW123", "G-EUUA", "EGKK", "LIRF", sim, FlightPhase::taxi, {}, false},
        {"both route ends changed while parked: still parked",
         [](LiveAircraft& a, LiveAircraft&, LiveFlight& r) {
             a.onGround = true;
             a.phase = FlightPhase::parked;
             r.departure = "EGKK";
             r.destination = "LIRF";
         },
         false, true, "BAW123", "G-EUUA", "EGKK", "LIRF", sim, FlightPhase::parked, {}, false},
        {"both route ends changed, GUID_CHANGES on",
         [](LiveAircraft&, LiveAircraft&, LiveFlight& r) {
             r.departure = "EGKK";
             r.destination = "LIRF";
         },
         true, false, "BAW123", "G-EUUA", "EGKK", "LIRF", recreate, air, {}, true},
        {"one route end changed",
         [](LiveAircraft&, LiveAircraft&, LiveFlight& r) { r.departure = "EGKK"; },
         true, true, "BAW123", "G-EUUA", "EGLL", "LFPG", sim, air, {}, false},
        {"an empty route end filled",
         [](LiveAircraft& a, LiveAircraft&, LiveFlight&) { a.destination.clear(); },
         false, true, "BAW123", "G-EUUA", "EGLL", "LFPG", sim, air, {}, false},
        {"an empty route end filled, GUID_CHANGES on",
         [](LiveAircraft& a, LiveAircraft&, LiveFlight&) { a.destination.clear(); },
         true, false, "BAW123", "G-EUUA", "EGLL", "LFPG", recreate, air, {}, true},
        {"leaving the park airport that the feed gives as destination",
         [this](LiveAircraft&, LiveAircraft&, LiveFlight& r) {
             harness_.loadParkAirport("EGLL", 80.0);
             r.departure = "EGKK";
             r.destination = "EGLL";
         },
         true, true, "BAW123", "G-EUUA", "EGLL", "LFPG", sim, air, {}, false},
        {"the same route with no park airport loaded",
         [](LiveAircraft&, LiveAircraft&, LiveFlight& r) {
             r.departure = "EGKK";
             r.destination = "EGLL";
         },
         false, true, "BAW123", "G-EUUA", "EGKK", "EGLL", sim, air, {}, false},
        {"the callsign is the registration",
         [](LiveAircraft&, LiveAircraft&, LiveFlight& r) { r.callsign = "G-EUUA"; },
         true, true, "BAW123", "G-EUUA", "EGLL", "LFPG", sim, air, {}, false},
        {"no callsign in the record",
         [](LiveAircraft&, LiveAircraft&, LiveFlight& r) { r.callsign.clear(); },
         true, true, "BAW123", "G-EUUA", "EGLL", "LFPG", sim, air, {}, false},
        {"a new callsign",
         [](LiveAircraft&, LiveAircraft&, LiveFlight& r) { r.callsign = "BAW9"; },
         false, true, "BAW9", "G-EUUA", "EGLL", "LFPG", sim, air, {"BAW9"}, false},
        {"a new callsign, GUID_CHANGES on",
         [](LiveAircraft&, LiveAircraft&, LiveFlight& r) { r.callsign = "BAW9"; },
         true, false, "BAW9", "G-EUUA", "EGLL", "LFPG", recreate, air, {"BAW9"}, true},
        {"a ghost of another live aircraft is refused and renames nothing",
         [](LiveAircraft&, LiveAircraft&, LiveFlight& r) {
             r.callsign = "DLH4_";
             r.departure = "EGKK";
             r.destination = "LIRF";
         },
         true, false, "BAW123", "G-EUUA", "EGLL", "LFPG", sim, air, {}, false},
        {"a ghost of an aircraft being removed",
         [](LiveAircraft&, LiveAircraft& o, LiveFlight& r) {
             o.state = LiveState::beingRemoved;
             r.callsign = "DLH4_";
         },
         false, true, "DLH4_", "G-EUUA", "EGLL", "LFPG", sim, air, {}, false},
        {"its own callsign with '_'",
         [](LiveAircraft&, LiveAircraft&, LiveFlight& r) { r.callsign = "BAW123_"; },
         false, true, "BAW123_", "G-EUUA", "EGLL", "LFPG", sim, air, {}, false},
        {"taking off: unchanged",
         [](LiveAircraft& a, LiveAircraft&, LiveFlight& r) {
             a.takeOffRoll = true;
             r.callsign = "BAW9";
             r.departure = "EGKK";
             r.destination = "LIRF";
         },
         true, true, "BAW123", "G-EUUA", "EGLL", "LFPG", sim, air, {}, false},
        {"in its landing roll: unchanged",
         [](LiveAircraft& a, LiveAircraft&, LiveFlight& r) {
             a.landingRoll = true;
             r.callsign = "BAW9";
         },
         true, true, "BAW123", "G-EUUA", "EGLL", "LFPG", sim, air, {}, false},
        {"pushing back: unchanged",
         [](LiveAircraft& a, LiveAircraft&, LiveFlight& r) {
             a.phase = FlightPhase::pushBackOrTow;
             r.callsign = "BAW9";
         },
         true, true, "BAW123", "G-EUUA", "EGLL", "LFPG", sim, FlightPhase::pushBackOrTow, {},
         false},
        {"creation requested: unchanged",
         [](LiveAircraft& a, LiveAircraft&, LiveFlight& r) {
             a.state = LiveState::creationRequested;
             r.callsign = "BAW9";
         },
         true, true, "BAW123", "G-EUUA", "EGLL", "LFPG", LiveState::creationRequested, air, {},
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        gf_resetTrafficForTests();
        GUID_CHANGES.setRaw(c.guidChanges);
        LOG.setRaw(true);
        std::vector<std::string> ghostChecks;
        trafficState.hooks.removeGhost = [&ghostChecks](const std::string& callsign) {
            ghostChecks.push_back(callsign);
        };
        LiveAircraft subject = aircraft();
        LiveAircraft second = other();
        LiveFlight record = LiveFlightBuilder(0x400001).next();
        c.setup(subject, second, record);
        const std::size_t linesBefore = harness_.log().body().size();

        std::lock_guard traffic(trafficState.trafficMutex);
        trafficState.live = {subject, second};
        LiveAircraft& live = trafficState.live.front();
        EXPECT_EQ(lf_updateFromFeed(live, record), c.result);

        EXPECT_EQ(live.callsign, c.callsign);
        EXPECT_EQ(live.registration, c.registration);
        EXPECT_EQ(live.departure, c.departure);
        EXPECT_EQ(live.destination, c.destination);
        EXPECT_EQ(live.state, c.state);
        EXPECT_EQ(live.phase, c.phase);
        EXPECT_EQ(ghostChecks, c.ghostChecks);
        const bool renamed =
            subject.state != LiveState::newFlight && live.callsign != subject.callsign;
        EXPECT_EQ(live.firstReceivedCallsign, renamed ? live.callsign : "BAW123");
        EXPECT_EQ(live.coupledCallsign, renamed ? "" : "BA123");
        if (c.phase == FlightPhase::taxi) {
            EXPECT_EQ(live.previousPhase, FlightPhase::airborne);
            EXPECT_EQ(live.targetHeading, kSubjectHeading);
        } else {
            EXPECT_EQ(live.targetHeading, 0.0);
        }
        EXPECT_EQ(live.hasRecreationHeading, c.recreated);
        EXPECT_EQ(live.recreationHeading, c.recreated ? kSubjectHeading : 0.0);
        EXPECT_EQ(std::vector<std::uint32_t>(trafficState.removals.begin(),
                                             trafficState.removals.end()),
                  c.recreated ? std::vector<std::uint32_t>{kSubjectObject}
                              : std::vector<std::uint32_t>{});
        const std::vector<std::string> lines = harness_.log().body();
        std::vector<std::string> written(lines.begin() + static_cast<std::ptrdiff_t>(linesBefore),
                                         lines.end());
        EXPECT_EQ(written, c.recreated ? std::vector<std::string>{std::string(kContinueIndent) +
                                                                  live.describe()}
                                       : std::vector<std::string>{});
    }
}

TEST_F(FeedTextUpdateTest, ReCreationLineOnlyWithLogAndNoSampleFromTheRecord) {
    struct Case {
        const char* name;
        bool log;
    };
    const Case cases[] = {{"LOG on", true}, {"LOG off", false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        gf_resetTrafficForTests();
        GUID_CHANGES.setRaw(true);
        LOG.setRaw(c.log);
        LiveAircraft subject = aircraft();
        subject.lastFeedTimeStamp = ksb::test::kFirstFeedStamp - 10.0;
        subject.samples.push_back(PositionSample{});
        LiveFlight record = LiveFlightBuilder(0x400001).altitude(9000.0).next();
        record.callsign = "BAW9";
        const std::size_t linesBefore = harness_.log().body().size();

        std::lock_guard traffic(trafficState.trafficMutex);
        // The re-creation alone, without the sample a livery change puts where it flies.
        trafficState.hooks.liveryChange = [](LiveAircraft& a) {
            a.state = LiveState::toBeRecreated;
        };
        trafficState.live = {subject};
        LiveAircraft& live = trafficState.live.front();
        // The record is its aircraft's, and used up.
        EXPECT_TRUE(lf_appendToAircraft(record, live));
        EXPECT_EQ(live.state, LiveState::toBeRecreated);
        EXPECT_EQ(live.samples.size(), 1u);
        EXPECT_EQ(live.lastFeedTimeStamp, subject.lastFeedTimeStamp);
        EXPECT_EQ(harness_.log().body().size() - linesBefore, c.log ? 1u : 0u);
    }
}

TEST(LiveCallsigns, AGhostsCallsignWithoutItsUnderscore) {
    TrafficHarness harness;
    LiveAircraft carrier;
    carrier.callsign = "DLH4";
    carrier.state = LiveState::inSimulator;
    LiveAircraft leaving = carrier;
    leaving.callsign = "AFR7";
    leaving.state = LiveState::beingRemoved;
    std::lock_guard traffic(trafficState.trafficMutex);
    trafficState.live = {carrier, leaving};
    EXPECT_TRUE(lf_liveCallsignExists("DLH4_"));
    EXPECT_FALSE(lf_liveCallsignExists("DLH4_", &trafficState.live.front()));
    EXPECT_FALSE(lf_liveCallsignExists("AFR7_"));
    EXPECT_FALSE(lf_liveCallsignExists("DLH_"));
    EXPECT_FALSE(lf_liveCallsignExists(""));
}

} // namespace
