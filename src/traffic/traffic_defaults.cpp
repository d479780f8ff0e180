// The engine's own implementations behind the service table. Members marked PLACEHOLDER wait
// for the engine stages that build them: each does the least its callers can live with.
#include "traffic/creation_cancel.h"
#include "traffic/feed_intake.h"
#include "traffic/flight_plans.h"
#include "traffic/inbound_records.h"
#include "traffic/max_aircraft.h"
#include "traffic/stand_name_at.h"
#include "traffic/stand_search.h"
#include "traffic/tick.h"
#include "traffic/traffic.h"
#include "traffic/traffic_reset.h"
#include "traffic/traffic_state.h"

#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace ksb {

TrafficServices gf_defaultTrafficServices() {
    TrafficServices s;
    s.trafficTick = [] { ksb::gf_trafficTick(); };
    s.processSimEvents = [] { ksb::gf_processSimEvents(); };
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
    s.searchForCoupledCsAroundThisTime = [](DayHalfHour now, LiveAircraft& live) {
        ksb::lf_searchForCoupledCsAroundThisTime(now, live);
    };
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
    s.cancelQueuedCreations = [](std::string callsign) {
        return ksb::lf_cancelQueuedCreations(std::move(callsign));
    };
    s.resetTraffic = [] { ksb::gf_resetTraffic(); };
    s.applyMaxAircraft = [] { ksb::gf_applyMaxAircraft(); };
    // PLACEHOLDER: counts no parked live aircraft (traffic engine issues).
    s.updateLiveParkedShare = [](bool) { return 0; };
    // PLACEHOLDER: counts no static parked aircraft (traffic engine issues).
    s.updateStaticParkedShare = [](bool) { return 0; };
    s.postSimEvent = [](SimInboundRecord record) { ksb::gf_postSimEvent(record); };
    s.standNameAt = [](double latitude, double longitude) {
        return ksb::lf_standNameAt(latitude, longitude);
    };
    s.takeFeedRecords = [](std::vector<LiveFlight>& batch, int delay) {
        ksb::gf_takeFeedRecords(batch, delay);
    };
    return s;
}

} // namespace ksb
