#pragma once
// Two aircraft overlap on the ground when they stand closer than 1.1 times the sum of their half
// wing spans. The once-a-second rules test many pairs, so a pair that the latitudes alone put far
// apart is settled before any haversine. The caller holds trafficState.trafficMutex.
#include "core/flight_records.h"
#include "core/geodesy.h"
#include "traffic/live_aircraft.h"

namespace ksb {

// True when the latitude difference alone puts the points more than limitNm apart.
bool gf_fartherByLatitude(const Position& a, const Position& b, double limitNm);
// Strictly closer than limitNm.
bool gf_closerThanNm(const Position& a, const Position& b, double limitNm);
// The distance below which two aircraft of these half spans (nautical miles) overlap.
double gf_overlapDistanceNm(double halfSpanA, double halfSpanB);

// Where the simulator has a live aircraft; where a static one stands.
Position gf_livePosition(const LiveAircraft& aircraft);
Position gf_standPosition(const AiAircraft& aircraft);

// Releases the static aircraft (state 2 only) that the live one overlaps; true when it did.
bool lf_avoidCollisionWithLive(const LiveAircraft& liveCopy, AiAircraft& parked);

} // namespace ksb
