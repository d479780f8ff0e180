#pragma once
// The traffic engine's services that the application core, the simulator link, the live-traffic
// feed and the catalogue call. Each operation forwards to a member of one replaceable table, so
// that tests put a recording engine in its place and the engine itself can grow behind it.
//
// Locks: the engine state and its mutexes are in traffic/traffic_state.h. Callers hold
// trafficState.trafficMutex around the engine calls that walk or change the aircraft (the main
// loop's tick and per-second passes, the GUI thread around gf_applyMaxAircraft, the exit's walk,
// every caller of gf_standNameAt). gf_takeFeedRecords, gf_resetTraffic, gf_setFeedIntake and
// gf_postSimEvent take what they need themselves: call the first two without trafficMutex.
#include "core/flight_records.h"
#include "core/link_records.h"
#include "core/time_of_week.h"
#include "traffic/live_aircraft.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

// The main loop and the exit.

// One 10 ms tick while a flight runs.
void gf_trafficTick();
// Handles the inbound records and the start-up sequences of new objects.
void gf_processSimEvents();
// Chooses or re-checks the park airport from the user's position.
void gf_checkParkAirport(bool calculateNow);
// Reads my_park_airports.txt and the park-airport folder; the park-airports-okay flag.
bool gf_readParkAirports(bool force);
// Writes the first park airport and its reserved stand to my_park_airports.txt.
void gf_writeParkAirports();
// Creates the data folder and its flight-plan folder; filesystem errors propagate.
void gf_createFlightPlanFolder();
// Removes the flight-plan folder with its files; logs a failure and never throws.
bool gf_removeFlightPlanFolder();
// Opens or closes the feed intake (under the feed mutex).
void gf_setFeedIntake(bool open);
// The second step of a static-parking renewal; false when no park airport or no stands.
bool gf_refreshStaticParking(bool parkTrafficOnlySwitchedOn);
// Removes the aircraft standing on the user's reserved stand.
void gf_clearReservedStand();
// Re-reads the park airports and checks the reserved stand; true when text is to be shown.
bool gf_checkReservedStand(bool reRead, std::string& text);
// Releases the static parked twin of a live aircraft on the ground.
void lf_removeStaticTwinOfLive(LiveAircraft& live);
// Gives the aircraft the coupled callsign recorded around the given time.
void lf_searchForCoupledCsAroundThisTime(DayHalfHour now, LiveAircraft& live);
// True when the static parked aircraft stands for the same flight (hexid, registration, or the
// same or coupled callsign; the callsign without its last character is made inside).
bool lf_checkSameIdentity(const LiveAircraft& live, const AiAircraft& parked);
// Releases or cancels every static parked aircraft.
void gf_removeAllStatic();
// True when it removed the aircraft for a conflict with the airborne user aircraft.
bool lf_avoidUserCollision(LiveAircraft& live);
// Removes aircraft too close to the user aircraft on the ground.
void lf_avoidUserCollisionOnGround();
// True when it removed the static parked aircraft for standing too close to the live one.
bool lf_avoidCollisionWithLive(const LiveAircraft& liveCopy, AiAircraft& parked);
// Cancels the queued creations and waiting keys with that callsign and erases their live
// aircraft still in state 1 (the last record moves into each place); false when nothing of the
// callsign was left to cancel, the request had gone to the simulator. The callsign is a copy: the
// aircraft it came from may be the one erased. A walk over every state-1 aircraft in index order
// looks at the same index again when the vector shrank; a walk over only some of them collects
// the callsigns first (traffic/creation_cancel.h).
bool gf_cancelQueuedCreations(std::string callsign);
// Clears all traffic state at a restart (takes the engine's mutexes itself).
void gf_resetTraffic();
// Applies MAX_LIVE after it was entered.
void gf_applyMaxAircraft();
// The number of parked live aircraft; with show, also their average fit in the window.
int gf_updateLiveParkedShare(bool show);
// The number of static parked aircraft; with show, also their average fit in the window.
int gf_updateStaticParkedShare(bool show);

// The simulator link and the feed.

// Appends a record to the inbound queue (under the inbound mutex).
void gf_postSimEvent(SimInboundRecord record);
// The current park airport's stand within 55 m of the position while the user's aircraft is on
// the ground; empty otherwise. Never locks: the caller holds trafficMutex.
std::string gf_standNameAt(double latitude, double longitude);
// Takes a batch of feed records with its play delay in seconds; always leaves the batch empty.
void gf_takeFeedRecords(std::vector<LiveFlight>& batch, int delay);

namespace ksb {

// The implementations behind the operations above, one member each.
struct TrafficServices {
    std::function<void()> trafficTick;
    std::function<void()> processSimEvents;
    std::function<void(bool)> checkParkAirport;
    std::function<bool(bool)> readParkAirports;
    std::function<void()> writeParkAirports;
    std::function<void()> createFlightPlanFolder;
    std::function<bool()> removeFlightPlanFolder;
    std::function<void(bool)> setFeedIntake;
    std::function<bool(bool)> refreshStaticParking;
    std::function<void()> clearReservedStand;
    std::function<bool(bool, std::string&)> checkReservedStand;
    std::function<void(LiveAircraft&)> removeStaticTwinOfLive;
    std::function<void(DayHalfHour, LiveAircraft&)> searchForCoupledCsAroundThisTime;
    std::function<bool(const LiveAircraft&, const AiAircraft&)> checkSameIdentity;
    std::function<void()> removeAllStatic;
    std::function<bool(LiveAircraft&)> avoidUserCollision;
    std::function<void()> avoidUserCollisionOnGround;
    std::function<bool(const LiveAircraft&, AiAircraft&)> avoidCollisionWithLive;
    std::function<bool(std::string)> cancelQueuedCreations;
    std::function<void()> resetTraffic;
    std::function<void()> applyMaxAircraft;
    std::function<int(bool)> updateLiveParkedShare;
    std::function<int(bool)> updateStaticParkedShare;
    std::function<void(SimInboundRecord)> postSimEvent;
    std::function<std::string(double, double)> standNameAt;
    std::function<void(std::vector<LiveFlight>&, int)> takeFeedRecords;
};

// The engine's own implementations.
TrafficServices gf_defaultTrafficServices();
// The table in force.
const TrafficServices& gf_trafficServices();
// Replaces the table; members left empty get the default. Only while no other thread calls the
// engine (start-up, test set-up).
void gf_setTrafficServices(TrafficServices services);

// The user's aircraft is known to stand or roll on the ground; an unknown state counts as
// airborne. The engine's test wherever the user's ground state decides.
bool lf_userOnGround();

} // namespace ksb
