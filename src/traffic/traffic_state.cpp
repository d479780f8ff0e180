#include "traffic/traffic_state.h"

#include "airports/park_airport_state.h"
#include "traffic/stand_table.h"

#include <mutex>

ksb::TrafficState trafficState;

namespace ksb {

void TrafficState::reserve(const RunCapacities& capacities) {
    std::lock_guard traffic(trafficMutex);
    gf_reserveAtLeast(live, capacities.liveAircraft);
    gf_reserveAtLeast(statics, capacities.staticAircraft);
    gf_reserveAtLeast(gf_parkAirportState().stands, capacities.parkStands);
    gf_reserveAtLeast(waitingKeys, capacities.waitingFlightKeys);
    gf_reserveAtLeast(standsToFill, capacities.standsToFill);
    gf_reserveAtLeast(adjustments, capacities.staticAdjustments);
    gf_reserveAtLeast(ghostCallsigns, capacities.ghostCallsigns);
    gf_reserveAtLeast(parkedLive, capacities.parkedLive);
    gf_reserveAtLeast(stayers, capacities.staticStayers);
    gf_reserveAtLeast(acceptedCandidates, capacities.learnedCandidates);
    gf_reserveAtLeast(offsetCandidates, capacities.learnedCandidates);
    gf_reserveAtLeast(startupSequences, capacities.startUpSequences);
    gf_reserveAtLeast(inboundTaken, capacities.inboundQueue);
    gf_reserveAtLeast(positionWrites, capacities.positionQueue);
    std::lock_guard lock(inboundMutex);
    gf_reserveAtLeast(inbound, capacities.inboundQueue);
}

void TrafficState::reset() {
    std::lock_guard traffic(trafficMutex);
    {
        std::lock_guard lock(inboundMutex);
        inbound.clear();
    }
    {
        std::lock_guard lock(feedMutex);
        intakeOpen = false;
        pendingBatch.clear();
        // A count left behind would make the next tick take from an empty batch.
        pendingCount = 0;
        pendingDoubleTake = false;
        pendingTicks = 0;
    }
    startupSequences.clear();
    inboundTaken.clear();
    liveCreations.clear();
    staticCreations.clear();
    positionWrites.clear();
    fastRange = false;
    userState = UserAircraftState{};
    userGroundCheck = Position{};
    live.clear();
    statics.clear();
    liveByKey.clear();
    liveByObject.clear();
    staticByKey.clear();
    staticByObject.clear();
    removals.clear();
    identityChecks.clear();
    noLiveryKeys.clear();
    ghostCallsigns.clear();
    waitingKeys.clear();
    standsToFill.clear();
    adjustments.clear();
    parkAirports.clear();
    parkAirport = Airport{};
    reservedStand.clear();
    // The titles it views live in the catalogue's title store for the whole process; the reset
    // only forgets the choices.
    liveryCache.clear();
    seenCallsigns.clear();
    seenFlightIds.clear();
    parkedLive.clear();
    realFitOffset = -1;
    softFitOffset = -1;
    lastLearned.clear();
    sortPosition = Position{};
    parkAirportPendingLoad = false;
    softLearningAllowed = true;
    stayers.clear();
    acceptedCandidates.clear();
    offsetCandidates.clear();
    staticKeyCounter = 0;
    gf_clearStandNameMemo();
    reservedStandFlag = false;
    gf_parkAirportState().reset();
    currentQnh = 1013;
    tickCounter = 0;
}

} // namespace ksb

void gf_resetTrafficForTests() {
    trafficState.reset();
    std::lock_guard traffic(trafficState.trafficMutex);
    trafficState.linkServices = ksb::TrafficLinkServices{};
    trafficState.feedServices = ksb::TrafficFeedServices{};
    trafficState.hooks = ksb::TrafficHooks{};
    std::lock_guard lock(trafficState.flightPlanFolderMutex);
    trafficState.flightPlanFolder.clear();
}
