#include "traffic/traffic_state.h"

#include "airports/park_airport_state.h"

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
    std::lock_guard lock(inboundMutex);
    gf_reserveAtLeast(inbound, capacities.inboundQueue);
    gf_reserveAtLeast(startupSequences, capacities.startUpSequences);
}

void TrafficState::reset() {
    std::lock_guard traffic(trafficMutex);
    {
        std::lock_guard lock(inboundMutex);
        inbound.clear();
        startupSequences.clear();
    }
    {
        std::lock_guard lock(feedMutex);
        intakeOpen = false;
        pendingBatch.clear();
    }
    live.clear();
    statics.clear();
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
    // The titles it views die with the livery database; never keep them past a reset.
    liveryCache.clear();
    seenCallsigns.clear();
    seenFlightIds.clear();
    reservedStandFlag = false;
    gf_parkAirportState().reset();
    currentQnh = 1013;
    tickCounter = 0;
}

} // namespace ksb
