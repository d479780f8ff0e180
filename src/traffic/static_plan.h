#pragma once
// The pieces of the static parking's plan (traffic/static_parking.h): the time frame, the stand
// marks, the parked-traffic placement, the learned candidates and the removal of the static
// aircraft the plan gives up. The caller holds trafficState.trafficMutex; nothing here takes it.
#include "core/flight_records.h"
#include "core/time_of_week.h"
#include "traffic/live_aircraft.h"
#include "traffic/stand_search.h"

#include <cstdint>
#include <vector>

namespace ksb {

struct StaticStayer;

// Logs the time of week a calculation plans for and returns it (dayHalfHourNow).
DayHalfHour lf_logTimeFrame();
// Blocks the user's reserved stand and the stand under the user aircraft for static parking.
void lf_blockUserStands();
// What both calculations do first: the window's fits and indicator reset, the plan's lists
// emptied, the stands' taken, blocked and adjacent-taken marks cleared.
void lf_startStaticPlan();

// True when the time `since` lies at or after `other` (fewer half hours have passed since it
// than since `other`, counted back from now through the week).
bool lf_sameTimeOrLater(DayHalfHour since, DayHalfHour other, DayHalfHour now);
// The list of stands to fill in sort-key order, equal keys keeping their order.
void lf_sortStandsToFill(bool descending);

// The parked-traffic records in feed order; stops at the wanted count unless only parked traffic
// is wanted. Nothing when fewer than one stand is wanted and parked traffic is not the only kind.
void lf_placeParkedFlights(const std::vector<ParkedFlight>& records);
// One record: skipped when it flies live, placed on its free stand within 110 m, or held back by
// a static parked-traffic aircraft on that stand (which either goes at once or stays).
void lf_placeParkTraffic(const ParkedFlight& record);
// The live aircraft is the record's aircraft: the same flight id, the callsign (or its ghost
// form), or the same registration. Empty texts match nothing.
bool lf_isLiveTwin(const ParkedFlight& record, const LiveAircraft& live);
// Each static parked-traffic aircraft that the new entries plan again on its stand stays (it
// joins the stayers, its entry goes); any other goes on the removal list.
void lf_keepPlannedParkTraffic();
// The stayer record of a static aircraft the renewal keeps.
StaticStayer lf_stayerOf(const AiAircraft& parked);

// Appends the learned entries for the stands still wanted (`have` are planned or standing).
void lf_collectLearnedPositions(DayHalfHour time, std::int64_t wanted, std::int64_t have);
// Widens the search half an hour at a time up to MAX_FIT; true when the wanted count of taken
// stands was reached, the last offset's candidates then still in `offsetCandidates`.
bool lf_positionFit(DayHalfHour time, bool soft, std::int64_t wanted,
                    std::vector<LearnedCandidate>& offsetCandidates,
                    std::vector<LearnedCandidate>& acceptedCandidates);
// Shuffles the candidates and drops n of them from the end (all when fewer).
void lf_dropRandomCandidates(std::int64_t n, std::vector<LearnedCandidate>& candidates);

// Removes a static aircraft at once: one in the simulator is released; one whose creation waits
// is cancelled, or marked to be removed once created when its request has gone. Others are left
// alone. A cancel erases records, so no reference into trafficState.statics survives the call.
void lf_removeStaticAircraft(AiAircraft& aircraft);
// Removes, for each entry of the removal list, the first static aircraft standing on its stand
// that has not been given up yet.
void lf_applyStaticRemovals();
// A static aircraft the plan may still keep or replace: waiting for creation or in the
// simulator, and not marked to go once created.
bool lf_staticStillStanding(const AiAircraft& aircraft);

} // namespace ksb
