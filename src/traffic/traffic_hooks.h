#pragma once
// The engine's calls into its own later stages (admission, motion, stand manoeuvres, conflicts,
// static parking). Each member starts as the default below and is pointed at the real function
// once that stage exists; tests replace members for one test. No member is ever empty.
#include "core/flight_records.h"
#include "traffic/admission.h"
#include "traffic/conflicts.h"
#include "traffic/live_aircraft.h"
#include "traffic/motion.h"
#include "traffic/static_creation.h"

#include <cstdint>
#include <functional>
#include <string>

namespace ksb {

// What a stand rule is asked about: may the newcomer take the wanted stand? A rule that objects
// sets allowed to false.
struct StandRuleContext {
    std::uint32_t wantedStandId = 0;
    std::uint32_t neighbourStandId = 0; // 0 in the same-callsign walk
    const LiveAircraft& newcomer;
    bool allowed = true;
};

struct TrafficHooks {
    // Admission of an aircraft in state new.
    std::function<void(LiveAircraft&)> admitNewAircraft = lf_admitNewAircraft;
    // The sample step and the per-tick step of the motion.
    std::function<void(LiveAircraft&)> nextSample = lf_nextSample;
    std::function<void(LiveAircraft&)> followCurve = lf_followCurve;
    // The motion's tests of a new feed sample, and the one while a hold flag is set.
    std::function<bool(LiveAircraft&, PositionSample&)> acceptSample = lf_acceptSample;
    std::function<bool(LiveAircraft&, PositionSample&)> checkReversal = lf_checkReversal;
    std::function<bool(LiveAircraft&, PositionSample&)> standDepartureCheck =
        lf_standDepartureCheck;
    // The feed shows the take-off roll starting.
    std::function<void(LiveAircraft&)> startTakeOffRoll = lf_startTakeOffRoll;
    // The simulator reports the aircraft on the ground.
    std::function<void(LiveAircraft&)> landed = lf_landed;
    std::function<void(LiveAircraft&)> liveryChange = lf_liveryChange;
    // A flight with the callsign arrives; its ghost goes.
    std::function<void(const std::string& callsign)> removeGhost = lf_removeGhost;
    // The stand rules: placement offers each live aircraft in turn until one call answers true,
    // and refuses the stand when the context is no longer allowed afterwards.
    std::function<bool(StandRuleContext&, LiveAircraft& other)> sameCallsignWantsStand =
        lf_sameCallsignWantsStand;
    std::function<bool(StandRuleContext&, LiveAircraft& other)> adjacentStandConflict =
        lf_adjacentStandConflict;
    // An aircraft taxiing into the wanted stand releases the other, parked on the neighbour
    // stand, when their wings would touch; true when it did.
    std::function<bool(StandRuleContext&, LiveAircraft& other)> removedByAdjacentParking =
        lf_removedByAdjacentParking;
    // Keeps the parked aircraft within their limit, counting `extra` more.
    std::function<void(int extra)> checkMaxPark = lf_checkMaxPark;
    // The next planned static parked aircraft, one per creation slot.
    std::function<void()> createStaticParked = gf_createStaticParked;

    TrafficHooks();
};

} // namespace ksb
