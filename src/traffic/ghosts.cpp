// Ghosts: a live aircraft whose callsign is another flight's followed by "_". When the flight
// itself arrives the ghost goes, by whatever way its state allows, and its callsign is kept so
// that admission never brings it back.
#include "traffic/conflicts.h"

#include "core/log.h"
#include "core/parameters.h"
#include "traffic/sample_intake.h"
#include "traffic/stand_release.h"
#include "traffic/stand_table.h"
#include "traffic/traffic_state.h"

#include <fmt/format.h>

#include <algorithm>
#include <deque>
#include <vector>

namespace {

// Takes the ghost's creation out of the engine's hands; false when its request has already gone
// to the simulator.
bool lf_ghostCreationWithdrawn(std::uint32_t flightKey) {
    std::deque<AiCreateRequest>& queue = trafficState.liveCreations;
    const auto request = std::find_if(queue.begin(), queue.end(), [flightKey](const auto& r) {
        return r.flightKey == flightKey;
    });
    if (request != queue.end()) {
        queue.erase(request);
        return true;
    }
    std::vector<std::uint32_t>& keys = trafficState.waitingKeys;
    const auto waiting = std::find(keys.begin(), keys.end(), flightKey);
    if (waiting != keys.end()) {
        keys.erase(waiting);
        return true;
    }
    return false;
}

void lf_logGhost(const LiveAircraft& ghost, const std::string& callsign) {
    if (!LOG.value()) {
        return;
    }
    if (ghost.phase == FlightPhase::parked) {
        gf_log(fmt::format("{:8}: {:8} is a ghost and will be removed, continue with {}",
                           gf_standLogName(ghost.standId), ghost.callsign, callsign));
    } else {
        gf_log(fmt::format("          {:8} is a ghost and will be removed, continue with {}",
                           ghost.callsign, callsign));
    }
}

} // namespace

namespace ksb {

void lf_removeGhost(const std::string& callsign) {
    if (callsign.empty()) {
        return;
    }
    const std::string ghostCallsign = callsign + "_";
    std::vector<LiveAircraft>& live = trafficState.live;
    const auto found = std::find_if(live.begin(), live.end(), [&](const LiveAircraft& aircraft) {
        return aircraft.state != LiveState::beingRemoved && aircraft.callsign == ghostCallsign;
    });
    if (found == live.end()) {
        return;
    }
    LiveAircraft& ghost = *found;
    lf_logGhost(ghost, callsign);
    std::vector<std::string>& ghosts = trafficState.ghostCallsigns;
    if (std::find(ghosts.begin(), ghosts.end(), ghostCallsign) == ghosts.end()) {
        ghosts.push_back(ghostCallsign);
    }
    // Callers walk the live aircraft: the record is flagged for the erase pass, never erased here.
    switch (ghost.state) {
    case LiveState::newFlight:
        ghost.erase = true;
        break;
    case LiveState::creationRequested:
        if (lf_ghostCreationWithdrawn(ghost.flightKey)) {
            ghost.erase = true;
        } else {
            // The simulator is creating it; it goes at the end of its start-up instead of starting.
            ghost.removeOnceCreated = true;
        }
        break;
    case LiveState::inSimulator:
        trafficState.linkServices.releaseAiAircraft(ghost);
        break;
    case LiveState::toBeRecreated:
        // Its removal is queued already; the confirmation then erases it instead of re-creating.
        gf_freeStand(ghost);
        ghost.state = LiveState::beingRemoved;
        break;
    case LiveState::beingRemoved:
        break;
    }
}

bool lf_callsignInUse(const std::string& text) {
    return lf_liveCallsignExists(text);
}

} // namespace ksb
