#include "traffic/startup_sequences.h"

#include "core/log.h"
#include "core/parameters.h"
#include "core/time_text.h"
#include "traffic/aircraft_index.h"
#include "traffic/aircraft_lookup.h"
#include "traffic/first_sample.h"
#include "traffic/sim_call_failure.h"
#include "traffic/stand_table.h"
#include "traffic/traffic_state.h"

#include <fmt/format.h>

#include <algorithm>
#include <array>
#include <limits>

namespace {

constexpr std::uint32_t kSequenceTicks = 200;
constexpr std::uint32_t kFirstToggleTick = 50;
constexpr std::uint32_t kSecondToggleTick = 100;
// The counter of a sequence that has ended.
constexpr std::uint32_t kSequenceFinished = std::numeric_limits<std::uint32_t>::max();
constexpr double kLightsAltitudeFt = 10000.0;
constexpr double kCabinLightsAglFt = 2000.0;

std::uint32_t lf_bit(bool on) {
    return on ? 1U : 0U;
}

// The end of a live object's sequence. An aircraft released while it was being created (its
// removal already queued) is not started; one whose creation could not be cancelled goes now.
void lf_endLiveSequence(const SimInboundRecord& sequence) {
    LiveAircraft* aircraft = gf_liveByKey(sequence.flightKeyOrOnGround);
    if (aircraft == nullptr || aircraft->state == LiveState::beingRemoved) {
        return;
    }
    if (aircraft->removeOnceCreated) {
        gf_setObjectId(*aircraft, sequence.objectId);
        trafficState.linkServices.releaseAiAircraft(*aircraft);
        return;
    }
    lf_startLiveAircraft(*aircraft);
}

void lf_endStaticSequence(const SimInboundRecord& sequence) {
    if (AiAircraft* aircraft = gf_staticByKey(sequence.flightKeyOrOnGround)) {
        lf_staticParked(sequence, *aircraft);
    }
}

} // namespace

void lf_beginStartupSequence(const SimInboundRecord& added) {
    SimInboundRecord sequence = added;
    sequence.counter = 0;
    trafficState.startupSequences.push_back(sequence);
}

void lf_runStartupSequences() {
    int finished = 0;
    for (SimInboundRecord& sequence : trafficState.startupSequences) {
        gf_allLightsToggle(finished, sequence);
    }
    if (finished > 0) {
        std::erase_if(trafficState.startupSequences, [](const SimInboundRecord& sequence) {
            return sequence.counter == kSequenceFinished;
        });
    }
}

void gf_allLightsToggle(int& finished, SimInboundRecord& sequence) {
    if (sequence.counter >= kSequenceTicks) {
        return;
    }
    ++sequence.counter;
    if (sequence.kind == SimInboundKind::liveAdded &&
        (sequence.counter == kFirstToggleTick || sequence.counter == kSecondToggleTick)) {
        gf_checkSimCall(trafficState.linkServices.allLightsToggle(sequence.objectId),
                        "SimConnect gf_allLightsToggle fails");
    }
    if (sequence.counter < kSequenceTicks) {
        return;
    }
    if (sequence.kind == SimInboundKind::liveAdded) {
        lf_endLiveSequence(sequence);
    } else {
        lf_endStaticSequence(sequence);
    }
    sequence.counter = kSequenceFinished;
    ++finished;
}

void lf_startLiveAircraft(LiveAircraft& aircraft) {
    ksb::TrafficLinkServices& link = trafficState.linkServices;
    const std::uint32_t object = aircraft.objectId;
    const bool rotorcraft = aircraft.category == AircraftCategory::rotorcraft;
    aircraft.state = LiveState::inSimulator;
    if (gf_firstSampleAirborne(aircraft)) {
        link.queueEnginesOn(object);
        if (!rotorcraft) {
            link.setSpoilers(aircraft, false);
        }
        const bool low = aircraft.position.altitude <= kLightsAltitudeFt;
        // nav, beacon, landing, taxi, strobes, logo, cabin
        link.queueSetLights(object, {1, 1, lf_bit(low), 0, 1, lf_bit(low),
                                     lf_bit(aircraft.agl >= kCabinLightsAglFt)});
        return;
    }
    if (!rotorcraft) {
        link.setSpoilers(aircraft, false);
    }
    const bool parked = aircraft.phase == FlightPhase::parked;
    if (parked) {
        link.queueEnginesOff(object);
    } else {
        link.queueEnginesOn(object);
    }
    const bool nav = !parked || NAV_LIGHTS_WHILE_PARKED.value();
    link.queueSetLights(object, {lf_bit(nav), lf_bit(!parked), 0,
                                 lf_bit(aircraft.phase == FlightPhase::taxi), 0, 1, 1});
    link.setThrottle(aircraft, rotorcraft ? 4U : 0U);
    link.setFlaps(aircraft, aircraft.phase == FlightPhase::taxi ? 1U : 0U);
}

bool lf_staticParked(const SimInboundRecord& sequence, AiAircraft& aircraft) {
    if (aircraft.flightKey != sequence.flightKeyOrOnGround) {
        return false;
    }
    ksb::TrafficLinkServices& link = trafficState.linkServices;
    gf_setObjectId(aircraft, sequence.objectId);
    if (aircraft.removeOnceCreated) {
        link.releaseAiAircraft(aircraft);
        return true;
    }
    if (aircraft.state == LiveState::beingRemoved) {
        // Released before it existed: the link could not queue its removal then.
        trafficState.removals.push_back(aircraft.objectId);
        return true;
    }
    aircraft.state = LiveState::inSimulator;
    link.shutdownAiAircraft(aircraft);
    if (LOG.value()) {
        gf_log(fmt::format("{:8}: {:8} parked {}", gf_standLogName(aircraft.standId),
                           aircraft.callsign, gf_utcClockText()));
    }
    return true;
}

std::uint32_t lf_finishStaticSequence(std::uint32_t flightKey) {
    for (SimInboundRecord& sequence : trafficState.startupSequences) {
        if (sequence.kind == SimInboundKind::staticAdded &&
            sequence.flightKeyOrOnGround == flightKey && sequence.counter < kSequenceTicks) {
            sequence.counter = kSequenceFinished;
            return sequence.objectId;
        }
    }
    return 0;
}
