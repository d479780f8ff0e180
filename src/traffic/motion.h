#pragma once
// The motion of live aircraft in the simulator: ground motion and re-timing, airborne motion with
// take-off and landing, and the stand manoeuvres. The three call each other through this header;
// it is the engine's own, not part of traffic.h. Everything here runs inside the tick with the
// traffic mutex held.
#include "core/airport_records.h"
#include "core/flight_records.h"
#include "core/geodesy.h"
#include "traffic/live_aircraft.h"
#include "traffic/motion_ticks.h"

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
// The longitude halfway from a to b the short way round, in [-180, 180].
double gf_meanLongitude(double a, double b);

// A point in the local metric frame of a ground path: metres north and east of its origin.
struct LocalOffset {
    double north = 0.0;
    double east = 0.0;
};
// The point's offset from the origin; the longitude difference taken the short way round.
LocalOffset gf_localOffset(const Position& origin, const Position& point);

// A heading brought into [0, 2 pi).
double gf_wrapHeading(double radians);
// A sample's position, and whether two samples stand on the same spot.
inline Position gf_samplePosition(const PositionSample& sample) {
    return {sample.latitude, sample.longitude};
}
inline bool gf_samePosition(const PositionSample& a, const PositionSample& b) {
    return a.latitude == b.latitude && a.longitude == b.longitude;
}
// Only the current sample stays queued.
inline void gf_keepCurrentSample(LiveAircraft& aircraft) {
    if (aircraft.samples.size() > 1) {
        aircraft.samples.erase(aircraft.samples.begin() + 1, aircraft.samples.end());
    }
}
// Where the aircraft is now.
inline Position gf_aircraftPosition(const LiveAircraft& aircraft) {
    return {aircraft.position.latitude, aircraft.position.longitude};
}

// The signed shortest turn from one direction to another, radians in (-pi, pi].
double gf_signedTurn(double fromRadians, double toRadians);
// The size of that turn in degrees, 0 to 180.
double gf_turnDegrees(double fromRadians, double toRadians);
// The heading turned toward the target by at most the rate, the shorter way, never past it;
// in [0, 2 pi).
double gf_turnToward(double heading, double target, double rate);

// ---------------------------------------------------------------------------------------------
// Ground motion, re-timing and synthetic samples
// ---------------------------------------------------------------------------------------------

// The front of the queue is the current sample (the one last reached), behind it the next one
// and the one after it. "Now" is trafficState.tickCounter.

// The sample step, when the tick has reached the first queued sample's due tick: keeps at least
// two samples (making synthetic ones) or releases the aircraft, then moves on by one sample.
void lf_nextSample(LiveAircraft& aircraft);
// One step from the current to the next sample; the current one leaves the queue.
void lf_moveAircraft(LiveAircraft& aircraft);
// The ground model of one sample step, ending with the re-timing of the next sample.
void lf_groundPhase(LiveAircraft& aircraft);
// The per-tick step: the horizontal half here, then lf_followCurveVertical.
void lf_followCurve(LiveAircraft& aircraft);

// Signed radians (-pi, pi] to turn from the aircraft's heading to the bearing from the next
// sample to the one after it; 0 with fewer than three samples or when those two coincide.
double lf_headingDifference(LiveAircraft& aircraft);
// Puts a sample halfway between the current and the next one.
void lf_insertMidSample(LiveAircraft& aircraft);
// A mid sample when the speed changes by more than 5 kt over at least 100 m.
void lf_checkSpeedChange(LiveAircraft& aircraft);
// A curve from the aircraft through the next sample to the one after it, which replaces the
// next sample. Needs three samples.
void lf_setUpCurve(LiveAircraft& aircraft);
// No curve: control point NaN, parameter 0. The curve's x is east, y north, in metres.
void lf_clearCurve(LiveAircraft& aircraft);
bool lf_hasCurve(const LiveAircraft& aircraft);
// The curve step that reaches the curve's end at the next sample's due tick (at least 25 ticks
// away).
void lf_setCurveStep(LiveAircraft& aircraft);

// Both windows 3000 early and 3000 late (5000 late in the take-off roll).
void lf_openWindows(LiveAircraft& aircraft);
// Windows above 1000 shrink by 100, not below 1000.
void lf_shrinkWindows(LiveAircraft& aircraft);

// Re-times the next sample from distance and speed within the windows.
void lf_timeNextGroundSample(LiveAircraft& aircraft);
// The next sample due ticks from now, clamped into the windows around its feed due tick unless
// synthetic samples run, never before now.
void lf_setNextSampleTick(LiveAircraft& aircraft, std::int64_t ticks);
// Knots between the current and the next sample, at least 1.
double lf_groundSpeedEstimate(const LiveAircraft& aircraft);

// One synthetic sample when one may be made; false when the aircraft's life is over.
bool lf_extendSamples(LiveAircraft& aircraft);
// Appends a synthetic sample after the current one and stores the count in extraSamples.
void lf_makeSyntheticSample(LiveAircraft& aircraft, std::int32_t count);
// Hands an aircraft that ends on the ground without a stand to the soft-stand learning.
void lf_learnSoftAtEnd(LiveAircraft& aircraft);
// The feed speaks again: the made-up samples end, the current one is due at the next tick and
// the windows open.
void lf_endSyntheticSamples(LiveAircraft& aircraft);

// The intake's tests of a new feed sample of a taxiing or airborne aircraft; false: not appended.
// Both may change the sample (repeated, speed, values of the last queued one).
bool lf_acceptSample(LiveAircraft& aircraft, PositionSample& sample);
// The test while the landing roll or a tow holds the aircraft: reversals stop and turn it.
bool lf_checkReversal(LiveAircraft& aircraft, PositionSample& sample);

// ---------------------------------------------------------------------------------------------
// Airborne motion, take-off and landing
// ---------------------------------------------------------------------------------------------

// Re-times the next sample of an airborne aircraft.
void lf_airborneStep(LiveAircraft& aircraft);
// Vertical, pitch, heading, bank, lights and configuration for the coming sample interval. It
// reads the next sample and its ticks from the queue: skipping to an airborne sample (a take-off
// seen late) replaces the next sample the caller passes.
void lf_airbornePhase(LiveAircraft& aircraft, std::int64_t ticks, PositionSample& next);
// Throttle during taxi and the take-off roll, and the lift-off decision.
void lf_takeOffPhase(LiveAircraft& aircraft);
// The vertical half of the per-tick step, after the horizontal half (lf_followCurve).
void lf_followCurveVertical(LiveAircraft& aircraft);
// The feed shows the take-off roll starting (also from the lift-off when it was missed).
void lf_startTakeOffRoll(LiveAircraft& aircraft);
// The roll's controls with the given throttle: spoilers in, flaps 1, roll lights, wide windows.
// The feed's take-off of a towed aircraft starts here too.
void lf_beginTakeOffRoll(LiveAircraft& aircraft, std::uint32_t throttle);
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
// The pitch (radians, negative nose up) an airborne aircraft aims at for a vertical rate in feet
// per minute; the creation's first pitch too.
double gf_airbornePitchTarget(double verticalRate);

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
// A parked aircraft that the feed moves on while its departure is still requested (no push back
// could start) leaves forwards toward the feed under its own power.
void lf_leaveStandUnpushed(LiveAircraft& aircraft);
// A new feed sample of an aircraft on or moving into its stand; true: append the sample.
bool lf_standDepartureCheck(LiveAircraft& aircraft, PositionSample& sample);
// Tow detection and learning as a parked aircraft starts to leave.
void lf_departFromStand(LiveAircraft& aircraft);
// True when the other aircraft parked on the stand gave way (released).
bool lf_removeParkedAtStand(std::uint32_t standId, LiveAircraft& other);
// The two samples that take the aircraft into the stand.
void lf_pathIntoStand(LiveAircraft& aircraft, const ParkPosition& stand);
// The aircraft is removed and created again with another livery, keeping its place.
void lf_liveryChange(LiveAircraft& aircraft);

} // namespace ksb
