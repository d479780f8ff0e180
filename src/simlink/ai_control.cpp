#include "simlink/ai_control.h"

#include "core/controls.h"
#include "core/log.h"
#include "core/main_window.h"
#include "core/message_sink.h"
#include "core/parameters.h"
#include "core/parking_controls.h"
#include "core/random_engine.h"
#include "core/run_values.h"
#include "simlink/send_queues.h"
#include "simlink/sim_ids.h"
#include "traffic/stand_release.h"
#include "traffic/traffic_state.h"

#include <array>
#include <fmt/format.h>

namespace {

constexpr std::array<std::uint32_t, 5> kFlapsValues{0, 3072, 10240, 16383, 0};
constexpr std::array<std::uint32_t, 5> kThrottleValues{0, 4914, 8191, 11468, 16383};
constexpr std::uint32_t kThrottleNone = 5;
constexpr ui::Rect kWholeWindow{0, 0, kWindowWidth, kWindowHeight};

bool lf_isRotorcraft(const AiAircraft& aircraft) {
    return aircraft.category == AircraftCategory::rotorcraft;
}

} // namespace

AiAircraft gf_makeAiAircraft(const Flight& flight, std::uint32_t standId, double standLatitude,
                             double standLongitude, double standHeading, bool creatorFlag) {
    AiAircraft aircraft;
    gf_copyFlight(aircraft, flight);
    aircraft.objectId = 0;
    aircraft.standLatitude = standLatitude;
    aircraft.standLongitude = standLongitude;
    aircraft.standHeading = standHeading;
    aircraft.parkedAt = 0;
    aircraft.trafficValue = 0;
    aircraft.standId = standId;
    aircraft.state = LiveState::newFlight;
    aircraft.lastThrottleState = kThrottleNone;
    aircraft.lastFlapsState = 4;
    aircraft.creatorFlag = creatorFlag;
    aircraft.trafficFlag1 = false;
    aircraft.trafficFlag2 = false;
    return aircraft;
}

void gf_copyFlight(AiAircraft& aircraft, const Flight& flight) {
    static_cast<Flight&>(aircraft) = flight;
}

void gf_setSpoilers(const AiAircraft& aircraft, bool out) {
    if (!lf_isRotorcraft(aircraft)) {
        gf_queueClientEvent(aircraft.objectId, simid::kSpoilersSet, out ? 16383 : 0);
    }
}

void gf_setFlaps(AiAircraft& aircraft, std::uint32_t state) {
    if (state == aircraft.lastFlapsState || lf_isRotorcraft(aircraft) ||
        state >= kFlapsValues.size()) {
        return;
    }
    gf_queueClientEvent(aircraft.objectId, simid::kFlapsSet, kFlapsValues[state]);
    aircraft.lastFlapsState = state;
}

void gf_setGear(const AiAircraft& aircraft, bool down) {
    if (!lf_isRotorcraft(aircraft)) {
        gf_queueClientEvent(aircraft.objectId, simid::kGearSet, down ? 1 : 0);
    }
}

void gf_setThrottle(AiAircraft& aircraft, std::uint32_t state) {
    if (state == aircraft.lastThrottleState || state > kThrottleNone) {
        return;
    }
    if (state != kThrottleNone) {
        gf_queueClientEvent(aircraft.objectId, simid::kThrottleSet, kThrottleValues[state]);
    }
    aircraft.lastThrottleState = state;
}

void gf_shutdownAiAircraft(AiAircraft& aircraft) {
    gf_setThrottle(aircraft, 0);
    gf_setFlaps(aircraft, 0);
    gf_queueEnginesOff(aircraft.objectId);
    std::uint32_t cabin = 0;
    if (!aircraft.creatorFlag) {
        cabin = gf_randomEngine()() % 10 <= 8 ? 1 : 0;
    }
    gf_queueSetLights(aircraft.objectId,
                      {NAV_LIGHTS_WHILE_PARKED.value() ? 1u : 0u, 0, 0, 0, 0, 1, cabin});
}

void gf_releaseAiAircraft(AiAircraft& aircraft) {
    // A second release would free a stand another aircraft may hold by now and queue a second
    // removal of the same object.
    if (aircraft.state == LiveState::beingRemoved) {
        return;
    }
    gf_freeStand(aircraft);
    aircraft.state = LiveState::beingRemoved;
    if (aircraft.objectId != 0) {
        trafficState.removals.push_back(aircraft.objectId);
    } else {
        gf_logLine(fmt::format("removing act {} with objectId=0 ?", aircraft.describe()));
    }
}

bool gf_releaseAiAircraftById(std::uint32_t objectId) {
    if (objectId == 0) {
        return false;
    }
    for (LiveAircraft& aircraft : trafficState.live) {
        if (aircraft.objectId == objectId) {
            gf_releaseAiAircraft(aircraft);
            return true;
        }
    }
    for (AiAircraft& aircraft : trafficState.statics) {
        if (aircraft.objectId == objectId) {
            gf_releaseAiAircraft(aircraft);
            return true;
        }
    }
    return false;
}

void gf_lockControls() {
    controlsLocked = true;
    for (const std::uint16_t id :
         {parking_percentage.commandId(), INITIAL_LOAD_ONLY.commandId(), PARK_FAKE.commandId(),
          PARK_SOFT.commandId(), RT_PARKTRAFFIC_ONLY.commandId(), MAX_FIT_FL.commandId(),
          WEEK.commandId(), FLUSH_STATIC_BUTTON.commandId(), REREAD_BUTTON.commandId()}) {
        gf_enableControl(id, false);
    }
    gf_clearMessage();
    gf_invalidate(kWholeWindow);
}

void gf_unlockControls() {
    controlsLocked = false;
    gf_enableControl(RT_PARKTRAFFIC_ONLY.commandId(), true);
    lf_enableParkingControls();
    gf_enableControl(FLUSH_STATIC_BUTTON.commandId(), true);
    gf_enableControl(REREAD_BUTTON.commandId(), true);
    gf_clearMessage();
    gf_invalidate(kWholeWindow);
}
