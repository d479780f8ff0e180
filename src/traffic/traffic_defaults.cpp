// The engine's own implementations behind the service table.
#include "traffic/aircraft_overlap.h"
#include "traffic/creation_cancel.h"
#include "traffic/feed_intake.h"
#include "traffic/flight_plans.h"
#include "traffic/inbound_records.h"
#include "traffic/max_aircraft.h"
#include "traffic/park_airports.h"
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
    s.checkParkAirport = [](bool calculateNow) { ksb::gf_checkParkAirport(calculateNow); };
    s.readParkAirports = [](bool force) { return ksb::gf_readParkAirports(force); };
    s.writeParkAirports = [] { ksb::gf_writeParkAirports(); };
    s.createFlightPlanFolder = [] { ksb::gf_createFlightPlanFolder(); };
    s.removeFlightPlanFolder = [] { return ksb::gf_removeFlightPlanFolder(); };
    s.setFeedIntake = [](bool open) {
        std::lock_guard lock(trafficState.feedMutex);
        trafficState.intakeOpen = open;
    };
    s.refreshStaticParking = [](bool parkTrafficOnlySwitchedOn) {
        return ksb::gf_refreshStaticParking(parkTrafficOnlySwitchedOn);
    };
    s.clearReservedStand = [] { ksb::gf_clearReservedStand(); };
    s.checkReservedStand = [](bool reRead, std::string& text) {
        return ksb::gf_checkReservedStand(reRead, text);
    };
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
