#include "traffic/object_added.h"

#include "core/globals.h"
#include "core/log.h"
#include "core/parameters.h"
#include "core/time_text.h"
#include "traffic/aircraft_index.h"
#include "traffic/aircraft_lookup.h"
#include "traffic/first_sample.h"
#include "traffic/flight_plans.h"
#include "traffic/sim_call_failure.h"
#include "traffic/stand_table.h"
#include "traffic/startup_sequences.h"
#include "traffic/traffic_state.h"

#include <fmt/format.h>

#include <algorithm>
#include <cstdint>

namespace {

// Ids 0 to 2 are the simulator's own (the user aircraft among them), never an AI object.
constexpr std::uint32_t kFirstAiObjectId = 3;

// An object that no record of ours stands for would stay in the simulator for good.
void lf_removeUnwantedObject(std::uint32_t objectId) {
    if (objectId >= kFirstAiObjectId) {
        trafficState.removals.push_back(objectId);
    }
}

void lf_parksOnCreation(LiveAircraft& aircraft) {
    aircraft.parkedAt = dayHalfHourNow.load();
    if (!aircraft.recreating && LOG.value()) {
        gf_log(fmt::format("{:8}: {:8} parks {}", gf_standLogName(aircraft.standId),
                           aircraft.callsign, gf_utcClockText()));
    }
    // The live aircraft has the stand now; no static one is planned on it any more.
    std::erase_if(trafficState.standsToFill, [&aircraft](const StandToFill& planned) {
        return planned.standId == aircraft.standId;
    });
}

void lf_onLiveAdded(const SimInboundRecord& record) {
    LiveAircraft* aircraft = gf_liveByKey(record.flightKeyOrOnGround);
    if (aircraft == nullptr) {
        lf_removeUnwantedObject(record.objectId);
        return;
    }
    if (aircraft->state == LiveState::beingRemoved) {
        // Released while it had no object: the removal could not be queued then.
        if (record.objectId >= kFirstAiObjectId) {
            gf_setObjectId(*aircraft, record.objectId);
            trafficState.removals.push_back(record.objectId);
        }
        return;
    }
    if (liveAIAdded(*aircraft, record)) {
        lf_beginStartupSequence(record);
    }
}

void lf_onStaticAdded(const SimInboundRecord& record) {
    if (gf_staticByKey(record.flightKeyOrOnGround) == nullptr) {
        lf_removeUnwantedObject(record.objectId);
        return;
    }
    if (record.objectId >= kFirstAiObjectId) {
        lf_beginStartupSequence(record);
    }
}

} // namespace

void lf_onObjectAdded(const SimInboundRecord& record) {
    if (record.kind == SimInboundKind::liveAdded) {
        lf_onLiveAdded(record);
    } else {
        lf_onStaticAdded(record);
    }
}

bool liveAIAdded(LiveAircraft& aircraft, const SimInboundRecord& record) {
    if (record.objectId < kFirstAiObjectId) {
        gf_logLine(
            fmt::format("{} objectId in liveAIAdded {}", aircraft.callsign, record.objectId));
        return false;
    }
    gf_setObjectId(aircraft, record.objectId);
    aircraft.agl = record.value2;
    if (!gf_firstSampleAirborne(aircraft)) {
        aircraft.onGround = true;
        aircraft.verticalStep = 0.0;
        if (aircraft.phase == FlightPhase::parked) {
            lf_parksOnCreation(aircraft);
        }
        aircraft.recreating = false;
        aircraft.rotationCountdown = 1;
    }
    lf_setFlightPlan(aircraft);
    gf_checkSimCall(trafficState.linkServices.requestStaticCg(aircraft.objectId),
                    "SimConnect request StaticCG fails");
    return true;
}
