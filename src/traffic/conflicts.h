#pragma once
// The rules that decide who gives way when a stand is wanted twice, a ghost turns up or too many
// aircraft are parked, and the lists the static-parking renewal takes. Every rule only releases
// (trafficState.linkServices.releaseAiAircraft), flags or refuses: none erases a record, so each
// is safe inside a walk over the live aircraft. The caller holds trafficState.trafficMutex.
#include "core/airport_records.h"
#include "traffic/live_aircraft.h"

#include <cstdint>
#include <string>
#include <vector>

namespace ksb {

struct StandRuleContext;

// A parked live aircraft and its whole minutes on the stand.
struct ParkedMinutes {
    std::uint32_t flightKey = 0;
    std::int64_t minutes = 0;
};

// Placement: `other`, parked on the wanted stand, against the newcomer of the same or a related
// callsign. True when the stand is refused (the walk ends); a released `other` gives false.
bool lf_sameCallsignWantsStand(StandRuleContext& context, LiveAircraft& other);
// Placement: `other`, parked on the neighbour stand, refuses the wanted stand when their wings
// (by type) would touch. True when refused.
bool lf_adjacentStandConflict(StandRuleContext& context, LiveAircraft& other);
// Adjacent-stand parking: `other`, parked on the neighbour stand, is released when its wings and
// the arriving aircraft's would touch. True when released.
bool lf_removedByAdjacentParking(StandRuleContext& context, LiveAircraft& other);

// A flight with this callsign arrives: its ghost (callsign + "_") goes, in whatever state.
void lf_removeGhost(const std::string& callsign);
// True when another live aircraft not being removed carries the text without its last
// character.
bool lf_callsignInUse(const std::string& text);

// Keeps the parked aircraft within the wanted count, counting `extra` more parked live ones.
void lf_checkMaxPark(int extra);
// The parked live aircraft in state 2, most minutes first; equal minutes keep the live order.
void lf_listParkedLive(std::vector<ParkedMinutes>& list);

// Fills trafficState.parkedLive for the renewal, fewest minutes first, releasing those parked
// too long without a feed sample at their stand.
void lf_collectParkedLive();
// Releases the n parked live aircraft that have stood longest.
void lf_removeLongestParked(int n);
// Releases the aircraft when it is parked in state 2 and its key is listed; true when it did.
bool lf_removeListedParked(const std::vector<std::uint32_t>& keys, LiveAircraft& aircraft);

// The tail number of a static parked aircraft planned by the entry, with its flight key.
std::string lf_staticCallsign(const StandToFill& entry, std::uint32_t key);

} // namespace ksb
