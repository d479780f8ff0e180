#pragma once
// The motion of live aircraft in the simulator: ground motion and re-timing, airborne motion with
// take-off and landing, and the stand manoeuvres. The three call each other through this header;
// it is the engine's own, not part of traffic.h. Everything here runs inside the tick with the
// traffic mutex held.
#include "core/flight_records.h"
#include "traffic/live_aircraft.h"

#include <array>
#include <cstddef>
#include <cstdint>

namespace ksb {

// ---------------------------------------------------------------------------------------------
// Motion geometry
// ---------------------------------------------------------------------------------------------

// A longitude difference brought into (-180, 180] degrees, so steps never go round the globe.
double gf_longitudeDelta(double toDegrees, double fromDegrees);
// A longitude brought back into [-180, 180] degrees.
double gf_normaliseLongitude(double degrees);

// ---------------------------------------------------------------------------------------------
// Ground motion, re-timing and synthetic samples
// ---------------------------------------------------------------------------------------------

// Radians to turn from the aircraft's heading to its course after the next sample.
double lf_headingDifference(LiveAircraft& aircraft);
// Hands an aircraft that ends on the ground without a stand to the soft-stand learning.
void lf_learnSoftAtEnd(LiveAircraft& aircraft);
// Puts a sample between the current and the next one.
void lf_insertMidSample(LiveAircraft& aircraft);

// ---------------------------------------------------------------------------------------------
// Airborne motion, take-off and landing
// ---------------------------------------------------------------------------------------------

// Re-times the next sample of an airborne aircraft.
void lf_airborneStep(LiveAircraft& aircraft);
// Vertical, pitch, heading, bank, lights and configuration for the coming sample interval.
void lf_airbornePhase(LiveAircraft& aircraft, std::int64_t ticks, PositionSample& next);
// Throttle during taxi and the take-off roll, and the lift-off decision.
void lf_takeOffPhase(LiveAircraft& aircraft);
// The vertical half of the per-tick step, after the horizontal half (lf_followCurve).
void lf_followCurveVertical(LiveAircraft& aircraft);
// The feed shows the take-off roll starting (also from the lift-off when it was missed).
void lf_startTakeOffRoll(LiveAircraft& aircraft);
// Lift-off: rotation, phase 3 and its line; ends a landing roll (touch-and-go).
void lf_logTookOff(LiveAircraft& aircraft);
// Throttle, spoilers, flaps and lights of the landing roll up to the turn-off.
void lf_landingRoll(LiveAircraft& aircraft);
// The simulator reports the aircraft on the ground.
void lf_landed(LiveAircraft& aircraft);
// Configuration above and at or below the configuration height.
void lf_climbConfiguration(LiveAircraft& aircraft);
void lf_approachConfiguration(LiveAircraft& aircraft);
// The descent rate, feet per minute, of a level approach and of a landing ahead.
double lf_glideRate(const LiveAircraft& aircraft);
// Bank toward a heading change (radians) spread over the ticks.
void lf_bankForTurn(LiveAircraft& aircraft, double headingChange, double ticks);
// Drops the samples before the k-th when that one is airborne and climbs to it; false otherwise.
bool lf_skipToAirborne(LiveAircraft& aircraft, std::size_t k);
// The feed's samples ahead are on the ground while the aircraft flies.
void lf_airborneOverGround(LiveAircraft& aircraft);
// Every sample after the current one is airborne / at least at the lift-off speed.
bool lf_allAheadAirborne(const LiveAircraft& aircraft);
bool lf_allAheadAtLiftOffSpeed(const LiveAircraft& aircraft);

// The ground motion's re-timing, which the airborne step shares: the mean speed of the current
// and next samples (knots), the next sample due after the ticks within its windows, and the whole
// re-timing of a next sample on the ground (a hovering rotorcraft's too).
double lf_groundSpeedEstimate(const LiveAircraft& aircraft);
void lf_setNextSampleTick(LiveAircraft& aircraft, std::int64_t ticks);
void lf_timeNextGroundSample(LiveAircraft& aircraft);

// Per-category limits of the airborne motion, in degrees, degrees per tick and knots.
struct AirborneLimits {
    double bankLimit;
    double bankStepLimit;
    double pitchStepLimit;
    double liftOffSpeed; // compared with the samples' ground speed
};
// Throws std::out_of_range "invalid unordered_map<K, T> key" outside categories 0 to 5.
const AirborneLimits& gf_airborneLimits(AircraftCategory category);

// Nav, beacon, landing, taxi, strobes, logo, cabin.
using LightArray = std::array<std::uint32_t, 7>;
inline constexpr LightArray kAllLightsOn{1, 1, 1, 1, 1, 1, 1};
inline constexpr LightArray kCruiseLights{1, 1, 0, 0, 0, 0, 1};
inline constexpr LightArray kTakeOffRollLights{1, 1, 1, 1, 1, 1, 0};
inline constexpr LightArray kRunwayExitLights{1, 1, 0, 1, 0, 1, 1};

// Throttle states: 0 idle to 4 full; rotorcraft always run at 4.
std::uint32_t gf_motionThrottle(const LiveAircraft& aircraft, std::uint32_t state);
// Both sample windows shrink by 100 ticks toward 1000.
void gf_shrinkSampleWindows(LiveAircraft& aircraft);
// Both sample windows opened: 3000 early, 5000 late in the take-off roll, else 3000.
void gf_openSampleWindows(LiveAircraft& aircraft);
// The curve is gone: NaN control point, parameter 0.
void gf_clearCurve(LiveAircraft& aircraft);
// Current tick of the engine.
std::int64_t gf_motionNow();
// Ticks until the next sample is due, at least 25.
double gf_ticksToNextSample(const LiveAircraft& aircraft);

// ---------------------------------------------------------------------------------------------
// Stand manoeuvres
// ---------------------------------------------------------------------------------------------

// Parks a taxiing aircraft on the stand where the feed stops it; false when it does not.
bool lf_parkAtAdjacentStand(LiveAircraft& aircraft, bool wide);
// An aircraft moving into a stand whose samples ran out has arrived.
void lf_arrivedAtStand(LiveAircraft& aircraft);
// Leaves the stand forwards.
void lf_pullOut(LiveAircraft& aircraft);
// Leaves the stand backwards.
void lf_pushBack(LiveAircraft& aircraft);

} // namespace ksb
