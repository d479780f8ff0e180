#include "core/airport_records.h"
#include "core/catalogue_records.h"
#include "core/flight_records.h"
#include "core/link_records.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

namespace {

// The numbers travel between subsystems and into log lines, so they are fixed.
static_assert(std::is_same_v<std::underlying_type_t<AircraftCategory>, std::int32_t>);
static_assert(static_cast<int>(AircraftCategory::light) == 0);
static_assert(static_cast<int>(AircraftCategory::buzjet) == 1);
static_assert(static_cast<int>(AircraftCategory::large) == 2);
static_assert(static_cast<int>(AircraftCategory::heavy) == 3);
static_assert(static_cast<int>(AircraftCategory::highPerformance) == 4);
static_assert(static_cast<int>(AircraftCategory::rotorcraft) == 5);

static_assert(std::is_same_v<std::underlying_type_t<LiveState>, std::uint32_t>);
static_assert(static_cast<int>(LiveState::newFlight) == 0);
static_assert(static_cast<int>(LiveState::creationRequested) == 1);
static_assert(static_cast<int>(LiveState::inSimulator) == 2);
static_assert(static_cast<int>(LiveState::toBeRecreated) == 3);
static_assert(static_cast<int>(LiveState::beingRemoved) == 4);

static_assert(std::is_same_v<std::underlying_type_t<FlightPhase>, std::int32_t>);
static_assert(static_cast<int>(FlightPhase::pushBackUnderWay) == 0);
static_assert(static_cast<int>(FlightPhase::pushBackOrTow) == 1);
static_assert(static_cast<int>(FlightPhase::taxi) == 2);
static_assert(static_cast<int>(FlightPhase::rotationAndInitialClimb) == 3);
static_assert(static_cast<int>(FlightPhase::airborne) == 4);
static_assert(static_cast<int>(FlightPhase::movingToAdjacentStand) == 5);
static_assert(static_cast<int>(FlightPhase::parked) == 6);
static_assert(static_cast<int>(FlightPhase::newFlight) == 7);

static_assert(std::is_same_v<std::underlying_type_t<SimInboundKind>, std::uint32_t>);
static_assert(static_cast<int>(SimInboundKind::liveAdded) == 0);
static_assert(static_cast<int>(SimInboundKind::staticAdded) == 1);
static_assert(static_cast<int>(SimInboundKind::objectRemoved) == 2);
static_assert(static_cast<int>(SimInboundKind::aircraftNearUser) == 3);
static_assert(static_cast<int>(SimInboundKind::restingAttitude) == 4);
static_assert(static_cast<int>(SimInboundKind::blockedCallsign) == 5);
static_assert(static_cast<int>(SimInboundKind::creationRefused) == 6);

// Widths that other subsystems rely on (tick arithmetic, packed time of week).
static_assert(std::is_same_v<decltype(LiveFlight::playTick), std::int32_t>);
static_assert(std::is_same_v<decltype(PositionSample::dueTick), std::int32_t>);
static_assert(std::is_same_v<decltype(ParkedFlight::age), std::int32_t>);
static_assert(std::is_same_v<decltype(AiAircraft::parkedAt), std::uint64_t>);
static_assert(std::is_same_v<decltype(Flight::liveryTitle), std::string_view>);

// Vectors of these records grow by moving; a throwing move would make them copy every text.
static_assert(std::is_nothrow_move_constructible_v<LiveFlight>);
static_assert(std::is_nothrow_move_constructible_v<ParkedFlight>);
static_assert(std::is_nothrow_move_constructible_v<AiAircraft>);
static_assert(std::is_nothrow_move_constructible_v<ParkPosition>);
static_assert(std::is_nothrow_move_constructible_v<StandToFill>);
static_assert(std::is_nothrow_move_constructible_v<LiveryRecord>);

TEST(FlightRecords, StartValuesOfTheFlightRecords) {
    const Flight flight;
    EXPECT_EQ(flight.category, AircraftCategory::large);
    EXPECT_FALSE(flight.cargo);
    EXPECT_FALSE(flight.fsltlModel);
    EXPECT_EQ(flight.flightKey, 0u);
    EXPECT_TRUE(flight.liveryTitle.empty());
    EXPECT_FALSE(flight.coupledSearchDone);

    const LiveFlight live;
    EXPECT_FALSE(live.bankValid);
    EXPECT_FALSE(live.trueHeadingValid);
    EXPECT_FALSE(live.trueHeadingFlag);
    EXPECT_FALSE(live.airborne);
    EXPECT_FALSE(live.repeated);
    EXPECT_EQ(live.flightId, 0u);
    EXPECT_EQ(live.playTick, 0);

    // What the constructor of the simulator-link issue will also set.
    const AiAircraft aircraft;
    EXPECT_EQ(aircraft.category, AircraftCategory::large);
    EXPECT_EQ(aircraft.objectId, 0u);
    EXPECT_EQ(aircraft.parkedAt, 0u);
    EXPECT_EQ(aircraft.trafficValue, 0u);
    EXPECT_EQ(aircraft.state, LiveState::newFlight);
    EXPECT_EQ(aircraft.lastThrottleState, 5u);
    EXPECT_EQ(aircraft.lastFlapsState, 4u);
    EXPECT_FALSE(aircraft.creatorFlag);
    EXPECT_FALSE(aircraft.trafficFlag1);
    EXPECT_FALSE(aircraft.trafficFlag2);

    const ParkedFlight parked;
    EXPECT_EQ(parked.flightId, 0u);
    EXPECT_EQ(parked.age, 0);
    EXPECT_TRUE(parked.stand.empty());
}

void lf_expectSameSample(const PositionSample& actual, const PositionSample& expected) {
    EXPECT_EQ(actual.latitude, expected.latitude);
    EXPECT_EQ(actual.longitude, expected.longitude);
    EXPECT_EQ(actual.bank, expected.bank);
    EXPECT_EQ(actual.bankValid, expected.bankValid);
    EXPECT_EQ(actual.trueHeading, expected.trueHeading);
    EXPECT_EQ(actual.trueHeadingValid, expected.trueHeadingValid);
    EXPECT_EQ(actual.altitude, expected.altitude);
    EXPECT_EQ(actual.groundSpeed, expected.groundSpeed);
    EXPECT_EQ(actual.track, expected.track);
    EXPECT_EQ(actual.verticalRate, expected.verticalRate);
    EXPECT_EQ(actual.trueAirspeed, expected.trueAirspeed);
    EXPECT_EQ(actual.dueTick, expected.dueTick);
    EXPECT_EQ(actual.airborne, expected.airborne);
    EXPECT_EQ(actual.repeated, expected.repeated);
}

// One field set on its own shows that it lands in its own place and nowhere else.
TEST(FlightRecords, PositionSampleTakesEachFieldIntoItsOwnPlace) {
    struct Case {
        const char* name;
        void (*setLive)(LiveFlight&);
        void (*setSample)(PositionSample&);
    };
    const Case cases[] = {
        {"latitude", [](LiveFlight& f) { f.latitude = 51.47; },
         [](PositionSample& s) { s.latitude = 51.47; }},
        {"longitude", [](LiveFlight& f) { f.longitude = -0.45; },
         [](PositionSample& s) { s.longitude = -0.45; }},
        {"bank", [](LiveFlight& f) { f.bank = -0.087; },
         [](PositionSample& s) { s.bank = -0.087; }},
        {"bank valid", [](LiveFlight& f) { f.bankValid = true; },
         [](PositionSample& s) { s.bankValid = true; }},
        {"true heading", [](LiveFlight& f) { f.trueHeading = 6.283185307179586; },
         [](PositionSample& s) { s.trueHeading = 6.283185307179586; }},
        {"true heading valid", [](LiveFlight& f) { f.trueHeadingValid = true; },
         [](PositionSample& s) { s.trueHeadingValid = true; }},
        {"altitude", [](LiveFlight& f) { f.altitude = 1300.0; },
         [](PositionSample& s) { s.altitude = 1300.0; }},
        {"ground speed", [](LiveFlight& f) { f.groundSpeed = 142.5; },
         [](PositionSample& s) { s.groundSpeed = 142.5; }},
        {"track", [](LiveFlight& f) { f.track = 271.0; },
         [](PositionSample& s) { s.track = 271.0; }},
        {"vertical rate", [](LiveFlight& f) { f.verticalRate = -704.0; },
         [](PositionSample& s) { s.verticalRate = -704.0; }},
        {"true airspeed", [](LiveFlight& f) { f.trueAirspeed = 350.0; },
         [](PositionSample& s) { s.trueAirspeed = 350.0; }},
        {"play tick becomes due tick", [](LiveFlight& f) { f.playTick = 3000; },
         [](PositionSample& s) { s.dueTick = 3000; }},
        {"negative play tick", [](LiveFlight& f) { f.playTick = -20; },
         [](PositionSample& s) { s.dueTick = -20; }},
        {"airborne", [](LiveFlight& f) { f.airborne = true; },
         [](PositionSample& s) { s.airborne = true; }},
        {"repeated", [](LiveFlight& f) { f.repeated = true; },
         [](PositionSample& s) { s.repeated = true; }},
        // Neither the texts nor the feed's own fields belong to a position.
        {"identity, stamp, id and heading flag",
         [](LiveFlight& f) {
             f.callsign = "BAW123";
             f.registration = "G-EUPT";
             f.coupledSearchDone = true;
             f.trueHeadingFlag = true;
             f.timeStamp = 1.7e9;
             f.flightId = 0x4CA2B1;
         },
         [](PositionSample&) {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LiveFlight live;
        c.setLive(live);
        PositionSample expected;
        c.setSample(expected);
        lf_expectSameSample(gf_positionSampleOf(live), expected);
    }
}

TEST(FlightRecords, IdentityTravelsWholeThroughCopyAndMoveOfDerivedRecords) {
    LiveFlight source;
    source.airline = "BAW-airline-text-long";
    source.type = "A320-type-text-long-too";
    source.departure = "EGLL-departure-text";
    source.destination = "LEMD-destination-text";
    source.callsign = "BAW123-callsign-text";
    source.firstReceivedCallsign = "BAW123-first-received";
    source.coupledCallsign = "BAW124-coupled-callsign";
    source.registration = "G-EUPT-registration-text";
    source.coupledSearchDone = true;
    source.flightId = 0x4CA2B1;

    struct Case {
        const char* name;
        FlightIdentity (*apply)(const LiveFlight&);
    };
    const Case cases[] = {
        {"copy of a live flight",
         [](const LiveFlight& s) -> FlightIdentity { return LiveFlight(s); }},
        {"move of a live flight",
         [](const LiveFlight& s) -> FlightIdentity {
             LiveFlight moved = s;
             LiveFlight target = std::move(moved);
             return target;
         }},
        {"identity copied into a flight",
         [](const LiveFlight& s) -> FlightIdentity {
             Flight flight;
             flight.flightKey = 77;
             static_cast<FlightIdentity&>(flight) = s;
             EXPECT_EQ(flight.flightKey, 77u);
             return flight;
         }},
        {"identity moved into an AI aircraft",
         [](const LiveFlight& s) -> FlightIdentity {
             LiveFlight moved = s;
             AiAircraft aircraft;
             aircraft.objectId = 9;
             static_cast<FlightIdentity&>(aircraft) = std::move(moved);
             EXPECT_EQ(aircraft.objectId, 9u);
             return aircraft;
         }},
        {"parked flight grown in a vector",
         [](const LiveFlight& s) -> FlightIdentity {
             std::vector<ParkedFlight> parked(1);
             static_cast<FlightIdentity&>(parked[0]) = s;
             parked.resize(parked.capacity() + 1);
             return parked[0];
         }},
    };
    struct Text {
        const char* name;
        std::string FlightIdentity::*member;
    };
    const Text texts[] = {
        {"airline", &FlightIdentity::airline},
        {"type", &FlightIdentity::type},
        {"departure", &FlightIdentity::departure},
        {"destination", &FlightIdentity::destination},
        {"callsign", &FlightIdentity::callsign},
        {"first received callsign", &FlightIdentity::firstReceivedCallsign},
        {"coupled callsign", &FlightIdentity::coupledCallsign},
        {"registration", &FlightIdentity::registration},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const FlightIdentity result = c.apply(source);
        for (const Text& text : texts) {
            SCOPED_TRACE(text.name);
            EXPECT_EQ(result.*text.member, source.*text.member);
        }
        EXPECT_TRUE(result.coupledSearchDone);
    }
}

TEST(LinkRecords, RecordsFilledInTheirDeclaredOrder) {
    // A record posted without a counter leaves it to the engine at 0.
    const SimInboundRecord blocked{
        .flightKeyOrOnGround = 0x4CA2B1,
        .kind = SimInboundKind::blockedCallsign,
    };
    EXPECT_EQ(blocked.objectId, 0u);
    EXPECT_EQ(blocked.counter, 0u);
    EXPECT_EQ(blocked.value1, 0.0);
    EXPECT_EQ(blocked.value2, 0.0);

    const SimInboundRecord ground{.objectId = 42,
                                  .flightKeyOrOnGround = 1,
                                  .kind = SimInboundKind::aircraftNearUser,
                                  .value1 = 83.0,
                                  .value2 = 12.5};
    EXPECT_EQ(ground.counter, 0u);
    EXPECT_EQ(ground.value1, 83.0);
    EXPECT_EQ(ground.value2, 12.5);

    const AiCreateRequest request{
        .initPosition = {.Latitude = 51.47,
                         .Longitude = -0.45,
                         .Altitude = 83.0,
                         .Pitch = 0.0,
                         .Bank = 0.0,
                         .Heading = 271.0,
                         .OnGround = 1,
                         .Airspeed = 0},
        .callsign = "BAW123*",
        .liveryTitle = "Airbus A320 British Airways",
        .flightKey = 17,
    };
    EXPECT_EQ(request.initPosition.Heading, 271.0);
    EXPECT_EQ(request.initPosition.OnGround, 1u);
    EXPECT_EQ(request.liveryTitle, "Airbus A320 British Airways");

    const PositionUpdate update{.latitude = 51.47,
                                .longitude = -0.45,
                                .pitch = -0.1,
                                .bank = 0.05,
                                .heading = 4.7,
                                .altitude = 2500.0,
                                .verticalSpeed = 15.0,
                                .trueAirspeed = 180.0,
                                .objectId = 42};
    EXPECT_EQ(update.objectId, 42u);

    const UserAircraftState user{.latitude = 51.47,
                                 .longitude = -0.45,
                                 .pitch = -0.05,
                                 .bank = 0.0,
                                 .trueHeading = 4.7,
                                 .altitude = 83.0,
                                 .altitudeAboveGround = 0.0,
                                 .groundVelocity = 1.5,
                                 .zuluTime = 37799,
                                 .zuluDayOfYear = 343,
                                 .zuluYear = 2026,
                                 .lightStates = 0x0Fll};
    EXPECT_EQ(user.groundVelocity, 1.5);
    EXPECT_EQ(user.zuluYear, 2026);

    const PendingCreation pending{.sendId = 5, .flightKey = 17, .callsign = "BAW123*"};
    const ClientEventRequest event{.objectId = 42, .eventId = 219, .data = 16383};
    EXPECT_EQ(pending.callsign, "BAW123*");
    EXPECT_EQ(event.data, 16383u);
}

TEST(CatalogueRecords, RecordsFilledInTheirDeclaredOrder) {
    const LiveryRecord readBack{.airline = "BAW",
                                .type = "A320",
                                .title = "Airbus A320 British Airways",
                                .atcid = "G-EUPT"};
    EXPECT_EQ(readBack.priority, 0);
    EXPECT_FALSE(readBack.cargo);

    const DbaseRecord record{.airline = "BAW", .type = "A320", .operatorCode = "SHT"};
    EXPECT_EQ(record.operatorCode, "SHT");
    EXPECT_FALSE(record.cargo);
}

TEST(AirportRecords, StandStartsClearAndHoldsItsObservations) {
    ParkPosition stand;
    EXPECT_EQ(stand.standId, 0u);
    EXPECT_TRUE(stand.observations.empty());
    EXPECT_TRUE(stand.realSearchMap.empty());
    EXPECT_TRUE(stand.softSearchMap.empty());
    const std::pair<const char*, bool ParkPosition::*> flags[] = {
        {"manual", &ParkPosition::manual},
        {"radius changed", &ParkPosition::radiusChanged},
        {"cargo changed", &ParkPosition::cargoChanged},
        {"re-lettered", &ParkPosition::relettered},
        {"taken", &ParkPosition::taken},
        {"occupied", &ParkPosition::occupied},
        {"blocked", &ParkPosition::blocked},
        {"adjacent taken", &ParkPosition::adjacentTaken},
        {"cargo", &ParkPosition::cargo},
        {"ramp", &ParkPosition::ramp},
        {"heli", &ParkPosition::heli},
    };
    for (const auto& [name, flag] : flags) {
        SCOPED_TRACE(name);
        EXPECT_FALSE(stand.*flag);
    }

    const StandObservation fresh;
    EXPECT_EQ(fresh.sequenceNumber, 0u);
    EXPECT_EQ(fresh.day, 0);
    EXPECT_TRUE(fresh.halfHours.none());
    EXPECT_FALSE(fresh.excluded);

    // Both ends of the day's half hours fit.
    StandObservation seen{.airline = "BAW",
                          .type = "A320",
                          .registration = "G-EUPT",
                          .callsign = "BAW123",
                          .coupledCallsign = "BAW124",
                          .halfHours = {},
                          .sequenceNumber = 1,
                          .day = 7,
                          .learned = true,
                          .soft = false,
                          .testTraffic = false,
                          .excluded = true};
    seen.halfHours.set(0).set(47);
    EXPECT_TRUE(seen.excluded);
    stand.observations.push_back(seen);
    stand.name = "A12";
    stand.adjacentStandIds = {2, 3};
    ASSERT_EQ(stand.observations.size(), 1u);
    EXPECT_EQ(stand.observations[0].halfHours.count(), 2u);
    EXPECT_TRUE(stand.observations[0].halfHours.test(47));
    EXPECT_EQ(stand.observations[0].coupledCallsign, "BAW124");

    // A learning map tells where it last saw each aircraft.
    EXPECT_EQ(StandSearchEntry{}.option, 0u);
    stand.realSearchMap[0x4CA2B1] = StandSearchEntry{.day = 7, .slot = 47, .option = 1};
    const StandSearchEntry& entry = stand.realSearchMap.at(0x4CA2B1);
    EXPECT_EQ(entry.day, 7);
    EXPECT_EQ(entry.slot, 47);
    EXPECT_EQ(entry.option, 1u);
    EXPECT_TRUE(stand.softSearchMap.empty());

    const Airport airport{
        .code = "EGLL", .iata = "LHR", .lat = 51.4775, .lon = -0.4614, .alt = 83.0};
    EXPECT_EQ(airport.iata, "LHR");

    const StandToFill plan{.flightId = 0x4CA2B1,
                           .sortKey = 4,
                           .airline = "BAW",
                           .type = "A320",
                           .standId = 12,
                           .callsign = "BAW123",
                           .coupledCallsign = "",
                           .registration = "G-EUPT",
                           .fromParkTraffic = true,
                           .stays = true};
    EXPECT_EQ(plan.sortKey, 4);

    const ParkAirport candidate{
        .name = "EGLL", .reservedStand = "A12", .latitude = 51.4775, .longitude = -0.4614};
    EXPECT_EQ(candidate.distance, 0.0);
}

} // namespace
