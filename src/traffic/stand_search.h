#pragma once
// The searches over the stand options of the park airport: the learned aircraft to plan for one
// half hour, recent use of a stand, and the stand on which a soft option is learned. The caller
// holds trafficState.trafficMutex; nothing here takes a lock. Random choices go through
// gf_trafficDraw.
#include "core/airport_records.h"
#include "core/time_of_week.h"
#include "traffic/live_aircraft.h"

#include <bitset>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// A learned aircraft planned for static parking.
struct LearnedCandidate {
    std::string airline;
    std::string type;
    std::uint32_t standId = 0;
    std::int32_t fit = 0; // half hours between the time and the observation
    std::string registration;
    std::string callsign;
    std::string coupledCallsign;
    bool stays = false; // still there in the next half hour
};

// A stand the soft search may choose.
struct SoftCandidate {
    std::string standName;
    int score = 0; // steps of spare radius; 0 fits best
    bool match = false;
};

// Plans, for the half hour offset half hours before the time, one aircraft on each free stand
// whose options say one stood there (real or soft options as soft says), skipping aircraft that
// are live, already planned, or in chosen; appends them to plan and marks their stands taken.
// An aircraft passed over is excluded from later searches. An exception ends the search (logged);
// what was planned stays.
void lf_searchStands(DayHalfHour time, bool soft, int offset, std::vector<LearnedCandidate>& plan,
                     const std::vector<LearnedCandidate>& chosen);
// Whether an aircraft of the airline and type stood on the stand within the last half hours (the
// larger fit offset of the static parking), into the previous day.
bool lf_sameTypeOnStandRecently(DayHalfHour time, std::uint32_t standId, std::string_view airline,
                                std::string_view type);
// The stand on which the aircraft, which stood near stands without parking, is learned as a soft
// option at the time; nullptr when none suits. With mayTryNext an airport of at most 10 stands
// is searched for the next half hour too.
ParkPosition* gf_findSoftStand(DayHalfHour time, const LiveAircraft& aircraft, bool mayTryNext);

// What the coupled-callsign search compares each option with.
struct CoupledSearch {
    std::int32_t day = 0;
    std::bitset<48> window;    // the half hours around the time
    std::string_view callsign; // without a ghost's '_'
    LiveAircraft* aircraft = nullptr;
};

// The coupled search's test of one option: it counts, is of the day, shares a half hour with the
// window, is of the aircraft's airline, has a coupled callsign and one of its two callsigns is the
// aircraft's. Then the aircraft takes both (logged with LOG on) and the result is true.
bool lf_coupledOptionMatches(const CoupledSearch& search, const StandObservation& option);

namespace ksb {

// Gives the live aircraft the callsign pair of the first option, in table order, recorded for its
// callsign within 5 hours of the time (7 for a heavy aircraft). Never throws.
void lf_searchForCoupledCsAroundThisTime(DayHalfHour time, LiveAircraft& aircraft);

} // namespace ksb
