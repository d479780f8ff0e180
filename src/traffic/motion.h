#pragma once
// The motion of live aircraft in the simulator: ground motion and re-timing, airborne motion with
// take-off and landing, and the stand manoeuvres. The three call each other through this header;
// it is the engine's own, not part of traffic.h. Everything here runs inside the tick with the
// traffic mutex held.
#include "core/airport_records.h"
#include "core/flight_records.h"
#include "traffic/live_aircraft.h"

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
// A parked aircraft whose departure was requested: forwards when its next movement lies within
// 90 degrees of the stand heading, else backwards.
void lf_leaveStand(LiveAircraft& aircraft);
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
