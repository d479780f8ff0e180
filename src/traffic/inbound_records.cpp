#include "traffic/inbound_records.h"

#include "catalogue/catalogue.h"
#include "core/log.h"
#include "traffic/aircraft_erase.h"
#include "traffic/aircraft_lookup.h"
#include "traffic/object_added.h"
#include "traffic/object_removed.h"
#include "traffic/startup_sequences.h"
#include "traffic/traffic_state.h"

#include <fmt/format.h>

#include <mutex>
#include <utility>

namespace {

// Keys above this are live hexids; static keys lie below.
constexpr std::uint32_t kLiveKeyFloor = 10000;
constexpr double kMinStaticCgFt = 1.0;
constexpr double kMaxStaticCgFt = 35.0;
constexpr double kMinGroundPitchRad = -0.017453292519943295;    // -1 degree
constexpr double kMaxGroundPitchRad = 0.04363323129985824;      // 2.5 degrees
constexpr double kDefaultGroundPitchRad = 0.012217304763960306; // 0.7 degrees

// Empties the taken records however the handling ends, so the next swap hands the inbound queue
// an empty vector with the run's capacity.
struct TakenInboundClearer {
    ~TakenInboundClearer() { trafficState.inboundTaken.clear(); }
};

void lf_onGroundData(const SimInboundRecord& record) {
    LiveAircraft* aircraft = gf_liveByObject(record.objectId);
    if (aircraft == nullptr) {
        return;
    }
    const bool reportedOnGround = record.flightKeyOrOnGround != 0;
    if (reportedOnGround && !aircraft->onGround && aircraft->rotationCountdown <= 1) {
        trafficState.hooks.landed(*aircraft);
    }
    aircraft->agl = record.value2;
    if (aircraft->onGround || aircraft->rotationCountdown >= 2) {
        aircraft->position.altitude = record.value1 + aircraft->staticCgHeight;
    }
}

void lf_onRestingAttitude(const SimInboundRecord& record) {
    LiveAircraft* aircraft = gf_liveByObject(record.objectId);
    if (aircraft == nullptr) {
        return;
    }
    const double cg = record.value1;
    if (cg >= kMinStaticCgFt && cg <= kMaxStaticCgFt) {
        aircraft->staticCgHeight = cg;
    } else {
        gf_logLine(fmt::format("{}: static CG {:.1F}ft wrong?", aircraft->describe(), cg));
    }
    const double pitch = record.value2;
    aircraft->groundPitch = (pitch <= kMinGroundPitchRad || pitch > kMaxGroundPitchRad)
                                ? kDefaultGroundPitchRad
                                : pitch;
}

void lf_onBlockedCallsign(const SimInboundRecord& record) {
    if (LiveAircraft* aircraft = gf_liveByKey(record.flightKeyOrOnGround)) {
        lf_removeBlocked(record.flightKeyOrOnGround, *aircraft);
    }
}

// The simulator could not create the livery: the title is never chosen again and the record
// goes. User error 81 of the catalogue passes to the caller.
void lf_onCreationRefused(const SimInboundRecord& record) {
    const std::uint32_t key = record.flightKeyOrOnGround;
    if (key > kLiveKeyFloor) {
        if (LiveAircraft* aircraft = gf_liveByKey(key)) {
            gf_liveryNotCreated(*aircraft);
            gf_eraseAircraft(trafficState.live, *aircraft);
        }
    } else if (AiAircraft* aircraft = gf_staticByKey(key)) {
        gf_liveryNotCreated(*aircraft);
        gf_eraseAircraft(trafficState.statics, *aircraft);
    }
}

} // namespace

namespace ksb {

void gf_postSimEvent(SimInboundRecord record) {
    std::lock_guard lock(trafficState.inboundMutex);
    trafficState.inbound.push_back(record);
}

void gf_processSimEvents() {
    {
        std::lock_guard lock(trafficState.inboundMutex);
        std::swap(trafficState.inbound, trafficState.inboundTaken);
    }
    {
        const TakenInboundClearer clearer;
        for (const SimInboundRecord& record : trafficState.inboundTaken) {
            lf_onSimEvent(record);
        }
    }
    lf_runStartupSequences();
}

} // namespace ksb

void lf_onSimEvent(const SimInboundRecord& record) {
    switch (record.kind) {
    case SimInboundKind::liveAdded:
    case SimInboundKind::staticAdded:
        lf_onObjectAdded(record);
        break;
    case SimInboundKind::objectRemoved:
        lf_onObjectRemoved(record.objectId);
        break;
    case SimInboundKind::aircraftNearUser:
        lf_onGroundData(record);
        break;
    case SimInboundKind::restingAttitude:
        lf_onRestingAttitude(record);
        break;
    case SimInboundKind::blockedCallsign:
        lf_onBlockedCallsign(record);
        break;
    case SimInboundKind::creationRefused:
        lf_onCreationRefused(record);
        break;
    default:
        break;
    }
}

bool lf_removeBlocked(std::uint32_t flightKey, LiveAircraft& aircraft) {
    if (aircraft.flightKey != flightKey) {
        return false;
    }
    if (aircraft.state == LiveState::newFlight) {
        aircraft.erase = true;
        gf_log(fmt::format("{} will be removed from buffer while blocked", aircraft.describe()));
    } else if (aircraft.state == LiveState::inSimulator) {
        gf_log(fmt::format("{} removed from simulator immediately while blocked",
                           aircraft.describe()));
        trafficState.linkServices.releaseAiAircraft(aircraft);
    }
    return true;
}
