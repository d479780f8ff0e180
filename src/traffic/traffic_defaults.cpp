// The engine's own implementations behind the service table. Members marked PLACEHOLDER wait
// for the engine stages that build them: each does the least its callers can live with.
#include "traffic/aircraft_overlap.h"
#include "traffic/creation_cancel.h"
#include "traffic/feed_intake.h"
#include "traffic/flight_plans.h"
#include "traffic/inbound_records.h"
#include "traffic/max_aircraft.h"
#include "traffic/parked_shares.h"
#include "traffic/reserved_stand.h"
#include "traffic/stand_name_at.h"
#include "traffic/stand_search.h"
#include "traffic/static_flush.h"
#include "traffic/static_identity.h"
#include "traffic/tick.h"
#include "traffic/traffic.h"
#include "traffic/traffic_reset.h"
#include "traffic/traffic_state.h"
#include "traffic/user_collision.h"

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
    s.clearReservedStand = [] { ksb::gf_clearReservedStand(); };
    // PLACEHOLDER: nothing to show, the text untouched (traffic engine issues).
    s.checkReservedStand = [](bool, std::string&) { return false; };
    s.removeStaticTwinOfLive = [](LiveAircraft& live) { ksb::lf_removeStaticTwinOfLive(live); };
    s.searchForCoupledCsAroundThisTime = [](DayHalfHour now, LiveAircraft& live) {
        ksb::lf_searchForCoupledCsAroundThisTime(now, live);
    };
    s.checkSameIdentity = [](const LiveAircraft& live, const AiAircraft& parked) {
        return ksb::lf_checkSameIdentity(live, parked);
    };
    s.removeAllStatic = [] { ksb::gf_removeAllStatic(); };
    s.avoidUserCollision = [](LiveAircraft& live) { return ksb::lf_avoidUserCollision(live); };
    s.avoidUserCollisionOnGround = [] { ksb::lf_avoidUserCollisionOnGround(); };
    s.avoidCollisionWithLive = [](const LiveAircraft& liveCopy, AiAircraft& parked) {
        return ksb::lf_avoidCollisionWithLive(liveCopy, parked);
    };
    s.cancelQueuedCreations = [](std::string callsign) {
        return ksb::lf_cancelQueuedCreations(std::move(callsign));
    };
    s.resetTraffic = [] { ksb::gf_resetTraffic(); };
    s.applyMaxAircraft = [] { ksb::gf_applyMaxAircraft(); };
    s.updateLiveParkedShare = [](bool show) { return ksb::gf_updateLiveParkedShare(show); };
    s.updateStaticParkedShare = [](bool show) { return ksb::gf_updateStaticParkedShare(show); };
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
