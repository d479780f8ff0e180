#pragma once
// The records that the traffic engine and the simulator link exchange. Plain data; their wire
// forms are encoded field by field by the link.
#include <cstdint>
#include <string>
#include <string_view>

// The initial position of an AI aircraft to create, as the simulator takes it. Angles in degrees.
struct SIMCONNECT_DATA_INITPOSITION {
    double Latitude = 0.0;
    double Longitude = 0.0;
    double Altitude = 0.0; // feet
    double Pitch = 0.0;
    double Bank = 0.0;
    double Heading = 0.0;
    std::uint32_t OnGround = 0; // 0 or 1
    std::uint32_t Airspeed = 0; // knots
};

// One queued creation of an AI aircraft.
struct AiCreateRequest {
    SIMCONNECT_DATA_INITPOSITION initPosition;
    std::string callsign; // sent as the tail number
    // Views a title of the catalogue's title store, which keeps it for the whole process, so it
    // outlives a rebuild of the livery index.
    std::string_view liveryTitle;
    std::uint32_t flightKey = 0;
};

// One creation sent to the simulator and not yet seen there.
struct PendingCreation {
    std::uint32_t sendId = 0; // send id of the creation packet
    std::uint32_t flightKey = 0;
    std::string callsign;
};

// One queued client event.
struct ClientEventRequest {
    std::uint32_t objectId = 0;
    std::uint32_t eventId = 0;
    std::uint32_t data = 0;
};

// One queued position write, the doubles in the order of the position data definition.
struct PositionUpdate {
    double latitude = 0.0;      // degrees
    double longitude = 0.0;     // degrees
    double pitch = 0.0;         // radians
    double bank = 0.0;          // radians
    double heading = 0.0;       // radians, true
    double altitude = 0.0;      // feet
    double verticalSpeed = 0.0; // feet per second
    double trueAirspeed = 0.0;  // knots
    std::uint32_t objectId = 0;
};

enum class SimInboundKind : std::uint32_t {
    liveAdded = 0,        // values: 0; height above ground in feet
    staticAdded = 1,      // values: 0; 0
    objectRemoved = 2,    // values: 0; 0
    aircraftNearUser = 3, // values: ground altitude, height above ground, both feet
    restingAttitude = 4,  // values: static CG above ground in feet; static pitch in radians
    blockedCallsign = 5,  // posted by the feed; values: 0; 0
    creationRefused = 6,  // values: 0; 0
};

// One message to the traffic engine.
struct SimInboundRecord {
    std::uint32_t objectId = 0;
    std::uint32_t flightKeyOrOnGround = 0; // the on-ground value for aircraftNearUser
    std::uint32_t counter = 0;             // the engine's start-up sequences; 0 when posted
    SimInboundKind kind = SimInboundKind::liveAdded;
    double value1 = 0.0;
    double value2 = 0.0;
};

// The user aircraft as the simulator last reported it.
struct UserAircraftState {
    double latitude = 0.0;            // degrees
    double longitude = 0.0;           // degrees
    double pitch = 0.0;               // radians
    double bank = 0.0;                // radians
    double trueHeading = 0.0;         // radians
    double altitude = 0.0;            // feet
    double altitudeAboveGround = 0.0; // feet
    double groundVelocity = 0.0;      // knots
    std::int64_t zuluTime = 0;        // seconds of the UTC day
    std::int64_t zuluDayOfYear = 0;
    std::int64_t zuluYear = 0;
    std::int64_t lightStates = 0; // mask
};
