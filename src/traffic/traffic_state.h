#pragma once
// The traffic engine's state that the rest of the program reads, walks or empties: the aircraft
// lists, the queues between the engine and the simulator link and the park-airport choice. One
// object, so that a restart and every test start from the same empty state; its reset also
// empties the park-airport state (src/airports), whose stand table the engine walks.
//
// Lock order: trafficMutex first; inside it one of feedMutex, inboundMutex or (in the simulator
// link's functions) the link's send-queue mutex, never two of them at once. After these only the
// message, leaf and log locks, in rising rank.
#include "core/airport_records.h"
#include "core/flight_key_hash.h"
#include "core/flight_records.h"
#include "core/geodesy.h"
#include "core/link_records.h"
#include "core/ranked_mutex.h"
#include "core/run_capacities.h"
#include "core/time_of_week.h"
#include "traffic/live_aircraft.h"
#include "traffic/stand_search.h"
#include "traffic/traffic_feed_services.h"
#include "traffic/traffic_hooks.h"
#include "traffic/traffic_link_services.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <list>
#include <mutex>
#include <set>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace ksb {

// A static parked aircraft that the re-calculation of the static parking removes.
struct StaticAdjustment {
    std::string callsign;
    std::uint32_t standId = 0;
};

// A parked live aircraft as the static-parking calculation lists it.
struct ParkedLiveEntry {
    std::string callsign;
    std::uint32_t standId = 0;
    std::int32_t minutes = 0; // without a feed sample at its stand
};

// A static parked aircraft that the re-calculation of the static parking keeps on its stand.
struct StaticStayer {
    std::string callsign;     // the callsign the feed gave it
    std::string tail;         // its tail number without the '*'
    std::string registration;
    std::string airline;
    std::string type;
    DayHalfHour standingSince = 0;
    std::uint32_t standId = 0;
    bool fromParkTraffic = false;
};

// A flight and the half hour (0..47) at which it was last learned on a stand.
struct LastLearned {
    std::uint32_t flightKey = 0;
    std::int32_t slot = 0;
};

// The last answer of gf_standNameAt: the user who has not moved asks again and again.
struct StandNameMemo {
    Position position;
    std::string answer;
    bool valid = false;
};

class TrafficState {
public:
    TrafficState() = default;
    TrafficState(const TrafficState&) = delete;
    TrafficState& operator=(const TrafficState&) = delete;

    // Back to the start values, the park-airport state with them; takes the engine's mutexes in
    // their order, so the caller holds none of them.
    void reset();
    // Grows the engine's lists and the park airport's stand table to the run's capacities; takes
    // the engine's mutexes in their order, so the caller holds none of them.
    void reserve(const RunCapacities& capacities);

    // Serialises every walk over the live aircraft. Guards the live and static aircraft, the
    // queues and lists below, and the park-airport state (gf_parkAirportState()).
    RankedMutex trafficMutex{LockRank::traffic, "traffic"};
    // Guards the inbound queue, nothing else.
    RankedMutex inboundMutex{LockRank::inbound, "inbound"};
    // Guards the intake flag, the pending batch and its counters, nothing else.
    RankedMutex feedMutex{LockRank::feed, "feed"};

    // trafficMutex
    std::vector<LiveAircraft> live;
    std::vector<AiAircraft> statics;           // the static parked aircraft
    // Positions in live and statics by flight key and by object id (0 never indexed); kept up
    // by traffic/aircraft_index.h.
    using AircraftIndex = std::unordered_map<std::uint32_t, std::size_t, FlightKeyHash>;
    AircraftIndex liveByKey;
    AircraftIndex liveByObject;
    AircraftIndex staticByKey;
    AircraftIndex staticByObject;
    std::deque<std::uint32_t> removals;        // object ids, oldest first
    std::deque<std::uint32_t> identityChecks;  // flight keys, oldest first
    std::set<std::string> noLiveryKeys;        // Flight::noLiveryKey of flights without a livery
    std::vector<std::string> ghostCallsigns;   // each ending in '_'
    std::vector<std::uint32_t> waitingKeys;    // flight keys; taken from the end
    std::vector<StandToFill> standsToFill;     // taken from the end
    std::vector<StaticAdjustment> adjustments; // removals of the static-parking re-calculation
    std::list<ParkAirport> parkAirports;       // in distance order after each sort
    Airport parkAirport;                       // the chosen one; empty code = none
    std::string reservedStand;                 // the user's reserved stand; empty = none
    std::unordered_map<std::uint32_t, std::string_view, FlightKeyHash> liveryCache; // key -> title
    std::set<std::string> seenCallsigns;     // replaced by the feed
    std::set<std::uint32_t> seenFlightIds;   // replaced by the feed
    std::vector<ParkedLiveEntry> parkedLive; // the parked live aircraft, fewest minutes first
    // The half-hour offsets the static parking's real and soft passes last reached; -1 = none.
    std::int32_t realFitOffset = -1;
    std::int32_t softFitOffset = -1;
    std::vector<LastLearned> lastLearned; // searched linearly
    Position sortPosition;                // the user's position when parkAirports was last sorted
    bool parkAirportPendingLoad = false;  // chosen; loaded and calculated at the next check
    bool softLearningAllowed = true;      // false when the park airport learned enough for real
    std::vector<StaticStayer> stayers;    // of the last re-calculation
    // The static parking's learned candidates: accepted so far, and those of the current offset.
    std::vector<LearnedCandidate> acceptedCandidates;
    std::vector<LearnedCandidate> offsetCandidates;
    std::uint32_t staticKeyCounter = 0; // the last static flight key given; 1..9999
    StandNameMemo standNameMemo;          // emptied whenever the stand table changes
    // Only the tick thread touches them, so the light toggles go out without the inbound mutex.
    std::vector<SimInboundRecord> startupSequences;
    std::vector<SimInboundRecord> inboundTaken;  // the inbound queue swapped out for handling
    std::deque<AiCreateRequest> liveCreations;   // oldest first
    std::deque<AiCreateRequest> staticCreations; // oldest first
    std::vector<PositionUpdate> positionWrites;  // swapped with the link's send list
    bool fastRange = false;                      // range request every 20 ticks, not 100
    UserAircraftState userState;                 // the last answer to the user-position request
    // The user's position when the ground-collision pass last tested the static aircraft.
    Position userGroundCheck;

    // The simulator link's and the feed's functions, wired at start-up, and the engine's later
    // stages; all kept by the reset.
    TrafficLinkServices linkServices;
    TrafficFeedServices feedServices;
    TrafficHooks hooks;

    // Its own leaf lock: the exit thread removes the folder without the traffic mutex.
    RankedMutex flightPlanFolderMutex{LockRank::leaf, "flight-plan folder"};
    std::filesystem::path flightPlanFolder; // computed on first use; kept by the reset

    // inboundMutex
    std::vector<SimInboundRecord> inbound;

    // feedMutex
    bool intakeOpen = false;
    std::vector<LiveFlight> pendingBatch; // taken from the end
    std::int64_t pendingCount = 0;        // records left to take from the pending batch
    bool pendingDoubleTake = false;       // two records per tick
    std::int64_t pendingTicks = 0;        // ticks since the pending batch arrived

    // Read without the traffic mutex by the window and the main loop.
    std::atomic<bool> reservedStandFlag{false}; // the main loop clears the reserved stand
    std::atomic<std::int32_t> currentQnh{1013}; // hectopascal; written by the weather reader
    std::atomic<std::int32_t> tickCounter{0};   // 10 ms ticks; the base of every play tick
};

} // namespace ksb

extern ksb::TrafficState trafficState;

// Tests: the engine back to a fresh one: trafficState.reset(), the default neighbour tables and
// hooks, and no flight-plan folder path (the next use takes the data folder in force).
void gf_resetTrafficForTests();
