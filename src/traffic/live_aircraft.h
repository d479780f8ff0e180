#pragma once
// The traffic engine's record of one live flight: an AI aircraft with its simulator position,
// the queue of feed positions still to fly and the state of its motion. The motion and conflict
// rules add their own fields as they come.
#include "core/clock.h"
#include "core/flight_records.h"

#include <array>
#include <cstdint>
#include <deque>
#include <limits>
#include <string_view>

// Where the simulator has the aircraft, in the order of the link's position definition.
struct SimPositionBlock {
    double latitude = 0.0;      // degrees
    double longitude = 0.0;     // degrees
    double pitch = 0.0;         // radians, negative nose up
    double bank = 0.0;          // radians
    double heading = 0.0;       // radians, true
    double altitude = 0.0;      // feet
    double verticalSpeed = 0.0; // feet per second
    double trueAirspeed = 0.0;  // knots
};

struct LiveAircraft : AiAircraft {
    LiveAircraft() = default;
    // A new flight from its first feed position; state new, phase new.
    LiveAircraft(const PositionSample& first, const Flight& flight, double stamp);

    // Everything, the whole sample queue included; the per-second live-against-static check
    // works on such a copy so that a release during the check cannot touch it.
    LiveAircraft copy() const { return *this; }
    // Parked on its stand and in the simulator: what the parked limits, shares and stand rules
    // count.
    bool parkedInSimulator() const {
        return phase == FlightPhase::parked && state == LiveState::inSimulator;
    }
    // Keeps the phase it leaves as the previous phase; the same phase again changes nothing.
    void setPhase(FlightPhase next) {
        if (next != phase) {
            previousPhase = phase;
            phase = next;
        }
    }

    SimPositionBlock position;
    std::deque<PositionSample> samples; // oldest first
    double lastFeedTimeStamp = 0.0;     // seconds; the last record accepted
    std::int32_t extraSamples = 0;      // below 1: the too-close filter of the intake applies
    FlightPhase phase = FlightPhase::newFlight;
    FlightPhase previousPhase = FlightPhase::newFlight;

    bool erase = false; // erased in one pass by the tick
    bool onGround = false;
    bool hasFlightPlan = false;
    bool recreating = false;  // back in state new for re-creation
    bool heldForUser = false; // admission holds it back near the user aircraft
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

    // Ground motion: the turn towards the next sample.
    double targetTrack = 0.0; // radians
    double targetHeading = 0.0;
    double turnAngle = 0.0; // degrees
    bool turning = false;
    // The curve between two samples: start in degrees, control point and end in a local metric
    // frame. A NaN control point means no curve.
    double curveStartLatitude = 0.0;
    double curveStartLongitude = 0.0;
    double curveControlX = std::numeric_limits<double>::quiet_NaN();
    double curveControlY = std::numeric_limits<double>::quiet_NaN();
    double curveEndX = 0.0;
    double curveEndY = 0.0;
    double curveParameter = 0.0; // 0 to 0.999999
    double curveStep = 0.0;      // per tick
    double curveTurnAngle = 0.0; // degrees

    // Push back.
    PositionSample savedSample;    // held aside while a push back runs
    double pushBackDistance = 0.0; // measured at the previous push-back sample
    bool moveSeen = false;
    bool turnRightSeen = false;

    // Airborne motion.
    double speed = 0.0;         // knots
    double verticalSpeed = 0.0; // feet per minute, as the motion gives it
    std::int32_t flareStage = 0;
    double groundReference = 0.0; // feet; only while groundReferenceKnown
    bool groundReferenceKnown = false;
    double heightAboveReference = 0.0;
    double landingHeading = 0.0;
    bool descending = false;
    bool landed = false; // set at touch-down, cleared at take-off
    bool goneAround = false;
    bool pitchingDown = false;
    bool lightsAboveTenThousand = false;
    bool lightsBelowTenThousand = false;

    // Stand manoeuvres.
    bool departureRequested = false;
    // The departure of this stay on the stand ran (learned, stand freed); taking a stand clears it.
    bool departedFromStand = false;
    bool standChecked = false;
    bool standCargo = false; // the stand's cargo flag, copied when the stand was taken
    ksb::Clock::SteadyTime atStandSince{}; // the last sample seen within the stand radius
    double firstStandDistance = 0.0;       // nautical miles; 0 = not yet measured
    double lastStandDistance = 0.0;
    std::int32_t awayCount = 0; // samples in a row that moved away
    // Position of the last adjacent-stand search, degrees; 0 = none yet.
    double lastAdjacentCheckLatitude = 0.0;
    double lastAdjacentCheckLongitude = 0.0;

    // Admission and placement.
    double groundHeading = 0.0;     // radians
    double recreationHeading = 0.0; // radians; its position when it was to be re-created
    bool hasRecreationHeading = false;
    std::array<std::int32_t, 2> standWaitTimers{}; // zeroed when it parks
};

// A ghost's callsign ends in '_': the feed's second copy of a flight it already shows.
inline bool gf_isGhostCallsign(std::string_view callsign) {
    return !callsign.empty() && callsign.back() == '_';
}
