// Static parked aircraft from the plan of stands to fill: the tail numbers, the refusals next to
// live aircraft, the dropped entries, the static keys, the standing-since time, the record and
// its creation request, and the pace at which the tick builds and sends them.
#include "airports/park_airport_state.h"
#include "catalogue/catalogue.h"
#include "catalogue/livery_index.h"
#include "core/airport_records.h"
#include "core/flight_records.h"
#include "core/geodesy.h"
#include "core/link_records.h"
#include "core/parameters.h"
#include "core/time_of_week.h"
#include "traffic/live_aircraft.h"
#include "traffic/static_creation.h"
#include "traffic/traffic_state.h"

#include "support/catalogue_fixtures.h"
#include "support/stand_fixture.h"
#include "support/traffic_harness.h"

#include <fmt/format.h>
#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace {

using ksb::test::TrafficHarness;

constexpr const char* kCreationA320Title = "Airbus A320 British Airways";
constexpr const char* kCreationC172Title = "Cessna 172 Private";

// A1 to A5 in a row, each the neighbour of the next; A2 faces south-east, A4 is a cargo stand.
ksb::test::StandRowSpec lf_creationStandRow() {
    ksb::test::StandRowSpec spec;
    spec.stands = {{"A1"}, {"A2", 25.0, 135.0}, {"A3"}, {"A4", 25.0, 0.0, true}, {"A5"}};
    return spec;
}

// A learned entry for a BAW A320 that stays into the next half hour.
StandToFill lf_creationEntry(std::uint32_t standId, std::string callsign) {
    StandToFill entry;
    entry.airline = "BAW";
    entry.type = "A320";
    entry.standId = standId;
    entry.callsign = std::move(callsign);
    entry.stays = true;
    return entry;
}

AiCreateRequest lf_creationLiveRequest(std::uint32_t key) {
    AiCreateRequest request;
    request.callsign = "EZY34";
    request.flightKey = key;
    return request;
}

class StaticCreationTest : public ::testing::Test {
protected:
    StaticCreationTest() {
        // The real catalogue: liveries for BAW A320 and PVT C172, none at all for the CRJ9.
        ksb::test::writeLiveriesFile({ksb::test::livery("BAW", "A320", kCreationA320Title),
                                      ksb::test::livery("PVT", "C172", kCreationC172Title)});
        gf_readLiveriesXml();
        gf_processScannedLiveries();
        ksb::test::gf_loadStandRow(lf_creationStandRow());
        harness.setDayHalfHour(gf_packDayHalfHour(3, 20));
    }

    // One call with the entry last in the plan, as the tick makes it.
    static void create(StandToFill entry) {
        std::lock_guard lock(trafficState.trafficMutex);
        trafficState.standsToFill.push_back(std::move(entry));
        ksb::gf_createStaticParked();
    }
    static void addLive(std::string callsign, std::uint32_t standId, FlightPhase phase) {
        std::lock_guard lock(trafficState.trafficMutex);
        LiveAircraft& aircraft = trafficState.live.emplace_back();
        aircraft.callsign = std::move(callsign);
        aircraft.flightKey = 20001 + static_cast<std::uint32_t>(trafficState.live.size());
        aircraft.state = LiveState::inSimulator;
        aircraft.standId = standId;
        aircraft.setPhase(phase);
    }
    static void clearAircraft() {
        std::lock_guard lock(trafficState.trafficMutex);
        trafficState.live.clear();
        trafficState.statics.clear();
        trafficState.staticCreations.clear();
        trafficState.standsToFill.clear();
        trafficState.staticKeyCounter = 0;
    }
    static std::uint32_t keyCounter() {
        std::lock_guard lock(trafficState.trafficMutex);
        return trafficState.staticKeyCounter;
    }
    // From now on logLinesWith sees only the lines written after this.
    void markLog() { logMark_ = harness.log().body().size(); }
    // The log lines since the mark that contain any of the texts.
    std::vector<std::string> logLinesWith(const std::vector<std::string>& texts) const {
        std::vector<std::string> found;
        const std::vector<std::string> body = harness.log().body();
        for (std::size_t i = logMark_; i < body.size(); ++i) {
            const std::string& line = body[i];
            for (const std::string& text : texts) {
                if (line.find(text) != std::string::npos) {
                    found.push_back(line);
                    break;
                }
            }
        }
        return found;
    }

    TrafficHarness harness; // first: its working folder is the current directory
    std::size_t logMark_ = 0;
};

TEST_F(StaticCreationTest, TailNumberFollowsTheEntrysCallsigns) {
    struct Case {
        const char* name;
        std::string airline;
        std::string type;
        std::string callsign;
        std::string coupled;
        bool stays;
        std::uint32_t counter; // the last key given
        std::string tail;
    };
    const Case cases[] = {
        {"callsign gets a star", "BAW", "A320", "BAW12", "", true, 0, "BAW12*"},
        {"one trailing underscore goes", "BAW", "A320", "BAW12_", "", true, 0, "BAW12*"},
        {"a star is not doubled", "BAW", "A320", "BAW12*", "", true, 0, "BAW12*"},
        {"leaving: the coupled callsign", "BAW", "A320", "BAW12", "BAW13", false, 0, "BAW13*"},
        {"staying: its own callsign", "BAW", "A320", "BAW12", "BAW13", true, 0, "BAW12*"},
        {"no callsign: airline, key and star", "PVT", "C172", "", "", false, 41, "PVT42*"},
        {"nine characters are allowed", "BAW", "A320", "BAW123AB", "", true, 0, "BAW123AB*"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        {
            std::lock_guard lock(trafficState.trafficMutex);
            trafficState.statics.clear();
            trafficState.staticCreations.clear();
            trafficState.staticKeyCounter = c.counter;
        }
        StandToFill entry = lf_creationEntry(1, c.callsign);
        entry.airline = c.airline;
        entry.type = c.type;
        entry.coupledCallsign = c.coupled;
        entry.stays = c.stays;
        create(entry);
        const std::vector<AiAircraft> statics = harness.statics();
        ASSERT_EQ(statics.size(), 1u);
        EXPECT_EQ(statics[0].callsign, c.tail);
        EXPECT_EQ(statics[0].firstReceivedCallsign, c.callsign);
        EXPECT_EQ(statics[0].coupledCallsign, c.coupled);
        const std::vector<AiCreateRequest> requests = harness.queues().staticCreations;
        ASSERT_EQ(requests.size(), 1u);
        EXPECT_EQ(requests[0].callsign, c.tail);
    }
}

TEST_F(StaticCreationTest, EntryIsConsumedAndDroppedNextToLiveAircraftWithoutStandOrLivery) {
    struct LiveOnStand {
        std::uint32_t standId;
        FlightPhase phase;
    };
    struct Case {
        const char* name;
        std::vector<LiveOnStand> live; // EZY1, EZY2, ... in this order
        StandToFill entry;
        bool log;
        std::vector<std::string> lines; // of the refusal, the missing stand and the livery
        bool created;
    };
    const StandToFill onA2 = lf_creationEntry(2, "BAW12");
    StandToFill noLivery = onA2;
    noLivery.type = "CRJ9";
    const Case cases[] = {
        {"parked on the stand",
         {{2, FlightPhase::parked}},
         onA2,
         true,
         {"A2      : no static parking for BAW12, live aircraft EZY1 standing here"},
         false},
        {"moving into the stand",
         {{2, FlightPhase::movingToAdjacentStand}},
         onA2,
         true,
         {"A2      : no static parking for BAW12, live aircraft EZY1 standing here"},
         false},
        {"parked next to it",
         {{3, FlightPhase::parked}},
         onA2,
         true,
         {"A2      : no static parking for BAW12, live aircraft EZY1 is adjacent at A3, "
          "possibly colliding"},
         false},
        {"moving in next to it",
         {{1, FlightPhase::movingToAdjacentStand}},
         onA2,
         true,
         {"A2      : no static parking for BAW12, live aircraft EZY1 is adjacent at A1, "
          "possibly colliding"},
         false},
        {"the first live aircraft that objects names the reason",
         {{4, FlightPhase::parked}, {3, FlightPhase::parked}, {2, FlightPhase::parked}},
         onA2,
         true,
         {"A2      : no static parking for BAW12, live aircraft EZY2 is adjacent at A3, "
          "possibly colliding"},
         false},
        {"refused without a line when LOG is off",
         {{2, FlightPhase::parked}},
         onA2,
         false,
         {},
         false},
        {"taxiing over the stand, parked two stands away: created",
         {{2, FlightPhase::taxi}, {4, FlightPhase::parked}, {3, FlightPhase::airborne}},
         onA2,
         true,
         {},
         true},
        {"stand gone",
         {},
         lf_creationEntry(9, "BAW12"),
         false,
         {"stand with id 9 not found"},
         false},
        {"no livery for the type: the record goes again", {}, noLivery, true, {}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        clearAircraft();
        markLog();
        LOG.setRaw(c.log);
        for (const LiveOnStand& l : c.live) {
            addLive(fmt::format("EZY{}", harness.live().size() + 1), l.standId, l.phase);
        }
        const StandToFill earlier = lf_creationEntry(5, "BAW99");
        {
            std::lock_guard lock(trafficState.trafficMutex);
            trafficState.standsToFill = {earlier, c.entry};
            ksb::gf_createStaticParked();
            // Exactly the last entry is consumed, whatever became of it.
            ASSERT_EQ(trafficState.standsToFill.size(), 1u);
            EXPECT_EQ(trafficState.standsToFill[0].callsign, "BAW99");
            EXPECT_EQ(trafficState.statics.size(), c.created ? 1u : 0u);
            EXPECT_EQ(trafficState.staticCreations.size(), c.created ? 1u : 0u);
            // A key is taken only once the stand is known; the entry without a livery used one.
            const bool keyTaken = c.created || c.entry.type == "CRJ9";
            EXPECT_EQ(trafficState.staticKeyCounter, keyTaken ? 1u : 0u);
        }
        EXPECT_EQ(logLinesWith({"no static parking", "not found"}), c.lines);
        if (c.entry.type == "CRJ9") {
            EXPECT_EQ(logLinesWith({"no livery match"}).size(), 1u);
        }
    }
}

TEST_F(StaticCreationTest, EmptyStandTableTakesNothing) {
    {
        std::lock_guard lock(trafficState.trafficMutex);
        gf_parkAirportState().stands.clear();
        trafficState.standsToFill = {lf_creationEntry(1, "BAW11"), lf_creationEntry(2, "BAW12")};
        // The engine's hook is this builder.
        trafficState.hooks.createStaticParked();
        EXPECT_EQ(trafficState.standsToFill.size(), 2u);
        EXPECT_TRUE(trafficState.statics.empty());
        EXPECT_TRUE(trafficState.staticCreations.empty());
        EXPECT_EQ(trafficState.staticKeyCounter, 0u);
    }
    // With the table back the same entries are built, the last first.
    ksb::test::gf_loadStandRow(lf_creationStandRow());
    std::lock_guard lock(trafficState.trafficMutex);
    trafficState.hooks.createStaticParked();
    ASSERT_EQ(trafficState.statics.size(), 1u);
    EXPECT_EQ(trafficState.statics[0].callsign, "BAW12*");
    EXPECT_EQ(trafficState.standsToFill.size(), 1u);
}

TEST_F(StaticCreationTest, KeysRunOneTo9999AndSkipKeysStillHeld) {
    struct Case {
        const char* name;
        std::uint32_t counter;                   // the last key given
        std::vector<std::uint32_t> aircraftKeys; // of static aircraft
        std::vector<std::uint32_t> queuedKeys;   // of queued requests
        std::uint32_t key;                       // 0: none free
    };
    std::vector<std::uint32_t> lowerHalf;
    std::vector<std::uint32_t> upperHalf;
    for (std::uint32_t k = 1; k <= ksb::kLastStaticKey; ++k) {
        (k <= 5000 ? lowerHalf : upperHalf).push_back(k);
    }
    const Case cases[] = {
        {"the first key is 1, never 0", 0, {}, {}, 1},
        {"counting up", 41, {}, {}, 42},
        {"the last key", 9998, {}, {}, 9999},
        {"after 9999 back to 1", 9999, {}, {}, 1},
        {"the wrap skips keys of aircraft and of queued requests", 9999, {1, 2, 4}, {3}, 5},
        {"a key in use is skipped before the wrap too", 6, {7}, {8}, 9},
        {"the search wraps past 9999", 9997, {9998, 9999, 1}, {}, 2},
        {"a counter out of range starts again at 1", 12345, {}, {}, 1},
        {"no key free", 17, lowerHalf, upperHalf, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        clearAircraft();
        markLog();
        {
            std::lock_guard lock(trafficState.trafficMutex);
            trafficState.staticKeyCounter = c.counter;
            for (const std::uint32_t k : c.aircraftKeys) {
                AiAircraft held;
                held.flightKey = k;
                held.state = LiveState::inSimulator;
                trafficState.statics.push_back(std::move(held));
            }
            for (const std::uint32_t k : c.queuedKeys) {
                AiCreateRequest request;
                request.flightKey = k;
                trafficState.staticCreations.push_back(std::move(request));
            }
            trafficState.standsToFill = {lf_creationEntry(1, "BAW11")};
            ksb::gf_createStaticParked();
            EXPECT_TRUE(trafficState.standsToFill.empty());
        }
        const std::vector<AiAircraft> statics = harness.statics();
        const std::vector<AiCreateRequest> queued = harness.queues().staticCreations;
        if (c.key == 0) {
            EXPECT_EQ(statics.size(), c.aircraftKeys.size());
            EXPECT_EQ(queued.size(), c.queuedKeys.size());
            EXPECT_EQ(keyCounter(), c.counter);
            EXPECT_EQ(logLinesWith({"static key"}),
                      (std::vector<std::string>{"===> no free static key"}));
            continue;
        }
        ASSERT_EQ(statics.size(), c.aircraftKeys.size() + 1);
        ASSERT_EQ(queued.size(), c.queuedKeys.size() + 1);
        EXPECT_EQ(statics.back().flightKey, c.key);
        EXPECT_EQ(queued.back().flightKey, c.key);
        EXPECT_EQ(keyCounter(), c.key);
        EXPECT_TRUE(logLinesWith({"static key"}).empty());
    }
}

TEST_F(StaticCreationTest, StandingSinceIsNowLessTheFitWrappingThroughTheWeek) {
    struct Case {
        const char* name;
        std::int32_t weekday; // now
        std::int32_t halfHour;
        std::int32_t fit; // half hours
        std::int32_t sinceWeekday;
        std::int32_t sinceHalfHour;
    };
    const Case cases[] = {
        {"no fit: now", 3, 20, 0, 3, 20},
        {"within the day", 3, 20, 3, 3, 17},
        {"back over midnight", 3, 1, 3, 2, 46},
        {"Monday back to Sunday", 1, 1, 3, 7, 46},
        {"a whole day", 3, 20, 48, 2, 20},
        {"more than two days from Monday", 1, 0, 100, 5, 44},
        {"a whole week", 2, 7, 336, 2, 7},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        clearAircraft();
        harness.setDayHalfHour(gf_packDayHalfHour(c.weekday, c.halfHour));
        StandToFill entry = lf_creationEntry(1, "BAW11");
        entry.sortKey = c.fit;
        create(entry);
        const std::vector<AiAircraft> statics = harness.statics();
        ASSERT_EQ(statics.size(), 1u);
        EXPECT_EQ(gf_weekdayOf(statics[0].parkedAt), c.sinceWeekday);
        EXPECT_EQ(gf_halfHourOfPair(statics[0].parkedAt), c.sinceHalfHour);
    }
}

TEST_F(StaticCreationTest, RecordAndRequestCarryTheEntryAndTheStand) {
    struct Case {
        const char* name;
        StandToFill entry;
        std::string tail;
        AircraftCategory category;
        std::string title;
        std::uint32_t hexid;
    };
    StandToFill parkTraffic = lf_creationEntry(2, "BAW12");
    parkTraffic.flightId = 0x4CA123;
    parkTraffic.sortKey = 2;
    parkTraffic.registration = "G-EUUA";
    parkTraffic.fromParkTraffic = true;
    StandToFill learned;
    learned.sortKey = 5;
    learned.airline = "PVT";
    learned.type = "C172";
    learned.standId = 4;
    learned.coupledCallsign = "N172AB";
    const Case cases[] = {
        {"from the parked traffic", parkTraffic, "BAW12*", AircraftCategory::large,
         kCreationA320Title, 0x4CA123},
        {"learned, without a callsign", learned, "PVT1*", AircraftCategory::light,
         kCreationC172Title, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        clearAircraft();
        ParkPosition stand;
        {
            std::lock_guard lock(trafficState.trafficMutex);
            stand = gf_parkAirportState().stands.at(c.entry.standId - 1);
        }
        ASSERT_EQ(stand.standId, c.entry.standId);
        create(c.entry);
        const std::vector<AiAircraft> statics = harness.statics();
        ASSERT_EQ(statics.size(), 1u);
        const AiAircraft& a = statics[0];
        EXPECT_EQ(a.airline, c.entry.airline);
        EXPECT_EQ(a.type, c.entry.type);
        EXPECT_EQ(a.registration, c.entry.registration);
        EXPECT_EQ(a.callsign, c.tail);
        EXPECT_EQ(a.firstReceivedCallsign, c.entry.callsign);
        EXPECT_EQ(a.coupledCallsign, c.entry.coupledCallsign);
        EXPECT_EQ(a.category, c.category);
        EXPECT_EQ(a.halfWingSpan, gf_wingspanOfType(c.entry.type));
        EXPECT_EQ(a.flightKey, 1u);
        EXPECT_EQ(a.trafficValue, c.hexid);
        EXPECT_EQ(a.creatorFlag, c.entry.fromParkTraffic);
        EXPECT_EQ(a.stays, c.entry.stays);
        EXPECT_EQ(a.parkedAt, gf_halfHoursBefore(gf_packDayHalfHour(3, 20), c.entry.sortKey));
        EXPECT_EQ(a.standId, stand.standId);
        EXPECT_EQ(a.standLatitude, stand.latitude);
        EXPECT_EQ(a.standLongitude, stand.longitude);
        EXPECT_EQ(a.standHeading, stand.heading);
        EXPECT_EQ(a.state, LiveState::creationRequested);
        EXPECT_EQ(a.objectId, 0u);
        EXPECT_FALSE(a.removeOnceCreated);
        EXPECT_EQ(a.liveryTitle, c.title);

        const std::vector<AiCreateRequest> queued = harness.queues().staticCreations;
        ASSERT_EQ(queued.size(), 1u);
        const AiCreateRequest& r = queued[0];
        EXPECT_EQ(r.initPosition.Latitude, stand.latitude);
        EXPECT_EQ(r.initPosition.Longitude, stand.longitude);
        EXPECT_DOUBLE_EQ(r.initPosition.Heading, stand.heading * 57.29577951308232);
        EXPECT_EQ(r.initPosition.OnGround, 1u);
        EXPECT_EQ(r.initPosition.Altitude, 0.0);
        EXPECT_EQ(r.initPosition.Pitch, 0.0);
        EXPECT_EQ(r.initPosition.Bank, 0.0);
        EXPECT_EQ(r.initPosition.Airspeed, 0u);
        EXPECT_EQ(r.callsign, c.tail);
        // The view of the catalogue's stored title, as the record holds it.
        EXPECT_EQ(r.liveryTitle.data(), a.liveryTitle.data());
        EXPECT_EQ(r.flightKey, 1u);
    }
}

TEST_F(StaticCreationTest, TickBuildsOneEveryFiftyTicksAndWaitsForLiveRequests) {
    struct Case {
        const char* name;
        std::vector<int> liveRequestBefore; // ticks before which a live request is queued
        std::vector<std::string> creations; // "text@tick" of the link's creation calls
        std::size_t plannedAfterTick51;     // entries not yet taken
    };
    const Case cases[] = {
        {"no live request",
         {},
         {"queueCreateAiAircraft(BAW3*, 1)@50", "queueCreateAiAircraft(BAW2*, 2)@100",
          "queueCreateAiAircraft(BAW1*, 3)@150"},
         1},
        {"a live request waiting at the start: nothing is built on its slot",
         {0},
         {"queueCreateAiAircraft(EZY34, 20001)@0", "queueCreateAiAircraft(BAW3*, 1)@100",
          "queueCreateAiAircraft(BAW2*, 2)@150", "queueCreateAiAircraft(BAW1*, 3)@200"},
         2},
        {"a live request between two slots goes first; the static one waits",
         {75},
         {"queueCreateAiAircraft(BAW3*, 1)@50", "queueCreateAiAircraft(EZY34, 20001)@100",
          "queueCreateAiAircraft(BAW2*, 2)@150", "queueCreateAiAircraft(BAW1*, 3)@200"},
         1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        clearAircraft();
        harness.link().clearCalls();
        {
            std::lock_guard lock(trafficState.trafficMutex);
            trafficState.liveCreations.clear();
            trafficState.tickCounter = 0;
            trafficState.standsToFill = {lf_creationEntry(1, "BAW1"), lf_creationEntry(3, "BAW2"),
                                         lf_creationEntry(5, "BAW3")};
        }
        harness.autoSim(5);
        int t = 0;
        for (const int before : c.liveRequestBefore) {
            harness.tick(before - t);
            t = before;
            std::lock_guard lock(trafficState.trafficMutex);
            trafficState.liveCreations.push_back(lf_creationLiveRequest(20001));
        }
        // One entry is taken per creation slot.
        harness.tick(52 - t);
        t = 52;
        {
            std::lock_guard lock(trafficState.trafficMutex);
            EXPECT_EQ(trafficState.standsToFill.size(), c.plannedAfterTick51);
        }
        // Long enough for the last one to be created and to finish its start-up.
        harness.tick(500 - t);
        std::vector<std::string> creations;
        for (const ksb::test::LinkCall& call : harness.link().calls()) {
            if (call.name == "queueCreateAiAircraft") {
                creations.push_back(fmt::format("{}@{}", call.text(), call.tick));
            }
        }
        EXPECT_EQ(creations, c.creations);
        const std::vector<AiAircraft> statics = harness.statics();
        ASSERT_EQ(statics.size(), 3u);
        for (const AiAircraft& a : statics) {
            SCOPED_TRACE(a.callsign);
            EXPECT_EQ(a.state, LiveState::inSimulator);
            EXPECT_NE(a.objectId, 0u);
        }
        const ksb::test::TrafficQueues queues = harness.queues();
        EXPECT_TRUE(queues.staticCreations.empty());
        EXPECT_TRUE(queues.liveCreations.empty());
    }
}

} // namespace
