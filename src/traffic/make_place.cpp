#include "traffic/make_place.h"

#include "catalogue/catalogue.h"
#include "core/geodesy.h"
#include "core/log.h"
#include "core/parameters.h"
#include "core/time_text.h"
#include "traffic/aircraft_lookup.h"
#include "traffic/creation_cancel.h"
#include "traffic/stand_table.h"
#include "traffic/traffic_state.h"

#include <fmt/format.h>

#include <cstddef>
#include <cstdint>
#include <string>

namespace {

// The static aircraft stands for the flight that now arrives live.
bool lf_sameLiveVersion(const LiveAircraft& aircraft, const AiAircraft& other) {
    return other.firstReceivedCallsign == aircraft.callsign ||
           (!other.registration.empty() && other.registration == aircraft.registration);
}

} // namespace

namespace ksb {

bool lf_makePlaceAt(const LiveAircraft& aircraft, const ParkPosition& stand, AiAircraft& other) {
    if (other.standId != stand.standId) {
        return false;
    }
    if (other.state != LiveState::inSimulator && other.state != LiveState::creationRequested) {
        return true;
    }
    const bool queued = other.state == LiveState::creationRequested;
    if (LOG.value()) {
        gf_log(fmt::format("{}{:8}: {:8} {} makes place for{} {} {} {}", queued ? "queued " : "",
                           gf_standLogName(other.standId), other.callsign, other.registration,
                           lf_sameLiveVersion(aircraft, other) ? " the same live version" : "",
                           aircraft.callsign, aircraft.registration, gf_logTimeStamp()));
    }
    if (!queued) {
        trafficState.linkServices.releaseAiAircraft(other);
        return true;
    }
    // The cancel may erase the record `other` refers to; what is left of it is found by key.
    const std::uint32_t key = other.flightKey;
    lf_cancelStaticCreation(other.callsign);
    AiAircraft* sent = gf_staticByKey(key);
    if (sent != nullptr && sent->state == LiveState::creationRequested) {
        // Its request has gone to the simulator: it goes once it is there.
        sent->removeOnceCreated = true;
    }
    return true;
}

bool lf_removeStaticByAdjacentParking(const LiveAircraft& aircraft, const ParkPosition& stand,
                                      const ParkPosition& neighbour, AiAircraft& other) {
    if (other.state != LiveState::inSimulator || other.standId != neighbour.standId) {
        return false;
    }
    const double spans = gf_wingspanOfType(aircraft.type) + gf_wingspanOfType(other.type);
    const double apart = gf_distanceNM(Position{stand.latitude, stand.longitude},
                                       Position{neighbour.latitude, neighbour.longitude});
    if (spans <= apart) {
        return false;
    }
    if (LOG.value()) {
        gf_log(fmt::format("{:8}: {:8} removed by adjacent parking {} at {}",
                           gf_standLogName(other.standId), other.callsign, aircraft.callsign,
                           stand.standId));
    }
    trafficState.linkServices.releaseAiAircraft(other);
    return true;
}

void lf_makePlaceFor(LiveAircraft& aircraft, ParkPosition& stand) {
    std::vector<AiAircraft>& statics = trafficState.statics;
    // By index, and no further once one answered: a cancel erases from the vector.
    for (std::size_t i = 0; i < statics.size(); ++i) {
        if (lf_makePlaceAt(aircraft, stand, statics[i])) {
            break;
        }
    }
    for (const std::uint32_t neighbourId : stand.adjacentStandIds) {
        const ParkPosition* neighbour = gf_findStandById(neighbourId);
        if (neighbour == nullptr) {
            continue;
        }
        for (AiAircraft& other : statics) {
            if (lf_removeStaticByAdjacentParking(aircraft, stand, *neighbour, other)) {
                break;
            }
        }
    }
}

} // namespace ksb
