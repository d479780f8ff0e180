#include "traffic/traffic.h"

#include <utility>

namespace {

ksb::TrafficServices& lf_services() {
    static ksb::TrafficServices services = ksb::gf_defaultTrafficServices();
    return services;
}

// Every member of the table, for filling the empty ones with the defaults.
template <class Visit>
void lf_forEachMember(ksb::TrafficServices& a, ksb::TrafficServices& b, Visit visit) {
    visit(a.trafficTick, b.trafficTick);
    visit(a.processSimEvents, b.processSimEvents);
    visit(a.checkParkAirport, b.checkParkAirport);
    visit(a.readParkAirports, b.readParkAirports);
    visit(a.writeParkAirports, b.writeParkAirports);
    visit(a.createFlightPlanFolder, b.createFlightPlanFolder);
    visit(a.removeFlightPlanFolder, b.removeFlightPlanFolder);
    visit(a.setFeedIntake, b.setFeedIntake);
    visit(a.refreshStaticParking, b.refreshStaticParking);
    visit(a.clearReservedStand, b.clearReservedStand);
    visit(a.checkReservedStand, b.checkReservedStand);
    visit(a.removeStaticTwinOfLive, b.removeStaticTwinOfLive);
    visit(a.searchForCoupledCsAroundThisTime, b.searchForCoupledCsAroundThisTime);
    visit(a.checkSameIdentity, b.checkSameIdentity);
    visit(a.removeAllStatic, b.removeAllStatic);
    visit(a.avoidUserCollision, b.avoidUserCollision);
    visit(a.avoidUserCollisionOnGround, b.avoidUserCollisionOnGround);
    visit(a.avoidCollisionWithLive, b.avoidCollisionWithLive);
    visit(a.cancelQueuedCreations, b.cancelQueuedCreations);
    visit(a.resetTraffic, b.resetTraffic);
    visit(a.applyMaxAircraft, b.applyMaxAircraft);
    visit(a.updateLiveParkedShare, b.updateLiveParkedShare);
    visit(a.updateStaticParkedShare, b.updateStaticParkedShare);
    visit(a.postSimEvent, b.postSimEvent);
    visit(a.standNameAt, b.standNameAt);
    visit(a.takeFeedRecords, b.takeFeedRecords);
}

} // namespace

namespace ksb {

const TrafficServices& gf_trafficServices() {
    return lf_services();
}

void gf_setTrafficServices(TrafficServices services) {
    TrafficServices defaults = gf_defaultTrafficServices();
    lf_forEachMember(services, defaults, [](auto& member, auto& fallback) {
        if (!member) {
            member = std::move(fallback);
        }
    });
    lf_services() = std::move(services);
}

} // namespace ksb

void gf_trafficTick() {
    lf_services().trafficTick();
}
void gf_processSimEvents() {
    lf_services().processSimEvents();
}
void gf_checkParkAirport(bool calculateNow) {
    lf_services().checkParkAirport(calculateNow);
}
bool gf_readParkAirports(bool force) {
    return lf_services().readParkAirports(force);
}
void gf_writeParkAirports() {
    lf_services().writeParkAirports();
}
void gf_createFlightPlanFolder() {
    lf_services().createFlightPlanFolder();
}
bool gf_removeFlightPlanFolder() {
    return lf_services().removeFlightPlanFolder();
}
void gf_setFeedIntake(bool open) {
    lf_services().setFeedIntake(open);
}
bool gf_refreshStaticParking(bool parkTrafficOnlySwitchedOn) {
    return lf_services().refreshStaticParking(parkTrafficOnlySwitchedOn);
}
void gf_clearReservedStand() {
    lf_services().clearReservedStand();
}
bool gf_checkReservedStand(bool reRead, std::string& text) {
    return lf_services().checkReservedStand(reRead, text);
}
void lf_removeStaticTwinOfLive(LiveAircraft& live) {
    lf_services().removeStaticTwinOfLive(live);
}
void lf_searchForCoupledCsAroundThisTime(DayHalfHour now, LiveAircraft& live) {
    lf_services().searchForCoupledCsAroundThisTime(now, live);
}
bool lf_checkSameIdentity(const LiveAircraft& live, const AiAircraft& parked) {
    return lf_services().checkSameIdentity(live, parked);
}
void gf_removeAllStatic() {
    lf_services().removeAllStatic();
}
bool lf_avoidUserCollision(LiveAircraft& live) {
    return lf_services().avoidUserCollision(live);
}
void lf_avoidUserCollisionOnGround() {
    lf_services().avoidUserCollisionOnGround();
}
bool lf_avoidCollisionWithLive(const LiveAircraft& liveCopy, AiAircraft& parked) {
    return lf_services().avoidCollisionWithLive(liveCopy, parked);
}
bool gf_cancelQueuedCreations(std::string callsign) {
    return lf_services().cancelQueuedCreations(std::move(callsign));
}
void gf_resetTraffic() {
    lf_services().resetTraffic();
}
void gf_applyMaxAircraft() {
    lf_services().applyMaxAircraft();
}
int gf_updateLiveParkedShare(bool show) {
    return lf_services().updateLiveParkedShare(show);
}
int gf_updateStaticParkedShare(bool show) {
    return lf_services().updateStaticParkedShare(show);
}
void gf_postSimEvent(SimInboundRecord record) {
    lf_services().postSimEvent(record);
}
std::string gf_standNameAt(double latitude, double longitude) {
    return lf_services().standNameAt(latitude, longitude);
}
void gf_takeFeedRecords(std::vector<LiveFlight>& batch, int delay) {
    lf_services().takeFeedRecords(batch, delay);
}
