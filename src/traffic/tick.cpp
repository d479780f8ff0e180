#include "traffic/tick.h"

#include "core/geodesy.h"
#include "core/run_values.h"
#include "core/sim_session_state.h"
#include "traffic/aircraft_index.h"
#include "traffic/aircraft_lookup.h"
#include "traffic/feed_intake.h"
#include "traffic/first_sample.h"
#include "traffic/inbound_records.h"
#include "traffic/live_dispatch.h"
#include "traffic/sim_call_failure.h"
#include "traffic/traffic_state.h"

#include <cstdint>
#include <deque>

namespace {

// The simulator is never flooded: one removal every 10 ticks, one creation every 50.
constexpr std::int32_t kRemovalTicks = 10;
constexpr std::int32_t kCreationTicks = 50;
// The aircraft in range once a second, five times as often while one is on approach.
constexpr std::int32_t kRangeTicks = 100;
constexpr std::int32_t kFastRangeTicks = 20;
constexpr std::int32_t kUserStateTicks = 100;

bool lf_every(std::int32_t t, std::int32_t ticks) {
    return t % ticks == 0;
}

void lf_sendQueuedCreation() {
    std::deque<AiCreateRequest>& live = trafficState.liveCreations;
    std::deque<AiCreateRequest>& statics = trafficState.staticCreations;
    ksb::TrafficLinkServices& link = trafficState.linkServices;
    if (!live.empty()) {
        link.queueCreateAiAircraft(live.front());
        live.pop_front();
        return;
    }
    if (!statics.empty()) {
        link.queueCreateAiAircraft(statics.front());
        statics.pop_front();
    }
    // Prepared now, sent at the next free creation slot.
    if (!trafficState.standsToFill.empty()) {
        trafficState.hooks.createStaticParked();
    }
}

void lf_paceLinkQueues(std::int32_t t, bool exiting) {
    if (!lf_every(t, kRemovalTicks)) {
        return;
    }
    if (!trafficState.removals.empty()) {
        trafficState.linkServices.queueRemoveAiAircraft(trafficState.removals.front());
        trafficState.removals.pop_front();
    }
    if (lf_every(t, kCreationTicks) && !exiting) {
        lf_sendQueuedCreation();
    }
}

AiCreateRequest lf_creationRequestOf(const LiveAircraft& aircraft) {
    AiCreateRequest request;
    SIMCONNECT_DATA_INITPOSITION& init = request.initPosition;
    init.Latitude = aircraft.position.latitude;
    init.Longitude = aircraft.position.longitude;
    init.Altitude = aircraft.position.altitude;
    init.Pitch = aircraft.position.pitch * kDegreesPerRadian;
    init.Bank = aircraft.position.bank * kDegreesPerRadian;
    init.Heading = aircraft.position.heading * kDegreesPerRadian;
    init.OnGround = gf_firstSampleAirborne(aircraft) ? 0U : 1U;
    init.Airspeed = 0;
    request.callsign = aircraft.callsign;
    request.liveryTitle = aircraft.liveryTitle;
    request.flightKey = aircraft.flightKey;
    return request;
}

// One admitted aircraft per tick becomes a creation request; a key whose aircraft has gone is
// dropped.
void lf_takeWaitingKey() {
    if (trafficState.waitingKeys.empty()) {
        return;
    }
    const std::uint32_t key = trafficState.waitingKeys.back();
    trafficState.waitingKeys.pop_back();
    if (const LiveAircraft* aircraft = gf_liveByKey(key)) {
        trafficState.liveCreations.push_back(lf_creationRequestOf(*aircraft));
    }
}

void lf_requestAircraftInRange(std::int32_t t) {
    ksb::TrafficLinkServices& link = trafficState.linkServices;
    if (!lf_every(t, trafficState.fastRange ? kFastRangeTicks : kRangeTicks) ||
        link.requestErrorSet()) {
        return;
    }
    gf_checkSimCall(link.requestAircraftInRange(static_cast<double>(injectionRadiusMetres.load())),
                    "SimConnect request ac within range fails");
}

void lf_refreshUserState(std::int32_t t) {
    if (!lf_every(t, kUserStateTicks)) {
        return;
    }
    const UserAircraftState state = trafficState.linkServices.requestUserPosition();
    trafficState.userState = state;
    // The run phase and the feed read the worker's copy.
    gf_setUserState(state);
}

} // namespace

namespace ksb {

void gf_trafficTick() {
    const std::int32_t t = trafficState.tickCounter.load();
    // The exit removes what the simulator holds; an object created behind it would stay there.
    // Removals, inbound records and motion go on.
    const bool exiting = exitInProgress.load() != 0;
    gf_beginIndexCheck();
    gf_processSimEvents();
    lf_updateLiveAircraft(t);
    lf_paceLinkQueues(t, exiting);
    gf_takePendingFeedRecords();
    if (!exiting) {
        lf_takeWaitingKey();
    }
    lf_requestAircraftInRange(t);
    lf_refreshUserState(t);
    gf_endIndexCheck();
    trafficState.tickCounter.fetch_add(1);
}

} // namespace ksb
