#pragma once
// The flight records that the feed, the traffic engine, the simulator link and the catalogue
// hand to each other. Plain data: the subsystems that own them add their behaviour.
#include <cstdint>
#include <string>
#include <string_view>

enum class AircraftCategory : std::int32_t {
    light = 0, // also every type of no other category
    buzjet = 1,
    large = 2,
    heavy = 3,
    highPerformance = 4,
    rotorcraft = 5,
};

enum class LiveState : std::uint32_t {
    newFlight = 0,
    creationRequested = 1,
    inSimulator = 2,
    toBeRecreated = 3, // livery, route or callsign changed
    beingRemoved = 4,
};

enum class FlightPhase : std::int32_t {
    pushBackUnderWay = 0, // the two sample steps before the engines start
    pushBackOrTow = 1,
    taxi = 2,
    rotationAndInitialClimb = 3,
    airborne = 4, // climb, cruise, descent, approach and landing
    movingToAdjacentStand = 5,
    parked = 6,
    newFlight = 7,
};

// The texts that identify a flight; the first base of every flight record.
struct FlightIdentity {
    std::string airline;
    std::string type; // ICAO aircraft type
    std::string departure;
    std::string destination;
    std::string callsign;
    std::string firstReceivedCallsign;
    std::string coupledCallsign;
    std::string registration;
    bool coupledSearchDone = false;
};

// One live flight from the feed. Angles of bank and heading in radians, others in degrees.
struct LiveFlight : FlightIdentity {
    double latitude = 0.0;
    double longitude = 0.0;
    double bank = 0.0;
    bool bankValid = false;
    double trueHeading = 0.0;
    bool trueHeadingValid = false;
    double altitude = 0.0;    // feet, QNH-corrected; 0 on the ground
    double groundSpeed = 0.0; // knots
    double track = 0.0;
    double verticalRate = 0.0; // feet per minute
    double trueAirspeed = 0.0; // knots
    std::int32_t playTick = 0; // ticks of 10 ms on the engine's tick counter
    bool airborne = false;
    bool repeated = false;        // repeats the previous position
    bool trueHeadingFlag = false; // set together with trueHeadingValid
    double timeStamp = 0.0;       // seconds since 1970 UTC
    std::uint32_t flightId = 0;   // hexadecimal in the feed; only values above 10000 are accepted
};

// One timed position of a live flight.
struct PositionSample {
    double latitude = 0.0;
    double longitude = 0.0;
    double bank = 0.0; // radians
    bool bankValid = false;
    double trueHeading = 0.0; // radians
    bool trueHeadingValid = false;
    double altitude = 0.0;     // feet; 0 on the ground
    double groundSpeed = 0.0;  // knots
    double track = 0.0;        // degrees
    double verticalRate = 0.0; // feet per minute
    double trueAirspeed = 0.0; // knots
    std::int32_t dueTick = 0;  // the engine's tick at which the aircraft must be here
    bool airborne = false;
    bool repeated = false; // repeats the previous position; motion skips it
};

// The position part of a live flight, the play tick becoming the due tick.
inline PositionSample gf_positionSampleOf(const LiveFlight& flight) {
    PositionSample sample;
    sample.latitude = flight.latitude;
    sample.longitude = flight.longitude;
    sample.bank = flight.bank;
    sample.bankValid = flight.bankValid;
    sample.trueHeading = flight.trueHeading;
    sample.trueHeadingValid = flight.trueHeadingValid;
    sample.altitude = flight.altitude;
    sample.groundSpeed = flight.groundSpeed;
    sample.track = flight.track;
    sample.verticalRate = flight.verticalRate;
    sample.trueAirspeed = flight.trueAirspeed;
    sample.dueTick = flight.playTick;
    sample.airborne = flight.airborne;
    sample.repeated = flight.repeated;
    return sample;
}

// One parked aircraft from the parked-traffic feed.
struct ParkedFlight : FlightIdentity {
    double latitude = 0.0;
    double longitude = 0.0;
    std::uint32_t flightId = 0;
    // While parsing: the half-hour slot (0..47) last seen; afterwards the half hours since then.
    std::int32_t age = 0;
    std::string stand; // the stand name the feed gives
};

// A flight as the traffic engine keeps it. Pitch is negative nose up, as the simulator has it.
struct Flight : FlightIdentity {
    AircraftCategory category = AircraftCategory::large;
    bool cargo = false;
    bool fsltlModel = false;
    double halfWingSpan = 0.0;   // nautical miles
    double staticCgHeight = 0.0; // feet above the ground when standing
    double groundPitch = 0.0;    // radians
    double rotationPitch = 0.0;  // radians
    double climbPitch = 0.0;     // radians
    double baseTurnRate = 0.0;   // radians per tick
    double turnRate = 0.0;       // radians per tick
    double climbLimit = 0.0;     // feet per tick
    double pushSpeed = 0.0;      // knots
    std::uint32_t flightKey = 0;
    std::int32_t flarePitchTicks = 0;
    std::int32_t derotationTicks = 0;
    std::int32_t rotationTicks = 0;
    std::int32_t climbPitchTicks = 0;
    // Views a title of the catalogue's title store, which keeps it for the whole process, so it
    // outlives a rebuild of the livery index.
    std::string_view liveryTitle;

    // Texts that head the traffic log lines (core/flight_text.cpp); byte for byte as logged.
    // The callsign as "{:8}".
    std::string paddedCallsign() const;
    // Padded callsign, registration and airline-type key.
    std::string summary() const;
    // Padded callsign, registration as "{:8}", route text and airline-type key.
    std::string describe() const;
    // The airline-type key, a blank and the registration.
    std::string noLiveryKey() const;
    // A callsign of three upper-case letters and a digit (and maybe more) names the airline:
    // its first three letters become the airline code and the result is true. Otherwise nothing
    // changes.
    bool airlineFromCallsign();
};

// An AI aircraft that the system places in the simulator; alone, a static parked aircraft.
struct AiAircraft : Flight {
    std::uint32_t objectId = 0; // 0 until the simulator reports the object
    double standLatitude = 0.0;
    double standLongitude = 0.0;
    double standHeading = 0.0; // radians
    // The packed (weekday, half hour) pair of "now" when it parked: weekday in the low 32 bits,
    // half hour in the high 32 bits.
    std::uint64_t parkedAt = 0;
    std::uint32_t trafficValue = 0; // meaning given by the traffic engine
    std::uint32_t standId = 0;
    LiveState state = LiveState::newFlight;
    std::uint32_t lastThrottleState = 5; // 5: none sent yet
    std::uint32_t lastFlapsState = 4;    // 4: none sent yet
    bool creatorFlag = false;            // when set, shutdown leaves the cabin lights off
    bool trafficFlag1 = false;           // meaning given by the traffic engine
    bool trafficFlag2 = false;           // meaning given by the traffic engine
    bool removeOnceCreated = false;      // its creation could not be cancelled any more
    // A static parked aircraft still stands there in the next half hour (from its plan entry).
    bool stays = false;
};
