#pragma once
// The traffic engine's record of one live flight: an AI aircraft with its simulator position,
// the queue of feed positions still to fly and the state of its motion. The motion and conflict
// rules add their own fields as they come.
#include "core/flight_records.h"

#include <cstdint>
#include <deque>

// Where the simulator has the aircraft, in the order of the link's position definition.
struct SimPositionBlock {
    double latitude = 0.0;      // degrees
    double longitude = 0.0;     // degrees
    double pitch = 0.0;         // radians, negative nose up
    double bank = 0.0;          // radians
    double heading = 0.0;       // radians, true
    double altitude = 0.0;      // feet
    double verticalSpeed = 0.0; // feet per minute
    double trueAirspeed = 0.0;  // knots
};

struct LiveAircraft : AiAircraft {
    LiveAircraft() = default;
    // A new flight from its first feed position; state new, phase new.
    LiveAircraft(const PositionSample& first, const Flight& flight, double stamp);

    // Everything, the whole sample queue included; the per-second live-against-static check
    // works on such a copy so that a release during the check cannot touch it.
    LiveAircraft copy() const { return *this; }

    SimPositionBlock position;
    std::deque<PositionSample> samples; // oldest first
    double lastFeedTimeStamp = 0.0;     // seconds; the last record accepted
    std::int32_t extraSamples = 0;      // below 1: the too-close filter of the intake applies
    FlightPhase phase = FlightPhase::newFlight;
    FlightPhase previousPhase = FlightPhase::newFlight;

    bool erase = false; // erased in one pass by the tick
    bool onGround = false;
    bool hasFlightPlan = false;
    bool recreating = false;        // back in state new for re-creation
    bool removeOnceCreated = false; // its creation could not be cancelled any more
    bool heldForUser = false;       // admission holds it back near the user aircraft
    // The take-off or landing roll; either one keeps it out of the live-against-static check.
    bool takeOffRoll = false;
    bool landingRoll = false;
    bool towed = false;

    // Per-tick steps of the motion.
    double latStep = 0.0;
    double lonStep = 0.0;
    double pitchStep = 0.0;
    double bankStep = 0.0;
    double headingStep = 0.0;
    double verticalStep = 0.0; // feet per tick
    // Motion timers.
    std::int32_t earlyWindow = 1000;
    std::int32_t lateWindow = 1000;
    std::int32_t pushCountdown = 0;
    std::int32_t rotationCountdown = 1;
    double agl = 2500.0; // height above ground, feet

    // Position at the last live-against-static check, degrees.
    double staticCheckLatitude = 0.0;
    double staticCheckLongitude = 0.0;
};
