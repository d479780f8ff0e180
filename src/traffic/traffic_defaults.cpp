// The engine's own implementations behind the service table. Most are placeholders until the
// traffic engine is built: each does the least its callers can live with.
#include "core/sim_session_state.h"
#include "traffic/feed_intake.h"
#include "traffic/flight_plans.h"
#include "traffic/traffic.h"
#include "traffic/traffic_state.h"

#include <cstdint>
#include <mutex>
#include <vector>

namespace {

// Every 100 ticks (once a second) the worker's copy of the user state is refreshed; without it
// the position would stay as start-up left it.
constexpr std::int32_t kUserStateTicks = 100;

} // namespace

namespace ksb {

TrafficServices gf_defaultTrafficServices() {
    TrafficServices s;
    // PLACEHOLDER: the tick (traffic engine issues). Only the duties the rest of the program
    // relies on already: the inbound records taken and the user state refreshed.
    s.trafficTick = [] {
        gf_processSimEvents();
        if (trafficState.tickCounter.fetch_add(1) % kUserStateTicks == kUserStateTicks - 1) {
            gf_setUserState(trafficState.linkServices.requestUserPosition());
        }
    };
    // PLACEHOLDER: the inbound records and start-up sequences (traffic engine issues). Takes
    // the queue and drops the records, so that it never grows.
    s.processSimEvents = [] {
        // Cleared in place: the queue keeps the capacity the run reserved.
        std::lock_guard lock(trafficState.inboundMutex);
        trafficState.inbound.clear();
    };
    // PLACEHOLDER: the park-airport choice (traffic engine issues).
    s.checkParkAirport = [](bool) {};
    // PLACEHOLDER: reads no park airports (traffic engine issues).
    s.readParkAirports = [](bool) { return false; };
    // PLACEHOLDER: writes nothing (traffic engine issues).
    s.writeParkAirports = [] {};
    s.createFlightPlanFolder = [] { ksb::gf_createFlightPlanFolder(); };
    s.removeFlightPlanFolder = [] { return ksb::gf_removeFlightPlanFolder(); };
    s.setFeedIntake = [](bool open) {
        std::lock_guard lock(trafficState.feedMutex);
        trafficState.intakeOpen = open;
    };
    // PLACEHOLDER: no static parking to refresh (traffic engine issues).
    s.refreshStaticParking = [](bool) { return false; };
    // PLACEHOLDER: removes nothing (traffic engine issues).
    s.clearReservedStand = [] {};
    // PLACEHOLDER: nothing to show, the text untouched (traffic engine issues).
    s.checkReservedStand = [](bool, std::string&) { return false; };
    // PLACEHOLDER: releases nothing (traffic engine issues).
    s.removeStaticTwinOfLive = [](LiveAircraft&) {};
    // PLACEHOLDER: finds no coupled callsign (traffic engine issues).
    s.searchForCoupledCsAroundThisTime = [](DayHalfHour, LiveAircraft&) {};
    // PLACEHOLDER: never the same flight (traffic engine issues).
    s.checkSameIdentity = [](const LiveAircraft&, const AiAircraft&) { return false; };
    // PLACEHOLDER: releases nothing (traffic engine issues).
    s.removeAllStatic = [] {};
    // PLACEHOLDER: removes nothing (traffic engine issues).
    s.avoidUserCollision = [](LiveAircraft&) { return false; };
    // PLACEHOLDER: removes nothing (traffic engine issues).
    s.avoidUserCollisionOnGround = [] {};
    // PLACEHOLDER: removes nothing (traffic engine issues).
    s.avoidCollisionWithLive = [](const LiveAircraft&, AiAircraft&) { return false; };
    // PLACEHOLDER: cancels nothing (traffic engine issues).
    s.cancelQueuedCreations = [](std::string) { return false; };
    s.resetTraffic = [] { trafficState.reset(); };
    // PLACEHOLDER: removes nothing and leaves the MAX_LIVE field alone (traffic engine issues).
    s.applyMaxAircraft = [] {};
    // PLACEHOLDER: counts no parked live aircraft (traffic engine issues).
    s.updateLiveParkedShare = [](bool) { return 0; };
    // PLACEHOLDER: counts no static parked aircraft (traffic engine issues).
    s.updateStaticParkedShare = [](bool) { return 0; };
    // PLACEHOLDER: drops the record; nothing would take the queue yet (traffic engine issues).
    s.postSimEvent = [](SimInboundRecord) {};
    // PLACEHOLDER: no stand anywhere (traffic engine issues).
    s.standNameAt = [](double, double) { return std::string(); };
    s.takeFeedRecords = [](std::vector<LiveFlight>& batch, int delay) {
        ksb::gf_takeFeedRecords(batch, delay);
    };
    return s;
}

} // namespace ksb
